// Difference of networks (A minus B) and the test of a universal language that its shortcuts
// use.
//
// Labels are atomic, as in intersection: exact for languages and equal-length relations.
// The exported minus_net is declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// The strings (or pairs) of `a` that `b` does not accept, as a network the caller owns.
// With `copy1` set `a` stays the caller's, unchanged; otherwise it is consumed (the result may
// be `a` itself, or be made of its states). With `keep2` set `b` stays the caller's,
// unchanged; otherwise it is consumed (one record passed twice is consumed once, as `a`).
// Minimized when `minimize` is set, whichever shortcut gives the result.
// Refusals: networks of different label maps give `a` back (a copy with `copy1`) with an
// error; compacted or other non-plain arguments give a new null network with an error, the
// arguments consumed as their flags say.
NET *minus_fsm(NET *a, NET *b, int copy1, int keep2, int minimize);

// 1 when the network, an automaton whose sigma holds OTHER, accepts every string: after
// epsilon removal every state is final, and after determinization every state has an arc for
// OTHER and for every symbol of the sigma. 0 otherwise, also for a transducer. Removes
// epsilons and determinizes the network in place (its language stays).
int universal_p(NET *net);

}  // namespace kora
