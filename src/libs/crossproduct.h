// The cross product of two languages and the shuffle (free interleaving) of languages.
//
// The exported crossproduct_net and shuffle_net are declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// The relation {(x, y) : x in a, y in b}, aligned symbol by symbol from the left: the pairs
// a_i:b_i first, then the longer string's rest against EPSILON, so that a .x. bc is a:b 0:c.
// A network with `keep` 1 stays the caller's, unchanged; with 0 it is consumed. Minimized when
// `minimize` is set. Refusals are reported and give a new null network (the networks consumed
// as their flags say): a compacted network, either of arity 2 or more ("Aborting
// crossproduct.\n    Operation is not applicable to a transducer."), different label maps.
// Either accepting nothing gives a new null network.
NET *crossproduct_fst(NET *a, NET *b, int keep_a, int keep_b, int minimize);

// The shuffle of the networks of `nets`: every interleaving of one string of each. With `copy`
// 1 the networks stay the caller's, otherwise they are consumed (a network listed twice is
// used twice). No vector gives the empty-string network; one network gives itself (a copy with
// `copy`). Refusals (different label maps, compacted or non-plain networks) give a new null
// network, the networks freed unless `copy`. Minimized when `minimize` is set.
NET *shuffle_fsm(NV *nets, int copy, int minimize);

}  // namespace kora
