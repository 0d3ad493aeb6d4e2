// The growth of an applyer's index over a virtual or a compacted network: a state enters the
// index when a search first takes an arc to it, and no sooner. (A compacted network's states are
// decoded from its block as they enter, so that a lookup over a mapped file reads only the pages
// of the states it reaches, and the index holds only those states.)
//
// Copying a virtual network into the index when the applyer is made (apply-index.h) would
// expand all of it. Instead the index starts with the start state, and a state appended to it
// gets its arcs' entries (labels in list order, as the full copy has them) with their
// destinations waiting: the destination word of such an arc has kWaiting, and says which state
// it waits for (a compacted state's position and finality, or a place in a list of the states
// waited for). The search reads an arc's destination through arrive() when the word has
// kWaiting; arrive() finds the destination among the states indexed (a hash by state number,
// or by block position for a compacted network) or expands and appends it, and gives the arc
// its entry. So the search walks the index exactly as it walks the copy of the whole
// expansion, and finds the same results in the same order; once the states of a lookup are in,
// it costs what it costs on a copied network (one test of a bit per arc taken). The marks of
// appended states that depend on other states keep their cautious values, which costs the
// search a shortcut, never a result, until the destinations of all their special arcs are in:
// then the state is refined (ApplyIndex::refine_state).
//
// A compacted state is decoded straight from the block (its labels, and the positions and
// finality of its destinations), without the network's state records. The arcs of a state met
// for the first time may carry a flag, OTHER or no symbol on the input side, which the
// ordinary search does not handle: the search checks ApplyIndex::ordinary_or_epsilon() as it
// arrives at states and starts over with the general search when it no longer holds.
//
// Cost: O(1) expected per arc taken for the first time (a hash lookup), plus the expansion of
// each state the first time an arc to it is taken (its decoding, or state_arcs, and
// append_state); for a virtual network, 16 bytes per arc of the states expanded besides their
// entries. Expanding is done under net_preparation_lock, so applyers of one virtual network
// may run on several threads. Tested in tests/apply/apply_virtual_test.cpp and, for compacted
// networks, in tests/representations/compact_test.cpp and forms_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "apply-index.h"
#include "compact-arcs.h"
#include "flat-hash.h"
#include "kora.h"

namespace kora {

class IndexGrowth {
 public:
  // The destination word of an arc whose destination is not in the index yet has this bit.
  static constexpr uint32_t kWaiting = 0x80000000;
  static bool waits(uint32_t destination) { return (destination & kWaiting) != 0; }

  // Appends the start state of the virtual or compacted network `net` to `index`, which must
  // be empty, so that it is entry 0 as for any network.
  IndexGrowth(NET *net, ApplyIndex &index);

  // The entry of the destination of `arc`, an arc of the state at entry `from` whose
  // destination waits: expanded and appended when it is not in the index yet. The index's
  // vectors may move.
  uint32_t arrive(uint32_t arc, uint32_t from);

 private:
  // A state waited for: a virtual network's state, or a compacted one's block position (and
  // whether it is final, which its incoming arcs carry).
  struct Waiting {
    STATE *state;
    uint32_t position;
    bool final;
  };
  // A compacted network whose block is at most 2^30 bytes keeps a waiting destination in the
  // arc's word itself: kWaiting, kWaitingFinal when it is final, and its position. Others keep
  // it in waiting_, the word holding kWaiting and its place there.
  static constexpr uint32_t kWaitingFinal = 0x40000000;
  bool in_place_ = false;
  uint32_t waiting_word(const Waiting &waiting);  // what an arc to it holds
  uint32_t key_of(const Waiting &waiting) const;
  uint32_t entry_of(const Waiting &waiting);  // appending the state when it is not indexed yet
  bool read_arcs(const Waiting &waiting);      // into labels_ and destinations_; its finality

  NET *net_;
  const CompactNet *block_;  // null for a virtual network
  ApplyIndex &index_;
  // The entries of the states indexed, by state number or block position: a hash rather than a
  // vector, so that a few lookups in a large network hold memory for the states they reached
  // only.
  struct Indexed {
    uint32_t key;
    uint32_t entry;
  };
  FlatHash<Indexed> entries_{"APPLY_VIRTUAL_NET"};
  std::vector<Waiting> waiting_;
  // The arcs of the state being expanded.
  std::vector<uint32_t> labels_;
  std::vector<Waiting> destinations_;
};

}  // namespace kora
