// Contains and ignore: the strings that contain a string of a language somewhere, and a
// language with the strings of another freely inserted anywhere.
//
// contains_fsm concatenates OTHER* on both sides of the network. ignore_fsm makes the inserted
// language B a loop at every state of A: one self-loop per label when B is a set of single
// symbols, else a copy of B spliced from each state back to itself (splice.h). Costs:
// contains O(V + E + |sigma|); ignore O(V_A * (V_B + E_B + F_B d log d)) for the splices, after
// minimizing B. The exported contains_net and ignore_net are declared in kora.h.
// Tested in tests/operations/ignore_test.cpp.
#pragma once

#include "kora.h"

namespace kora {

// ?* net ?*: every string that has a string of the network as a substring (for a transducer,
// pairs surrounded by identity pairs). With `copy` 1 the argument stays the caller's and the
// result is new; otherwise the network is changed in place and returned. Minimized with
// `minimize`. A null, compacted or other non-plain network is refused with an error for
// "contains" and returned unchanged.
NET *contains_fsm(NET *net, int copy, int minimize);

// `a` with the strings of `b` inserted freely: between any two symbols, at the start and at the
// end, any number of times. With `copy` 1 `a` stays the caller's and the result is new,
// otherwise `a` is worked on and returned; with `keep` `b` stays the caller's, otherwise it is
// consumed. Minimized with `minimize`. Networks of different label maps are reported and give
// `a` (a copy with `copy`), `b` consumed unless kept. Null, compacted and other non-plain
// networks are reported with the name "ignore" and give a new null network, the arguments
// consumed unless copied or kept.
NET *ignore_fsm(NET *a, NET *b, int copy, int keep, int minimize);

}  // namespace kora
