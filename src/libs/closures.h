// Closures of a network (one or more repetitions, optional, zero or more repetitions), the
// substrings of its language, and the universal networks built from one label.
//
// The closures add no EPSILON arcs: a final state that may start the language again receives
// copies of the start state's arcs, and a start state that must become final but is entered by
// arcs is first replaced by a fresh copy of itself. Costs: plus O(E + F k log k) for F final
// states and a start state of k arcs; optional O(E) (the test for arcs into the start state);
// substring O(V + E log E). Tested in tests/operations/operators_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// One or more repetitions of the language, in place (on a copy with `copy`): every final state
// other than the start state receives the start state's arcs that it lacks; `minimized` and
// `loop_free` are cleared when arcs were added. A compacted or non-plain network is refused
// with the message for "one-plus" and returned unchanged.
NET *one_plus_fsm(NET *net, int copy);

// The language or the empty string, in place (on a copy with `copy`): the start state becomes
// final, after being replaced by a fresh state with copies of its arcs when arcs enter it.
// A compacted network only gets its `start_final` flag set. A non-plain network is refused
// with the message for "optional" and returned unchanged.
NET *optional_fsm(NET *net, int copy);

// Zero or more repetitions: optional_fsm, then one_plus_fsm. A compacted network only gets its
// `start_final` flag set; a non-plain one is refused with the message for "zero-plus".
NET *zero_plus_fsm(NET *net, int copy);

// All substrings of the language (of the relation's paths, for a transducer), in place (on a
// copy with `copy`): after pruning, every state becomes final and the start state gets an arc
// to every state entered by an arc, with that arc's label (the start state is first replaced by
// a fresh copy of itself when arcs enter it). A compacted or non-plain network is refused with
// the message for "substring" and returned unchanged.
NET *substring_fsm(NET *net, int copy);

// `label`* as a new network: one final state with a loop labelled `label` (a tuple with OTHER
// on one side and a symbol x on the other also loops on x). EPSILON gives epsilon_net; OTHER
// gives the universal language OTHER*.
NET *kleene_star_fsm(uint32_t label);

// `label`+ as a new network: start state, arc to a final state, loop on the final state, with
// the same conventions as kleene_star_fsm.
NET *kleene_plus_fsm(uint32_t label);

}  // namespace kora
