// Minimization: the smallest deterministic network with the same relation and the same labels.
//
// Labels are atomic (a tuple is one label, OTHER is one label) and two arcs with one label but
// different user pointers count as different labels. See minimize.cpp for the method and its
// cost. The exported minimize_net is declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// Minimizes `net` in place, or a copy of it (owned by the caller) when copy_flag is 1, and
// returns the network worked on: pruned, epsilon-free, deterministic and minimal, marked so,
// with sorted_arcs cleared, visit marks 0 and client cells empty. The start state may have been
// replaced by an equivalent state: read it from the network afterwards. A network already marked
// minimized is only pruned (when not marked pruned) and has its sigma cleaned.
// An arc-optimized network marked minimized is returned as it is; one not so marked (or
// carrying ALTCHAIN arcs unmarked) is un-optimized first with the warning "min_fsm: Can't
// minimize an optimized network. Unoptimizing and minimizing...".
// Refusals, reported and giving the network worked on unchanged: "%s cannot be minimized." for
// a network without start state or in a representation other than plain arc lists (vectorized,
// compacted, shared arcs), and the report of check_plain_net for a reduced labelset or a
// virtual network.
// A null argument reports "min_fsm: argument is NULL." and gives a new null_net (the caller's).
NET *min_fsm(NET *net, int copy_flag);

// Cleans the sigma of a minimized network: when the sigma holds OTHER but no label of the
// network has OTHER on a side, or when the network has no labels at all, the sigma is rebuilt
// from the labels, which drops OTHER and every symbol that no arc carries. The network keeps
// ownership of its alphabets. Null is ignored.
void clean_sigma_after_minimization(NET *net);

}  // namespace kora
