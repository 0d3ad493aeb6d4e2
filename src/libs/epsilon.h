// Epsilon removal: an equivalent network without EPSILON arcs.
//
// Only the label EPSILON itself is removed; a tuple with an epsilon side (a:0) is an ordinary
// label. See epsilon.cpp for the method and its cost.
#pragma once

#include "kora.h"

namespace kora {

// Removes the EPSILON arcs of `net` (of a copy of it, owned by the caller, when copy_flag is 1;
// otherwise in place) keeping its relation, and returns the network worked on. A network already
// marked epsilon_free is returned at once. A network that is not in the plain representation is
// reported ("Cannot do this operation on a %s.") and returned unchanged; null gives null, and so
// does a copy that cannot be made. When EPSILON arcs were found, the states no longer reachable
// from the start state are deleted (every state, without a start state) and the network is
// neither deterministic nor minimized, loses sorted_arcs and has empty client cells. Either way
// it ends epsilon_free with its visit marks at 0.
NET *remove_epsilons(NET *net, int copy_flag);

}  // namespace kora
