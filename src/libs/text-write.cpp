// Writing the paths of loop-free networks as word lists and spaced text (write_text,
// write_spaced_text, write_text_to_page, write_spaced_text_to_page, declared in kora.h).
//
// The paths are enumerated depth first from the start state with an explicit stack of arcs,
// arcs taken in list order, the empty path first when the start state is final; a path is
// written each time a final state is reached. Time O(total length of the paths written);
// space O(longest path). Before anything is written a network not marked loop_free is checked
// to be (index_net, O(V + E)); the states of the current path carry a visit mark, so that a
// network wrongly marked loop_free stops the walk at its first cycle, with an error, instead of
// writing forever.
//
// A word list writes each symbol's name (EPSILON as "0", OTHER as "?"). Spaced text writes each
// path as a block: the upper symbols, for a transducer the lower symbols, then an empty line.
// Symbols are escaped so that they read back as they were: a lone "0" or "?" stands for EPSILON
// and OTHER, so the names "0" and "?" are written "%0" and "%?"; "%", "!", the blank and the tab
// get a "%" before them anywhere in a name, and so does a "#" that starts one (an unescaped
// name starting with "!" or "#" would end the line as a comment). Each symbol is centred in
// its column, whose width is the larger written width of the upper and lower symbol, with the
// extra blank on the left when the padding is odd, and one blank between columns; blanks that
// would end a line are left out. The empty path of spaced text is written as "0" (its lines
// would otherwise be empty, which separates blocks). Text to a file or the standard output
// starts with the coding line "# -*- coding: %s -*-", except on the standard output when the
// interactive parameter is on; pages get no coding line.
// Tested in tests/formats/text_write_test.cpp.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "optimize.h"
#include "page.h"
#include "path-counts.h"
#include "scratch.h"
#include "struct.h"
#include "text-write.h"
#include "utf8.h"

namespace kora {
namespace {

const char *const kNoPageMessage = "No page in OUTPUT_TEXT_TO_PAGE";
const char *const kNoNetPageMessage = "No network in OUTPUT_TEXT_TO_PAGE";
const char *const kCircularMessage = "A circular net cannot be written in text format.";

// Where the lines go: a stream or a page.
class LineSink {
 public:
  explicit LineSink(FILE *stream) : stream_(stream) {}
  explicit LineSink(PAGE *page) : page_(page) {}

  void line(const std::string &text) {
    if (page_ != nullptr) {
      line_to_page(text.c_str(), page_);
      return;
    }
    std::fwrite(text.data(), 1, text.size(), stream_);
    std::fputs(context()->eol_string, stream_);
  }

 private:
  FILE *stream_ = nullptr;
  PAGE *page_ = nullptr;
};

// The text of a symbol in the output encoding, and its width in characters.
struct SymbolText {
  std::string text;
  int width = 0;
};

// The written form of the symbol `id`: escaped for spaced text with `spaced`.
SymbolText symbol_text(uint32_t id, bool spaced, bool utf8) {
  SymbolText result;
  if (id == EPSILON || id == OTHER) {
    result.text.push_back(id == EPSILON ? '0' : '?');
    result.width = 1;
    return result;
  }
  if (id == BOUNDARY_SYMBOL) {
    for (char c : {'.', '#', '.'}) result.text.push_back(c);
    result.width = 3;
    return result;
  }
  const LABEL *label = label_record(id);
  const uint32_t *name = label != nullptr && label->arity == 1 ? label->name : nullptr;
  if (name == nullptr) return result;
  const bool lone = name[0] != 0 && name[1] == 0;
  for (const uint32_t *c = name; *c != 0; ++c) {
    const bool escape = spaced && (*c == '%' || *c == '!' || *c == ' ' || *c == '\t' ||
                                   (c == name && *c == '#') || (lone && (*c == '0' || *c == '?')));
    if (escape) {
      result.text += '%';
      ++result.width;
    }
    append_output_code(*c, utf8, &result.text);
    ++result.width;
  }
  return result;
}

// Appends `symbol` centred in a field of `width` characters; *end becomes the end of its text,
// so that the padding after the last symbol of a line can be cut.
void append_centred(const SymbolText &symbol, int width, std::string *line, size_t *end) {
  const int padding = width - symbol.width;
  line->append(static_cast<size_t>(padding - padding / 2), ' ');
  *line += symbol.text;
  *end = line->size();
  line->append(static_cast<size_t>(padding / 2), ' ');
}

// Writes one path in the chosen format.
class PathWriter {
 public:
  PathWriter(LineSink &sink, bool spaced, bool transducer)
      : sink_(sink), spaced_(spaced), transducer_(transducer),
        utf8_(context()->out_char_encoding == KORA_UTF8) {}

  void write(const std::vector<uint32_t> &labels) {
    if (spaced_)
      write_spaced(labels);
    else
      write_word(labels);
  }

 private:
  void write_word(const std::vector<uint32_t> &labels) {
    std::string line;
    bool pair = false;
    for (uint32_t label : labels) {
      pair = pair || label_arity(label) > 1;
      line += symbol_text(upper_id(label), false, utf8_).text;
    }
    sink_.line(line);
    if (pair) warning("print_fsm_path: Not expecting an FSTLABEL.");
  }

  void write_spaced(const std::vector<uint32_t> &labels) {
    std::string upper, lower;
    size_t upper_end = 0, lower_end = 0;
    if (labels.empty()) {
      upper = lower = "0";
      upper_end = lower_end = 1;
    }
    for (size_t i = 0; i < labels.size(); ++i) {
      const SymbolText u = symbol_text(upper_id(labels[i]), true, utf8_);
      const SymbolText l = symbol_text(lower_id(labels[i]), true, utf8_);
      const int width = transducer_ ? std::max(u.width, l.width) : u.width;
      if (i > 0) upper += ' ', lower += ' ';
      append_centred(u, width, &upper, &upper_end);
      append_centred(l, width, &lower, &lower_end);
    }
    upper.resize(upper_end);
    lower.resize(lower_end);
    sink_.line(upper);
    if (transducer_) sink_.line(lower);
    sink_.line("");
  }

  LineSink &sink_;
  bool spaced_;
  bool transducer_;
  bool utf8_;
};

// Writes every path of the network, depth first. False when an arc leads back to a state of
// the current path: the network has a cycle, despite its loop_free mark, which is cleared; the
// paths met before it are written. Visit marks are 0 on return.
bool write_paths(NET *net, PathWriter &writer) {
  if (net->start == nullptr) return true;
  clear_visit_marks_if_dirty(net);
  std::vector<uint32_t> labels;
  if (net->start->flags.final) writer.write(labels);
  struct Frame {
    STATE *state;  // marked 1 while it is on the path
    ARC *next;     // the next arc of the state to follow
  };
  std::vector<Frame> stack{{net->start, net->start->arcs}};
  net->start->flags.visit_mark = 1;
  bool cycle = false;
  while (!stack.empty()) {
    Frame &top = stack.back();
    ARC *arc = top.next;
    if (arc == nullptr) {
      top.state->flags.visit_mark = 0;
      stack.pop_back();
      if (!labels.empty()) labels.pop_back();
      continue;
    }
    top.next = arc->next;
    STATE *destination = arc->destination;
    if (destination->flags.visit_mark == 1) {
      cycle = true;
      break;
    }
    labels.push_back(arc->label);
    if (destination->flags.final) writer.write(labels);
    destination->flags.visit_mark = 1;
    stack.push_back({destination, destination->arcs});
  }
  for (const Frame &frame : stack) frame.state->flags.visit_mark = 0;
  if (cycle) {
    net->flags.loop_free = 0;
    error(kCircularMessage);
  }
  return !cycle;
}

// Whether the network has a cycle; the network is marked loop_free when it has none. Client
// cells are left empty.
bool is_circular(NET *net) {
  if (net->flags.loop_free) return false;
  const int result = index_net(net);
  for (STATE *state = net->states; state != nullptr; state = state->next) state->client_cell = nullptr;
  return result == PATHS_CIRCULAR;
}

bool is_transducer(NET *net) {
  const ALPH *labels = net_labels(net);
  for (int i = 0; labels != nullptr && i < labels->len; ++i)
    if (label_arity(labels->items[i]) > 1) return true;
  return false;
}

// Whether some symbol of the network's sigma satisfies `test`.
template <typename Test>
bool any_sigma_symbol(NET *net, Test test) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_sigma(net));
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (test(id)) return true;
  return false;
}

bool has_multichar_symbol(NET *net) {
  return any_sigma_symbol(net, [](uint32_t id) { return is_multichar_symbol(id) != 0; });
}

// The checks of the writers; 0 when the network may be written, else 1 after reporting.
int check_writable(NET *net, bool spaced) {
  if (is_circular(net)) {
    error(kCircularMessage);
    return 1;
  }
  if (spaced) return 0;
  if (is_transducer(net)) {
    error("The network is a transducer, use the write_spaced_text()\n          function instead.");
    return 1;
  }
  if (has_multichar_symbol(net)) {
    error("The network has multicharacter symbols, use write_spaced_text()\n          function "
          "instead.");
    return 1;
  }
  return 0;
}

}  // namespace

void append_output_code(uint32_t code, bool utf8, std::string *text) {
  if (utf8) {
    char bytes[4];
    text->append(bytes, static_cast<size_t>(utf8_encode_char(code, bytes)));
    return;
  }
  uint32_t name[2] = {code, 0};
  char *thin = fat_to_thin(name, nullptr);
  *text += thin[0];
  std::free(thin);
}

bool needs_unicode(NET *net) {
  return any_sigma_symbol(net, [](uint32_t id) {
    const LABEL *label = label_record(id);
    if (label == nullptr || label->arity != 1 || id == EPSILON || id == OTHER) return false;
    for (const uint32_t *c = label->name; *c != 0; ++c)
      if (*c > 0xFF) return true;
    return false;
  });
}

NetLabelMap::NetLabelMap(NET *net) : saved_(current_label_map()) {
  if (net->label_map != nullptr) set_label_map(static_cast<LABEL_MAP *>(net->label_map));
}

NetLabelMap::~NetLabelMap() { set_label_map(saved_); }

PlainForm::PlainForm(NET *net) : net_(net) {
  if (special_representation(net) == nullptr) return;
  if (net->flags.compacted || net->flags2.is_virtual) {
    check_plain_net(net);
    net_ = nullptr;
    return;
  }
  copy_ = net_ = copy_fsm(net);
  if (copy_ != nullptr && copy_->flags2.optimized) unoptimize_arcs_in_place(copy_);
}

PlainForm::~PlainForm() {
  if (copy_ != nullptr) free_network(copy_);
}

namespace {

int write_to_file(NET *net, const char *file_name, bool spaced) {
  if (net == nullptr) {
    error_printf("No network to write to '%s'.", file_name == nullptr ? "stdout" : file_name);
    return 1;
  }
  NetLabelMap map(net);
  PlainForm plain(net);
  if (plain.get() == nullptr) return 1;
  net = plain.get();
  if (check_writable(net, spaced) != 0) return 1;
  const bool verbose = parameter(KORA_VERBOSE) != 0;
  FILE *stream = stdout;
  if (file_name != nullptr) {
    stream = std::fopen(file_name, "wb");
    if (stream == nullptr) {
      error_printf("Cannot open output file %s.", file_name);
      return 1;
    }
    if (verbose) std::fprintf(stderr, "Opening output file '%s'\n", file_name);
  }
  FST_CONTEXT *settings = context();
  const int saved_encoding = settings->out_char_encoding;
  if (saved_encoding != KORA_UTF8 && needs_unicode(net)) settings->out_char_encoding = KORA_UTF8;
  LineSink sink(stream);
  if (file_name != nullptr || parameter(KORA_INTERACTIVE) == 0) {
    std::string coding = "# -*- coding: ";
    coding += settings->out_char_encoding == KORA_UTF8 ? "utf-8" : "iso-8859-1";
    coding += " -*-";
    sink.line(coding);
  }
  PathWriter writer(sink, spaced, is_transducer(net));
  const bool written = write_paths(net, writer);
  settings->out_char_encoding = saved_encoding;
  if (file_name != nullptr) {
    std::fclose(stream);
    if (!written) std::remove(file_name);  // no half-written file is left behind
    if (verbose) std::fprintf(stderr, "Closing output file '%s'\n", file_name);
  } else {
    std::fflush(stream);
  }
  return written ? 0 : 1;
}

int write_to_page(NET *net, PAGE *page, bool spaced) {
  if (net == nullptr) {
    error(kNoNetPageMessage);
    return 1;
  }
  if (page == nullptr) {
    error(kNoPageMessage);
    return 1;
  }
  NetLabelMap map(net);
  PlainForm plain(net);
  if (plain.get() == nullptr) return 1;
  net = plain.get();
  if (is_circular(net)) {
    error(kCircularMessage);
    return 1;
  }
  FST_CONTEXT *settings = context();
  const int saved_encoding = settings->out_char_encoding;
  if (saved_encoding != KORA_UTF8 && needs_unicode(net)) settings->out_char_encoding = KORA_UTF8;
  LineSink sink(page);
  PathWriter writer(sink, spaced, is_transducer(net));
  const bool written = write_paths(net, writer);
  settings->out_char_encoding = saved_encoding;
  return written ? 0 : 1;
}

}  // namespace
}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int write_text(NET *net, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int {
    return write_to_file(net, file_name, false);
  });
}

KORA_API int write_spaced_text(NET *net, const char *file_name) {
  return guarded(__func__, 1, [&]() -> int {
    return write_to_file(net, file_name, true);
  });
}

KORA_API int write_text_to_page(NET *net, PAGE *page) {
  return guarded(__func__, 1, [&]() -> int {
    return write_to_page(net, page, false);
  });
}

KORA_API int write_spaced_text_to_page(NET *net, PAGE *page) {
  return guarded(__func__, 1, [&]() -> int {
    return write_to_page(net, page, true);
  });
}

}  // extern "C"
