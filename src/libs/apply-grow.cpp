// The growth of an applyer's index over a virtual network (see apply-grow.h).

#include "apply-grow.h"

#include <algorithm>
#include <mutex>

#include "compact-arcs.h"
#include "label.h"
#include "pars-tbl.h"
#include "struct.h"
#include "virtual-net.h"

namespace kora {

IndexGrowth::IndexGrowth(NET *net, ApplyIndex &index) : net_(net), index_(index) {
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  entry_of(net->start);
}

namespace {

// The number of a state of a virtual or compacted network: dense from 0 in the order the
// states were made.
uint32_t grown_state_number(const NET *net, const STATE *state) {
  return net->flags.compacted ? compact_record(state)->number : virtual_state_number(state);
}

// The labels and destinations of a state's arcs, in order: a virtual state expanded, a
// compacted one decoded.
void grown_state_arcs(NET *net, STATE *state, std::vector<uint32_t> &labels,
                      std::vector<STATE *> &destinations) {
  if (!net->flags.compacted) {
    for (ARC *arc = state_arcs(net, state); arc != nullptr; arc = arc->next) {
      labels.push_back(arc->label);
      destinations.push_back(arc->destination);
    }
    return;
  }
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  ARC *cursor;
  bool done;
  start_state_arcs(&iterator, state, &cursor, &done);
  while (const ARC *arc = next_arc(&iterator, &cursor, &done)) {
    labels.push_back(arc->label);
    destinations.push_back(arc->destination);
  }
  free_arc_iterator(&iterator);
}

}  // namespace

uint32_t *IndexGrowth::indexed_entry(uint32_t number) {
  Indexed *indexed =
      entries_.find(hash_mix(number), [number](const Indexed &e) { return e.number == number; });
  return indexed != nullptr ? &indexed->entry : nullptr;
}

uint32_t IndexGrowth::entry_of(STATE *state) {
  const uint32_t number = grown_state_number(net_, state);
  if (const uint32_t *known = indexed_entry(number)) return *known;
  std::vector<uint32_t> labels;
  std::vector<STATE *> destinations;
  grown_state_arcs(net_, state, labels, destinations);
  const uint32_t entry = index_.append_state(state->flags.final != 0, labels);
  bool added;
  *entries_.insert(hash_mix(number), [](const Indexed &) { return false; }, &added) = {number, entry};
  for (size_t k = 0; k < destinations.size(); ++k) {
    const uint32_t to = grown_state_number(net_, destinations[k]);
    uint32_t &destination = index_.entries[entry + 1 + k].arc.destination;
    if (const uint32_t *known = indexed_entry(to)) {
      destination = *known;
    } else {
      destination = kWaiting | static_cast<uint32_t>(waiting_.size());
      waiting_.push_back(destinations[k]);
    }
  }
  return entry;
}

uint32_t IndexGrowth::destination_of(uint32_t arc) {
  const uint32_t destination = index_.arc(arc).destination;
  if (!(destination & kWaiting)) return destination;
  // Appending the destination may move the entries: the arc is found again afterwards.
  const uint32_t entry = entry_of(waiting_[destination & ~kWaiting]);
  index_.entries[arc].arc.destination = entry;
  return entry;
}

void IndexGrowth::reach(const uint32_t *symbols, uint32_t count) {
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  // A pair (entry, position) is walked once.
  seen_.clear();
  auto visit = [&](uint32_t entry, uint32_t position) {
    const Pair key{entry, position};
    bool added = false;
    Pair *slot = seen_.insert(hash_word(hash_mix(entry), position),
                              [&](const Pair &known) { return known == key; }, &added);
    if (!added) return;
    *slot = key;
    stack_.emplace_back(entry, position);
  };
  stack_.clear();
  visit(0, 0);
  while (!stack_.empty()) {
    uint32_t entry = stack_.back().first, position = stack_.back().second;
    stack_.pop_back();
    // Through states that read one arc at most while symbols remain (their epsilon moves, if
    // any, lead to states of the index without arcs), the walk takes that arc in place, as the
    // search does: position grows at each step, so no loop can close.
    while (position < count) {
      const IndexState &at = index_.state(entry);
      if (!at.reads_one || symbols[position] == OTHER) break;
      const uint32_t arc = index_.only_arc(entry, at, symbols[position]);
      if (arc == ApplyIndex::kNoArc || (index_.arc(arc).destination & kWaiting)) break;
      entry = index_.arc(arc).destination;
      position++;
    }
    // The arcs to take are noted first: appending a destination may move the index's vectors.
    taken_.clear();
    const IndexState &state = index_.state(entry);
    const uint32_t x = position < count ? symbols[position] : ID_NO_SYMBOL;
    auto note = [&](uint32_t arc) {
      const IndexArc &indexed = index_.arc(arc);
      if (indexed.special() != kOrdinary) {
        taken_.emplace_back(arc, position);
        if (indexed.special() == kOtherSpecial && x != ID_NO_SYMBOL)
          taken_.emplace_back(arc, position + 1);
      } else if (x != ID_NO_SYMBOL && indexed.reads(x)) {
        taken_.emplace_back(arc, position + 1);
      }
    };
    if (const uint32_t w = index_.wide_of(state); w == ApplyIndex::kNotWide) {
      for (uint32_t arc = entry + 1; arc <= entry + state.count; ++arc) note(arc);
    } else {
      // A wide state's special arcs, and its ordinary arcs reading x by binary search.
      const WideState &wide = index_.wides[w];
      for (uint32_t k = wide.special_first; k < wide.special_end; ++k) note(index_.specials[k]);
      const auto first = index_.plain.begin() + wide.plain_first;
      const auto last = index_.plain.begin() + wide.plain_end;
      for (auto at = std::lower_bound(first, last, std::make_pair(x, 0u)); at != last && at->first == x;
           ++at)
        note(at->second);
    }
    bool resolved = false;
    for (const auto &[arc, to] : taken_) {
      resolved = resolved || (index_.arc(arc).destination & kWaiting) != 0;
      visit(destination_of(arc), to);
    }
    if (resolved) index_.refine_state(entry);
  }
}

}  // namespace kora
