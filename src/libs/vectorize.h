// Vectorization: arc vectors in place of the arc lists of the states with many arcs, so that
// the applyer finds the arc for a label by indexing instead of by walking a list.
//
// vectorize_states and unvectorize_net (kora.h) work on a network and on every network reached
// from it through insert flags (@I.name@). The record of a vectorized state is described in
// arc-vector.h. See vectorize.cpp for the method and its cost.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Vectorizes the states of the deterministic network `net` that have at least the threshold's
// number of arcs (the second field of the network's "VECTORIZE-N" property when it has one, else
// parameter word KORA_VECTORIZE_THRESHOLD); returns the number of states vectorized. A network
// that is not deterministic is warned about and left as it is (0); one that is already
// vectorized, or where no state reaches the threshold, is left as it is (0). A network with a
// reduced labelset is restored first.
int vectorize_net(NET *net);

// Turns every vectorized state of `net` back into an arc list (one arc per filled slot, in
// label-position order) and drops the network's vectors, un-optimizing an arc-optimized one;
// returns the number of states restored.
int unvectorize_fsm(NET *net);

}  // namespace kora
