// Boundedness: whether one side of a network has a cycle that reads nothing on that side.
//
// A transducer whose upper side is bounded matches each upper string with finitely many paths;
// a cycle whose arcs all have EPSILON on the upper side (0:a) would let one upper string match
// infinitely many lower strings. The test is a depth-first search for such a cycle, run from
// every state in turn; visit marks say 2 = not seen, 1 = on the current path (meeting it again
// closes a cycle), 0 = known to lead to no cycle, so each state and arc is looked at once:
// O(V + E) time, O(V) stack. A positive answer is cached in the network's flags2
// (upper_bounded_known, lower_bounded_known). The walk is iterative, with an explicit stack.
// Tested in tests/operations/bounded_test.cpp.
//
// An arc reads nothing on a side when its label is a tuple with EPSILON on that side, or one of
// the plain symbols ALTCHAIN and _DET_EPSILON_ (markers of the optimized and sequentialized
// representations). Plain EPSILON arcs are not followed: a cycle of EPSILON arcs is not seen,
// so a network with EPSILON arcs should go through remove_epsilons before it is asked.
//
// test_upper_bounded and test_lower_bounded are exported (kora.h).
#pragma once

#include "kora.h"
#include "stack.h"
#include "struct.h"

namespace kora {

// 1 when `side` (0 upper, 1 lower) of the network has no cycle reading nothing on that side.
// A compacted network gets the warning "linearbounded_p: Can't check loops on a compacted
// network." and answers 1; a loop_free network, or one whose side is cached as bounded, answers
// 1 at once. Otherwise the answer is computed and a 1 is cached, a 0 clears the cache. Visit
// marks are left at 0; client cells are not touched. `net` must not be null.
int linearbounded_p(NET *net, int side);

// 1 when a cycle reading nothing on `side` is reachable from `state` through such arcs, using
// and updating the visit marks described above: a state marked 0 answers 0, one marked 1
// answers 1, one marked 2 is searched and ends marked 0 when no cycle was found (after a 1 the
// states on the path to the cycle keep mark 1). Arcs are read through `iterator`, started on
// the state's network. `stack` is working storage (empty before and after); with null a stack
// is made for the call. A mark outside 0..2 is reported as "epsilon_loop_state_p: Shouldn't
// happen: visit mark somehow set to %d" (the state then counts as leading to no cycle), a label
// of an arity other than 1 or 2 as "epsilon_loop_state_p: Arity should be 1 or 2, got %d" (the
// arc is not followed).
int epsilon_loop_state_p(STATE *state, int side, ARC_ITERATOR *iterator, STACK *stack);

}  // namespace kora
