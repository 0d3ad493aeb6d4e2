// Splicing: placing a copy of one network between two states of another, so that wherever a
// path of the host passes from state s to state t it may instead spell a string of the
// inserted network.
//
// No EPSILON arcs are made, except in one case (see splice_fsm): s takes the inserted
// network's start arcs, the inserted network's final states continue as t does (a final state
// without arcs becomes t itself, the others take t's finality and copies of t's arcs), and the
// inserted states join the host. Time O(V_I + E_I + F_I * d_t log d_t) for an inserted network
// of V_I states, E_I arcs and F_I final states with arcs, and a state t of d_t arcs.
// Tested in tests/operations/splice_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Splices `inserted` (consumed) into `net` between its states `s` and `t` (s == t makes a
// loop). The inserted network is pruned, and with `harmonize` its sigma and net's are
// harmonized through OTHER. `label`, or ID_NO_SYMBOL for none, is the label of the arc that
// the splice replaces: when s already has an arc with it (and s != t), the empty string of the
// inserted network and its final states with arcs reach t by an EPSILON arc instead of taking
// copies of t's arcs, so that no new arc with that label appears. Net's labels and sigma take
// in the inserted network's; net keeps `deterministic` and `epsilon_free` only when the
// inserted network had them and no EPSILON arc was added, `loop_free` only when s != t and the
// inserted network was loop_free, and loses `minimized`. An inserted network that accepts
// nothing is freed and changes nothing (but net loses `pruned` and `minimized` when s != t).
// Networks of different label maps are reported, the inserted network freed and net left as
// it was. Both networks must be plain; `inserted` may not be `net`.
void splice_fsm(NET *net, STATE *s, STATE *t, NET *inserted, bool harmonize, uint32_t label);

// splice_fsm without the label-map check, the harmonization and the alphabets: for callers
// that splice many networks into one and join their labels and sigmas once. The inserted
// network must accept something or be pruned to nothing.
void splice_states(NET *net, STATE *s, STATE *t, NET *inserted, uint32_t label);

}  // namespace kora
