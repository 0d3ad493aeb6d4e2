// The growth of an applyer's index over a virtual network (see apply-grow.h).

#include "apply-grow.h"

#include <mutex>

#include "label.h"
#include "pars-tbl.h"
#include "virtual-net.h"

namespace kora {

IndexGrowth::IndexGrowth(NET *net, ApplyIndex &index) : net_(net), index_(index) {
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  entry_of(net->start);
}

uint32_t IndexGrowth::entry_of(STATE *state) {
  const uint32_t number = virtual_state_number(state);
  if (number >= entries_.size()) {
    entries_.resize(number + 1, kNotIndexed);
    waiting_.resize(number + 1);
  }
  if (entries_[number] != kNotIndexed) return entries_[number];
  std::vector<uint32_t> labels;
  std::vector<STATE *> destinations;
  for (ARC *arc = state_arcs(net_, state); arc != nullptr; arc = arc->next) {
    labels.push_back(arc->label);
    destinations.push_back(arc->destination);
  }
  const uint32_t entry = index_.append_state(state->flags.final != 0, labels);
  entries_[number] = entry;
  for (uint32_t arc : waiting_[number]) index_.entries[arc].arc.destination = entry;
  std::vector<uint32_t>().swap(waiting_[number]);
  for (size_t k = 0; k < destinations.size(); ++k) {
    const uint32_t arc = entry + 1 + static_cast<uint32_t>(k);
    const uint32_t to = virtual_state_number(destinations[k]);
    if (to >= entries_.size()) {
      entries_.resize(to + 1, kNotIndexed);
      waiting_.resize(to + 1);
    }
    if (entries_[to] != kNotIndexed)
      index_.entries[arc].arc.destination = entries_[to];
    else
      waiting_[to].push_back(arc);
  }
  return entry;
}

void IndexGrowth::reach(const uint32_t *symbols, uint32_t count) {
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  // The walk goes by virtual states, whose arcs give the destinations of arcs still waiting.
  std::vector<std::pair<STATE *, uint32_t>> stack;
  seen_.clear();
  auto visit = [&](STATE *state, uint32_t position) {
    const Pair key{virtual_state_number(state), position};
    bool added = false;
    Pair *entry = seen_.insert(hash_word(hash_mix(key.state), key.position),
                               [&](const Pair &known) { return known == key; }, &added);
    if (!added) return;
    *entry = key;
    stack.emplace_back(state, position);
  };
  stack.clear();
  visit(net_->start, 0);
  while (!stack.empty()) {
    auto [state, position] = stack.back();
    stack.pop_back();
    const uint32_t entry = entry_of(state);
    uint32_t k = entry + 1;
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next, ++k) {
      const IndexArc &indexed = index_.arc(k);
      if (indexed.special() != kOrdinary) {
        visit(arc->destination, position);
        if (indexed.special() == kOtherSpecial && position < count)
          visit(arc->destination, position + 1);
      } else if (position < count && indexed.reads(symbols[position])) {
        visit(arc->destination, position + 1);
      }
    }
  }
}

}  // namespace kora
