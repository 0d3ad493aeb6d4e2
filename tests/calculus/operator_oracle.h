// Helpers of the regular-operator suites: the languages of networks cut to short strings, the
// regular operations on such relations, and random operands with varied sigmas and flags.
#pragma once

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "minimize.h"

namespace operator_oracle {

using kora_test::Relation;
using kora_test::StringPair;
using kora_test::Symbols;

// Pairs are compared up to this many symbols a side.
constexpr size_t kLength = 3;

// The pairs of the network with at most `length` symbols a side.
inline Relation language(const NET *net, const Symbols &universe, size_t length = kLength) {
  return kora_test::enumerate(net, universe, length);
}

inline Symbols joined(const Symbols &a, const Symbols &b) {
  Symbols result = a;
  result.insert(result.end(), b.begin(), b.end());
  return result;
}

// The concatenations x·y of a pair of `a` with a pair of `b` whose sides have at most `length`
// symbols. The pairs of `b` are grouped by the lengths of their sides, so that each pair of `a`
// meets only the pairs that fit.
inline Relation concatenation(const Relation &a, const Relation &b, size_t length = kLength) {
  std::map<std::pair<size_t, size_t>, std::vector<const StringPair *>> by_size;
  for (const StringPair &y : b) by_size[{y.first.size(), y.second.size()}].push_back(&y);
  Relation result;
  for (const StringPair &x : a)
    for (const auto &[size, pairs] : by_size) {
      if (x.first.size() + size.first > length || x.second.size() + size.second > length) continue;
      for (const StringPair *y : pairs)
        result.insert({joined(x.first, y->first), joined(x.second, y->second)});
    }
  return result;
}

inline Relation united(Relation a, const Relation &b) {
  a.insert(b.begin(), b.end());
  return a;
}

// One or more repetitions, up to `length` symbols a side: each round extends only the pairs
// found in the round before.
inline Relation plus_closure(const Relation &a, size_t length = kLength) {
  Relation result = a, frontier = a;
  while (!frontier.empty()) {
    Relation next;
    for (const StringPair &pair : concatenation(frontier, a, length))
      if (result.insert(pair).second) next.insert(pair);
    frontier = std::move(next);
  }
  return result;
}

inline Relation optional(Relation a) {
  a.insert({{}, {}});
  return a;
}

// Between `min` and `max` repetitions (max -1: no maximum), up to `length` symbols a side.
inline Relation repetitions(const Relation &a, int min, int max, size_t length = kLength) {
  Relation result, power{{{}, {}}};
  for (int k = 0; max < 0 || k <= max; k++) {
    if (k >= min) {
      size_t before = result.size();
      result = united(result, power);
      if (max < 0 && k > min && result.size() == before) break;
    }
    power = concatenation(power, a, length);
    if (power.empty()) break;
  }
  return result;
}

inline Relation reversal(const Relation &a) {
  Relation result;
  for (StringPair pair : a) {
    std::reverse(pair.first.begin(), pair.first.end());
    std::reverse(pair.second.begin(), pair.second.end());
    result.insert(pair);
  }
  return result;
}

inline Relation inversion(const Relation &a) {
  Relation result;
  for (const StringPair &pair : a) result.insert({pair.second, pair.first});
  return result;
}

// The upper (or lower) strings of the pairs, each paired with itself.
inline Relation side(const Relation &a, bool upper, size_t length = kLength) {
  Relation result;
  for (const StringPair &pair : a) {
    const Symbols &s = upper ? pair.first : pair.second;
    if (s.size() <= length) result.insert({s, s});
  }
  return result;
}

// The substrings of an automaton without EPSILON arcs, at most `length` long: the strings of
// the paths that start in a state reachable from the start state and end in a state from which
// a final state is reachable, each paired with itself.
inline Relation infixes(const NET *net, const Symbols &universe, size_t length = kLength) {
  std::map<const STATE *, std::vector<const STATE *>> predecessors;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      predecessors[arc->destination].push_back(s);
  std::set<const STATE *> reachable{net->start}, live;
  std::vector<const STATE *> todo{net->start};
  while (!todo.empty()) {
    const STATE *s = todo.back();
    todo.pop_back();
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (reachable.insert(arc->destination).second) todo.push_back(arc->destination);
  }
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    if (s->flags.final && live.insert(s).second) todo.push_back(s);
  while (!todo.empty()) {
    const STATE *s = todo.back();
    todo.pop_back();
    for (const STATE *p : predecessors[s])
      if (live.insert(p).second) todo.push_back(p);
  }
  Relation result;
  std::vector<std::pair<const STATE *, Symbols>> paths;
  for (const STATE *from : reachable) paths.push_back({from, {}});
  while (!paths.empty()) {
    auto [state, spelled] = paths.back();
    paths.pop_back();
    if (live.count(state)) result.insert({spelled, spelled});
    if (spelled.size() == length) continue;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      for (const auto &[symbol, same] : kora_test::label_instances(arc->label, net, universe)) {
        Symbols longer = spelled;
        longer.push_back(symbol);
        paths.push_back({arc->destination, longer});
      }
  }
  return result;
}

// What a random operand looks like.
struct Shape {
  bool transducer = false;
  bool other = false;
  bool epsilon = false;
  int max_states = 5;
  int max_arcs = 9;
};

// A random operand. Its sigma is one of two overlapping symbol sets, sometimes with a symbol
// that no arc uses. A third of the operands keep the flags they were built with, a third lose
// the flags that claim structure (pruned, minimized, loop_free), and a third are minimized.
inline NET *random_operand(std::mt19937 &random, const Shape &shape) {
  kora_test::RandomNetOptions options;
  options.transducer = shape.transducer;
  options.other = shape.other;
  options.epsilon = shape.epsilon;
  options.max_states = shape.max_states;
  options.max_arcs = shape.max_arcs;
  if (random() % 2) options.symbols = {"b", "c", "d"};
  NET *net = kora_test::random_net(random, options);
  if (random() % 4 == 0) alph_add_to(net->sigma, kora::symbol_id("e"), 0);
  switch (random() % 3) {
    case 0:
      break;
    case 1:
      net->flags.pruned = net->flags.minimized = net->flags.loop_free = 0;
      break;
    default:
      net->flags.pruned = net->flags.minimized = net->flags.loop_free = 0;
      net = kora::min_fsm(net, 0);
  }
  return net;
}

}  // namespace operator_oracle
