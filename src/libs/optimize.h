// Arc optimization: a minimal network made smaller by letting states share the tails of their
// arc lists, and its inverse. See optimize.cpp for the method and its cost; the exported
// optimize_arcs and unoptimize_arcs are declared in kora.h.
//
// In the optimized form a state whose arc list ends with the same run of arcs as other states
// keeps only its own arcs and ends its list with one arc labelled ALTCHAIN, whose destination
// (a chain state, or a state whose own list is that run) holds the run. An ALTCHAIN arc is the
// last of its list, a state has at most one, and it never leads to a final state, so reading
// it as an EPSILON arc gives the same language.
#pragma once

#include "kora.h"

namespace kora {

// Optimizes `net` in place (minimizing it first when it is not marked minimized); sets
// `optimized` exactly when ALTCHAIN arcs were made. Refusals are warnings and change nothing.
void optimize_arcs_in_place(NET *net);

// optimize_arcs_in_place with the verbose parameter off meanwhile (restored after).
void optimize_arcs_quietly(NET *net);

// For a network read from a file whose sigma holds ALTCHAIN though it is not marked optimized:
// marks it optimized when its arcs carry ALTCHAIN, else optimizes it quietly, so that its
// alternative chains are there again.
void rebuild_alternative_chains(NET *net);

// Restores the plain form of an optimized network in place: the ALTCHAIN arcs become EPSILON
// arcs and epsilon removal dissolves them with the chain states; `deterministic` and
// `minimized` are what they were before. A network that is not optimized is left alone; one
// with shared arc lists is refused with an error.
void unoptimize_arcs_in_place(NET *net);

// The operations' un-optimizer (optimized-operands.h): unoptimize_arcs_in_place, for a network
// that is arc-optimized by its flag or by the ALTCHAIN arcs it carries.
void unoptimize_operand_arcs(NET *net);

}  // namespace kora
