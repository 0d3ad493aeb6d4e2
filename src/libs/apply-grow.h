// The growth of an applyer's index over a virtual or a compacted network: states enter the
// index when a lookup can reach them, and no sooner. (A compacted network's states are decoded
// from its block as they enter, so that a lookup over a mapped file reads only the pages of the
// states it reaches, and the index holds only those states.)
//
// Copying a virtual network into the index when the applyer is made (apply-index.h) would
// expand all of it. Instead, before each search the index is grown by every state that the
// search could enter on that record: a walk over (entry, input position) pairs of the index
// from the start at position 0 that takes every arc the search might (an ordinary arc reading
// the symbol at the position, every epsilon move, and, at the position and one further, every
// arc with a flag, OTHER or no symbol on the input side, which the search judges later). An arc
// whose destination is not in the index yet is marked waiting; when the walk takes it, the
// destination is expanded (state_arcs) and appended to the index, and the arc gets its entry.
// Since the search takes no arc the walk did not, it only ever meets states of the index, and
// it finds the results, in the order, of a search over the whole expansion: the index entries
// of a state are its arcs in list order, as the full copy has them. The marks of appended states
// that depend on other states keep their cautious values, which costs the search a shortcut,
// never a result. Once the states of a lookup are in the index, the walk costs about what the
// search does: it reads the same entries, and takes the one arc of states that read one arc at
// most in place; only the other states are noted in a hash set of the pairs walked.
//
// Cost per record: O(P) expected for the P (entry, position) pairs the walk visits, plus the expansion
// of the states met for the first time; the index holds the states met so far.
// Expanding is done under net_preparation_lock, so applyers of one virtual network may run on
// several threads. Tested in tests/apply/apply_virtual_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "apply-index.h"
#include "flat-hash.h"
#include "kora.h"

namespace kora {

class IndexGrowth {
 public:
  // Appends the start state of the virtual network `net` to `index`, which must be empty, so
  // that it is entry 0 as for any network.
  IndexGrowth(NET *net, ApplyIndex &index);

  // Grows the index by the states a search over the `count` input symbols can enter.
  void reach(const uint32_t *symbols, uint32_t count);

 private:
  // An arc whose destination is not in the index yet has kWaiting | k for its destination, k
  // its place in waiting_.
  static constexpr uint32_t kWaiting = 0x80000000;
  uint32_t entry_of(STATE *state);       // appending the state when it is not in the index yet
  uint32_t destination_of(uint32_t arc);  // appending the arc's destination when it waits

  NET *net_;
  ApplyIndex &index_;
  // The entries of the states indexed, by state number: a hash rather than a vector by number,
  // so that a few lookups in a large network hold memory for the states they reached only.
  struct Indexed {
    uint32_t number;
    uint32_t entry;
  };
  FlatHash<Indexed> entries_{"APPLY_VIRTUAL_NET"};
  uint32_t *indexed_entry(uint32_t number);  // null when the state is not indexed yet
  std::vector<STATE *> waiting_;   // the destinations of waiting arcs
  // The walk of reach: its stack of (entry, position), the arcs it takes from one state, and
  // the pairs it has walked.
  std::vector<std::pair<uint32_t, uint32_t>> stack_;
  std::vector<std::pair<uint32_t, uint32_t>> taken_;  // (arc, position)
  struct Pair {
    uint32_t entry;
    uint32_t position;
    bool operator==(const Pair &other) const = default;
  };
  FlatHash<Pair> seen_{"APPLY_VIRTUAL_NET"};
};

}  // namespace kora
