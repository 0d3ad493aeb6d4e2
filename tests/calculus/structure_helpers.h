// Helpers of the structural tests: plain reference computations over a network's arcs.
#pragma once

#include <map>
#include <random>
#include <set>
#include <tuple>
#include <utility>

#include "kora.h"
#include "language.h"

namespace structure_test {

// Every arc as (source, label, destination).
using ArcSet = std::multiset<std::tuple<const STATE *, uint32_t, const STATE *>>;

inline ArcSet arcs_of(const NET *net) {
  ArcSet arcs;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) arcs.insert({s, a->label, a->destination});
  return arcs;
}

inline std::set<const STATE *> states_of(const NET *net) {
  std::set<const STATE *> states;
  for (const STATE *s = net->states; s != nullptr; s = s->next) states.insert(s);
  return states;
}

// The states reachable from `from` along the arcs (each arc taken forwards).
inline std::set<const STATE *> reachable(const std::set<const STATE *> &from, const ArcSet &arcs) {
  std::set<const STATE *> seen = from;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto &[source, label, dest] : arcs)
      if (seen.count(source) != 0 && seen.insert(dest).second) grew = true;
  }
  return seen;
}

inline ArcSet reversed(const ArcSet &arcs) {
  ArcSet turned;
  for (const auto &[source, label, dest] : arcs) turned.insert({dest, label, source});
  return turned;
}

}  // namespace structure_test
