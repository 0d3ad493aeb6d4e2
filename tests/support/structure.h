// Reference computations over a network's arcs for the structural laws of results: reachability,
// duplicate arcs, and the minimal network by Brzozowski's method (determinize the reversal
// twice) over (label, user pointer) keys, labels taken as atoms as the library takes them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kora.h"

namespace kora_test {

// Every arc as (source, label, destination).
using ArcSet = std::multiset<std::tuple<const STATE *, uint32_t, const STATE *>>;
ArcSet arcs_of(const NET *net);
std::set<const STATE *> states_of(const NET *net);

// The states reachable from `from` along the arcs (each arc taken forwards).
std::set<const STATE *> reachable(const std::set<const STATE *> &from, const ArcSet &arcs);
ArcSet reversed(const ArcSet &arcs);

// The arcs that repeat another arc of their state: same label, destination and user pointer.
size_t duplicate_arcs(const NET *net);

// The marks of the network that its arcs and states belie (epsilon_free, deterministic,
// pruned, loop_free, minimized), each followed by "; "; empty when all are true.
std::string false_claims(const NET *net);

using Key = std::pair<uint32_t, const void *>;  // label, user pointer

// A network as plain data: states 0..n-1, start states, arcs (from, key, to).
struct Nfa {
  std::vector<bool> final;
  std::set<int> start;
  std::vector<std::tuple<int, Key, int>> arcs;
};
Nfa nfa_of(const NET *net);

// The minimal deterministic network of the same label sequences (EPSILON spelling nothing),
// without a dead state.
Nfa minimal(const Nfa &nfa);

// A deterministic network numbered breadth first from the start along ordered keys: two
// networks have the same shape exactly when they are isomorphic.
using Shape = std::vector<std::pair<bool, std::map<Key, int>>>;
Shape shape(const Nfa &dfa);

// The number of states of the minimal network of `net`'s label sequences.
size_t minimal_state_count(const NET *net);

}  // namespace kora_test
