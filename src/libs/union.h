// Union of networks.
//
// The networks are merged pairwise into the first one: a new start state receives the arcs of
// both start states (moved, or copied when arcs enter a start state), and the two state lists
// are joined. No EPSILON arcs are made. When both networks are minimized, share no label and
// each has a state without arcs, those two states are merged and the result stays minimized
// without running minimization. Time O(V + E) per merge (harmonization, the test for arcs into
// the start states and the emptiness tests are linear); space O(k) for the start arcs.
// Tested in tests/calculus/operators_test.cpp.
#pragma once

#include "kora.h"

namespace kora {

// The union of the networks of `nets` (each distinct record used once). Without `copy` the
// networks are consumed and the result is the first one's record (or, when that accepts
// nothing, the record of another); with `copy` they stay the caller's and the result is new.
// The vector record stays the caller's. With `minimize` the first network and every
// intermediate result go through min_fsm. A null or empty vector gives a new null network.
// Refusals (networks of different label maps, compacted or non-plain networks) free the
// networks unless `copy` and give a new null network.
NET *union_fsm(NV *nets, int copy, int minimize);

// The union of `result` and `other`, both consumed (the same record counts once); the result
// is `result`'s record unless `result` accepts nothing. Both must be plain networks of one
// label map.
NET *union_pair(NET *result, NET *other);

}  // namespace kora
