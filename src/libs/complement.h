// Completion and complement of automata.
//
// The exported negate_net is declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// Gives every state an arc for every symbol of the sigma (OTHER joining the sigma unless the
// sigma is closed), the missing ones leading to a non-final sink, and marks the network
// `completed`; the language stays. Works on a copy (the caller's) when `copy` is 1, else in
// place; returns the network worked on. Refusals, which return that network unchanged: a
// compacted network, a transducer, another non-plain representation (each with an error).
NET *complete_net(NET *net, int copy);

// The complement of an automaton's language over its sigma plus OTHER (over the sigma alone
// when it is closed): determinized, completed, every state's finality flipped; minimized when
// `minimize` is set. With `copy` 1 the argument stays the caller's and the result is new;
// otherwise the argument is worked on in place and returned. A transducer, a compacted or
// another non-plain network is refused with an error: the argument is freed unless `copy` is
// 1, and a new null network is returned.
NET *negate_fsm(NET *net, int copy, int minimize);

}  // namespace kora
