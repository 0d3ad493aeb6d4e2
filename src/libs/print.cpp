// Printing networks: the line buffer, sizes and summaries, listings and words.
//
// The line buffer tracks the column of the line being printed apart from the bytes it holds, so
// that a listing can be flushed piece by piece and still wrap at the line width. States are named
// by numbers kept in their client cells while a listing runs; the cells go back to 0 after.

#include "print.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "boundary.h"
#include "compact-arcs.h"
#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "heap.h"
#include "label.h"
#include "page.h"
#include "path-counts.h"
#include "prop-names.h"
#include "prop.h"
#include "scratch.h"
#include "stack.h"
#include "state-order.h"
#include "struct.h"

namespace kora {
namespace {

// Arcs and "(no arcs)" start at this column of a state line; continuation lines are indented
// to it.
constexpr int kArcColumn = 6;
// Flag names start at this column of the "Flags:" line and of its continuation lines.
constexpr int kFlagColumn = 7;

const char *end_of_line() {
  const char *eol = context()->eol_string;
  return eol != nullptr ? eol : "\r\n";
}

FILE *or_stdout(FILE *stream) { return stream != nullptr ? stream : stdout; }

// line_end with `eol` as the end of the line.
void end_line_with(FILE *stream, const char *eol) {
  line_flush(stream);
  std::fputs(eol, or_stdout(stream));
  line_buffer.column = 0;
  line_buffer.dropped_in_line = 0;
}

// Appends a formatted text of at most 127 bytes (numbers and short phrases).
void line_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void line_printf(const char *format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  line_put(text, std::min(length, static_cast<int>(sizeof text) - 1));
}

// Appends blanks until the line reaches `column` (none when it is there already).
void pad_to(int column) {
  while (line_buffer.column < column) line_put(" ", 1);
}

std::string state_name(long long number, bool final) {
  return (final ? "fs" : "s") + std::to_string(number);
}

// Writes one item of a comma-separated list whose items start at column `indent`: the first
// after blanks up to `indent`, the others after ", ". An item that would take the line (with
// its following punctuation) past the line width goes on a continuation line, the comma staying
// at the end of the line before.
void put_list_item(const std::string &item, bool first, int indent, FILE *stream) {
  if (first) {
    pad_to(indent);
  } else {
    int width = context()->line_width;
    int needed = line_buffer.column + 2 + static_cast<int>(item.size()) + 1;
    if (width > 0 && needed > width) {
      line_put(",", 1);
      line_end(stream);
      pad_to(indent);
    } else {
      line_put(", ", 2);
    }
  }
  line_put(item.data(), static_cast<int>(item.size()));
}

// "label -> name" of an arc, in place of what `text` held; the label escaped so that a literal
// 0 or ? stays apart from EPSILON and OTHER.
void arc_text(const ARC *arc, std::string &text) {
  const STATE *dest = arc->destination;
  text.clear();
  append_label(text, arc->label, 1);
  text += " -> ";
  text += state_name(state_number(dest), dest->flags.final);
}

// --- Flags ------------------------------------------------------------------------------------

struct FlagName {
  const char *name;
  bool (*is_set)(const NET *net);
};

const FlagName kFlagNames[] = {
    {"deterministic", [](const NET *n) -> bool { return n->flags.deterministic; }},
    {"pruned", [](const NET *n) -> bool { return n->flags.pruned; }},
    {"completed", [](const NET *n) -> bool { return n->flags.completed; }},
    {"minimized", [](const NET *n) -> bool { return n->flags.minimized; }},
    {"epsilon_free", [](const NET *n) -> bool { return n->flags.epsilon_free; }},
    {"sorted_states", [](const NET *n) -> bool { return n->flags.sorted_states; }},
    {"loop_free", [](const NET *n) -> bool { return n->flags.loop_free; }},
    {"visit_marks_dirty", [](const NET *n) -> bool { return n->flags.visit_marks_dirty; }},
    {"shared_arc_lists", [](const NET *n) -> bool { return n->flags.shared_arc_lists; }},
    {"has_arc_user_pointer", [](const NET *n) -> bool { return n->flags.has_arc_user_pointer; }},
    {"closed_sigma", [](const NET *n) -> bool { return n->flags.closed_sigma; }},
    {"compacted", [](const NET *n) -> bool { return n->flags.compacted; }},
    {"upper_sequentialized", [](const NET *n) -> bool { return n->flags2.upper_sequentialized; }},
    {"lower_sequentialized", [](const NET *n) -> bool { return n->flags2.lower_sequentialized; }},
    {"left_bimachine", [](const NET *n) -> bool { return n->flags2.left_bimachine; }},
    {"right_bimachine", [](const NET *n) -> bool { return n->flags2.right_bimachine; }},
    {"reduced_labelset", [](const NET *n) -> bool { return n->flags2.reduced_labelset; }},
    {"virtual", [](const NET *n) -> bool { return n->flags2.is_virtual; }},
    {"Vantel compressed", [](const NET *n) -> bool { return n->flags2.vantel_compressed; }},
    {"optimized", [](const NET *n) -> bool { return n->flags2.optimized; }},
    {"has_flags",
     [](const NET *n) -> bool { return n->flags2.upper_has_flags || n->flags2.lower_has_flags; }},
    {"has_arc_vectors", [](const NET *n) -> bool { return n->flags2.has_arc_vectors; }},
};

void print_flags(const NET *net, FILE *stream) {
  line_put("Flags:");
  bool first = true;
  for (const FlagName &flag : kFlagNames) {
    if (!flag.is_set(net)) continue;
    put_list_item(flag.name, first, kFlagColumn, stream);
    first = false;
  }
  line_end(stream);
}

void print_name(const NET *net, FILE *stream) {
  line_put("Net: ");
  const OBJECT *name = get_prop(net, standard_name("NETWORKNAME"));
  if (name != nullptr && name->type == STRING_TYPE && name->value.string != nullptr) {
    char *text = context()->out_char_encoding == KORA_UTF8
                     ? fat_to_utf8(name->value.string, nullptr)
                     : fat_to_thin(name->value.string, nullptr);
    line_put(text);
    std::free(text);
  }
  line_end(stream);
}

// Numbers the states in list order, prints the line of each (but those whose arcs belong to a
// transition table) and clears the numbers again.
void print_states(NET *net, FILE *stream) {
  number_states_for_listing(net);
  for (STATE *s = net->states; s != nullptr; s = s->next)
    if (!s->flags.table_arcs) print_state(s, net, stream);
  clear_client_cells(net);
}

// A compacted network's states in block order, numbered so. Every state gets its record first
// (a destination's finality is read off the arcs that lead to it), so that each is numbered
// before any arc names it.
void print_compact_states(NET *net, FILE *stream) {
  const CompactNet *block = compact_of(net);
  std::vector<uint32_t> positions;
  const uint8_t *at = block->bytes + 1;
  CompactArc arc;
  for (uint32_t k = 0; k < net->num_states && at < block->bytes + block->size; ++k) {
    positions.push_back(static_cast<uint32_t>(at - block->bytes));
    while (decode_compact_arc(net, at, &arc)) {
      compact_state(net, arc.destination, arc.final);
      if (arc.last) break;
    }
  }
  // A state no arc leads to is the start state (its record made already) or unreachable.
  std::vector<STATE *> states;
  for (uint32_t position : positions) states.push_back(compact_state(net, position, false));
  for (size_t k = 0; k < states.size(); ++k)
    states[k]->client_cell = reinterpret_cast<void *>(static_cast<intptr_t>(k));
  for (STATE *state : states) print_state(state, net, stream);
}

// --- Summaries --------------------------------------------------------------------------------

std::string size_text(long long bytes) {
  char text[40];
  if (bytes <= 1000)
    std::snprintf(text, sizeof text, "%lld bytes", bytes);
  else if (bytes <= 1000000)
    std::snprintf(text, sizeof text, "%.1f Kb", static_cast<double>(bytes) / 1000);
  else if (bytes <= 1000000000)
    std::snprintf(text, sizeof text, "%.1f Mb", static_cast<double>(bytes) / 1000000);
  else
    std::snprintf(text, sizeof text, "%.1f Gb", static_cast<double>(bytes) / 1000000000);
  return text;
}

const char *plural(unsigned long long count) { return count == 1 ? "" : "s"; }

// The path phrase of the summary, empty for networks whose arcs are not plain lists. Leaves
// client cells and paths_indexed as they were unless the network was indexed before.
std::string path_phrase(NET *net) {
  if (net->flags.compacted || net->flags.tabular || net->flags2.has_arc_vectors) return "";
  bool was_indexed = net->flags.paths_indexed;
  char text[64];
  switch (index_net(net)) {
    case PATHS_INDEXED: {
      unsigned long long count = net->start != nullptr ? path_count(net->start) : 0;
      if (!was_indexed) {
        clear_client_cells(net);
        net->flags.paths_indexed = 0;
      }
      std::snprintf(text, sizeof text, ", %llu path%s", count, plural(count));
      return text;
    }
    case PATHS_OVERFLOW:
      std::snprintf(text, sizeof text, ", more than %llu paths", 4294967295ULL);
      return text;
    case PATHS_CIRCULAR:
      return ", Circular";
    case PATHS_VIRTUAL:
      return ", Virtual";
    default:
      return "";
  }
}

// The summary line without its line end.
std::string summary_line(NET *net) {
  char counts[96];
  unsigned long long states = net->num_states, arcs = net->num_arcs;
  std::snprintf(counts, sizeof counts, ". %llu state%s, %llu arc%s", states, plural(states), arcs,
                plural(arcs));
  const char *kind = net->flags.tabular     ? ". Tabular."
                     : net->flags.compacted ? ". Compacted."
                                            : ".";
  return size_text(net_size(net)) + counts + path_phrase(net) + kind;
}

// The name of the network's label map when it is not "Default", else null.
const char *foreign_map_name(const NET *net) {
  const auto *map = static_cast<const LABEL_MAP *>(net->label_map);
  if (map == nullptr || map->name == nullptr || std::strcmp(map->name, "Default") == 0)
    return nullptr;
  return map->name;
}

}  // namespace

// --- The line buffer --------------------------------------------------------------------------

void line_put(const char *text, int length) {
  FST_CONTEXT *c = context();
  int capacity = c->output_buffer != nullptr ? c->output_buffer_size : 0;
  int fits = std::max(0, std::min(length, capacity - line_buffer.length));
  if (fits > 0) std::memcpy(c->output_buffer + line_buffer.length, text, static_cast<size_t>(fits));
  line_buffer.length += fits;
  line_buffer.column += length;
  int lost = length - fits;
  if (lost <= 0) return;
  line_buffer.dropped += lost;
  if (line_buffer.dropped_in_line == 0)
    warning_printf("Output buffer full, please increase output_buffer_size to at least %d.",
                   capacity + 256 + line_buffer.dropped);
  line_buffer.dropped_in_line += lost;
}

void line_put(const char *text) { line_put(text, static_cast<int>(std::strlen(text))); }

void line_flush(FILE *stream) {
  if (line_buffer.length > 0)
    std::fwrite(context()->output_buffer, 1, static_cast<size_t>(line_buffer.length), or_stdout(stream));
  line_buffer.length = 0;
}

void line_end(FILE *stream) { end_line_with(stream, end_of_line()); }

void reset_line_buffer() { line_buffer = LineBuffer{}; }

// --- Sizes and summaries ----------------------------------------------------------------------

long long net_size(const NET *net) {
  if (net == nullptr) return 0;
  long long size = 0;
  for (const ALPH *alph : {net->sigma, net->labels})
    if (alph != nullptr) size += 16 + 4LL * alph->max;
  if (net->flags.compacted) return size + net->block_size;
  if (net->flags.tabular) return size + 16LL * net->num_arcs;
  size += 16LL * net->num_states + 16LL * net->num_arcs;
  if (net->flags2.is_virtual && virtual_net_hooks.extra_size != nullptr)
    size += static_cast<long long>(virtual_net_hooks.extra_size(net));
  if (net->flags2.has_arc_vectors && net->arc_vector_heap != nullptr)
    size += static_cast<long long>(heap_size(static_cast<const HEAP *>(net->arc_vector_heap), 1));
  return size;
}

void print_net_size(NET *net, FILE *stream, const char *eol) {
  if (net == nullptr) return;
  line_put(summary_line(net).c_str());
  end_line_with(stream, eol);
  if (const char *map = foreign_map_name(net)) {
    line_put(" Label Map: ");
    line_put(map);
    line_put(".", 1);
    end_line_with(stream, eol);
  }
}

// --- Listings ---------------------------------------------------------------------------------

void print_state(STATE *state, NET *net, FILE *stream) {
  line_put(state_name(state_number(state), state->flags.final).c_str());
  line_put(": ", 2);
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  ARC *cursor;
  bool done;
  start_state_arcs(&iterator, state, &cursor, &done);
  bool first = true;
  std::string item;
  while (const ARC *arc = next_arc(&iterator, &cursor, &done)) {
    arc_text(arc, item);
    put_list_item(item, first, kArcColumn, stream);
    first = false;
  }
  free_arc_iterator(&iterator);
  if (first) {
    pad_to(kArcColumn);
    line_put("(no arcs)");
  } else {
    line_put(".", 1);
  }
  line_end(stream);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API void print_net(NET *net, FILE *stream) {
  guarded(__func__, [&] {
    if (net == nullptr) {
      error("Unexpected NULL pointer in print_net().");
      return;
    }
    stream = or_stdout(stream);
    LABEL_MAP *saved_map = current_label_map();
    if (net->label_map != nullptr) set_label_map(static_cast<LABEL_MAP *>(net->label_map));
    print_name(net, stream);
    print_flags(net, stream);
    line_printf("Arity: %d", net->arity);
    line_end(stream);
    if (net->flags2.is_virtual && virtual_net_hooks.list_states != nullptr)
      virtual_net_hooks.list_states(net, stream);
    else if (net->flags.compacted)
      print_compact_states(net, stream);
    else if (!net->flags2.is_virtual)
      print_states(net, stream);
    set_label_map(saved_map);
    line_flush(stream);
  });
}

}  // extern "C"
