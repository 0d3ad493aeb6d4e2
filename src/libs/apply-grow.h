// The growth of an applyer's index over a virtual network: states enter the index when a
// lookup can reach them, and no sooner.
//
// Copying a virtual network into the index when the applyer is made (apply-index.h) would
// expand all of it. Instead, before each search the index is grown by every state that the
// search could enter on that record: a walk over (state, input position) pairs from the start
// at position 0 that takes every arc the search might (an ordinary arc reading the symbol at
// the position, every epsilon move, and, at the position and one further, every arc with a
// flag, OTHER or no symbol on the input side, which the search judges later). Each state it
// reaches is expanded (state_arcs) and appended to the index; an arc to a state not in the
// index yet waits, and gets its destination when that state is appended. Since the search
// takes no arc the walk did not, it only ever meets states of the index, and it finds the
// results, in the order, of a search over the whole expansion: the index entries of a state are
// its arcs in list order, as the full copy has them. The marks of appended states that depend
// on other states keep their cautious values, which costs the search a shortcut, never a
// result.
//
// Cost per record: O(P) expected for the P (state, position) pairs the walk visits, plus the
// expansion of the states met for the first time; the index holds the states met so far.
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
  static constexpr uint32_t kNotIndexed = UINT32_MAX;
  uint32_t entry_of(STATE *state);  // appending the state when it is not in the index yet

  NET *net_;
  ApplyIndex &index_;
  std::vector<uint32_t> entries_;               // by virtual state number
  std::vector<std::vector<uint32_t>> waiting_;  // by virtual state number: arcs to it
  struct Pair {
    uint32_t state;  // virtual state number
    uint32_t position;
    bool operator==(const Pair &other) const = default;
  };
  FlatHash<Pair> seen_{"APPLY_VIRTUAL_NET"};  // scratch of reach: the pairs visited
};

}  // namespace kora
