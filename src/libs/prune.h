// Reachability and pruning: marking the states reachable from a state, reversing every arc in
// place, removing the states that are not both reachable and co-reachable, and two questions
// about a network's shape (does an arc enter the start state, does the network accept only the
// empty string).
//
// Co-reachability (some final state can be reached from a state) is found without predecessor
// lists: every arc is reversed in place, the states reachable from the final states are marked,
// and the arcs are reversed back. While arcs are reversed, each arc records which way it points
// in its direction field, the two `unused` bits of the arc flag word; nothing else uses those
// bits. Every walk is iterative with an explicit stack of arcs. Each operation takes O(V + E)
// time and O(E) stack space at worst. Tested in tests/operations/prune_test.cpp.
#pragma once

#include "kora.h"
#include "stack.h"

namespace kora {

// Gives the visit mark `mark` to `start` and to every state reachable from it, following arcs
// depth first and stopping at states that already carry `mark`. `stack` is working storage
// (empty before, empty after); with null a stack "States to reach" is made for the call. Marks
// are the caller's: visit_marks_dirty is not touched. An arc without destination is a fatal
// assertion. A null start does nothing.
void mark_reachable(STATE *start, unsigned mark, STACK *stack);

// Turns every arc of the network around: an arc from p to q becomes an arc from q to p, moved to
// the front of q's arc list; loops stay where they are. `direction` (0 or 1) is the value the
// arcs' direction fields hold afterwards; reversing with 1 and then with 0 restores every
// state's set of outgoing arcs (their order may differ). State and arc counts do not change.
// The network must be in the plain representation (check_plain_net).
void reverse_arcs_in_place(NET *net, int direction);

enum ConnectMode {
  CONNECT_REACHABLE,    // keep the states reachable from the start state
  CONNECT_CO_REACHABLE  // keep the states from which a final state is reachable
};

// Deletes, with their arcs, the states that the mode does not keep. CONNECT_CO_REACHABLE
// expects the arcs reversed (reverse_arcs_in_place) and follows them from the final states;
// when the start state is not co-reachable it is kept, loses its arcs, and the network becomes
// loop_free with an empty label set; the network is then marked pruned and not completed.
// Uses the visit marks (left at 0, visit_marks_dirty cleared) and a stack "States to connect".
// The network must have a start state and be in the plain representation.
void connect_fsm(NET *net, ConnectMode mode);

// Removes every state that is not both reachable from the start state and co-reachable, with
// its arcs; the language does not change. With `copy` 1 a copy is pruned and returned (the
// argument is untouched), otherwise the network itself. A network marked pruned is returned as
// it is. Afterwards the label set is empty when the start state has no arcs, and rebuilt
// (label_check) when arcs were removed; sorted_arcs is cleared. A network in another
// representation is reported (check_plain_net) and one without a start state is left alone:
// either comes back unpruned (the copy, with `copy` 1). Null gives null.
NET *prune_fsm(NET *net, int copy);

// 1 when an arc enters the start state, else 0. A network marked loop_free that has such an arc
// gets the warning "start_loops_p: Net incorrectly marked as loopfree." and loses the mark.
// Null, a network without start state, and (reported) compacted or virtual networks give 0.
int start_loops_p(NET *net);

// 1 when the network accepts the empty string and nothing else, else 0. The network is pruned
// in place first (prune_fsm); then it qualifies when every state reachable from the start state
// is final or has arcs, and all their arcs are EPSILON arcs. Visit marks are left at 0. A network not in the plain representation is
// reported (check_plain_net) and gives 0, as do null and a network without a start state.
int epsilon_only_p(NET *net);

// 1 when the network accepts nothing, else 0. Prunes the network in place unless it is
// already `pruned`. The network must be plain.
int null_fsm_p(NET *net);

}  // namespace kora
