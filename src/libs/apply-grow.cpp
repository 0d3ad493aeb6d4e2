// The growth of an applyer's index over a virtual or compacted network (see apply-grow.h).

#include "apply-grow.h"

#include <algorithm>
#include <mutex>

#include "pars-tbl.h"
#include "struct.h"
#include "virtual-net.h"

namespace kora {

IndexGrowth::IndexGrowth(NET *net, ApplyIndex &index)
    : net_(net), block_(compact_of(net)), index_(index) {
  // A compacted network's counts size the vectors at once, so that they never move: the pages
  // that no state reaches are reserved but never touched, so they take no memory.
  if (block_ != nullptr) {
    constexpr size_t kMostReserved = size_t{1} << 24;
    index.entries.reserve(std::min<size_t>(size_t{net->num_states} + net->num_arcs, kMostReserved));
    in_place_ = block_->size <= kWaitingFinal;
    if (!in_place_) waiting_.reserve(std::min<size_t>(net->num_arcs, kMostReserved));
  }
  entry_of({net->start, block_ != nullptr ? block_->start : 0, net->start->flags.final != 0});
}

uint32_t IndexGrowth::key_of(const Waiting &waiting) const {
  return block_ != nullptr ? waiting.position : virtual_state_number(waiting.state);
}

bool IndexGrowth::read_arcs(const Waiting &waiting) {
  labels_.clear();
  destinations_.clear();
  if (block_ == nullptr) {
    for (ARC *arc = state_arcs(net_, waiting.state); arc != nullptr; arc = arc->next) {
      labels_.push_back(arc->label);
      destinations_.push_back({arc->destination, 0, false});
    }
    return waiting.state->flags.final != 0;
  }
  const uint8_t *at = block_->bytes + waiting.position;
  CompactArc arc;
  while (decode_compact_arc(net_, at, &arc)) {
    labels_.push_back(arc.label);
    destinations_.push_back({nullptr, arc.destination, arc.final});
    if (arc.last) break;
  }
  return waiting.final;
}

uint32_t IndexGrowth::waiting_word(const Waiting &waiting) {
  if (in_place_) return kWaiting | (waiting.final ? kWaitingFinal : 0) | waiting.position;
  waiting_.push_back(waiting);
  return kWaiting | static_cast<uint32_t>(waiting_.size() - 1);
}

uint32_t IndexGrowth::entry_of(const Waiting &waiting) {
  const uint32_t key = key_of(waiting);
  bool added = false;
  Indexed *indexed = entries_.insert(
      hash_mix(key), [key](const Indexed &known) { return known.key == key; }, &added);
  if (!added) return indexed->entry;
  std::lock_guard<std::recursive_mutex> lock(net_preparation_lock());
  const bool final = read_arcs(waiting);
  const uint32_t entry = index_.append_state(final, labels_);
  // The hash may not have moved: nothing was inserted since.
  *indexed = {key, entry};
  for (size_t k = 0; k < destinations_.size(); ++k)
    index_.entries[entry + 1 + k].arc.destination = waiting_word(destinations_[k]);
  return entry;
}

uint32_t IndexGrowth::arrive(uint32_t arc, uint32_t from) {
  const uint32_t destination = index_.arc(arc).destination;
  if (!waits(destination)) return destination;
  // A copy: appending the state may add to waiting_.
  const Waiting waiting = in_place_ ? Waiting{nullptr, destination & (kWaitingFinal - 1),
                                              (destination & kWaitingFinal) != 0}
                                    : waiting_[destination & ~kWaiting];
  const uint32_t entry = entry_of(waiting);
  index_.entries[arc].arc.destination = entry;
  // The marks of `from` that wait for the destinations of its special arcs.
  if (index_.arc(arc).special() != kOrdinary) index_.refine_state(from);
  return entry;
}

}  // namespace kora
