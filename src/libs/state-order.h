// Ordering the states of a network: the standard order of the state list (sort_states), and the
// numbering of states in that order that listings name them by.
//
// The standard order lists the start state first, then the states in the order a breadth-first
// walk from the start state meets them (arcs taken in list order), then the states the walk
// never reaches, in the order they had. Listings, writers and comparisons of networks rely on it
// to name states the same way every time.
//
// Numbers are left in the states' client cells (read them with state_number); visit marks are
// used as scratch and left at 0, with visit_marks_dirty clear. Both operations are iterative
// and take O(V + E) time and O(V) extra space. Networks whose states or arcs are not plain
// lists (compacted, or with arc vectors) are left alone. Tested in
// tests/networks/state_order_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// The number a numbering left in the state's client cell.
inline intptr_t state_number(const STATE *state) {
  return reinterpret_cast<intptr_t>(state->client_cell);
}

// Relinks the state list in the standard order and sets sorted_states. Client cells are not
// used. Does nothing for a null, compacted or vectorized network or one without a start state.
void sort_states(NET *net);

// Numbers the states as listings name them: puts the state list in the standard order (a
// network with arc vectors keeps its list order), then numbers the states 0, 1, ... in list
// order in their client cells. Returns the number of states on the list. The caller clears the
// cells (clear_client_cells) when done.
intptr_t number_states_for_listing(NET *net);

}  // namespace kora
