// Helpers of the calculus suites: the languages of networks cut to short strings, the regular
// and set operations on such relations, and seeded random operands.
#pragma once

#include <algorithm>
#include <functional>
#include <iterator>
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
#include "networks.h"
#include "minimize.h"
#include "structure.h"

namespace operator_oracle {

using kora_test::Relation;
using kora_test::StringPair;
using kora_test::Symbols;

// Pairs are compared up to this many symbols a side.
constexpr size_t kLength = 3;

inline Relation language(const NET *net, const Symbols &universe, size_t length = kLength) {
  return kora_test::enumerate(net, universe, length);
}

using kora_test::for_seeds;
using kora_test::RandomNetOptions;

inline Symbols joined(Symbols a, const Symbols &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The concatenations x·y of a pair of `a` with a pair of `b` whose sides fit in `length`; the
// pairs of `b` are grouped by the lengths of their sides, so that each x meets only those that fit.
inline Relation concatenation(const Relation &a, const Relation &b, size_t length = kLength) {
  std::map<std::pair<size_t, size_t>, std::vector<const StringPair *>> by_size;
  for (const StringPair &y : b) by_size[{y.first.size(), y.second.size()}].push_back(&y);
  Relation result;
  for (const StringPair &x : a)
    for (const auto &[size, pairs] : by_size)
      if (x.first.size() + size.first <= length && x.second.size() + size.second <= length)
        for (const StringPair *y : pairs)
          result.insert({joined(x.first, y->first), joined(x.second, y->second)});
  return result;
}

inline Relation united(Relation a, const Relation &b) {
  a.insert(b.begin(), b.end());
  return a;
}

inline Relation intersection(const Relation &a, const Relation &b) {
  Relation result;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
  return result;
}

inline Relation difference(const Relation &a, const Relation &b) {
  Relation result;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
  return result;
}

// The relational composition: (x, z) for every (x, y) of `upper` and (y, z) of `lower`.
inline Relation composition(const Relation &upper, const Relation &lower) {
  std::map<Symbols, std::vector<const Symbols *>> by_upper;
  for (const StringPair &pair : lower) by_upper[pair.first].push_back(&pair.second);
  Relation result;
  for (const auto &[x, y] : upper) {
    auto found = by_upper.find(y);
    if (found != by_upper.end())
      for (const Symbols *z : found->second) result.insert({x, *z});
  }
  return result;
}

// The cross product: (x, y) for every string x of `a` and y of `b` (automata: upper sides).
inline Relation cross_product(const Relation &a, const Relation &b) {
  Relation result;
  for (const StringPair &x : a)
    for (const StringPair &y : b) result.insert({x.first, y.first});
  return result;
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

// Every string over `universe` of at most kLength symbols.
inline Relation all_strings(const Symbols &universe) {
  Relation symbols;
  for (uint32_t s : universe) symbols.insert({{s}, {s}});
  return repetitions(symbols, 0, -1);
}

inline Relation reversal(const Relation &a) {
  Relation result;
  for (const auto &[u, l] : a) result.insert({{u.rbegin(), u.rend()}, {l.rbegin(), l.rend()}});
  return result;
}

inline Relation inversion(const Relation &a) {
  Relation result;
  for (const StringPair &pair : a) result.insert({pair.second, pair.first});
  return result;
}

// The upper (or lower) strings of the pairs, each paired with itself.
inline Relation side(const Relation &a, bool upper) {
  Relation result;
  for (const auto &[u, l] : a) result.insert(upper ? StringPair{u, u} : StringPair{l, l});
  return result;
}

// The substrings of an automaton without EPSILON arcs, at most `length` long: the strings of
// the paths from a state reachable from the start to a state from which a final state is
// reachable, each paired with itself.
inline Relation infixes(const NET *net, const Symbols &universe, size_t length = kLength) {
  std::set<const STATE *> reached{net->start}, live;
  for (bool grew = true; grew;) {
    grew = false;
    for (const STATE *s = net->states; s != nullptr; s = s->next) {
      if (s->flags.final) grew |= live.insert(s).second;
      for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
        if (reached.count(s)) grew |= reached.insert(arc->destination).second;
        if (live.count(arc->destination)) grew |= live.insert(s).second;
      }
    }
  }
  Relation result;
  std::vector<std::pair<const STATE *, Symbols>> paths;
  for (const STATE *from : reached) paths.push_back({from, {}});
  while (!paths.empty()) {
    auto [state, spelled] = paths.back();
    paths.pop_back();
    if (live.count(state)) result.insert({spelled, spelled});
    if (spelled.size() == length) continue;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      for (const auto &[symbol, same] : kora_test::label_instances(arc->label, net, universe))
        paths.push_back({arc->destination, joined(spelled, {symbol})});
  }
  return result;
}

// A random operand. Its sigma is one of two overlapping symbol sets (when `options` keeps the
// default one), sometimes with a symbol that no arc uses. A third of the operands keep the flags
// they were built with, a third lose the flags that claim structure (pruned, minimized,
// loop_free), and a third are minimized.
inline NET *random_operand(std::mt19937 &random, RandomNetOptions options) {
  if (random() % 2 && options.symbols == RandomNetOptions{}.symbols) options.symbols = {'b', 'c', 'd'};
  NET *net = kora_test::random_net(random, options);
  if (random() % 4 == 0) alph_add_to(net->sigma, kora::symbol_id("e"), 0);
  const unsigned kind = random() % 3;
  if (kind != 0) net->flags.pruned = net->flags.minimized = net->flags.loop_free = 0;
  return kind == 2 ? kora::min_fsm(net, 0) : net;
}

// A small random automaton with EPSILON arcs, with OTHER in about half of them.
inline NET *random_automaton(std::mt19937 &random) {
  return random_operand(random, {.max_states = 4, .max_arcs = 8, .other = random() % 2 == 0});
}

// A random transducer whose labels all read one symbol a side (x:y, x, OTHER:x, x:OTHER,
// OTHER:OTHER), over two symbols so that its enumeration stays small.
inline NET *random_equal_length_transducer(std::mt19937 &random) {
  return kora_test::random_net(random, {.max_states = 4, .max_arcs = 8, .transducer = true,
                                        .epsilon = false, .other = true, .symbols = {'a', 'b'}});
}

// The laws of every result beyond its language: no arc repeated, no mark belied, and minimal
// (by the reference) when word 16 asked for minimization.
inline void expect_lawful(const NET *result, bool minimized) {
  EXPECT_EQ(kora_test::duplicate_arcs(result), 0u);
  EXPECT_EQ(kora_test::false_claims(result), "");
  if (minimized) {
    EXPECT_EQ(result->num_states, kora_test::minimal_state_count(result));
  }
}

// What a kept argument must still have: its counts and its language.
inline auto snapshot(const NET *net, const Symbols &universe) {
  return std::make_tuple(net->num_states, net->num_arcs, language(net, universe));
}

// A binary operation on networks with keep flags, like intersect_net, the set operation it
// must agree with, and the maker of a seed's two operands.
using NetOperation = NET *(*)(NET *, NET *, int, int);
using RelationOperation = Relation (*)(const Relation &, const Relation &);
using Operands = std::pair<NET *, NET *>;
using MakeOperands = std::function<Operands(unsigned seed, std::mt19937 &random)>;

// Every third seed two equal-length transducers, the others two automata, the second made by
// `second`.
inline MakeOperands automata_or_equal_length(NET *(*second)(std::mt19937 &) = random_automaton) {
  return [second](unsigned seed, std::mt19937 &random) {
    NET *a = seed % 3 == 2 ? random_equal_length_transducer(random) : random_automaton(random);
    return Operands{a, seed % 3 == 2 ? random_equal_length_transducer(random) : second(random)};
  };
}

// Applies `operation` to 200 seeded pairs from `make` with random keep flags and word 16 (one
// seed in ten with one record as both operands, read twice and freed once), against `oracle` on
// their enumerated languages: kept operands must not change, and results repeat no arc, belie
// none of their marks and are minimal when minimized.
inline void expect_agreement_on_random_pairs(NetOperation operation, RelationOperation oracle,
                                             const MakeOperands &make) {
  for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    auto [a, b] = make(seed, random);
    if (seed % 10 == 0) {
      free_network(b);
      b = a;
    }
    const bool minimize = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    const int keep_a = static_cast<int>(random() % 2);
    const int keep_b = b == a ? keep_a : static_cast<int>(random() % 2);
    const Symbols universe = kora_test::universe_of({a, b});
    const auto before_a = snapshot(a, universe), before_b = snapshot(b, universe);
    const Relation want = oracle(std::get<2>(before_a), std::get<2>(before_b));
    NET *result = operation(a, b, keep_a, keep_b);
    EXPECT_EQ(language(result, universe), want) << "want " << kora_test::describe(want);
    expect_lawful(result, minimize);
    if (keep_a) {
      EXPECT_EQ(snapshot(a, universe), before_a);
      free_network(a);
    }
    if (keep_b && b != a) {
      EXPECT_EQ(snapshot(b, universe), before_b);
      free_network(b);
    }
    free_network(result);
  });
  EXPECT_TRUE(kora_test::messages().errors.empty());
}

// a* (the start state final, with a loop).
inline NET *a_star() {
  NET *net = epsilon_net();
  add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0);
  return net;
}

}  // namespace operator_oracle
