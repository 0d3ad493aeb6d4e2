// The applyer: creation, input readers, the standard depth-first search and result formatting.

#include "apply.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "error.h"
#include "fat-print.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "label.h"
#include "str-buf.h"

namespace kora {
namespace {

constexpr int kOutputBufferSize = 256;

bool is_epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

// Flags that name a definition work whether or not flags are obeyed: the search needs the
// inserted network or the list.
bool names_definition(uint32_t symbol, const FLAG_DIACRITIC *flag) {
  return flag->action == INSERT_SUBNET || list_flag_p(symbol);
}

// Whether `x` is in the sigma of `net`. The membership table is made from the sigma the first
// time a network is met (inserted networks too) and kept by the applyer; making it only reads
// the network.
bool in_sigma(APPLY_CONTEXT *a, const NET *net, uint32_t x) {
  const std::vector<bool> *members = nullptr;
  for (auto &[owner, table] : a->sigmas)
    if (owner == net) members = &table;
  if (members == nullptr) {
    a->sigmas.emplace_back(net, sigma_members(net));
    members = &a->sigmas.back().second;
  }
  return x < members->size() && (*members)[x];
}

bool in_alph(const ALPH *alph, uint32_t id) {
  return test_alph_member(const_cast<ALPH *>(alph), id) != 0;
}

// --- Readers ----------------------------------------------------------------------------------

int read_from_string(APPLY_CONTEXT *a, uint32_t *id) {
  const char *text = a->input_string;
  if (text == nullptr || *text == '\0') {
    a->end_of_input = 1;
    *id = ID_NO_SYMBOL;
    return 0;
  }
  auto byte = static_cast<unsigned char>(*text);
  if (a->single_bytes[byte] != ID_NO_SYMBOL) {
    *id = a->single_bytes[byte];
    a->input_string = text + 1;
    return 0;
  }
  const char *end = text;
  int status = parse_local_symbol(id, text, &end, a->parse_table, &a->input_characters);
  if (status != PARSE_OK) return 1;
  a->input_string = end;
  return 0;
}

// One byte per symbol: ISO-8859-1 input on a network without multi-character spellings.
int read_characters(APPLY_CONTEXT *a, uint32_t *id) {
  int c = std::getc(a->input_stream);
  if (c == EOF) {
    a->end_of_input = 1;
    *id = ID_NO_SYMBOL;
    return 0;
  }
  if (a->line_mode && (c == '\n' || c == '\r')) {
    if (c == '\r') {
      int next = std::getc(a->input_stream);
      if (next != '\n' && next != EOF) std::ungetc(next, a->input_stream);
    }
    *id = ID_NO_SYMBOL;
    return 0;
  }
  if (c > 1 && c < 128)
    *id = static_cast<uint32_t>(c);
  else
    *id = a->input_characters.id_of(input_character_code(static_cast<uint32_t>(c), true));
  return 0;
}

int read_symbols(APPLY_CONTEXT *a, uint32_t *id) {
  // A byte that is a symbol by itself needs no look-ahead: it is taken from the buffer as it
  // is, unless it ends the line.
  StreamBuffer &in = a->stream_buffer;
  if (in.stream == a->input_stream && in.position < in.fill) {
    const auto byte = static_cast<unsigned char>(in.buffer[in.position]);
    if (a->single_bytes[byte] != ID_NO_SYMBOL && !(a->line_mode && (byte == '\n' || byte == '\r'))) {
      *id = a->single_bytes[byte];
      in.position++;
      return 0;
    }
  }
  int new_line = 0, length = 0;
  int status = parse_symbol_from_buffer(in, id, a->input_stream, a->parse_table, a->line_mode,
                                        &new_line, &length, &a->input_characters);
  if (status == PARSE_END) {
    a->end_of_input = 1;
    *id = ID_NO_SYMBOL;
    return 0;
  }
  return status == PARSE_OK ? 0 : 1;
}

// The input symbol at `position`, read from the source when not yet in the io sequence. Sets
// *failed when the reader cannot go on.
uint32_t read_symbol_at(APPLY_CONTEXT *a, int position, bool *failed) {
  while (static_cast<int>(a->io_length) <= position && !a->io_complete) {
    uint32_t id = ID_NO_SYMBOL;
    // The string reader is called directly, so that it can be inlined.
    const int status =
        a->read_symbol == read_from_string ? read_from_string(a, &id) : a->read_symbol(a, &id);
    if (status != 0) {
      *failed = true;
      a->io_complete = true;
      return ID_NO_SYMBOL;
    }
    if (id == ID_NO_SYMBOL) {
      a->io_complete = true;
      a->record_ended = true;
    } else {
      if (a->io_length == a->io_symbols.size()) a->io_symbols.resize(2 * a->io_length + 16);
      a->io_symbols[a->io_length++] = id;
    }
  }
  return position < static_cast<int>(a->io_length) ? a->io_symbols[position] : ID_NO_SYMBOL;
}

// Reads the leading run of a string record's single-byte symbols at once (reading them cannot
// fail), leaving the rest to the reader for when the search asks for it. The io sequence is
// empty when it is called.
void read_single_bytes(APPLY_CONTEXT *a) {
  const auto *text = reinterpret_cast<const unsigned char *>(a->input_string);
  if (text == nullptr) return;
  const uint32_t *single_bytes = a->single_bytes;
  // The run is no longer than the string; the string's end is no symbol by itself.
  const size_t most = std::strlen(a->input_string);
  if (a->io_symbols.size() < most) a->io_symbols.resize(most);
  uint32_t *symbols = a->io_symbols.data();
  uint32_t length = 0;
  for (uint32_t id; (id = single_bytes[text[length]]) != ID_NO_SYMBOL; length++)
    symbols[length] = id;
  a->io_length = length;
  const unsigned char *end = text + length;
  a->input_string = reinterpret_cast<const char *>(end);
  if (*end == '\0') {
    a->whole_record = reinterpret_cast<const char *>(text);
    a->whole_record_length = length;
    a->end_of_input = 1;
    a->io_complete = true;
    a->record_ended = true;
  }
}

inline uint32_t symbol_at(APPLY_CONTEXT *a, int position, bool *failed) {
  if (static_cast<uint32_t>(position) < a->io_length) return a->io_symbols[position];
  if (a->io_complete) return ID_NO_SYMBOL;
  return read_symbol_at(a, position, failed);
}

// --- The search -------------------------------------------------------------------------------

// The entry of the destination of `arc`, an arc of the state at entry `from`. An index that
// grows expands the destination the first time an arc to it is taken (apply-grow.h); the
// index's vectors may then move, so no reference into them is held across this call.
[[gnu::noinline]] uint32_t grown_destination(APPLY_CONTEXT *a, uint32_t arc, uint32_t from) {
  return a->growth[a->input_side]->arrive(arc, from);
}

inline uint32_t destination_of(APPLY_CONTEXT *a, const ApplyIndex &index, uint32_t arc,
                               uint32_t from) {
  const uint32_t destination = index.arc(arc).destination;
  if (IndexGrowth::waits(destination)) [[unlikely]]
    return grown_destination(a, arc, from);
  return destination;
}

// From `*state` at input position `position`, takes the one ordinary arc that reads the next
// symbol for as long as the states read one arc at most and the symbols already read (the first
// `known` of `symbols`) last, handing each to take(arc, destination); returns the position
// reached, *state the state. Most symbols of a lookup are read here, in a loop on local copies.
// (A symbol spelled like a flag or OTHER is read by no ordinary arc.)
template <typename Take>
uint32_t take_only_arcs(APPLY_CONTEXT *a, const ApplyIndex &index, const uint32_t *symbols,
                        uint32_t known, uint32_t *state, uint32_t position, Take take) {
  uint32_t s = *state;
  for (; position < known; position++) {
    const IndexState &at = index.state(s);
    const uint32_t x = symbols[position];
    if (!at.reads_one || x == OTHER) break;
    const uint32_t arc = index.only_arc(s, at, x);
    if (arc == ApplyIndex::kNoArc) break;
    s = destination_of(a, index, arc, s);
    take(arc, s);
  }
  *state = s;
  return position;
}

const ApplyIndex &index_of(const APPLY_CONTEXT *a) { return *a->index[a->input_side]; }

// The word index of the input side, or null when it was not made.
const WordIndex *word_index_of(const APPLY_CONTEXT *a) {
  const WordIndex *words = a->words[a->input_side].get();
  return words != nullptr && words->made() ? words : nullptr;
}

// Makes the index of the applyer's input side if it has none yet, with the applyer's network
// as its state 0 onwards. A vectorized network is indexed like any other (the index reads its
// arc vectors through the arc iterator): the index's per-state tables already find the arc for
// a symbol in one step, in a copy several times smaller than the vectors, so a search over the
// vectors themselves finds the same results more slowly. A virtual or compacted network's
// index grows instead, by each state the first time the search takes an arc to it
// (apply-grow.h).
void prepare_index(APPLY_CONTEXT *a) {
  std::unique_ptr<ApplyIndex> &index = a->index[a->input_side];
  if (index == nullptr) index = std::make_unique<ApplyIndex>(a->input_side);
  if (a->net->start == nullptr) return;
  if (!a->net->flags2.is_virtual && !a->net->flags.compacted) {
    index->start_of(a->net);
    if (a->words[a->input_side] == nullptr)
      a->words[a->input_side] = std::make_unique<WordIndex>(*index);
  } else if (a->growth[a->input_side] == nullptr)
    a->growth[a->input_side] = std::make_unique<IndexGrowth>(a->net, *index);
}

// A step of a path as the epsilon-loop rule sees it.
struct LoopStep {
  uint32_t arc;  // kNoArc for a return from an inserted network
  uint32_t destination;
  bool consumes;
};

// Whether an epsilon move from `from` to `to` by `arc` would go round a loop: `to` was visited
// since the last consumed symbol (the start state counts when nothing was consumed yet), or
// `arc` was already taken in that stretch. An epsilon self-loop on a final state is taken once.
// The path has `length` steps, step k given by step_of(k); it is read backwards from its end
// to the last step that consumed a symbol.
template <typename StepOf>
bool goes_round(const ApplyIndex &index, uint32_t from, uint32_t to, uint32_t arc, size_t length,
                StepOf step_of) {
  const bool self_loop_allowed = from == to && index.state(from).final;
  if (from == to && !self_loop_allowed) return true;
  for (size_t k = length; k-- > 0;) {
    const LoopStep step = step_of(k);
    if (step.arc == arc && arc != ApplyIndex::kNoArc) return true;
    if (step.destination == to && !self_loop_allowed) return true;
    if (step.consumes) return false;
  }
  return to == 0 && !self_loop_allowed;  // state 0 is the start of the applyer's network
}

bool epsilon_loop(const APPLY_CONTEXT *a, uint32_t from, uint32_t to, uint32_t arc) {
  const ApplyStep *path = a->arc_path.data();
  return goes_round(index_of(a), from, to, arc, a->arc_path.size(), [&](size_t k) {
    return LoopStep{path[k].arc, path[k].destination, path[k].kind == ApplyStep::CONSUME};
  });
}

// Pushes the frame of the state that the last step of the path (if any) led to.
void push_frame(APPLY_CONTEXT *a, uint32_t state, NET *net, int position) {
  const auto length = static_cast<uint32_t>(a->arc_path.size());
  a->frames.push_back({state, net, position, 0, length == 0 ? 0 : length - 1, {}});
}

// Leaves the top frame and undoes the steps that led to it, last first.
void pop_frame(APPLY_CONTEXT *a) {
  const uint32_t length = a->frames.back().path_length;
  a->frames.pop_back();
  undo_steps_from(a, length);
}

// Takes the ordinary arc `arc`, which reads the input symbol at the top frame's position.
void consume(APPLY_CONTEXT *a, uint32_t arc, uint32_t destination) {
  const ApplyFrame &frame = a->frames.back();
  NET *net = frame.net;
  const int next = frame.position + 1;
  a->arc_path.push_back({ApplyStep::CONSUME, arc, destination});
  push_frame(a, destination, net, next);
}

// Tries one special arc of the top frame (a flag, an epsilon-like or OTHER input side); pushes
// the frame of its destination when the arc can be taken. `x` is the input symbol at the
// frame's position (ID_NO_SYMBOL at the end).
void try_special_arc(APPLY_CONTEXT *a, uint32_t arc_number, uint32_t x) {
  const ApplyFrame frame = a->frames.back();
  const IndexArc arc = index_of(a).arc(arc_number);
  const uint32_t i = arc.input();
  const FLAG_DIACRITIC *flag = arc.special() == kEpsilonInput ? nullptr : symbol_flag(i);
  ApplyStep step{ApplyStep::EPSILON_MOVE, arc_number, arc.destination};
  ApplyUndo undo{static_cast<uint32_t>(a->arc_path.size()), ApplyStep::EPSILON_MOVE, false, 0, 0,
                 {}};
  auto restore = [&] {
    if (undo.flag_saved) a->flag_register.set(undo.flag_attribute, undo.flag_previous);
  };
  // Takes the arc as `step`, the input read up to `position` after it.
  auto take = [&](int position) {
    if (undo.flag_saved) {
      undo.kind = step.kind;
      a->undos.push_back(undo);
    }
    a->arc_path.push_back(step);
    push_frame(a, step.destination, frame.net, position);
  };

  if (flag != nullptr && (a->flags_active || names_definition(i, flag))) {
    undo.flag_attribute = flag->attribute;
    undo.flag_previous = a->flag_register.get(flag->attribute);
    undo.flag_saved = a->flags_active;
    void *object = nullptr;
    if (!flag_action(&a->flag_register, flag, &object)) {
      restore();
      return;
    }
    if (list_flag_p(i)) {
      bool member = x != ID_NO_SYMBOL && in_alph(static_cast<const ALPH *>(object), x);
      bool accepts = flag->action == LIST_ACTION ? member : x != ID_NO_SYMBOL && !member;
      if (!accepts || symbol_flag(x) != nullptr) {
        restore();
        return;
      }
      step.kind = ApplyStep::CONSUME;
      take(frame.position + 1);
      return;
    }
    if (flag->action == INSERT_SUBNET) {
      NET *inserted = static_cast<NET *>(object);
      uint32_t start = inserted->start == nullptr ? 0 : a->index[a->input_side]->start_of(inserted);
      if (inserted->start == nullptr || epsilon_loop(a, frame.state, start, arc_number)) {
        restore();
        return;
      }
      step.kind = ApplyStep::INSERT;
      step.destination = start;
      a->inserts.push_back({frame.net, arc.destination});
      a->insert_depth++;
      a->arc_path.push_back(step);
      undo.kind = ApplyStep::INSERT;
      a->undos.push_back(undo);
      push_frame(a, start, inserted, frame.position);
      return;
    }
  }
  if (flag != nullptr || is_epsilon_like(i)) {
    if (epsilon_loop(a, frame.state, arc.destination, arc_number)) {
      restore();
      return;
    }
    take(frame.position);
    return;
  }
  if (x == ID_NO_SYMBOL || symbol_flag(x) != nullptr) return;
  bool matches = i == x || (i == OTHER && !in_sigma(a, frame.net, x)) || x == OTHER;
  if (!matches) return;
  step.kind = ApplyStep::CONSUME;
  take(frame.position + 1);
}

// At a final state of an inserted network, the move back to the caller comes first.
void try_return(APPLY_CONTEXT *a) {
  ApplyFrame frame = a->frames.back();
  ApplyInsert insert = a->inserts.back();
  if (epsilon_loop(a, frame.state, insert.return_to, ApplyIndex::kNoArc)) return;
  a->undos.push_back({static_cast<uint32_t>(a->arc_path.size()), ApplyStep::RETURN, false, 0, 0,
                      insert});
  a->arc_path.push_back({ApplyStep::RETURN, ApplyIndex::kNoArc, insert.return_to});
  a->inserts.pop_back();
  a->insert_depth--;
  push_frame(a, insert.return_to, insert.caller, frame.position);
}

// Moves the top frame on in place through the states that read one arc (see take_only_arcs),
// outside inserted networks, where no return move is to be tried; the steps are appended to
// the path.
void take_only_arcs(APPLY_CONTEXT *a, const ApplyIndex &index, ApplyFrame &frame) {
  const uint32_t known = a->io_length;
  const auto position = static_cast<uint32_t>(frame.position);
  if (a->insert_depth != 0 || position >= known) return;
  a->arc_path.reserve(a->arc_path.size() + (known - position));
  frame.position = static_cast<int>(take_only_arcs(
      a, index, a->io_symbols.data(), known, &frame.state, position,
      [a](uint32_t arc, uint32_t to) {
        a->arc_path.push_back({ApplyStep::CONSUME, arc, to});
      }));
}

// The general search over the record; returns the number of results.
int general_search(APPLY_CONTEXT *a) {
  a->frames.clear();
  a->arc_path.clear();
  a->undos.clear();
  a->inserts.clear();
  a->insert_depth = 0;
  a->flag_register.clear();
  const ApplyIndex &index = index_of(a);
  int results = 0;
  push_frame(a, 0, a->net, 0);
  while (!a->frames.empty()) {
    ApplyFrame &frame = a->frames.back();
    if (frame.phase == 0) take_only_arcs(a, index, frame);
    if (frame.phase != 3) {
      // Arrival: the input symbol at the frame's position is read (it stays in the io
      // sequence), a result noted, a return move tried, and the walk over the arcs set up.
      bool failed = false;
      const uint32_t x = symbol_at(a, frame.position, &failed);
      if (failed) break;
      // Ordinary arcs read only an input symbol that is no flag.
      const uint32_t plain =
          x != ID_NO_SYMBOL && (x < 128 || symbol_flag(x) == nullptr) ? x : ID_NO_SYMBOL;
      const IndexState &at = index.state(frame.state);
      if (frame.phase == 0) {
        frame.phase = 1;
        if (x == ID_NO_SYMBOL && at.final && a->insert_depth == 0) {
          a->input_pos = frame.position;
          a->on_result(a);
          results++;
        }
        // From a state without a return move to try where one ordinary arc at most can lead
        // to a result, the frame moves on by that arc in place: a deterministic state, or,
        // while symbols remain outside inserted networks, one whose epsilon moves lead to
        // states that read no more. (No arc ever reads a symbol spelled like a flag.)
        const bool one_way = x != ID_NO_SYMBOL && a->insert_depth == 0
                                 ? at.reads_one
                                 : at.deterministic && !(a->insert_depth > 0 && at.final);
        if (one_way && plain != OTHER) {
          const uint32_t arc =
              plain != ID_NO_SYMBOL ? index.only_arc(frame.state, at, plain) : ApplyIndex::kNoArc;
          if (arc == ApplyIndex::kNoArc) {
            pop_frame(a);
          } else {
            frame.state = destination_of(a, index, arc, frame.state);
            frame.position++;
            frame.phase = 0;
            a->arc_path.push_back({ApplyStep::CONSUME, arc, frame.state});
          }
          continue;
        }
      }
      if (frame.phase == 1) {
        frame.phase = 2;
        if (a->insert_depth > 0 && at.final) {
          try_return(a);
          continue;
        }
      }
      frame.phase = 3;
      frame.arcs.start(index, frame.state, plain);
    }
    const uint32_t arc = frame.arcs.advance(index);
    if (arc == ApplyIndex::kNoArc) {
      pop_frame(a);
      continue;
    }
    const uint32_t destination = destination_of(a, index, arc, frame.state);
    if (!index.arc(arc).special()) {
      consume(a, arc, destination);
      continue;
    }
    const auto position = static_cast<size_t>(frame.position);
    try_special_arc(a, arc, position < a->io_length ? a->io_symbols[position] : ID_NO_SYMBOL);
  }
  a->frames.clear();
  a->arc_path.clear();
  a->undos.clear();
  a->inserts.clear();
  a->insert_depth = 0;
  return results;
}

// The search over a network whose input side has only ordinary symbols and epsilons: the
// general search without what flags, inserted networks, lists and OTHER need. It walks the
// same arcs in the same order, so it finds the same results in the same order. The path is the
// arcs taken (an arc with an ordinary input symbol having consumed one input symbol). Only
// states with a choice get a frame to come back to: from a deterministic state the one arc
// that reads the input symbol is taken at once, so a deterministic network is looked up in one
// pass without frames. Epsilon moves obey the same loop rule as in the general search. Cost:
// per input symbol one scan of a narrow state's arcs or a binary search in a wide one, and per
// epsilon move a scan of the path back to the last consumed symbol. Over a growing index, the
// search gives up (returns -1) when it arrives anywhere after the index has taken in arcs it
// does not handle; the caller then runs the general search.
bool ordinary_epsilon_loop(const APPLY_CONTEXT *a, uint32_t from, uint32_t to, uint32_t arc) {
  const ApplyIndex &index = index_of(a);
  const uint32_t *path = a->ordinary_path.data();
  return goes_round(index, from, to, arc, a->ordinary_path_length, [&](size_t k) {
    const IndexArc &taken = index.arc(path[k]);
    return LoopStep{path[k], taken.destination, taken.special() == kOrdinary};
  });
}

// The ordinary search's run through states that read one arc (see take_only_arcs), in the
// word index when there is one.
void take_only_arcs(APPLY_CONTEXT *a, const ApplyIndex &index, uint32_t *state,
                    uint32_t *position) {
  const uint32_t known = a->io_length;
  uint32_t length = a->ordinary_path_length;
  if (*position >= known) return;
  if (a->ordinary_path.size() < length + (known - *position))
    a->ordinary_path.resize(length + known - *position);
  uint32_t *path = a->ordinary_path.data();
  if (const WordIndex *words = word_index_of(a)) {
    const uint32_t start = *position;
    words->take_only_arcs(a->io_symbols.data(), known, state, position, path + length);
    a->ordinary_path_length = length + (*position - start);
    return;
  }
  *position = take_only_arcs(a, index, a->io_symbols.data(), known, state, *position,
                             [path, &length](uint32_t arc, uint32_t) { path[length++] = arc; });
  a->ordinary_path_length = length;
}

// Starts the ordinary search where the last one's first run through states that read one arc
// (take_only_arcs from the start state) would be after reading the symbols its record shares
// with this one: those arcs are still the first entries of the path. Sets *state and *position
// and the path's length. Cost: one comparison per shared symbol.
void resume_first_run(APPLY_CONTEXT *a, const ApplyIndex &index, uint32_t *state,
                      uint32_t *position) {
  if (a->walked_side != a->input_side) return;
  const uint32_t most =
      std::min(a->io_length, static_cast<uint32_t>(a->walked_symbols.size()));
  uint32_t shared = 0;
  while (shared < most && a->io_symbols[shared] == a->walked_symbols[shared]) shared++;
  if (shared == 0) return;
  a->ordinary_path_length = shared;
  *position = shared;
  // The word index holds the arc in the cache line the last run read.
  const uint32_t arc = a->ordinary_path[shared - 1];
  const WordIndex *words = word_index_of(a);
  *state = words != nullptr ? words->destination(arc) : index.arc(arc).destination;
}

int ordinary_search(APPLY_CONTEXT *a) {
  const ApplyIndex &index = index_of(a);
  std::vector<OrdinaryFrame> &frames = a->ordinary_frames;
  uint32_t &length = a->ordinary_path_length;
  auto push = [&](uint32_t arc) {
    if (length == a->ordinary_path.size()) a->ordinary_path.resize(2 * length + 16);
    a->ordinary_path[length++] = arc;
  };
  frames.clear();
  length = 0;
  a->ordinary_search = true;
  int results = 0;
  bool failed = false;
  uint32_t state = 0, position = 0;
  const bool grows = a->growth[a->input_side] != nullptr;
  resume_first_run(a, index, &state, &position);
  take_only_arcs(a, index, &state, &position);
  a->walked_symbols.assign(a->io_symbols.begin(), a->io_symbols.begin() + position);
  a->walked_side = a->input_side;
  while (true) {
    take_only_arcs(a, index, &state, &position);
    // Arrival at `state` with the input read up to `position`. (A growing index may have met
    // arcs that this search does not take: then it gives up; see search.)
    if (grows && !index.ordinary_or_epsilon()) [[unlikely]] {
      results = -1;
      break;
    }
    const uint32_t x = symbol_at(a, static_cast<int>(position), &failed);
    if (failed) break;
    const IndexState &at = index.state(state);
    if (x == ID_NO_SYMBOL && at.final) {
      a->input_pos = static_cast<int>(position);
      a->on_result(a);
      results++;
    }
    // No arc reads a symbol spelled like a flag: arcs with flags are not searched here. While
    // symbols remain, epsilon moves to states that read on no more lead nowhere; at the end, a
    // state's only epsilon move is its one choice, checked for a loop unless it ends.
    if (x == ID_NO_SYMBOL && at.only_move != 0) {
      const uint32_t arc = state + at.only_move;
      const bool ends = at.move_ends;
      const uint32_t to = destination_of(a, index, arc, state);
      if (ends || !ordinary_epsilon_loop(a, state, to, arc)) {
        push(arc);
        state = to;
        continue;
      }
    } else if (x == ID_NO_SYMBOL ? at.deterministic : at.reads_one && x != OTHER) {
      const uint32_t arc = x != ID_NO_SYMBOL ? index.only_arc(state, at, x) : ApplyIndex::kNoArc;
      if (arc != ApplyIndex::kNoArc) {
        push(arc);
        state = destination_of(a, index, arc, state);
        position++;
        continue;
      }
    } else {
      frames.push_back({state, position, length, {}});
      frames.back().arcs.start(index, state, x);
    }
    // Back to the latest state with an arc left to try.
    bool moved = false;
    while (!frames.empty() && !moved) {
      OrdinaryFrame &frame = frames.back();
      length = frame.path_length;
      const uint32_t arc = frame.arcs.advance(index);
      if (arc == ApplyIndex::kNoArc) {
        frames.pop_back();
        continue;
      }
      const uint32_t to = destination_of(a, index, arc, frame.state);
      position = frame.position;
      if (index.arc(arc).special() == kOrdinary)
        position++;
      else if (ordinary_epsilon_loop(a, frame.state, to, arc))
        continue;
      // A frame without arcs left is not come back to.
      if (frame.arcs.exhausted(index)) frames.pop_back();
      push(arc);
      state = to;
      moved = true;
    }
    if (!moved) break;
  }
  a->ordinary_search = false;
  return results;
}

// What the bimachine search borrows from the applyer.
SearchInput search_input(APPLY_CONTEXT *a) {
  return {a,           &a->io_symbols,   &a->io_length, &a->io_complete, read_symbol_at,
          a->on_result, &a->flag_register, a->flags_active != 0};
}

int bimachine_record(APPLY_CONTEXT *a);
int whole_word_record(APPLY_CONTEXT *a);

// Whether the record is looked up in a plain acceptor's word index: the record was read whole as
// one-byte ASCII symbols, and its one result, if any, is written as the standard formatter
// would write it (one side, without blanks).
bool whole_word_lookup(const APPLY_CONTEXT *a);

// Runs the search over the record; returns the number of results. The index of the input side
// was made with the applyer (init_apply, switch_input_side).
int search(APPLY_CONTEXT *a) {
  if (a->right_net != nullptr && a->right_net->flags2.right_bimachine) return bimachine_record(a);
  if (a->net->start == nullptr) return 0;
  a->spellings.prepare();
  if (whole_word_lookup(a)) return whole_word_record(a);
  if (index_of(a).ordinary_or_epsilon()) {
    const int start = a->output->pos;
    const int results = ordinary_search(a);
    if (results >= 0) return results;
    // A state the search met for the first time has arcs that only the general search takes:
    // it starts over, and what the ordinary search wrote is dropped.
    a->output->pos = start;
    static_cast<char *>(a->output->string)[start] = '\0';
  }
  return general_search(a);
}

// --- Formatting -------------------------------------------------------------------------------

// Appends a spelling to the output buffer; the terminator is written by the next append of
// str-buf (the formatter ends with the separator).
inline void put_spelling(STRING_BUFFER *out, const Spellings::Spelling &spelling) {
  const int length = static_cast<int>(spelling.length);
  if (static_cast<size_t>(out->pos) + spelling.length + 1 > static_cast<size_t>(out->length))
    assure_buffer_space(spelling.length, out);
  char *text = static_cast<char *>(out->string) + out->pos;
  if (length == 1)
    *text = *spelling.text;
  else
    std::memcpy(text, spelling.text, spelling.length);
  out->pos += length;
}

void append_symbol(APPLY_CONTEXT *a, uint32_t symbol) {
  if (InputCharacters::owns(symbol)) {
    std::string name;
    const uint32_t code[2] = {a->input_characters.code_of(symbol), 0};
    append_fat(name, code);
    append_string_to_buffer(name.c_str(), a->output);
    return;
  }
  put_spelling(a->output, a->spellings.of(symbol));
  static_cast<char *>(a->output->string)[a->output->pos] = '\0';
}

void reset_record(APPLY_CONTEXT *a) {
  a->whole_record = nullptr;
  a->io_length = 0;
  a->io_complete = false;
  a->record_ended = false;
  a->input_pos = 0;
}

// Reads what the search left of the record, so that the next record starts after it. A string
// is one record; a stream is drained to the end of the line (past bytes it cannot read).
void finish_record(APPLY_CONTEXT *a) {
  if (a->input_stream == nullptr) {
    a->end_of_input = 1;
    return;
  }
  while (!a->record_ended) {
    uint32_t id = ID_NO_SYMBOL;
    if (a->read_symbol(a, &id) == 0 && id == ID_NO_SYMBOL) a->record_ended = true;
  }
}

void choose_reader(APPLY_CONTEXT *a) {
  // A bimachine switched to the other side reads with the left half's table; its search then
  // reports that the halves do not go that way.
  a->parse_table = a->bimachine_table != nullptr && a->bimachine_side == a->input_side
                       ? a->bimachine_table
                       : get_parse_table(a->net, a->input_side);
  if (a->single_bytes_generation != a->parse_table->generation) {
    for (int byte = 0; byte < 256; byte++)
      a->single_bytes[byte] = single_byte_symbol(a->parse_table, static_cast<unsigned char>(byte));
    a->single_bytes_generation = a->parse_table->generation;
  }
}

// Appends the output of one arc of the current path. `consumes` says whether the arc read an
// input symbol: the one at *position, which then moves on. `start` is where the result begins
// in the output buffer.
void format_arc(APPLY_CONTEXT *a, const IndexArc &arc, bool consumes, size_t *position, int start) {
  const uint32_t o = arc.output();
  if (a->output_side != 2 && arc.plain_output()) {
    // The common case: the output side's own spelling.
    if (consumes) ++*position;
    if (a->print_space && a->output->pos > start) append_char_to_buffer(' ', a->output);
    put_spelling(a->output, a->spellings.of(o));
    return;
  }
  uint32_t i = arc.input();
  const FLAG_DIACRITIC *input_flag = symbol_flag(i);
  uint32_t c = EPSILON;
  if (consumes)
    c = a->io_symbols[(*position)++];
  else if (input_flag != nullptr && !(a->obey_flags && a->output_side != 2))
    c = i;
  bool space = a->print_space && a->output->pos > start;
  if (a->output_side != 2) {
    const FLAG_DIACRITIC *output_flag = symbol_flag(o);
    if (list_flag_p(o)) {
      if (space) append_char_to_buffer(' ', a->output);
      append_symbol(a, c);
      return;
    }
    if (is_epsilon_like(o)) return;
    if (output_flag != nullptr && a->obey_flags && !a->show_flags) return;
    if (space) append_char_to_buffer(' ', a->output);
    if (arc.other_label())
      append_symbol(a, c);
    else
      append_symbol(a, o);  // OTHER prints as "?"
    return;
  }
  if (c == EPSILON && is_epsilon_like(o)) return;
  if (space) append_char_to_buffer(' ', a->output);
  if (!arc.other_label() && (o != c || o == OTHER)) {
    append_char_to_buffer('<', a->output);
    append_symbol(a, a->input_side == 0 ? c : o);
    append_char_to_buffer(':', a->output);
    append_symbol(a, a->input_side == 0 ? o : c);
    append_char_to_buffer('>', a->output);
  } else {
    append_symbol(a, c);
  }
}

// A step of the current path as the formatter sees it: the arc taken and whether it consumed an
// input symbol. A step that writes nothing (a return from an inserted network) has kSilentArc,
// an epsilon move that writes epsilon.
struct PathStep {
  const IndexArc *arc;
  bool consumes;
};

constexpr IndexArc kSilentArc{IndexArc::input_word_of(EPSILON, kEpsilonInput, false), 0,
                              IndexArc::output_word_of(EPSILON, 0, false)};

// Writes the output spellings of the steps k, k + 1, ... of a path of `count` steps (step_of(k)
// gives step k) up to the first arc whose output is not its output side's own spelling (see
// IndexArc::plain_output) or the end; returns the index of the first step not written. This is
// the common case of one-sided output without blanks; most arcs write one byte, held in the
// arc. The buffer is kept large enough for one byte per step left, so that those need no
// check. The buffer's fields are used through local copies, which a byte written could
// otherwise alias.
template <typename StepOf>
size_t put_plain_run(APPLY_CONTEXT *a, StepOf step_of, size_t k, size_t count) {
  STRING_BUFFER *out = a->output;
  char *cursor = static_cast<char *>(out->string) + out->pos;
  char *limit = static_cast<char *>(out->string) + out->length;
  // Makes room for `length` bytes now and one for each step after step k.
  auto make_room = [&](size_t length) {
    const size_t needed = length + (count - k - 1);
    if (needed + 1 <= static_cast<size_t>(limit - cursor)) return;
    out->pos = static_cast<int>(cursor - static_cast<char *>(out->string));
    assure_buffer_space(needed, out);
    cursor = static_cast<char *>(out->string) + out->pos;
    limit = static_cast<char *>(out->string) + out->length;
  };
  if (k < count) make_room(1);
  for (; k < count; k++) {
    const IndexArc *arc = step_of(k).arc;
    if (const char byte = arc->output_byte(); byte != 0) {
      *cursor++ = byte;
      continue;
    }
    if (!arc->plain_output()) break;
    const Spellings::Spelling spelling = a->spellings.of(arc->output());
    make_room(spelling.length);
    std::memcpy(cursor, spelling.text, spelling.length);
    cursor += spelling.length;
  }
  out->pos = static_cast<int>(cursor - static_cast<char *>(out->string));
  return k;
}

// Ends a result in the output buffer: the separator, and the terminator after it.
void end_result(APPLY_CONTEXT *a) {
  put_spelling(a->output, {a->separator, a->separator_length});
  static_cast<char *>(a->output->string)[a->output->pos] = '\0';
}

// Writes the current path of `count` steps (step_of(k) gives step k) in the applyer's output
// format, and the separator. The first `written` steps are ordinary arcs whose output, one
// byte each, the caller has written.
template <typename StepOf>
void format_path(APPLY_CONTEXT *a, StepOf step_of, size_t count, size_t written = 0) {
  const int start = a->output->pos - static_cast<int>(written);
  const bool runs = a->output_side != 2 && !a->print_space;
  size_t position = written;  // the input symbols consumed by the steps before `counted`
  size_t counted = written;
  for (size_t k = written; k < count; k++) {
    if (runs) {
      k = put_plain_run(a, step_of, k, count);
      if (k == count) break;
    }
    for (; counted < k; counted++) position += step_of(counted).consumes;
    const PathStep step = step_of(k);
    format_arc(a, *step.arc, step.consumes, &position, start);
    counted = k + 1;
  }
  end_result(a);
}

// Whether the `length` bytes at `text` are all ASCII, eight at a time.
bool ascii(const char *text, size_t length) {
  constexpr uint64_t kHighs = 0x8080808080808080;
  uint64_t bits = 0;
  size_t k = 0;
  for (uint64_t word; k + 8 <= length; k += 8) {
    std::memcpy(&word, text + k, 8);
    bits |= word;
  }
  for (; k < length; k++) bits |= static_cast<unsigned char>(text[k]);
  return (bits & kHighs) == 0;
}

bool whole_word_lookup(const APPLY_CONTEXT *a) {
  const WordIndex *words = word_index_of(a);
  return words != nullptr && words->plain_acceptor() &&
         a->whole_record != nullptr && a->on_result == format_apply_result &&
         a->output_side != 2 && !a->print_space &&
         ascii(a->whole_record, a->whole_record_length);
}

// The record looked up in a plain acceptor's word index: the ordinary search's first run,
// which reads the whole record or fails; its spelling is its one result, if it has one.
int whole_word_record(APPLY_CONTEXT *a) {
  const ApplyIndex &index = index_of(a);
  uint32_t state = 0, position = 0;
  a->ordinary_path_length = 0;
  resume_first_run(a, index, &state, &position);
  take_only_arcs(a, index, &state, &position);
  a->walked_symbols.assign(a->io_symbols.begin(), a->io_symbols.begin() + position);
  a->walked_side = a->input_side;
  if (position != a->io_length || !word_index_of(a)->final(state)) return 0;
  put_spelling(a->output, {a->whole_record, a->whole_record_length});
  end_result(a);
  return 1;
}

// The bimachine search over the record: its one result, if any, written like a one-sided
// result.
int bimachine_record(APPLY_CONTEXT *a) {
  a->spellings.prepare();
  if (!bimachine_search(a->net, a->right_net, a->input_side, search_input(a), &a->bimachine_output))
    return 0;
  const int start = a->output->pos;
  for (const uint32_t o : a->bimachine_output) {
    if (is_epsilon_like(o)) continue;
    if (a->print_space && a->output->pos > start) append_char_to_buffer(' ', a->output);
    append_symbol(a, o);
  }
  end_result(a);
  return 1;
}

// Looks the next record up, the output buffer and the io sequence being empty: writes its
// results into the buffer and returns it, or null when a stream has no record left.
const char *apply_record(APPLY_CONTEXT *a) {
  bool failed = false;
  if (a->input_stream == nullptr) read_single_bytes(a);
  // A stream that has nothing more to give ends without a record of its own.
  if (symbol_at(a, 0, &failed) == ID_NO_SYMBOL && a->end_of_input && a->input_stream != nullptr &&
      !failed)
    return nullptr;
  a->result_count = failed ? 0 : search(a);
  finish_record(a);
  reset_record(a);
  return static_cast<const char *>(a->output->string);
}

}  // namespace

void undo_steps_from(APPLY_CONTEXT *a, uint32_t length) {
  while (!a->undos.empty() && a->undos.back().step >= length) {
    const ApplyUndo &undo = a->undos.back();
    if (undo.flag_saved) a->flag_register.set(undo.flag_attribute, undo.flag_previous);
    if (undo.kind == ApplyStep::INSERT) {
      a->inserts.pop_back();
      a->insert_depth--;
    } else if (undo.kind == ApplyStep::RETURN) {
      a->inserts.push_back(undo.closed);
      a->insert_depth++;
    }
    a->undos.pop_back();
  }
  a->arc_path.resize(length);
}

// The step accessors hold copies of the pointers they read through, which the bytes written
// could otherwise alias.
void format_apply_result(APPLY_CONTEXT *a) {
  const ApplyIndex &index = index_of(a);
  const IndexEntry *entries = index.entries.data();
  if (a->ordinary_search && a->whole_record != nullptr && index.copies_input() &&
      a->output_side != 2 && !a->print_space && ascii(a->whole_record, a->whole_record_length)) {
    // The arcs wrote what they read: the input's ASCII characters, spelled alike in every
    // encoding.
    put_spelling(a->output, {a->whole_record, a->whole_record_length});
    end_result(a);
    return;
  }
  if (a->ordinary_search) {
    const uint32_t *path = a->ordinary_path.data();
    // The leading arcs that copy what they read write the record's first bytes, when those are
    // ASCII: the word index says which copy, without reading the arcs from the index again.
    size_t copied = 0;
    const WordIndex *words = word_index_of(a);
    if (words != nullptr && a->whole_record != nullptr &&
        a->output_side != 2 && !a->print_space) {
      copied = words->copying_steps(path, a->ordinary_path_length);
      if (ascii(a->whole_record, copied))
        put_spelling(a->output, {a->whole_record, static_cast<uint32_t>(copied)});
      else
        copied = 0;
    }
    format_path(a, [entries, path](size_t k) {
      const IndexArc &arc = entries[path[k]].arc;
      return PathStep{&arc, arc.special() == kOrdinary};
    }, a->ordinary_path_length, copied);
  } else {
    const ApplyStep *path = a->arc_path.data();
    format_path(a, [entries, path](size_t k) {
      if (path[k].kind == ApplyStep::RETURN) return PathStep{&kSilentArc, false};
      return PathStep{&entries[path[k].arc].arc, path[k].kind == ApplyStep::CONSUME};
    }, a->arc_path.size());
  }
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API APPLY_CONTEXT *init_apply(NET *net, int input_side, FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (net == nullptr) {
      error("NETptr must not be NULL.");
      return nullptr;
    }
    FST_CONTEXT *c = context_record != nullptr ? context_record : context();
    auto *a = new APPLY_CONTEXT();
    a->allocated_here = 1;
    a->net = net;
    a->input_side = input_side == 1 ? 1 : 0;
    const int32_t *words = c->parameters->word;
    a->obey_flags = words[KORA_OBEY_FLAGS];
    a->print_space = words[KORA_PRINT_SPACE];
    a->show_flags = words[KORA_SHOW_FLAGS];
    a->output_side = words[KORA_APPLY_BOTH_SIDES] ? 2 : (a->input_side == 1 ? 0 : 1);
    {
      // What is prepared on the network is done under the parse tables' lock, so that threads
      // may make applyers of one network at once.
      std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
      recompute_flag_marks(net);
      a->upper_has_flags = net->flags2.upper_has_flags;
      a->lower_has_flags = net->flags2.lower_has_flags;
      a->parse_table = get_parse_table(net, a->input_side);
    }
    a->flags_active = a->obey_flags && (a->input_side == 0 ? a->upper_has_flags : a->lower_has_flags);
    prepare_index(a);
    a->separator = c->eol_string != nullptr ? c->eol_string : "\r\n";
    a->separator_length = static_cast<uint32_t>(std::strlen(a->separator));
    a->output = make_thin_buffer(kOutputBufferSize);
    a->on_result = format_apply_result;
    return a;
  });
}

KORA_API APPLY_CONTEXT *init_apply_bimachine(NET *left, NET *right, int input_side,
                                             FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (left == nullptr || right == nullptr) {
      error("NETptr must not be NULL.");
      return nullptr;
    }
    const int side = input_side == 1 ? 1 : 0;
    PARSE_TABLE *table = nullptr;
    {
      std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
      table = make_bimachine_parse_table(left, right, side);
    }
    if (table == nullptr) return nullptr;
    APPLY_CONTEXT *a = init_apply(left, side, context_record);
    a->right_net = right;
    a->bimachine_table = table;
    a->bimachine_side = side;
    return a;
  });
}

KORA_API void init_apply_to_string(const char *string, APPLY_CONTEXT *a) {
  guarded(__func__, [&] {
    if (a == nullptr) return;
    choose_reader(a);
    a->input_string = string;
    a->input_stream = nullptr;
    a->read_symbol = read_from_string;
    a->end_of_input = 0;
    reset_string_buffer(a->output);
    reset_record(a);
  });
}

KORA_API void init_apply_to_stream(FILE *stream, APPLY_CONTEXT *a) {
  guarded(__func__, [&] {
    if (a == nullptr) return;
    choose_reader(a);
    a->input_string = nullptr;
    a->input_stream = stream;
    const bool latin1 = context()->in_char_encoding == KORA_LATIN1;
    a->read_symbol = !a->parse_table->has_multichar && latin1 ? read_characters : read_symbols;
    a->end_of_input = 0;
    a->stream_buffer.reset();
    reset_string_buffer(a->output);
    reset_record(a);
  });
}

KORA_API APPLY_CONTEXT *new_applyer(NET *net, const char *string, FILE *stream, int input_side,
                                    FST_CONTEXT *context_record) {
  return guarded(__func__, nullptr, [&]() -> APPLY_CONTEXT * {
    if (net == nullptr) {
      error("No network!");
      return nullptr;
    }
    if (check_input_source(string, stream) != 0) return nullptr;
    APPLY_CONTEXT *a = init_apply(net, input_side, context_record);
    a->line_mode = 1;
    if (string != nullptr)
      init_apply_to_string(string, a);
    else
      init_apply_to_stream(stream, a);
    return a;
  });
}

KORA_API void switch_input_side(APPLY_CONTEXT *a) {
  guarded(__func__, [&] {
    if (a == nullptr) return;
    if (a->input_side == 1) {
      a->input_side = 0;
      a->output_side = 1;
    } else {
      a->input_side = 1;
      a->output_side = 0;
    }
    a->flags_active = a->obey_flags && (a->input_side == 0 ? a->upper_has_flags : a->lower_has_flags);
    prepare_index(a);
  });
}

KORA_API const char *next_apply_output(APPLY_CONTEXT *a) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    if (a == nullptr || a->end_of_input || a->read_symbol == nullptr) return nullptr;
    reset_string_buffer(a->output);
    reset_record(a);
    return apply_record(a);
  });
}

KORA_API const char *apply_to_string(const char *string, APPLY_CONTEXT *a) {
  return guarded(__func__, nullptr, [&]() -> const char * {
    if (a == nullptr) return nullptr;
    init_apply_to_string(string, a);  // empties the output buffer and the io sequence
    return apply_record(a);
  });
}

KORA_API void free_applyer(APPLY_CONTEXT *a) {
  guarded(__func__, [&] {
    if (a == nullptr) return;
    free_string_buffer(a->output);
    a->output = nullptr;
    if (a->owned_file != nullptr) {
      close_text_file(a->owned_file);
      delete a->owned_file;
      a->owned_file = nullptr;
    }
    free_network(a->owned_net);
    a->owned_net = nullptr;
    free_parse_table(a->bimachine_table);
    a->bimachine_table = nullptr;
    if (a->allocated_here) delete a;
  });
}

KORA_API void free_applyer_complete(APPLY_CONTEXT *a) {
  guarded(__func__, [&] {
    if (a == nullptr) return;
    if (a->aux != nullptr) {
      auto **record = static_cast<void **>(a->aux);
      std::free(record[1]);
      std::free(record);
      a->aux = nullptr;
    }
    free_applyer(a);
  });
}

}  // extern "C"
