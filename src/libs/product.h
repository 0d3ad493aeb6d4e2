// Intersection of networks: the product construction over pairs of states, its form over a
// whole net vector, and the yes/no test of a common string.
//
// Labels are atomic: two arcs match only when they carry the same label id, so a tuple
// matches only the same tuple. That is exact for languages and for relations whose pairs have
// equal length; for other relations the result may hold too little.
//
// The exported intersect_net and test_intersect are declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// The product of `a` and `b`: a new network (the caller's) of the reachable pairs of their
// states, with an arc wherever both have an arc with one label. Both arguments are changed in
// place without changing their languages (sigmas harmonized through OTHER, epsilons removed)
// and stay the caller's. Minimized when `minimize` is set. Both must be plain networks made in
// one label map.
NET *pair_product(NET *a, NET *b, int minimize);

// The intersection of the networks of `nets`, a network listed twice counting once. With
// `copy` 1 the networks stay the caller's, unchanged; otherwise every one of them is consumed
// (the result may be one of them). No networks give OTHER*. Networks of different label maps,
// compacted or in another non-plain representation are refused with an error and give a new
// null network. Minimized when `minimize` is set. The vector stays the caller's.
NET *intersect_fsm(NV *nets, int copy, int minimize);

}  // namespace kora
