// Reversal, inversion and the side projections: operators that rewrite a network's arcs one by
// one without comparing paths.
//
// reverse_fsm turns every arc around in place and makes the old start state the only final
// state; the final states' reversed arcs are gathered on one new start state, so no EPSILON
// arcs are made. Time O(V + E log E). invert_fsm swaps the sides of every tuple label, O(E +
// L log L) for L labels. The projections replace every label by one of its sides, O(E) plus the
// epsilon removal or minimization that follows. Tested in tests/operations/operators_test.cpp.
#pragma once

#include "kora.h"

namespace kora {

// The reversal of the language or relation, in place (on a copy with `copy`). A network whose
// start state has no arcs is returned as it is. A compacted or non-plain network is refused
// with the message for "reverse" and returned unchanged.
NET *reverse_fsm(NET *net, int copy);

// The inverse relation (upper and lower sides exchanged), in place (on a copy with `copy`).
// A tuple of more than two sides is reported ("invert_tuple: Arity higher than 2 is not
// supported") and left as it is. Never minimizes. A compacted or non-plain network is refused
// with the message for "invert" and returned unchanged.
NET *invert_fsm(NET *net, int copy);

// The upper-side (lower-side) language of the relation, in place (on a copy with `copy`): every
// label becomes its upper (lower) side, and an arc that then repeats another of its state goes;
// then the network is minimized with `minimize`, or else has its EPSILON arcs removed; last its
// sigma is compacted. A network of arity 1 is returned
// as it is (a copy with `copy`). A compacted network, a transducer with a reduced labelset
// ("'%s' cannot be applied to a net with a reduced labelset.\n") and any other non-plain
// network are refused with the name "upper-side net" ("lower-side net") and returned unchanged.
NET *upper_fsm(NET *net, int copy, int minimize);
NET *lower_fsm(NET *net, int copy, int minimize);

}  // namespace kora
