// Shared arc lists: the lists of an optimized network spliced into one another, so that the
// ALTCHAIN arcs and the chain states disappear. See share.cpp for the method and its cost; the
// exported share_arcs and unshare_arcs are declared in kora.h.
//
// In the shared form a state's list runs on, without an ALTCHAIN arc, into the list of the
// state that held its shared run; a physical arc then belongs to several lists, the arc count
// counts it once, and the states that only held runs are gone from the state list. Such a
// network can be applied and saved (as an optimized one), not modified.
#pragma once

#include "kora.h"

namespace kora {

// Splices the lists of an optimized network in place; 0 on success (also for a network that
// already has shared arc lists), 1 after reporting "The network is not optimized. Cannot share
// arcs." or a malformed list (an ALTCHAIN arc that is not last), which leaves the network
// unchanged.
int share_arc_lists(NET *net);

// A new plain copy of `net` (shared tails copied into every list), optimized again when `net`
// was optimized and shared (with verbose output off meanwhile); `net` is freed when `reclaim`
// is set. Null for a null argument or a copy that cannot be made.
NET *unshare_arc_lists_copy(NET *net, bool reclaim);

// Installs the un-optimizer (optimize.h) and the arc sharer as the hooks through which the
// operations meet arc-optimized networks (optimized-operands.h).
void install_arc_optimization();

}  // namespace kora
