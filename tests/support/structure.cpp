#include "structure.h"

#include <algorithm>
#include <string>

#include "label.h"
#include "struct.h"

namespace kora_test {

ArcSet arcs_of(const NET *net) {
  ArcSet arcs;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) arcs.insert({s, a->label, a->destination});
  return arcs;
}

std::set<const STATE *> states_of(const NET *net) {
  std::set<const STATE *> states;
  for (const STATE *s = net->states; s != nullptr; s = s->next) states.insert(s);
  return states;
}

std::set<const STATE *> reachable(const std::set<const STATE *> &from, const ArcSet &arcs) {
  std::set<const STATE *> seen = from;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto &[source, label, dest] : arcs)
      if (seen.count(source) != 0 && seen.insert(dest).second) grew = true;
  }
  return seen;
}

ArcSet reversed(const ArcSet &arcs) {
  ArcSet turned;
  for (const auto &[source, label, dest] : arcs) turned.insert({dest, label, source});
  return turned;
}

size_t duplicate_arcs(const NET *net) {
  size_t repeated = 0;
  std::vector<std::tuple<uint32_t, const STATE *, const void *>> arcs;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    arcs.clear();
    for (const ARC *a = s->arcs; a != nullptr; a = a->next)
      arcs.push_back({a->label, a->destination, kora::arc_user_pointer(a)});
    std::sort(arcs.begin(), arcs.end());
    for (size_t i = 1; i < arcs.size(); i++) repeated += arcs[i] == arcs[i - 1];
  }
  return repeated;
}

std::string false_claims(const NET *net) {
  std::string claims;
  const ArcSet arcs = arcs_of(net);
  const std::set<const STATE *> states = states_of(net);
  bool epsilon = false, repeated_label = false;
  for (const STATE *s : states) {
    std::set<Key> keys;
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) {
      epsilon = epsilon || a->label == kora::EPSILON;
      if (a->label != kora::AND_CHECK && !keys.insert({a->label, kora::arc_user_pointer(a)}).second)
        repeated_label = true;
    }
  }
  if (net->flags.epsilon_free && epsilon) claims += "epsilon_free; ";
  if (net->flags.deterministic && (epsilon || repeated_label)) claims += "deterministic; ";
  std::set<const STATE *> finals;
  for (const STATE *s : states)
    if (s->flags.final) finals.insert(s);
  // Pruned: every state on a path from the start to a final state, or the start alone.
  if (net->flags.pruned && !(states.size() == 1 && arcs.empty()) &&
      (reachable({net->start}, arcs) != states || reachable(finals, reversed(arcs)) != states))
    claims += "pruned; ";
  bool cycle = false;  // some state reaches itself through one arc or more
  for (const STATE *s : states) {
    std::set<const STATE *> next;
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) next.insert(a->destination);
    cycle = cycle || reachable(next, arcs).count(s) != 0;
  }
  if (net->flags.loop_free && cycle) claims += "loop_free; ";
  if (net->flags.minimized && net->num_states != minimal_state_count(net)) claims += "minimized; ";
  return claims;
}

Nfa nfa_of(const NET *net) {
  std::map<const STATE *, int> id;
  Nfa nfa;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    id[s] = static_cast<int>(nfa.final.size());
    nfa.final.push_back(s->flags.final);
  }
  nfa.start = {id[net->start]};
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *a = s->arcs; a != nullptr; a = a->next)
      nfa.arcs.push_back({id[s], Key{a->label, kora::arc_user_pointer(a)}, id[a->destination]});
  return nfa;
}

namespace {

Nfa reversed(const Nfa &nfa) {
  Nfa turned{std::vector<bool>(nfa.final.size()), {}, {}};
  for (size_t s = 0; s < nfa.final.size(); ++s) {
    if (nfa.final[s]) turned.start.insert(static_cast<int>(s));
    turned.final[s] = nfa.start.count(static_cast<int>(s)) != 0;
  }
  for (const auto &[from, key, to] : nfa.arcs) turned.arcs.push_back({to, key, from});
  return turned;
}

// The subset construction from the start set; only reachable subsets become states.
Nfa determinized(const Nfa &nfa) {
  auto closure = [&](std::set<int> set) {
    for (bool grew = true; grew;) {
      grew = false;
      for (const auto &[from, key, to] : nfa.arcs)
        if (key.first == kora::EPSILON && set.count(from) != 0 && set.insert(to).second) grew = true;
    }
    return set;
  };
  std::map<std::set<int>, int> id;
  std::vector<std::set<int>> sets;
  Nfa dfa;
  auto state = [&](const std::set<int> &set) {
    auto [it, made] = id.emplace(set, static_cast<int>(sets.size()));
    if (made) {
      sets.push_back(set);
      dfa.final.push_back(std::any_of(set.begin(), set.end(), [&](int s) { return nfa.final[s]; }));
    }
    return it->second;
  };
  dfa.start = {state(closure(nfa.start))};
  for (size_t d = 0; d < sets.size(); ++d) {
    std::map<Key, std::set<int>> moves;
    for (const auto &[from, key, to] : nfa.arcs)
      if (key.first != kora::EPSILON && sets[d].count(from) != 0) moves[key].insert(to);
    for (const auto &[key, to] : moves) dfa.arcs.push_back({static_cast<int>(d), key, state(closure(to))});
  }
  return dfa;
}

}  // namespace

Nfa minimal(const Nfa &nfa) { return determinized(reversed(determinized(reversed(nfa)))); }

Shape shape(const Nfa &dfa) {
  std::vector<std::map<Key, int>> next(dfa.final.size());
  for (const auto &[from, key, to] : dfa.arcs) next[from][key] = to;
  std::map<int, int> number{{*dfa.start.begin(), 0}};
  std::vector<int> order{*dfa.start.begin()};
  Shape shape;
  for (size_t i = 0; i < order.size(); ++i) {
    shape.push_back({dfa.final[order[i]], {}});
    for (const auto &[key, to] : next[order[i]]) {
      auto [it, made] = number.emplace(to, static_cast<int>(order.size()));
      if (made) order.push_back(to);
      shape.back().second[key] = it->second;
    }
  }
  return shape;
}

size_t minimal_state_count(const NET *net) { return minimal(nfa_of(net)).final.size(); }

}  // namespace kora_test
