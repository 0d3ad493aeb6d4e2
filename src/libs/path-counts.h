// Path counts: for every state, the number of paths from it to a final state (a final state
// counts the empty path), the index that indexed lookup and the network summary read.
//
// index_net walks the network depth first with an explicit stack of arcs and adds up the counts
// of a state's destinations when it leaves the state, so each arc is looked at once: time
// O(V + E), space O(V) for the stack. Counts are kept in the states' client cells, as unsigned
// numbers as wide as a pointer (64 bits natively, 32 in the WebAssembly build); a sum that does
// not fit saturates at UINTPTR_MAX. The same walk finds cycles,
// which make the counts infinite. In a network with a reduced label set an arc stands for every
// label of its label's class, so it counts once for each (labelset.h). Tested in tests/networks/path_counts_test.cpp against a brute-force
// count.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Results of index_net.
enum IndexResult {
  PATHS_INDEXED = 0,    // loop-free; every client cell holds its state's count
  PATHS_OVERFLOW = 1,   // loop-free, but a count did not fit in a client cell
  PATHS_CIRCULAR = 2,   // the network has a cycle
  PATHS_VIRTUAL = 3,    // a virtual network: nothing done
  PATHS_VECTORIZED = 4  // arcs not in plain lists (arc vectors, compacted) or no network
};

// The path count index_net left in the state's client cell.
inline uint64_t path_count(const STATE *state) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(state->client_cell));
}

// Counts, for every state, the paths from it to final states (all states, reachable or not).
// PATHS_INDEXED: the counts are in the client cells and the network is marked loop_free and
// paths_indexed. PATHS_OVERFLOW: the network is marked loop_free, not paths_indexed, and the
// client cells are 0. PATHS_CIRCULAR: client cells are 0, paths_indexed is cleared, and a
// network wrongly marked loop_free gets the warning "index_net: Net incorrectly marked as
// loop-free." and loses the mark. PATHS_VIRTUAL and PATHS_VECTORIZED change nothing; a null
// network is reported as "Unexpected NULL pointer in index_net.". Visit marks are left at 0
// and visit_marks_dirty clear in every case. A visit mark outside 0..2 met during the walk is
// the fatal programming error "Not a legal visit_mark %d\n".
int index_net(NET *net);

}  // namespace kora
