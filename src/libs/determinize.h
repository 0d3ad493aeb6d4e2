// Determinization: an equivalent network in which no state has two arcs with one label and
// no arc is an EPSILON arc. Labels are atomic: a tuple is one label, OTHER is one label, nothing
// is expanded against the sigma, and the sigma and label set are left as they are. See
// determinize.cpp for the method and its cost.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Determinizes `net` and returns the network worked on. copy_mode 0 works in place; 1 works on
// a copy (owned by the caller) and leaves the argument untouched; 2 works in place up to the
// un-optimization step and then on a copy. A network already both deterministic and
// epsilon_free is returned as it is, uncopied even for mode 2.
// An optimized network (or one with ALTCHAIN arcs) gets the warning "determinize_fsm: Can't
// determinize an optimized network. Un-optimizing and determinizing." and is un-optimized in
// place (for mode 2 before the copy, so the argument stays un-optimized). Another representation than the plain one is reported (check_plain_net) and the
// network returned unchanged. Null gives null, as does a copy that cannot be made.
// Otherwise the network comes back deterministic and epsilon_free with sorted_arcs clear; when
// the subset construction ran (two arcs or more once the EPSILON arcs are gone) also with
// sorted_states clear and the unreachable states deleted. Visit marks are then 0 and client
// cells empty; the start state keeps its identity and arcs keep their user pointers.
NET *determinize_fsm(NET *net, int copy_mode);

// The subset construction on an epsilon-free network whose arc labels are the dense indexes
// 0 .. label_count - 1 of renumber_arc_labels (label-index.h); labels stay indexes. Returns 0
// when the network is now deterministic, or 1, with deterministic cleared and nothing else
// changed, for an optimized network.
int subset_construction(NET *net, uint32_t label_count);

}  // namespace kora
