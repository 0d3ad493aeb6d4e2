// The pattern applyer: the window of input text, the longest-match search, the markup of the
// matches and their counts. See apply-patterns.h for what it computes and what it costs.

#include "apply-patterns.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "alph.h"
#include "apply.h"
#include "boundary.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "fat-print.h"
#include "flag-sides.h"
#include "functions-table.h"
#include "label.h"
#include "page.h"
#include "path-counts.h"
#include "str-buf.h"

namespace kora {
namespace {

// The output is handed on (to the file, or to the caller of next_pattern_output from a stream)
// in chunks of about this size.
constexpr int kChunkBytes = 64 * 1024;

// What a closing tag does with its match: marks it up, or replaces it by the single string
// that the definition of its name gives for it.
enum TagKind { PLAIN_TAG, TRANSDUCER_TAG, FUNCTION_TAG };

struct Tag {
  uint32_t symbol;   // "</name>"
  std::string name;  // the name, in UTF-8
  TagKind kind;
};

// A state on the current path of the longest-match search.
struct PatternFrame {
  uint32_t state;         // in the applyer's index
  NET *net;               // the network it belongs to (an inserted one, or the pattern network)
  uint32_t position;      // the symbols read from the scan position up to here
  uint32_t path_length;   // the length of the applyer's path when the frame was pushed
  uint32_t last_output;   // the last symbol written on the path, or ID_NO_SYMBOL
  int phase;              // 0 on arrival, 1 after the checks, 2 after the return move, 3 arcs
  ArcCursor arcs;
};

struct PatternState {
  // Options, from the interface parameters when the applyer was made.
  bool count = false, remove = false, extract = false, locate = false, mark = true;
  int max_depth = 5000;
  FILE *output_file = nullptr;
  bool owns_output_file = false;
  std::string separator;

  // The window: bytes [base, base + fill) of the input are at data; a string is its own window,
  // a stream's bytes are read into `buffer` a block at a time. Offsets are from the start of
  // the input; the scan position is the offset where the next match is tried.
  size_t capacity = kDefaultWindowBytes, block = kDefaultWindowBlock;
  size_t next_capacity = kDefaultWindowBytes, next_block = kDefaultWindowBlock;  // from the next
                                                                              // binding on
  size_t lookahead = 8;  // a symbol's spelling is at most this many bytes
  const char *data = nullptr;
  std::vector<char> buffer;
  uint64_t base = 0, scan = 0;
  size_t fill = 0;
  bool at_end = false;       // nothing more to read into the window
  bool exhausted = false;    // next_pattern_output has returned the last of it
  bool raw_copy = true;      // unmatched text is copied as it is (the same encoding out as in)
  bool may_start[256] = {};  // whether a match may start with the byte

  // The symbols cut from the scan position on for the current search, and where each ends.
  std::vector<uint32_t> cut_symbols;
  std::vector<uint64_t> cut_ends;
  bool cut_stopped = false;  // the last cut met the end, a line feed or a byte it could not read

  // The closing tags of the output side, in the order of the network's labels, and their slots
  // by symbol id (-1 for other symbols).
  std::vector<Tag> tags;
  std::vector<int32_t> tag_slot;
  std::vector<long> counts;
  long total = 0;

  // The symbols that an arc of the start state reads, when the start state has only ordinary
  // arcs: a position whose symbol is not among them starts no match.
  bool filter = false;
  std::vector<uint8_t> starts;

  // The search: its frames, and the best match found from the current scan position (its
  // length, the tags of the equally long matches, and the path of the first of them).
  std::vector<PatternFrame> frames;
  uint32_t best_length = 0;
  std::vector<int32_t> best_tags;
  std::vector<ApplyStep> best_path;
  bool depth_reported = false;

  // Contexts (see check_contexts): whether the network has context markers on its input side,
  // and which of its states have arcs that read one; the bytes of text a context may look at
  // beyond either end of a match (the window keeps that many before the scan position).
  bool contexts = false;
  std::vector<uint8_t> has_marker;
  size_t history = 0;
  // The text around the current match, read as a context asks for it: the symbols before the
  // scan position (backwards, one character each) and after the match's end at `right_from`;
  // each stops at a line feed or an end of the input, or where it would read more than
  // `history` bytes (then it overflowed).
  std::vector<uint32_t> left_symbols, right_symbols;
  uint64_t left_next = 0, right_next = 0, right_from = ~uint64_t{0};
  bool left_stopped = false, right_stopped = false, left_overflow = false, right_overflow = false;
  // The check under way: the states whose further checks are being tried (a loop of checks
  // adds nothing), and the side of a context that needed more text than it may see.
  std::vector<uint32_t> check_chain;
  const char *overflow_side = nullptr;
  // Messages given once for an applyer, not at every position of the text.
  bool overflow_reported = false, marker_reported = false, expecting_reported = false,
       flag_reported = false;

  // The trie walk (see fast_walk): each state's kind by its entry in the index, and the tag of
  // a state's tag exit; the tags' spellings in the output encoding.
  std::vector<uint8_t> walk_kind;
  std::vector<int32_t> exit_tag;
  std::vector<std::string> opening, closing;
  uint64_t walk_end = 0;      // the end of the match, or of the first symbol when none
  int32_t walk_tag = -1;      // the match's tag, or -1
  uint32_t walk_symbol = 0;   // the first symbol

  PAGE *page = nullptr;
  ~PatternState() {
    free_page(page);
    if (owns_output_file && output_file != nullptr) std::fclose(output_file);
  }
};

PatternState *state_of(const APPLY_CONTEXT *a) {
  return a == nullptr ? nullptr : static_cast<PatternState *>(a->patterns.get());
}

// The symbols that the context functions write: *AND_CHECK*, *OR_CHECK*, *LEFT_CONTEXT*,
// *RIGHT_CONTEXT*, *NON_LEFT_CONTEXT*, *NON_RIGHT_CONTEXT*.
bool is_context_symbol(uint32_t symbol) {
  return symbol >= AND_CHECK && symbol <= NON_RIGHT_CONTEXT;
}

bool is_epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

int32_t tag_slot(const PatternState &p, uint32_t symbol) {
  return symbol < p.tag_slot.size() ? p.tag_slot[symbol] : -1;
}

// Gives a message the first time only: it would otherwise come at every position of the text.
void report_once(bool *reported, const std::string &message) {
  if (!*reported) error(message.c_str());
  *reported = true;
}

// --- Tags -------------------------------------------------------------------------------------

// The name inside "</" and ">" of a symbol, in UTF-8, or false when it is no closing tag.
bool closing_tag_name(uint32_t symbol, std::string *name) {
  if (symbol == ID_NO_SYMBOL || label_arity(symbol) != 1) return false;
  const uint32_t *fs = label_record(symbol)->name;
  const int length = fat_strlen(fs);
  if (length < 4 || fs[0] != '<' || fs[1] != '/' || fs[length - 1] != '>') return false;
  std::vector<uint32_t> inner(fs + 2, fs + length - 1);
  inner.push_back(0);
  name->clear();
  char *utf8 = fat_to_utf8(inner.data(), nullptr);
  name->assign(utf8);
  std::free(utf8);
  return true;
}

// Whether `name` (UTF-8), or name and "(", has been interned; its id in *id.
bool known_symbol(const std::string &name, uint32_t *id) {
  FAT_STR fs = utf8_thin_to_fat(name.c_str());
  const bool found = lookup_symbol(id, fs) == 0;
  std::free(fs);
  return found;
}

TagKind tag_kind(const std::string &name) {
  uint32_t id;
  if (known_symbol(name + "(", &id) && lookup_function(id) != nullptr) return FUNCTION_TAG;
  if (known_symbol(name, &id) && is_defined(id)) return TRANSDUCER_TAG;
  return PLAIN_TAG;
}

// Finds the closing tags on the output side of the network's labels.
void find_tags(APPLY_CONTEXT *a, PatternState &p) {
  if (a->net->labels == nullptr) return;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, a->net->labels);
  std::string name;
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    const uint32_t out = a->input_side == 0 ? lower_id(label) : upper_id(label);
    if (tag_slot(p, out) >= 0 || !closing_tag_name(out, &name)) continue;
    if (out >= p.tag_slot.size()) p.tag_slot.resize(out + 1, -1);
    p.tag_slot[out] = static_cast<int32_t>(p.tags.size());
    p.tags.push_back({out, name, tag_kind(name)});
  }
  p.counts.assign(p.tags.size(), 0);
}

// Notes the symbols that the start state's arcs read, when all of them are ordinary.
void find_starts(APPLY_CONTEXT *a, PatternState &p) {
  const ApplyIndex &index = *a->index[a->input_side];
  if (a->net->start == nullptr || index.entries.empty()) return;
  const IndexState &start = index.state(0);
  std::vector<uint8_t> starts;
  for (uint32_t arc = 1; arc <= start.count; arc++) {
    const IndexArc &entry = index.arc(arc);
    if (entry.special() != kOrdinary) return;
    if (entry.input() >= starts.size()) starts.resize(entry.input() + 1, 0);
    starts[entry.input()] = 1;
  }
  p.filter = true;
  p.starts = std::move(starts);
}

enum : uint8_t { kWalkNot = 0, kWalkPlain = 1, kWalkTagExit = 2 };

// Sorts the states of the pattern network for the trie walk: a state whose ordinary arcs read
// distinct symbols and write no closing tag is plain when it has no other arcs, and a tag exit
// when its only other arc reads nothing and writes a closing tag into a final state without
// arcs (the end of a pattern); every other state is left to the general search.
void find_walk_kinds(APPLY_CONTEXT *a, PatternState &p) {
  const ApplyIndex &index = *a->index[a->input_side];
  p.walk_kind.assign(index.entries.size(), kWalkNot);
  p.exit_tag.assign(index.entries.size(), -1);
  std::vector<uint32_t> inputs;
  for (uint32_t s = 0; s < index.entries.size(); s = index.next_state(s)) {
    const IndexState &state = index.state(s);
    inputs.clear();
    int32_t tag = -1;
    bool usable = true;
    for (uint32_t arc = s + 1; arc <= s + state.count && usable; arc++) {
      const IndexArc &entry = index.arc(arc);
      if (entry.special() == kOrdinary) {
        inputs.push_back(entry.input());
        usable = tag_slot(p, entry.output()) < 0 && !is_context_symbol(entry.input());
        continue;
      }
      const IndexState &end = index.state(entry.destination);
      usable = entry.special() == kEpsilonInput && tag < 0 && end.final && end.count == 0 &&
               tag_slot(p, entry.output()) >= 0;
      tag = tag_slot(p, entry.output());
    }
    std::sort(inputs.begin(), inputs.end());
    if (!usable || std::adjacent_find(inputs.begin(), inputs.end()) != inputs.end()) continue;
    p.walk_kind[s] = tag < 0 ? kWalkPlain : kWalkTagExit;
    p.exit_tag[s] = tag;
  }
}

// Notes the states with an arc whose input side is a context marker or check, and whether
// there are any.
void find_markers(APPLY_CONTEXT *a, PatternState &p) {
  const ApplyIndex &index = *a->index[a->input_side];
  p.has_marker.assign(index.entries.size(), 0);
  for (uint32_t s = 0; s < index.entries.size(); s = index.next_state(s)) {
    for (uint32_t arc = s + 1; arc <= s + index.state(s).count; arc++) {
      const IndexArc &entry = index.arc(arc);
      if (entry.special() == kOrdinary && is_context_symbol(entry.input())) p.has_marker[s] = 1;
    }
    p.contexts = p.contexts || p.has_marker[s] != 0;
  }
  if (!p.contexts) p.has_marker.clear();
}

void reset_counts(PatternState &p) {
  std::fill(p.counts.begin(), p.counts.end(), 0);
  p.total = 0;
}

std::string opening_tag(APPLY_CONTEXT *a, uint32_t tag);
std::string closing_tag(APPLY_CONTEXT *a, uint32_t tag);

// --- The window -------------------------------------------------------------------------------

// Makes bytes up to offset `end` available when the input has them, reading blocks into the
// window and moving its unread part (from the scan position, less the `history` bytes before
// it) to the front when it is full; false when they are not there (the input ends first, or
// they are more than the window holds from there).
bool ensure(APPLY_CONTEXT *a, PatternState &p, uint64_t end) {
  while (end > p.base + p.fill) {
    if (p.at_end) return false;
    if (p.fill == p.capacity) {
      // The text before the scan position that a left context may look at stays.
      const uint64_t keep = p.scan - std::min<uint64_t>(p.scan - p.base, p.history);
      const auto dropped = static_cast<size_t>(keep - p.base);
      if (dropped == 0) return false;
      std::memmove(p.buffer.data(), p.buffer.data() + dropped, p.fill - dropped);
      p.fill -= dropped;
      p.base = keep;
    }
    const size_t want = std::min(p.block, p.capacity - p.fill);
    const size_t got = std::fread(p.buffer.data() + p.fill, 1, want, a->input_stream);
    p.fill += got;
    p.buffer[p.fill] = '\0';
    if (got < want) p.at_end = true;
  }
  return true;
}

// The symbol that starts at offset q and the offset after it. ID_NO_SYMBOL (one byte on) at a
// line feed, at a byte that cannot be read (reported by the cutter) and at a NUL byte;
// ID_NO_SYMBOL at q itself at the end of the input or of the window.
std::pair<uint32_t, uint64_t> cut(APPLY_CONTEXT *a, PatternState &p, uint64_t q) {
  ensure(a, p, q + p.lookahead);
  if (q >= p.base + p.fill) return {ID_NO_SYMBOL, q};
  const char *text = p.data + (q - p.base);
  const auto byte = static_cast<unsigned char>(*text);
  if (byte == '\n') return {ID_NO_SYMBOL, q + 1};
  const uint32_t single = a->single_bytes[byte];
  if (single != ID_NO_SYMBOL) return {single, q + 1};
  uint32_t id = ID_NO_SYMBOL;
  const char *end = text;
  if (parse_local_symbol(&id, text, &end, a->parse_table, &a->input_characters) != PARSE_OK)
    return {ID_NO_SYMBOL, q + 1};
  return {id, q + static_cast<uint64_t>(end - text)};
}

// Symbol k of the current search (counted from the scan position), cut when first asked for:
// ID_NO_SYMBOL from the first line feed, unreadable byte or end on.
inline uint32_t symbol_at(APPLY_CONTEXT *a, PatternState &p, uint32_t k) {
  while (k >= p.cut_symbols.size() && !p.cut_stopped) {
    const uint64_t from = p.cut_ends.empty() ? p.scan : p.cut_ends.back();
    const auto [id, end] = cut(a, p, from);
    if (id == ID_NO_SYMBOL) {
      p.cut_stopped = true;
    } else {
      p.cut_symbols.push_back(id);
      p.cut_ends.push_back(end);
    }
  }
  return k < p.cut_symbols.size() ? p.cut_symbols[k] : ID_NO_SYMBOL;
}

// The longest spelling, in bytes, of a symbol of the network's input side: at most four bytes
// per character in UTF-8, and eight ("\\u" and up to six hexadecimal digits) in ISO-8859-1.
size_t longest_spelling(const APPLY_CONTEXT *a) {
  int longest = 1;
  if (a->net->labels == nullptr) return 8;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, a->net->labels);
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    const uint32_t in = a->input_side == 0 ? upper_id(label) : lower_id(label);
    if (in != ID_NO_SYMBOL && in > DET_EPSILON && label_arity(in) == 1)
      longest = std::max(longest, fat_strlen(label_record(in)->name));
  }
  return static_cast<size_t>(longest) * (input_encoding_mode() == KORA_LATIN1 ? 8 : 4);
}

// Starts reading the input the applyer was bound to, when it was bound since the last read:
// binding (init_apply_to_string, init_apply_to_stream) sets input_pos to 0, and reading sets
// it to 1.
void start_input(APPLY_CONTEXT *a, PatternState &p) {
  if (a->input_pos != 0) return;
  a->input_pos = 1;
  p.capacity = p.next_capacity;
  p.block = p.next_block;
  p.base = p.scan = 0;
  p.exhausted = false;
  p.history = p.contexts ? p.capacity / 4 : 0;
  if (a->input_stream != nullptr) {
    p.buffer.assign(p.capacity + 1, '\0');
    p.data = p.buffer.data();
    p.fill = 0;
    p.at_end = false;
  } else {
    p.data = a->input_string != nullptr ? a->input_string : "";
    p.fill = std::strlen(p.data);
    p.at_end = true;
  }
  const int out = context()->out_char_encoding == KORA_LATIN1 ? KORA_LATIN1 : KORA_UTF8;
  p.raw_copy = a->parse_table->encoding_mode == out;
  for (int byte = 0; byte < 256; byte++) {
    const uint32_t single = a->single_bytes[byte];
    p.may_start[byte] = byte != '\n' && (single == ID_NO_SYMBOL || !p.filter ||
                                          (single < p.starts.size() && p.starts[single] != 0));
  }
  a->spellings.prepare();
  p.opening.clear();
  p.closing.clear();
  for (const Tag &tag : p.tags) {
    p.opening.push_back(opening_tag(a, tag.symbol));
    p.closing.push_back(closing_tag(a, tag.symbol));
  }
  if (p.count) reset_counts(p);
}

// --- The longest-match search -----------------------------------------------------------------

const ApplyIndex &index_of(const APPLY_CONTEXT *a) { return *a->index[a->input_side]; }

bool in_sigma(const NET *net, uint32_t x) {
  return net->sigma != nullptr && !InputCharacters::owns(x) &&
         test_alph_member(net->sigma, x) != 0;
}

// Whether an epsilon move by `arc` from `from` to `to` goes round a loop: `to` was visited, or
// `arc` taken, since the last consumed symbol (the search's start counts as visited). An
// epsilon self-loop on a final state is taken once.
bool epsilon_loop(const APPLY_CONTEXT *a, uint32_t from, uint32_t to, uint32_t arc) {
  const bool self_loop_allowed = from == to && index_of(a).state(from).final;
  if (from == to && !self_loop_allowed) return true;
  for (size_t k = a->arc_path.size(); k-- > 0;) {
    const ApplyStep &step = a->arc_path[k];
    if (step.arc == arc && arc != ApplyIndex::kNoArc) return true;
    if (step.destination == to && !self_loop_allowed) return true;
    if (step.kind == ApplyStep::CONSUME) return false;
  }
  return to == 0 && !self_loop_allowed;
}

// The symbol an arc writes, for the tag test: its output side, unless that writes nothing.
uint32_t written(uint32_t last, const IndexArc &arc) {
  const uint32_t o = arc.output();
  if (is_epsilon_like(o) || symbol_flag(o) != nullptr) return last;
  return o;
}

bool push_frame(APPLY_CONTEXT *a, PatternState &p, uint32_t state, NET *net, uint32_t position,
                uint32_t last_output, uint32_t path_length) {
  if (a->arc_path.size() > static_cast<size_t>(p.max_depth)) {
    if (!p.depth_reported)
      warning_printf("Recursion depth in longest_paths() exceeds maximum, %d", p.max_depth);
    p.depth_reported = true;
    return false;
  }
  p.frames.push_back({state, net, position, path_length, last_output, 0, {}});
  return true;
}

// Leaves the top frame, undoing the steps taken since it was pushed.
void pop_frame(APPLY_CONTEXT *a, PatternState &p) {
  const uint32_t length = p.frames.back().path_length;
  p.frames.pop_back();
  undo_steps_from(a, length);
}

// Takes `step` from the top frame to a new frame at `position`; false when it is too deep.
bool take(APPLY_CONTEXT *a, PatternState &p, const ApplyStep &step, NET *net, uint32_t position,
          uint32_t last_output) {
  const auto length = static_cast<uint32_t>(a->arc_path.size());
  a->arc_path.push_back(step);
  if (push_frame(a, p, step.destination, net, position, last_output, length)) return true;
  a->arc_path.pop_back();
  return false;
}

// Tries a special arc of the top frame (a flag, an epsilon-like or OTHER input side) with the
// input symbol x at the frame's position, as the applyer's general search does.
void try_special(APPLY_CONTEXT *a, PatternState &p, uint32_t arc_number, uint32_t x) {
  const PatternFrame frame = p.frames.back();
  const IndexArc arc = index_of(a).arc(arc_number);
  const uint32_t i = arc.input();
  const uint32_t last = written(frame.last_output, arc);
  const FLAG_DIACRITIC *flag = arc.special() == kEpsilonInput ? nullptr : symbol_flag(i);
  ApplyUndo undo{static_cast<uint32_t>(a->arc_path.size()), ApplyStep::EPSILON_MOVE, false, 0, 0,
                 {}};
  auto restore = [&] {
    if (undo.flag_saved) a->flag_register.set(undo.flag_attribute, undo.flag_previous);
  };
  auto go = [&](ApplyStep::Kind kind, uint32_t position) {
    if (undo.flag_saved) {
      undo.kind = kind;
      a->undos.push_back(undo);
    }
    if (!take(a, p, {kind, arc_number, arc.destination}, frame.net, position, last)) {
      if (undo.flag_saved) a->undos.pop_back();
      restore();
    }
  };
  if (flag != nullptr && (flag->action == EXCLUDE_LIST || flag->action == FUNCTION_ACTION)) {
    report_once(&p.flag_reported, "Unimplemented flag diacritic.");
    return;
  }
  if (flag != nullptr) {
    const bool names_definition = flag->action == INSERT_SUBNET || list_flag_p(i);
    if (a->flags_active || names_definition) {
      undo.flag_attribute = flag->attribute;
      undo.flag_previous = a->flag_register.get(flag->attribute);
      undo.flag_saved = a->flags_active;
      void *object = nullptr;
      if (!flag_action(&a->flag_register, flag, &object)) {
        if (flag->action == INSERT_SUBNET) error("Insert flag without defined network");
        restore();
        return;
      }
      if (list_flag_p(i)) {
        const bool member = x != ID_NO_SYMBOL && !InputCharacters::owns(x) &&
                            test_alph_member(static_cast<ALPH *>(object), x) != 0;
        const bool accepts = flag->action == LIST_ACTION ? member : x != ID_NO_SYMBOL && !member;
        if (!accepts || symbol_flag(x) != nullptr) {
          restore();
          return;
        }
        go(ApplyStep::CONSUME, frame.position + 1);
        return;
      }
      if (flag->action == INSERT_SUBNET) {
        NET *inserted = static_cast<NET *>(object);
        if (inserted == nullptr || inserted->start == nullptr) {
          restore();
          return;
        }
        const uint32_t start = a->index[a->input_side]->start_of(inserted);
        if (epsilon_loop(a, frame.state, start, arc_number)) {
          restore();
          return;
        }
        undo.kind = ApplyStep::INSERT;
        a->undos.push_back(undo);
        a->inserts.push_back({frame.net, arc.destination});
        a->insert_depth++;
        const auto length = static_cast<uint32_t>(a->arc_path.size());
        a->arc_path.push_back({ApplyStep::INSERT, arc_number, start});
        if (!push_frame(a, p, start, inserted, frame.position, last, length)) {
          p.frames.push_back({start, inserted, frame.position, length, last, 3, {}});
          pop_frame(a, p);
        }
        return;
      }
    }
  }
  if (flag != nullptr || is_epsilon_like(i)) {
    if (epsilon_loop(a, frame.state, arc.destination, arc_number)) {
      restore();
      return;
    }
    go(ApplyStep::EPSILON_MOVE, frame.position);
    return;
  }
  if (x == ID_NO_SYMBOL || symbol_flag(x) != nullptr) return;
  if (i == x || (i == OTHER && !in_sigma(frame.net, x))) go(ApplyStep::CONSUME, frame.position + 1);
}

// At a final state of an inserted network, the move back to the network that inserted it.
void try_return(APPLY_CONTEXT *a, PatternState &p) {
  const PatternFrame frame = p.frames.back();
  const ApplyInsert insert = a->inserts.back();
  if (epsilon_loop(a, frame.state, insert.return_to, ApplyIndex::kNoArc)) return;
  const auto length = static_cast<uint32_t>(a->arc_path.size());
  a->undos.push_back({length, ApplyStep::RETURN, false, 0, 0, insert});
  a->arc_path.push_back({ApplyStep::RETURN, ApplyIndex::kNoArc, insert.return_to});
  a->inserts.pop_back();
  a->insert_depth--;
  if (!push_frame(a, p, insert.return_to, insert.caller, frame.position, frame.last_output,
                  length)) {
    p.frames.push_back({insert.return_to, insert.caller, frame.position, length, 0, 3, {}});
    pop_frame(a, p);
  }
}

// A candidate: the path to the top frame ends at a final state with a closing tag written.
void note_match(APPLY_CONTEXT *a, PatternState &p, const PatternFrame &frame) {
  const int32_t slot = tag_slot(p, frame.last_output);
  const uint32_t length = frame.position;
  if (slot < 0 || length == 0 || length < p.best_length) return;
  if (length > p.best_length) {
    p.best_length = length;
    p.best_tags.assign(1, slot);
    p.best_path = a->arc_path;
  } else if (std::find(p.best_tags.begin(), p.best_tags.end(), slot) == p.best_tags.end()) {
    p.best_tags.push_back(slot);
  }
}

// --- Contexts ---------------------------------------------------------------------------------
//
// A pattern path may go on after its closing tag with a context check, as the context
// functions of the regex language write them: a marker (*LEFT_CONTEXT*, *RIGHT_CONTEXT*,
// *NON_LEFT_CONTEXT*, *NON_RIGHT_CONTEXT*) followed by the context, or *AND_CHECK* or
// *OR_CHECK* followed by markers and their contexts. The match counts only when the check
// holds. A left context is read backwards from the start of the match, one character at a
// time (its network holds the reverse of the context); a right context forwards from the end
// of the match, cut into symbols as the match is. Either stops at a line feed and at the ends
// of the input, and may look at `history` bytes at most. A context holds when its network,
// from after the marker, reads some of that text (possibly none) and arrives at a final state,
// or at a state whose own check holds (so LC(a) RC(b) written one after the other asks for
// both); a negated one holds when no way does. AND holds when every branch holds, OR when one
// does; branches with the same marker share their network, so AND(LC(a), LC(b)) is LC(a|b).
// Nothing of the context is consumed or written. Cost: for each candidate end of a match at a
// state with checks, the pairs (state of the context, symbols read) that the checks reach, each
// once per context.

// Symbol k of the text before the scan position, read backwards, or ID_NO_SYMBOL at a line
// feed, at the start of the input, at a byte that cannot be read, or beyond `history` bytes.
uint32_t left_symbol(APPLY_CONTEXT *a, PatternState &p, size_t k) {
  const bool utf8 = input_encoding_mode() != KORA_LATIN1;
  const uint64_t lowest = std::max(p.base, p.scan - std::min<uint64_t>(p.scan, p.history));
  while (k >= p.left_symbols.size() && !p.left_stopped) {
    const uint64_t end = p.left_next;
    p.left_stopped = true;
    if (end == 0) break;
    if (end <= lowest) {
      p.left_overflow = true;
      break;
    }
    if (p.data[end - 1 - p.base] == '\n') break;
    uint64_t start = end - 1;
    auto continuation = [&](uint64_t q) {
      return utf8 && (static_cast<unsigned char>(p.data[q - p.base]) & 0xC0) == 0x80;
    };
    while (start > lowest && end - start < 4 && continuation(start)) start--;
    if (continuation(start)) {
      p.left_overflow = start == lowest && lowest > 0;
      break;
    }
    const auto byte = static_cast<unsigned char>(p.data[start - p.base]);
    uint32_t id = end - start == 1 ? a->single_bytes[byte] : ID_NO_SYMBOL;
    if (id == ID_NO_SYMBOL) {
      // The character alone, so that a longer symbol it begins is not cut.
      char character[8] = {};
      std::memcpy(character, p.data + (start - p.base), static_cast<size_t>(end - start));
      const char *after = character;
      if (parse_local_symbol(&id, character, &after, a->parse_table, &a->input_characters) !=
              PARSE_OK ||
          after != character + (end - start))
        break;
    }
    p.left_stopped = false;
    p.left_symbols.push_back(id);
    p.left_next = start;
  }
  if (k < p.left_symbols.size()) return p.left_symbols[k];
  if (p.left_overflow) p.overflow_side = "left";
  return ID_NO_SYMBOL;
}

// Symbol k of the text after the match's end, `right_from`, or ID_NO_SYMBOL at a line feed, at
// the end of the input, at a byte that cannot be read, or beyond `history` bytes.
uint32_t right_symbol(APPLY_CONTEXT *a, PatternState &p, size_t k) {
  while (k >= p.right_symbols.size() && !p.right_stopped) {
    const uint64_t q = p.right_next;
    ensure(a, p, q + p.lookahead);
    const bool ended = q >= p.base + p.fill;
    if ((ended && p.at_end) || (!ended && p.data[q - p.base] == '\n')) {
      p.right_stopped = true;
      break;
    }
    const auto [id, end] = cut(a, p, q);
    if (ended || end > p.right_from + p.history) {
      p.right_stopped = p.right_overflow = true;
      break;
    }
    if (id == ID_NO_SYMBOL) {
      p.right_stopped = true;
      break;
    }
    p.right_symbols.push_back(id);
    p.right_next = end;
  }
  if (k < p.right_symbols.size()) return p.right_symbols[k];
  if (p.right_overflow) p.overflow_side = "right";
  return ID_NO_SYMBOL;
}

bool rest_holds(APPLY_CONTEXT *a, PatternState &p, uint32_t state, NET *net);

// Whether the context whose network starts at `state` reads some of the text on its side and
// arrives at a final state or at a state whose check holds: a depth-first walk over the pairs
// (state, symbols read), each taken once.
bool context_found(APPLY_CONTEXT *a, PatternState &p, uint32_t state, NET *net, bool left) {
  const ApplyIndex &index = index_of(a);
  std::vector<std::pair<uint32_t, uint32_t>> stack{{state, 0}};
  std::unordered_set<uint64_t> seen{uint64_t{state} << 32};
  auto push = [&stack, &seen](uint32_t s, uint32_t k) {
    if (seen.insert(uint64_t{s} << 32 | k).second) stack.emplace_back(s, k);
  };
  while (!stack.empty()) {
    const auto [s, k] = stack.back();
    stack.pop_back();
    if (index.state(s).final) return true;
    if (s < p.has_marker.size() && p.has_marker[s] != 0 && rest_holds(a, p, s, net)) return true;
    uint32_t x = left ? left_symbol(a, p, k) : right_symbol(a, p, k);
    if (x != ID_NO_SYMBOL && (is_context_symbol(x) || (x >= 128 && symbol_flag(x) != nullptr)))
      x = ID_NO_SYMBOL;
    ArcCursor arcs;
    arcs.start(index, s, x);
    for (uint32_t arc = arcs.advance(index); arc != ApplyIndex::kNoArc;
         arc = arcs.advance(index)) {
      const IndexArc &entry = index.arc(arc);
      const uint32_t i = entry.input();
      if (entry.special() == kOrdinary) {
        if (x != ID_NO_SYMBOL) push(entry.destination, k + 1);
      } else if (entry.special() == kEpsilonInput || symbol_flag(i) != nullptr) {
        push(entry.destination, k);
      } else if (i == OTHER && x != ID_NO_SYMBOL && !in_sigma(net, x)) {
        push(entry.destination, k + 1);
      }
    }
  }
  return false;
}

// Whether the check that the arc reading `symbol` begins, into `state`, holds.
bool check_holds(APPLY_CONTEXT *a, PatternState &p, uint32_t symbol, uint32_t state, NET *net) {
  switch (symbol) {
    case LEFT_CONTEXT: return context_found(a, p, state, net, true);
    case RIGHT_CONTEXT: return context_found(a, p, state, net, false);
    case NON_LEFT_CONTEXT: return !context_found(a, p, state, net, true);
    case NON_RIGHT_CONTEXT: return !context_found(a, p, state, net, false);
    default: break;
  }
  const ApplyIndex &index = index_of(a);
  bool any = false, all = true;
  for (uint32_t arc = state + 1; arc <= state + index.state(state).count; arc++) {
    const IndexArc &entry = index.arc(arc);
    if (entry.special() != kOrdinary || !is_context_symbol(entry.input())) {
      std::string name;
      append_label(name, entry.input(), 0);
      report_once(&p.expecting_reported,
                  std::string("Expecting a context marker. Found '").append(name).append(
                      "' instead.\n"));
      return false;
    }
    const bool holds = check_holds(a, p, entry.input(), entry.destination, net);
    any = any || holds;
    all = all && holds;
  }
  return symbol == AND_CHECK ? all && index.state(state).count > 0 : any;
}

// Whether one of the checks that leave `state` holds; false for a state already being tried
// further up (a loop of checks, which would go on with the same text).
bool rest_holds(APPLY_CONTEXT *a, PatternState &p, uint32_t state, NET *net) {
  if (std::find(p.check_chain.begin(), p.check_chain.end(), state) != p.check_chain.end())
    return false;
  p.check_chain.push_back(state);
  const ApplyIndex &index = index_of(a);
  bool holds = false;
  for (uint32_t arc = state + 1; arc <= state + index.state(state).count && !holds; arc++) {
    const IndexArc &entry = index.arc(arc);
    if (entry.special() == kOrdinary && is_context_symbol(entry.input()))
      holds = check_holds(a, p, entry.input(), entry.destination, net);
  }
  p.check_chain.pop_back();
  return holds;
}

// At a state of the pattern network with context arcs: a match ending there (after its closing
// tag) counts when one of its checks holds; a marker before the closing tag is reported.
void check_contexts(APPLY_CONTEXT *a, PatternState &p, const PatternFrame &frame) {
  const int32_t slot = tag_slot(p, frame.last_output);
  if (slot < 0) {
    const ApplyIndex &index = index_of(a);
    for (uint32_t arc = frame.state + 1; arc <= frame.state + index.state(frame.state).count;
         arc++) {
      const IndexArc &entry = index.arc(arc);
      if (entry.special() != kOrdinary || !is_context_symbol(entry.input())) continue;
      std::string name;
      append_label(name, entry.input(), 0);
      report_once(&p.marker_reported, std::string("Context marker '")
                                          .append(name)
                                          .append("' ahead of the closing tag found but no "
                                                  "check followed.\n"));
    }
    return;
  }
  if (frame.position == 0 || frame.position < p.best_length) return;
  const uint64_t end = p.cut_ends[frame.position - 1];
  if (end != p.right_from) {
    p.right_from = p.right_next = end;
    p.right_symbols.clear();
    p.right_stopped = p.right_overflow = false;
  }
  p.overflow_side = nullptr;
  const bool holds = rest_holds(a, p, frame.state, frame.net);
  if (p.overflow_side != nullptr) {
    const bool left = p.overflow_side[0] == 'l';
    const uint64_t from =
        left ? std::max(p.base, p.scan - std::min<uint64_t>(p.scan, p.history)) : p.scan;
    const uint64_t to = left ? end : std::min(p.base + p.fill, end + p.history);
    std::string message = "\n*** Maximum context length (";
    message.append(std::to_string(p.history))
        .append(") exceeded while checking the ")
        .append(p.overflow_side)
        .append(" context\n    for the ")
        .append(p.tags[slot].name)
        .append(" tag. The string under consideration is:\n")
        .append(p.data + (from - p.base), static_cast<size_t>(to - from));
    report_once(&p.overflow_reported, message);
    return;
  }
  if (holds) note_match(a, p, frame);
}

// Finds the longest match at the scan position: its length in p.best_length (0 for none).
void longest_match(APPLY_CONTEXT *a, PatternState &p) {
  p.best_length = 0;
  p.best_tags.clear();
  p.frames.clear();
  a->arc_path.clear();
  a->undos.clear();
  a->inserts.clear();
  a->insert_depth = 0;
  a->flag_register.clear();
  p.cut_symbols.clear();
  p.cut_ends.clear();
  p.cut_stopped = false;
  if (p.contexts) {
    p.left_symbols.clear();
    p.left_next = p.scan;
    p.left_stopped = p.left_overflow = false;
    p.right_from = ~uint64_t{0};
  }
  push_frame(a, p, 0, a->net, 0, ID_NO_SYMBOL, 0);
  while (!p.frames.empty()) {
    PatternFrame &frame = p.frames.back();
    const ApplyIndex &index = index_of(a);
    if (frame.phase < 3) {
      const uint32_t x = symbol_at(a, p, frame.position);
      // (a marker's spelling in the text is not the marker)
      const uint32_t plain = x != ID_NO_SYMBOL && (x < 128 || symbol_flag(x) == nullptr) &&
                                     !is_context_symbol(x)
                                 ? x
                                 : ID_NO_SYMBOL;
      const IndexState at = index.state(frame.state);
      if (frame.phase == 0) {
        frame.phase = 1;
        if (at.final && a->insert_depth == 0) note_match(a, p, frame);
        if (p.contexts && a->insert_depth == 0 && frame.state < p.has_marker.size() &&
            p.has_marker[frame.state] != 0)
          check_contexts(a, p, frame);
        if (at.deterministic && !(a->insert_depth > 0 && at.final)) {
          // One arc at most reads the symbol: the frame moves on by it in place.
          const uint32_t arc =
              plain != ID_NO_SYMBOL ? index.only_arc(frame.state, at, plain) : ApplyIndex::kNoArc;
          if (arc == ApplyIndex::kNoArc || a->arc_path.size() > static_cast<size_t>(p.max_depth)) {
            pop_frame(a, p);
            continue;
          }
          const IndexArc &entry = index.arc(arc);
          a->arc_path.push_back({ApplyStep::CONSUME, arc, entry.destination});
          frame.state = entry.destination;
          frame.position++;
          frame.last_output = written(frame.last_output, entry);
          frame.phase = 0;
          continue;
        }
      }
      if (frame.phase == 1) {
        frame.phase = 2;
        if (a->insert_depth > 0 && at.final) {
          try_return(a, p);
          continue;
        }
      }
      frame.phase = 3;
      frame.arcs.start(index, frame.state, plain);
    }
    const uint32_t arc = frame.arcs.advance(index);
    if (arc == ApplyIndex::kNoArc) {
      pop_frame(a, p);
      continue;
    }
    const IndexArc &entry = index.arc(arc);
    const uint32_t position = frame.position;
    if (entry.special() == kOrdinary) {
      take(a, p, {ApplyStep::CONSUME, arc, entry.destination}, frame.net, position + 1,
           written(frame.last_output, entry));
      continue;
    }
    try_special(a, p, arc, symbol_at(a, p, position));
  }
  a->arc_path.clear();
  a->undos.clear();
  a->inserts.clear();
  a->insert_depth = 0;
}

// --- Output -----------------------------------------------------------------------------------

void put(APPLY_CONTEXT *a, const char *text, size_t length) {
  if (length == 0) return;
  STRING_BUFFER *out = a->output;
  if (static_cast<size_t>(out->pos) + length + 1 > static_cast<size_t>(out->length))
    assure_buffer_space(length, out);
  std::memcpy(static_cast<char *>(out->string) + out->pos, text, length);
  out->pos += static_cast<int>(length);
  static_cast<char *>(out->string)[out->pos] = '\0';
}

void put(APPLY_CONTEXT *a, const std::string &text) { put(a, text.data(), text.size()); }

// Writes the spelling of an input symbol in the output encoding.
void put_symbol(APPLY_CONTEXT *a, uint32_t x) {
  if (x < 128 && x > 1) {
    const char byte = static_cast<char>(x);
    put(a, &byte, 1);
    return;
  }
  if (InputCharacters::owns(x)) {
    std::string name;
    const uint32_t code[2] = {a->input_characters.code_of(x), 0};
    append_fat(name, code);
    put(a, name);
    return;
  }
  const Spellings::Spelling spelling = a->spellings.of(x);
  put(a, spelling.text, spelling.length);
}

std::string opening_tag(APPLY_CONTEXT *a, uint32_t tag) {
  const Spellings::Spelling close = a->spellings.of(tag);
  return std::string("<").append(close.text + 2, close.length - 2);
}

std::string closing_tag(APPLY_CONTEXT *a, uint32_t tag) {
  const Spellings::Spelling close = a->spellings.of(tag);
  return std::string(close.text, close.length);
}

// The text of the match, its input symbols spelled one after the other.
std::string match_text(APPLY_CONTEXT *a, PatternState &p) {
  const int start = a->output->pos;
  for (uint32_t k = 0; k < p.best_length; k++) put_symbol(a, p.cut_symbols[k]);
  std::string text(static_cast<char *>(a->output->string) + start,
                   static_cast<size_t>(a->output->pos - start));
  a->output->pos = start;
  static_cast<char *>(a->output->string)[start] = '\0';
  return text;
}

// The regular expression of the string `text`, one symbol per character: inside braces every
// character stands for itself but "}", which goes between them as "%}".
std::string braced(const std::string &text) {
  std::string regex = "[";
  for (size_t k = 0; k <= text.size();) {
    const size_t close = std::min(text.find('}', k), text.size());
    if (close > k) regex.append("{").append(text, k, close - k).append("} ");
    if (close < text.size()) regex.append("%} ");
    k = close + 1;
  }
  return regex.append("]");
}

// The single string of the loop-free acceptor `net` with exactly one path.
std::string single_string(APPLY_CONTEXT *a, NET *net) {
  std::string text;
  for (STATE *s = net->start; s != nullptr && !s->flags.final;) {
    STATE *next = nullptr;
    for (ARC *arc = s->arcs; arc != nullptr && next == nullptr; arc = arc->next) {
      if (path_count(arc->destination) == 0) continue;
      if (!is_epsilon_like(arc->label)) {
        const Spellings::Spelling spelling = a->spellings.of(arc->label);
        text.append(spelling.text, spelling.length);
      }
      next = arc->destination;
    }
    s = next;
  }
  return text;
}

// The string that a transducer or function tag gives for the match `text`; false, after a
// report, when it gives none, several or infinitely many.
bool apply_tag_definition(APPLY_CONTEXT *a, const Tag &tag, const std::string &text,
                          std::string *result) {
  const char *kind = tag.kind == FUNCTION_TAG ? "Function" : "Transducer";
  std::string definition = tag.name;
  std::string regex;
  if (tag.kind == FUNCTION_TAG) {
    uint32_t id = ID_NO_SYMBOL;
    known_symbol(tag.name + "(", &id);
    const FUNCTION_RECORD *record = lookup_function(id);
    if (record == nullptr) {
      error_printf("Function '%s(' is undefined\n", tag.name.c_str());
      return false;
    }
    definition = record->body;
    if (LAB_VECTOR_length(record->parameters) != 1) {
      error_printf("Function '%s(' defined as '%s'\n    It cannot be applied to a pattern.\n",
                   tag.name.c_str(), record->body);
      return false;
    }
    regex = tag.name + "(" + braced(text) + ")";
  } else {
    regex = braced(text) + " .o. " + tag.name;
  }
  NET *net = read_regex(regex.c_str());
  if (net == nullptr) return false;
  net = lower_side_net(net, 0);
  const int indexed = index_net(net);
  const char *yields = nullptr;
  if (indexed == PATHS_CIRCULAR)
    yields = "an infinite string";
  else if (indexed != PATHS_INDEXED || net->start == nullptr || path_count(net->start) == 0)
    yields = "no result";
  else if (path_count(net->start) > 1)
    yields = "multiple strings";
  else
    *result = single_string(a, net);
  free_network(net);
  if (yields == nullptr) return true;
  error_printf("%s '%s' defined as '%s' yields %s when applied to:\n%s", kind, tag.name.c_str(),
               definition.c_str(), yields, text.c_str());
  return false;
}

// Writes the best match at the scan position, as the options say, and counts it.
void write_match(APPLY_CONTEXT *a, PatternState &p) {
  if (p.count) {
    for (const int32_t slot : p.best_tags) p.counts[slot]++;
    p.total += static_cast<long>(p.best_tags.size());
  }
  if (p.locate) {
    for (const int32_t slot : p.best_tags) {
      put(a, std::to_string(p.scan) + "\t" +
                 std::to_string(p.cut_ends[p.best_length - 1] - p.scan) + "\t" +
                 p.tags[slot].name);
      put(a, p.separator);
    }
    return;
  }
  if (p.remove) return;
  const Tag &first = p.tags[p.best_tags[0]];
  std::string replaced;
  if (first.kind != PLAIN_TAG &&
      apply_tag_definition(a, first, match_text(a, p), &replaced)) {
    put(a, replaced);
    if (p.extract) put(a, p.separator);
    return;
  }
  if (p.mark)
    for (const int32_t slot : p.best_tags) put(a, opening_tag(a, p.tags[slot].symbol));
  // The output of the path, through the applyer's formatter; it ends with the tag.
  if (a->io_symbols.size() < p.best_length) a->io_symbols.resize(p.best_length);
  std::copy_n(p.cut_symbols.begin(), p.best_length, a->io_symbols.begin());
  a->io_length = p.best_length;
  a->arc_path = p.best_path;
  format_apply_result(a);
  a->arc_path.clear();
  a->io_length = 0;
  a->output->pos -= static_cast<int>(a->spellings.of(first.symbol).length);
  static_cast<char *>(a->output->string)[a->output->pos] = '\0';
  if (p.mark)
    for (auto slot = p.best_tags.rbegin(); slot != p.best_tags.rend(); ++slot)
      put(a, closing_tag(a, p.tags[*slot].symbol));
  if (p.extract) put(a, p.separator);
}

// Hands the output buffer to the output file, if there is one.
void flush_to_file(APPLY_CONTEXT *a, PatternState &p) {
  if (p.output_file == nullptr || a->output->pos == 0) return;
  std::fwrite(a->output->string, 1, static_cast<size_t>(a->output->pos), p.output_file);
  reset_string_buffer(a->output);
}

// Copies the unmatched text from the scan position to offset `end` (bytes of single-byte
// symbols or line feeds) and moves the scan position there.
void copy_run(APPLY_CONTEXT *a, PatternState &p, uint64_t end, bool copy) {
  const char *text = p.data + (p.scan - p.base);
  const auto length = static_cast<size_t>(end - p.scan);
  p.scan = end;
  if (!copy) return;
  if (p.raw_copy) {
    put(a, text, length);
    return;
  }
  for (size_t k = 0; k < length; k++) {
    const auto byte = static_cast<unsigned char>(text[k]);
    put_symbol(a, byte == '\n' ? '\n' : a->single_bytes[byte]);
  }
}

// The longest match at the scan position by a walk down the pattern network as down a trie,
// for the common case of a network of plain and tag-exit states (find_walk_kinds) read without
// flags: one arc per symbol, no frames, no path kept. Returns 1 for a match (walk_end, walk_tag)
// whose arcs all write what they read, 0 for none (walk_end the end of the first symbol), and
// -1 when the general search must decide (a state of another kind, a match that writes other
// text, a path deeper than the maximum).
int fast_walk(APPLY_CONTEXT *a, PatternState &p) {
  const ApplyIndex &index = index_of(a);
  uint32_t state = 0, depth = 0;
  uint64_t q = p.scan;
  bool identity = true, best_identity = true;
  p.walk_tag = -1;
  p.walk_end = p.scan + 1;
  p.walk_symbol = ID_NO_SYMBOL;
  while (true) {
    const uint8_t kind = p.walk_kind[state];
    if (kind == kWalkNot) return -1;
    if (kind == kWalkTagExit && depth > 0) {
      p.walk_tag = p.exit_tag[state];
      p.walk_end = q;
      best_identity = identity;
    }
    if (q + p.lookahead > p.base + p.fill && !p.at_end) ensure(a, p, q + p.lookahead);
    if (q >= p.base + p.fill) break;
    const auto byte = static_cast<unsigned char>(p.data[q - p.base]);
    if (byte == '\n') break;
    uint32_t x = a->single_bytes[byte];
    uint64_t next = q + 1;
    if (x == ID_NO_SYMBOL) {
      std::tie(x, next) = cut(a, p, q);
      if (x == ID_NO_SYMBOL || (x >= 128 && symbol_flag(x) != nullptr)) break;
    }
    if (depth == 0) {
      p.walk_symbol = x;
      p.walk_end = next;
    }
    const uint32_t arc = index.only_arc(state, index.state(state), x);
    if (arc == ApplyIndex::kNoArc) break;
    if (++depth > static_cast<uint32_t>(p.max_depth)) return -1;
    const IndexArc &entry = index.arc(arc);
    identity = identity && entry.output() == x && entry.plain_output();
    state = entry.destination;
    q = next;
  }
  if (p.walk_tag < 0) return 0;
  return best_identity && p.raw_copy && p.tags[p.walk_tag].kind == PLAIN_TAG ? 1 : -1;
}

// Writes the match that fast_walk found, as the options say, and counts it.
void write_walk_match(APPLY_CONTEXT *a, PatternState &p) {
  const int32_t slot = p.walk_tag;
  if (p.count) {
    p.counts[slot]++;
    p.total++;
  }
  if (p.locate) {
    put(a, std::to_string(p.scan) + "\t" + std::to_string(p.walk_end - p.scan) + "\t" +
               p.tags[slot].name);
    put(a, p.separator);
    return;
  }
  if (p.remove) return;
  if (p.mark) put(a, p.opening[slot]);
  put(a, p.data + (p.scan - p.base), static_cast<size_t>(p.walk_end - p.scan));
  if (p.mark) put(a, p.closing[slot]);
  if (p.extract) put(a, p.separator);
}

// Scans from the scan position until the input ends or the output buffer holds `until` bytes
// or more; returns the number of matches found. Runs of bytes with which no match can start
// are copied at once; at any other byte the longest match is looked for.
long scan(APPLY_CONTEXT *a, PatternState &p, int until) {
  const bool copy = !p.extract && !p.locate;
  long matches = 0;
  a->spellings.prepare();
  while (a->output->pos < until) {
    if (!ensure(a, p, p.scan + p.lookahead) && p.scan >= p.base + p.fill) break;
    const auto *text = reinterpret_cast<const unsigned char *>(p.data + (p.scan - p.base));
    const auto available = static_cast<size_t>(p.base + p.fill - p.scan);
    size_t run = 0;
    while (run < available && !p.may_start[text[run]]) run++;
    if (run > 0) {
      copy_run(a, p, p.scan + run, copy);
      continue;
    }
    const int walked = p.walk_kind.empty() ? -1 : fast_walk(a, p);
    if (walked == 1) {
      write_walk_match(a, p);
      p.scan = p.walk_end;
      matches++;
      continue;
    }
    if (walked == 0) {
      if (copy && p.raw_copy)
        put(a, p.data + (p.scan - p.base), static_cast<size_t>(p.walk_end - p.scan));
      else if (copy && p.walk_symbol != ID_NO_SYMBOL)
        put_symbol(a, p.walk_symbol);
      else if (copy)
        put(a, p.data + (p.scan - p.base), 1);
      p.scan = p.walk_end;
      continue;
    }
    longest_match(a, p);
    if (p.best_length > 0) {
      write_match(a, p);
      p.scan = p.cut_ends[p.best_length - 1];
      matches++;
    } else {
      const uint64_t end = p.cut_symbols.empty() ? cut(a, p, p.scan).second : p.cut_ends[0];
      if (copy && !p.cut_symbols.empty() && !p.raw_copy)
        put_symbol(a, p.cut_symbols[0]);
      else if (copy)  // (the search may have moved the window)
        put(a, p.data + (p.scan - p.base), static_cast<size_t>(end - p.scan));
      p.scan = end;
    }
    if (p.output_file != nullptr && a->output->pos >= kChunkBytes) flush_to_file(a, p);
  }
  return matches;
}

PatternState *bound_state(APPLY_CONTEXT *a, const char *caller) {
  PatternState *p = state_of(a);
  if (p == nullptr) {
    error_printf("%s: not a pattern applyer.", caller);
    return nullptr;
  }
  if (a->read_symbol == nullptr) return nullptr;  // not bound to input
  start_input(a, *p);
  return p;
}

}  // namespace

bool set_pattern_window(APPLY_CONTEXT *applyer, size_t bytes, size_t block) {
  PatternState *p = state_of(applyer);
  if (p == nullptr || bytes < 2 * p->lookahead || block < 1 || block > bytes) return false;
  p->next_capacity = bytes;
  p->next_block = block;
  return true;
}

void set_pattern_output_owned(APPLY_CONTEXT *applyer) {
  if (PatternState *p = state_of(applyer)) p->owns_output_file = true;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API APPLY_CONTEXT *init_apply_patterns(NET *net, int input_side, FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (net == nullptr) {
      error("Usage: init_apply_patterns(net, input_side, cntxt).");
      return nullptr;
    }
    FST_CONTEXT *c = context_record != nullptr ? context_record : context();
    const int32_t *words = c->parameters->word;
    auto p = std::make_shared<PatternState>();
    p->count = words[KORA_COUNT_PATTERNS] != 0;
    p->remove = words[KORA_DELETE_PATTERNS] != 0;
    p->extract = words[KORA_EXTRACT_PATTERNS] != 0;
    p->locate = words[KORA_LOCATE_PATTERNS] != 0;
    p->mark = words[KORA_MARK_PATTERNS] != 0;
    p->max_depth = words[KORA_MAX_PATH_DEPTH] > 0 ? words[KORA_MAX_PATH_DEPTH] : 5000;
    if (p->remove && p->extract && !p->count) {
      error("When the variables 'delete-patterns' and 'extract-patterns' are both ON\n'apply "
            "patterns up' and 'apply patterns down' produce no output.\nunless "
            "'count-patterns' is ON. Aborting...");
      return nullptr;
    }
    const char *refused = net->flags2.reduced_labelset ? "reduced networks"
                          : net->flags2.left_bimachine || net->flags2.right_bimachine
                              ? "bimachines"
                          : net->flags.compacted  ? "compacted networks"
                          : net->flags2.is_virtual ? "virtual networks"
                                                   : nullptr;
    if (refused != nullptr) {
      error_printf("Sorry. This function has not yet been implemented for %s.", refused);
      return nullptr;
    }
    APPLY_CONTEXT *a = init_apply(net, input_side, context_record);
    if (a == nullptr) return nullptr;
    a->print_space = 0;
    a->show_flags = 0;
    a->output_side = a->input_side == 0 ? 1 : 0;
    p->separator = a->separator;
    a->separator = "";
    a->separator_length = 0;
    find_tags(a, *p);
    find_starts(a, *p);
    find_walk_kinds(a, *p);
    find_markers(a, *p);
    p->lookahead = longest_spelling(a);
    a->patterns = p;
    return a;
  });
}

KORA_API APPLY_CONTEXT *new_pattern_applyer(NET *net, const char *string, FILE *stream,
                                            FILE *output, int input_side,
                                            FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (net == nullptr) {
      error("No network!");
      return nullptr;
    }
    if (check_input_source(string, stream) != 0) return nullptr;
    APPLY_CONTEXT *a = init_apply_patterns(net, input_side, context_record);
    if (a == nullptr) return nullptr;
    PatternState *p = state_of(a);
    p->count = true;
    p->output_file = output;
    if (string != nullptr)
      init_apply_to_string(string, a);
    else
      init_apply_to_stream(stream, a);
    return a;
  });
}

KORA_API long apply_patterns(APPLY_CONTEXT *applyer) {
  return guarded(__func__, -1L, [&]() -> long {
    PatternState *p = bound_state(applyer, "apply_patterns");
    if (p == nullptr) return -1;
    long matches = 0;
    while (true) {
      const int until = p->output_file != nullptr ? kChunkBytes : INT32_MAX;
      matches += scan(applyer, *p, until);
      flush_to_file(applyer, *p);
      if (p->at_end && p->scan >= p->base + p->fill) break;
    }
    p->exhausted = true;
    if (p->output_file != nullptr) std::fflush(p->output_file);
    return matches;
  });
}

KORA_API const char *next_pattern_output(APPLY_CONTEXT *applyer) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    PatternState *p = bound_state(applyer, "next_pattern_output");
    if (p == nullptr || p->exhausted) return nullptr;
    reset_string_buffer(applyer->output);
    scan(applyer, *p, kChunkBytes);
    if (p->at_end && p->scan >= p->base + p->fill) p->exhausted = true;
    if (p->output_file != nullptr) {
      flush_to_file(applyer, *p);
      std::fflush(p->output_file);
    }
    return static_cast<const char *>(applyer->output->string);
  });
}

KORA_API const char *pattern_match_counts_to_page(APPLY_CONTEXT *applyer, PAGE *page) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    PatternState *p = state_of(applyer);
    if (p == nullptr) {
      error("pattern_match_counts_to_page: not a pattern applyer.");
      return nullptr;
    }
    if (page == nullptr) {
      if (p->page == nullptr) p->page = make_page(1920, 0, 72);
      page = p->page;
    }
    applyer->spellings.prepare();
    std::vector<std::string> names;
    size_t width = std::strlen("Pattern");
    for (const Tag &tag : p->tags) {
      names.push_back(opening_tag(applyer, tag.symbol));
      width = std::max(width, names.back().size());
    }
    const std::string rule(width + 20, '-');
    std::string line = "Pattern";
    line.append(width - line.size(), ' ').append("\t# of matches");
    line_to_page(line.c_str(), page);
    line_to_page(rule.c_str(), page);
    char number[32];
    for (size_t k = 0; k < names.size(); k++) {
      line = names[k];
      line.append(width - line.size(), ' ');
      std::snprintf(number, sizeof number, "\t%7ld", p->counts[k]);
      line.append(number);
      line_to_page(line.c_str(), page);
    }
    line_to_page(rule.c_str(), page);
    std::snprintf(number, sizeof number, "\tTotal:\t%7ld", p->total);
    line_to_page(number, page);
    return static_cast<const char *>(page->text);
  });
}

KORA_API long pattern_match_count(APPLY_CONTEXT *applyer, int tag, const char **name) {
  return guarded(__func__, -1L, [&]() -> long {
    const PatternState *p = state_of(applyer);
    if (p == nullptr) return -1;
    if (tag == -1) return p->total;
    if (tag < 0 || static_cast<size_t>(tag) >= p->tags.size()) return -1;
    if (name != nullptr) *name = p->tags[static_cast<size_t>(tag)].name.c_str();
    return p->counts[static_cast<size_t>(tag)];
  });
}

KORA_API int add_pattern_match_counts(APPLY_CONTEXT *into, APPLY_CONTEXT *from) {
  return guarded(__func__, 1, [&]() -> int {
    PatternState *to = state_of(into);
    const PatternState *source = state_of(from);
    if (to == nullptr || source == nullptr || to->tags.size() != source->tags.size()) return 1;
    for (size_t k = 0; k < to->counts.size(); k++) to->counts[k] += source->counts[k];
    to->total += source->total;
    return 0;
  });
}

}  // extern "C"
