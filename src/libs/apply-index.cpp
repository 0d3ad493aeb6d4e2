// The applyer's compact index of a network, its arc cursor, and the cache of label spellings.

#include "apply-index.h"

#include <algorithm>
#include <cstring>

#include "context.h"
#include "flag-sides.h"
#include "label.h"
#include "labelset.h"
#include "pars-tbl.h"
#include "scratch.h"
#include "struct.h"

namespace kora {
namespace {

bool epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

}  // namespace

IndexArc index_arc(uint32_t label, int input_side) {
  const uint32_t input = input_side == 1 ? lower_id(label) : upper_id(label);
  const uint32_t output = input_side == 1 ? upper_id(label) : lower_id(label);
  uint32_t special = kOrdinary;
  if (epsilon_like(input))
    special = kEpsilonInput;
  else if (input == ID_NO_SYMBOL || input == OTHER || symbol_flag(input) != nullptr)
    special = kOtherSpecial;
  const bool plain = label != OTHER && !epsilon_like(output) && symbol_flag(output) == nullptr;
  uint32_t byte = 0;
  if (plain) {
    std::string spelling;
    append_label(spelling, output, 0);
    byte = spelling.size() == 1 ? static_cast<unsigned char>(spelling[0]) : 0;
    if (byte >= 0x80) byte = 0;
  }
  return {IndexArc::input_word_of(input, special, label == OTHER), 0,
          IndexArc::output_word_of(output, byte, plain)};
}

namespace {

// Whether the arc writes the ordinary symbol it reads, or is an epsilon move that writes nothing.
bool copies_input_symbol(const IndexArc &arc, uint32_t label) {
  if (label == EPSILON) return true;
  return arc.special() == kOrdinary && !arc.other_label() && arc.input() == arc.output();
}

// The entries of the labels met last, by the low bits of the label: a network has far fewer
// labels than arcs, so most arcs find theirs here rather than in the label map.
class LabelEntries {
 public:
  explicit LabelEntries(int input_side) : input_side_(input_side) {}
  IndexArc of(uint32_t label) {
    Slot &slot = slots_[label % kSlots];
    if (slot.label != label) slot = {label, index_arc(label, input_side_)};
    return slot.entry;
  }

 private:
  static constexpr size_t kSlots = 256;
  struct Slot {
    uint32_t label = ID_NO_SYMBOL;
    IndexArc entry{};
  };
  int input_side_;
  Slot slots_[kSlots];
};

}  // namespace

uint32_t ApplyIndex::start_of(NET *net) {
  for (const auto &[known, start] : starts_)
    if (known == net) return start;
  const auto base = static_cast<uint32_t>(entries.size());
  starts_.emplace_back(net, base);
  // Copies the states reachable from the start state in depth-first preorder (arcs in list
  // order), so that the states of a path lie close together. A network read from a file lies
  // in memory in that order already, so that copying it walks memory forwards. A copied state's
  // client cell holds 1 + its entry; the cells are cleared before and after, and borrowed under
  // the preparation lock, since other threads may be indexing the same network. An arc to a
  // state not copied yet is noted and given its destination's entry at the end.
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  clear_client_cells(net);
  auto entry_of = [](const STATE *state) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(state->client_cell) - 1);
  };
  // The network's counts size the first allocation (no more than 2^24 entries on their word);
  // the copy does not rely on them.
  constexpr size_t kMostReserved = size_t{1} << 24;
  entries.reserve(entries.size() +
                  std::min<size_t>(size_t{net->num_states} + net->num_arcs, kMostReserved));
  LabelEntries labels(input_side_);
  // Arcs come through the iterator, so that vectorized states are read like lists.
  ARC_ITERATOR arcs;
  start_arc_iterator(net, &arcs);
  // An arc of a network with a reduced label set is copied once for each label of its class.
  const LabelClassMap *classes =
      net->flags2.reduced_labelset ? reduced_to_unreduced_map(net) : nullptr;
  std::vector<std::pair<uint32_t, STATE *>> forward;  // (arc, destination) not copied yet
  std::vector<uint32_t> with_epsilon_moves;
  std::vector<STATE *> to_copy{net->start};  // the top is copied next
  while (!to_copy.empty()) {
    STATE *state = to_copy.back();
    to_copy.pop_back();
    if (state->client_cell != nullptr) continue;
    const auto number = static_cast<uint32_t>(entries.size());
    state->client_cell = reinterpret_cast<void *>(uintptr_t{number} + 1);
    entries.push_back({.state = {}});
    const size_t first_forward = forward.size();
    ARC *cursor;
    bool done;
    // An ALTCHAIN arc (arc optimization) stands for the arcs of its destination, which are
    // copied in its place: the copy of an optimized network is the copy of the plain one. A
    // chain is followed at most once per state of the network, so that a malformed file with a
    // cycle of chains cannot hold the copy up.
    uint32_t chains_followed = 0;
    for (STATE *arcs_of = state; arcs_of != nullptr;) {
      STATE *chain = nullptr;
      start_state_arcs(&arcs, arcs_of, &cursor, &done);
      while (const ARC *arc = next_arc(&arcs, &cursor, &done)) {
        const uint32_t label = arc->label;
        if (label == ALTCHAIN_SYMBOL) {
          chain = arc->destination;
          continue;
        }
        std::span<const uint32_t> members;
        if (classes != nullptr) members = classes->members(label);
        if (members.empty()) members = {&label, 1};
        for (uint32_t member : members) {
          IndexArc entry = labels.of(member);
          if (arc->destination->client_cell != nullptr)
            entry.destination = entry_of(arc->destination);
          else
            forward.emplace_back(static_cast<uint32_t>(entries.size()), arc->destination);
          entries.push_back({.arc = entry});
          if (entry.special() == kOtherSpecial) other_special_arcs_++;
          if (!copies_input_symbol(entry, member)) arcs_not_copying_++;
        }
      }
      arcs_of = chain != nullptr && chains_followed++ < net->num_states ? chain : nullptr;
    }
    for (size_t k = forward.size(); k-- > first_forward;) to_copy.push_back(forward[k].second);
    entries[number].state.final = state->flags.final != 0;
    if (finish_state(number)) with_epsilon_moves.push_back(number);
  }
  for (const auto &[arc, destination] : forward) entries[arc].arc.destination = entry_of(destination);
  free_arc_iterator(&arcs);
  clear_client_cells(net);
  mark_epsilon_moves(with_epsilon_moves);
  mark_ending_moves(with_epsilon_moves);
  return base;
}

uint32_t ApplyIndex::append_state(bool final, const std::vector<uint32_t> &labels) {
  const auto number = static_cast<uint32_t>(entries.size());
  entries.push_back({.state = {}});
  for (uint32_t label : labels) {
    if (label >= label_arcs_.size()) {
      label_arcs_.resize(label + 1);
      label_known_.resize(label + 1, 0);
    }
    if (!label_known_[label]) {
      label_arcs_[label] = index_arc(label, input_side_);
      label_known_[label] = 1;
    }
    const IndexArc entry = label_arcs_[label];
    entries.push_back({.arc = entry});
    if (entry.special() == kOtherSpecial) other_special_arcs_++;
    if (!copies_input_symbol(entry, label)) arcs_not_copying_++;
  }
  entries[number].state.final = final;
  finish_state(number);
  return number;
}

void ApplyIndex::refine_state(uint32_t number) {
  IndexState &header = entries[number].state;
  if (header.reads_one) return;
  const uint32_t end = next_state(number);
  for (uint32_t a = number + 1; a < end; ++a) {
    const IndexArc &arc = entries[a].arc;
    if (arc.special() == kOrdinary) continue;
    if (arc.special() != kEpsilonInput || arc.destination >= entries.size() ||
        state(arc.destination).count != 0)
      return;
  }
  header.move_ends = header.only_move != 0;
  if (!distinct_inputs(number)) return;
  header.reads_one = true;
  if (header.wide != kNotWide) make_table(number);
}

// Completes the header of the state at entry `number`, whose arcs are the entries after it up
// to the end: its count, its wide tables, and the marks that its own arcs decide. Returns
// whether it has epsilon moves (whose marks wait for their destinations).
bool ApplyIndex::finish_state(uint32_t number) {
  const uint32_t count = static_cast<uint32_t>(entries.size()) - number - 1;
  uint32_t wide = kNotWide;
  if (count > kWideState) {
    WideState state_wide{};
    state_wide.plain_first = static_cast<uint32_t>(plain.size());
    state_wide.special_first = static_cast<uint32_t>(specials.size());
    for (uint32_t a = number + 1; a < number + 1 + count; ++a) {
      if (entries[a].arc.special())
        specials.push_back(a);
      else
        plain.emplace_back(entries[a].arc.input(), a);
    }
    std::sort(plain.begin() + state_wide.plain_first, plain.end());
    state_wide.plain_end = static_cast<uint32_t>(plain.size());
    state_wide.special_end = static_cast<uint32_t>(specials.size());
    wide = static_cast<uint32_t>(wides.size());
    wides.push_back(state_wide);
  }
  // What the search needs to know of the state's choices: all but reads_one of the states
  // with epsilon moves, which waits for their destinations (see mark_epsilon_moves).
  bool epsilon_move = false, reads_on = false;
  uint32_t specials_seen = 0, last_special = 0;
  for (uint32_t a = number + 1; a < number + 1 + count; ++a) {
    epsilon_move = epsilon_move || entries[a].arc.special() == kEpsilonInput;
    reads_on = reads_on || entries[a].arc.special() != kEpsilonInput;
    if (entries[a].arc.special() != kOrdinary) {
      specials_seen++;
      last_special = a;
    }
  }
  IndexState &header = entries[number].state;
  header.count = count;
  header.wide = wide;
  header.reads_on = reads_on;
  if (specials_seen == 1 && entries[last_special].arc.special() == kEpsilonInput &&
      last_special - number <= UINT16_MAX)
    header.only_move = static_cast<uint16_t>(last_special - number);
  header.deterministic = specials_seen == 0 && (count < 2 || distinct_inputs(number));
  header.reads_one = header.deterministic;
  if (header.deterministic && wide != kNotWide) make_table(number);
  return epsilon_move;
}

// Completes the marks of the states with epsilon moves (`sources`). A state reads on iff it
// has an arc other than an epsilon move or an epsilon move to a state that reads on: found
// backwards along the epsilon moves, sorted by destination, from the destinations that read on
// by their own arcs. Then a state whose input symbols are distinct, and whose special arcs are
// all epsilon moves to states that do not read on, reads one arc at most while symbols
// remain; a wide one gets its table. Cost: O(M log M) for the M epsilon moves.
void ApplyIndex::mark_epsilon_moves(const std::vector<uint32_t> &sources) {
  std::vector<std::pair<uint32_t, uint32_t>> moves;  // (destination, source)
  for (uint32_t source : sources) {
    const uint32_t end = next_state(source);
    for (uint32_t a = source + 1; a < end; ++a)
      if (arc(a).special() == kEpsilonInput) moves.emplace_back(arc(a).destination, source);
  }
  std::sort(moves.begin(), moves.end());
  std::vector<uint32_t> found;
  for (const auto &[destination, source] : moves)
    if (state(destination).reads_on && (found.empty() || found.back() != destination))
      found.push_back(destination);
  while (!found.empty()) {
    const uint32_t reader = found.back();
    found.pop_back();
    auto move = std::lower_bound(moves.begin(), moves.end(), std::make_pair(reader, uint32_t{0}));
    for (; move != moves.end() && move->first == reader; ++move) {
      if (state(move->second).reads_on) continue;
      entries[move->second].state.reads_on = true;
      found.push_back(move->second);
    }
  }
  for (uint32_t source : sources) {
    bool one = distinct_inputs(source);
    const uint32_t end = next_state(source);
    for (uint32_t a = source + 1; a < end && one; ++a)
      one = arc(a).special() == kOrdinary ||
            (arc(a).special() == kEpsilonInput && !state(arc(a).destination).reads_on);
    IndexState &header = entries[source].state;
    header.reads_one = one;
    if (one && header.wide != kNotWide) make_table(source);
  }
}

// Marks the states whose only moves end (IndexState::move_ends), among the states with epsilon
// moves (`sources`, in ascending order): the others have no only move or no special arcs. Each
// chain of only moves is followed once, its states noted on a stack until a state already
// judged, a state without only move (the chain ends there iff it has no special arcs, that is
// it is not a source) or a state on the stack (a loop); the verdict then holds for every state
// on the stack. Cost: O(M log M) for the M sources.
void ApplyIndex::mark_ending_moves(const std::vector<uint32_t> &sources) {
  enum : uint8_t { kUnjudged, kOnStack, kEnds, kMayLoop };
  std::vector<uint8_t> verdicts(sources.size(), kUnjudged);
  auto source_of = [&](uint32_t state) -> size_t {
    const auto at = std::lower_bound(sources.begin(), sources.end(), state);
    return at != sources.end() && *at == state ? static_cast<size_t>(at - sources.begin())
                                               : sources.size();
  };
  std::vector<size_t> chain;
  for (size_t k = 0; k < sources.size(); ++k) {
    size_t next = k;
    uint8_t verdict = kEnds;
    while (next != sources.size()) {  // else a state without special arcs
      if (verdicts[next] != kUnjudged) {
        verdict = verdicts[next] == kOnStack ? uint8_t{kMayLoop} : verdicts[next];
        break;
      }
      const IndexState &at = state(sources[next]);
      if (at.only_move == 0) {  // special arcs, but no only move
        verdict = kMayLoop;
        break;
      }
      verdicts[next] = kOnStack;
      chain.push_back(next);
      next = source_of(arc(sources[next] + at.only_move).destination);
    }
    for (size_t member : chain) {
      verdicts[member] = verdict;
      entries[sources[member]].state.move_ends = verdict == kEnds;
    }
    chain.clear();
  }
}

// Whether no two ordinary arcs of the state have one input symbol.
bool ApplyIndex::distinct_inputs(uint32_t number) const {
  const IndexState &header = state(number);
  if (const uint32_t w = wide_of(header); w != kNotWide) {
    const WideState &wide = wides[w];
    for (uint32_t k = wide.plain_first + 1; k < wide.plain_end; ++k)
      if (plain[k].first == plain[k - 1].first) return false;
    return true;
  }
  const uint32_t end = next_state(number);
  for (uint32_t a = number + 2; a < end; ++a) {
    if (arc(a).special()) continue;
    for (uint32_t b = number + 1; b < a; ++b)
      if (arc(b).reads(arc(a).input_word)) return false;
  }
  return true;
}

// Gives the wide state at entry `number`, which reads one arc at most, a table of its arcs by
// input symbol: a byte table when it can have one (ApplyIndex::byte_tables: at most 28 bytes
// per arc, as a wide state has more than 8), else a table of arc entries when its symbols span
// at most four times their number (four entries per arc at most).
void ApplyIndex::make_table(uint32_t number) {
  IndexState &header = entries[number].state;
  if (header.byte_table) return;
  WideState &wide = wides[header.wide];
  const uint32_t count = wide.plain_end - wide.plain_first;
  if (count == 0 || wide.table_size != 0) return;
  const uint32_t low = plain[wide.plain_first].first;
  const uint32_t high = plain[wide.plain_end - 1].first;
  if (header.count <= UINT8_MAX && high < 256) {
    const uint32_t size = high < 128 ? 128 : 256;
    const uint32_t wide_number = header.wide;
    const auto offset = static_cast<uint32_t>(byte_tables.size() + 4);
    byte_tables.resize(offset + size, 0);
    std::memcpy(byte_tables.data() + offset - 4, &wide_number, 4);
    for (uint32_t k = wide.plain_first; k < wide.plain_end; ++k)
      byte_tables[offset + plain[k].first] = static_cast<uint8_t>(plain[k].second - number);
    header.byte_table = true;
    header.byte_table_256 = size == 256;
    header.wide = offset;
    return;
  }
  const uint64_t span = uint64_t{high} - low + 1;
  if (span > uint64_t{4} * count) return;
  wide.table_first = static_cast<uint32_t>(table.size());
  wide.table_low = low;
  wide.table_size = static_cast<uint32_t>(span);
  table.resize(table.size() + span, kNoArc);
  for (uint32_t k = wide.plain_first; k < wide.plain_end; ++k)
    table[wide.table_first + plain[k].first - low] = plain[k].second;
}

// A branch-free binary search: the range halves with a conditional move, so its length, not
// the data, decides the jumps.
uint32_t ApplyIndex::only_wide_arc(const WideState &wide, uint32_t symbol) const {
  const std::pair<uint32_t, uint32_t> *base = plain.data() + wide.plain_first;
  uint32_t length = wide.plain_end - wide.plain_first;
  if (length == 0) return kNoArc;
  while (length > 1) {
    const uint32_t half = length / 2;
    if (base[half].first <= symbol) base += half;
    length -= half;
  }
  return base->first == symbol ? base->second : kNoArc;
}

void ArcCursor::start_merged(const ApplyIndex &index, const WideState &wide) {
  special_next = wide.special_first;
  special_end = wide.special_end;
  next = end = wide.plain_first;
  if (symbol == ID_NO_SYMBOL) return;
  const auto first = index.plain.begin() + wide.plain_first;
  const auto last = index.plain.begin() + wide.plain_end;
  const auto from = std::lower_bound(first, last, std::make_pair(symbol, 0u));
  auto to = from;
  while (to != last && to->first == symbol) ++to;
  next = static_cast<uint32_t>(from - index.plain.begin());
  end = static_cast<uint32_t>(to - index.plain.begin());
}

uint32_t ArcCursor::advance_merged(const ApplyIndex &index) {
  const uint32_t plain_arc = next < end ? index.plain[next].second : ApplyIndex::kNoArc;
  const uint32_t special_arc =
      special_next < special_end ? index.specials[special_next] : ApplyIndex::kNoArc;
  if (plain_arc < special_arc) {
    ++next;
    return plain_arc;
  }
  if (special_arc != ApplyIndex::kNoArc) ++special_next;
  return special_arc;
}

void Spellings::forget(int encoding) {
  made_.clear();
  text_.clear();
  encoding_ = encoding;
}

Spellings::Spelling Spellings::make(uint32_t id) {
  if (id >= label_count()) return {"", 0};  // an id never given out prints nothing
  if (id >= made_.size()) made_.resize(id + 1, Made{0, 0});
  const size_t offset = text_.size();
  append_label(text_, id, 0);
  const auto length = static_cast<uint32_t>(text_.size() - offset);
  made_[id] = {static_cast<uint32_t>(offset) + 1, length};
  return {text_.data() + offset, length};
}

}  // namespace kora
