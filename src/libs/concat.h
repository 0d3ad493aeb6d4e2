// Concatenation: of several networks (concat_fsm), of a network with one label (extend_fsm),
// and of a network with copies of itself (repeat_fsm).
//
// concat_fsm joins the networks in place: every final state of the result so far takes over
// the role of the next network's start state (its finality and copies of its arcs), and the
// next network's states are moved into the result. No EPSILON arcs are made. Time
// O(V + E + F * k) over all operands, where F is the number of final states that receive the k
// arcs of a start state; the operands' sigmas are first unioned and each OTHER expanded against
// the union. Tested in tests/operations/operators_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// The concatenation of the networks of `nets`, in order. Without `copy` the networks are
// consumed (a network listed twice is copied for its later occurrences) and the result is the
// first one's record; with `copy` they stay the caller's and the result is new. The vector
// record stays the caller's. With `minimize` the result goes through min_fsm.
// A null or empty vector gives a new epsilon network; one network gives itself (a copy with
// `copy`). When a network accepts nothing, the result is that empty network. Refusals (networks
// of different label maps, compacted or non-plain networks) free the networks unless `copy` and
// give a new null network.
NET *concat_fsm(NV *nets, int copy, int minimize);

// Appends one position labelled `label` to every path, in place: a new final state, reached
// from every final state by an arc with `label`; the old final states stay final only with
// `keep_final`. OTHER (or a tuple with OTHER on a side) at the new position stands for any
// symbol: arcs for the known symbols of the sigma are added beside it. Nothing happens for
// EPSILON or for a network that accepts nothing. The label joins the label set, its symbols the
// sigma.
void extend_fsm(NET *net, uint32_t label, bool keep_final);

// From `min` to `max` repetitions of `net` (on copies of it with `copy`, else consuming it);
// `max` -1 (or any negative value) means no maximum. A `max` below `min` is warned about
// ("repeat_fsm: MAX less than MIN") and `min` becomes `max`. (0, 0) gives a new epsilon
// network and leaves `net` to the caller; (0, no maximum) is zero_plus_fsm; otherwise the
// result is the concatenation of min plain copies and of max - min optional ones (or of one
// closed under plus when there is no maximum), with the empty string added when `min` is 0.
// With `minimize` the result goes through min_fsm. A compacted or non-plain network is refused
// with the message for "repeat" and returned unchanged.
NET *repeat_fsm(NET *net, int min, int max, int copy, int minimize);

}  // namespace kora
