// Numbering and ordering the states of a network: breadth-first numbering (top_sort_net), the
// standard order of the state list built on it (sort_states), depth-first numbering
// (renumber_states), and the state list sorted by the caller's comparison (reorder_states).
//
// The standard order lists the start state first, then the states in the order a breadth-first
// walk from the start state meets them (arcs taken in list order), then the states the walk
// never reaches, in the order they had. Listings, writers and comparisons of networks rely on it
// to name states the same way every time.
//
// Numbers are left in the states' client cells (read them with state_number); visit marks are
// used as scratch and left at 0, with visit_marks_dirty clear. Every operation here is
// iterative and takes O(V + E) time; the breadth-first ones need O(V) extra space, the
// depth-first one O(V + E) in the worst case for its stack. Networks whose states or arcs are
// not plain lists (compacted, or with arc vectors) are left alone. Tested in
// tests/model/state_order_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// The number a numbering left in the state's client cell.
inline intptr_t state_number(const STATE *state) {
  return reinterpret_cast<intptr_t>(state->client_cell);
}

// Numbers the states breadth-first from the start state: the start state 0, then each state
// reached for the first time the next number, layer by layer, arcs in list order. States whose
// arcs belong to a transition table are numbered but not expanded. The states not reached are
// numbered after the others, in state-list order, so that every client cell holds a distinct
// number from 0 to num_states - 1. Returns the number of states reached (0 for a null,
// compacted or vectorized network, or one without a start state: then nothing is numbered).
//
// The count is checked against num_states (not for a virtual network): a pruned network must
// have reached them all, any network must not have reached more; otherwise the warning
// "top_sort_net: Incorrect state count. Difference is %d." gives reached minus num_states.
int top_sort_net(NET *net);

// Relinks the state list in the standard order (the order of top_sort_net's numbers) and sets
// sorted_states. Client cells are not used. Does nothing for a null, compacted or vectorized
// network or one without a start state.
void sort_states(NET *net);

// Numbers the states as listings name them: puts the state list in the standard order (a
// network with arc vectors keeps its list order), then numbers the states 0, 1, ... in list
// order in their client cells. Returns the number of states on the list. The caller clears the
// cells (clear_client_cells) when done.
intptr_t number_states_for_listing(NET *net);

// Relinks the state list in the order of `compare` (negative: the first state comes first),
// keeping the list order of states that compare equal; O(V log V). The states found on the list
// are counted against num_states: more give the warning "reorder_states: State count too low.
// Difference is %d.", fewer "reorder_states: State count too high. Difference is %d." (the
// difference as a positive number); num_states then becomes the count found. A null network
// or one without states is left alone.
void reorder_states(NET *net, int (*compare)(const STATE *a, const STATE *b));

// Numbers the states depth-first from the start state: the start state 0, then each state
// reached for the first time the next number, following a state's first arc before its next
// arcs. States not reached are numbered after the others in state-list order. Returns the
// number of states reached (0, numbering nothing, for the networks top_sort_net refuses).
int renumber_states(NET *net);

}  // namespace kora
