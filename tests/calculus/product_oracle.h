// Helpers of the intersection, difference, complement and language-test suites: the language
// of a network cut to short strings, set operations on relations, random operands.

#pragma once

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace product_oracle {

using kora_test::Relation;
using kora_test::Symbols;

constexpr size_t kLength = 3;  // the longest side compared

// The pairs of the network with at most `length` symbols a side.
inline Relation language(const NET *net, const Symbols &universe, size_t length = kLength) {
  return kora_test::enumerate(net, universe, length);
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

// Every string over `universe` of at most kLength symbols.
inline Relation all_strings(const Symbols &universe) {
  Relation result{{{}, {}}};
  std::vector<Symbols> layer{{}};
  for (size_t n = 0; n < kLength; n++) {
    std::vector<Symbols> next;
    for (const Symbols &word : layer)
      for (uint32_t symbol : universe) {
        next.push_back(word);
        next.back().push_back(symbol);
        result.insert({next.back(), next.back()});
      }
    layer = std::move(next);
  }
  return result;
}

// A random automaton over {a, b, c} or {b, c, d}, with OTHER in about half of them.
inline NET *random_automaton(std::mt19937 &random) {
  kora_test::RandomNetOptions options;
  options.max_states = 4;
  options.max_arcs = 8;
  options.other = random() % 2 == 0;
  if (random() % 3 == 0) options.symbols = {"b", "c", "d"};
  return kora_test::random_net(random, options);
}

// A random transducer whose labels all read one symbol a side (x:y, x, OTHER:a, b:OTHER).
inline NET *random_equal_length_transducer(std::mt19937 &random) {
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  Symbols labels{kora::pair_id(kora::OTHER, 'a'), kora::pair_id('b', kora::OTHER)};
  for (uint32_t upper : {'a', 'b', 'c'})
    for (uint32_t lower : {'a', 'b', 'c'}) labels.push_back(kora::pair_id(upper, lower));
  NET *net = null_net();
  std::vector<STATE *> states{net->start};
  for (size_t i = pick(4); i > 0; i--) states.push_back(add_state_to_net(net, 0));
  for (STATE *s : states) s->flags.final = pick(3) == 0;
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;  // duplicates are skipped quietly
  for (size_t i = pick(9); i > 0; i--)
    add_arc_to_state(net, states[pick(states.size())], labels[pick(labels.size())],
                     states[pick(states.size())], nullptr, 0);
  int_parameters()->word[KORA_VERBOSE] = verbose;
  return net;
}

// What a kept argument must still have: its counts and its language.
struct Snapshot {
  uint32_t states;
  uint32_t arcs;
  Relation relation;
  bool operator==(const Snapshot &) const = default;
};

inline Snapshot snapshot(const NET *net, const Symbols &universe) {
  return {net->num_states, net->num_arcs, language(net, universe)};
}

// A binary operation on networks with keep flags, like intersect_net, and the set operation
// it must agree with.
using NetOperation = NET *(*)(NET *, NET *, int, int);
using RelationOperation = Relation (*)(const Relation &, const Relation &);

// Applies `operation` to `a` and `b` kept, then to copies of them consumed, against `oracle`
// on their enumerated languages; the kept arguments must not change. Frees every network.
inline void expect_agreement(NET *a, NET *b, NetOperation operation, RelationOperation oracle) {
  Symbols universe = kora_test::universe_of({a, b});
  Snapshot before_a = snapshot(a, universe), before_b = snapshot(b, universe);
  Relation expected = oracle(before_a.relation, before_b.relation);
  NET *kept = operation(a, b, 1, 1);
  NET *consumed = operation(copy_net(a), copy_net(b), 0, 0);
  EXPECT_EQ(language(kept, universe), expected) << kora_test::describe(expected);
  EXPECT_EQ(language(consumed, universe), expected);
  EXPECT_EQ(snapshot(a, universe), before_a);
  EXPECT_EQ(snapshot(b, universe), before_b);
  for (NET *net : {a, b, kept, consumed}) free_network(net);
}

// expect_agreement on 100 seeded pairs of random operands, with minimization on and then off:
// every third pair equal-length transducers, the others automata.
inline void expect_agreement_on_random_pairs(NetOperation operation, RelationOperation oracle) {
  for (int minimize : {1, 0}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    for (unsigned seed = 0; seed < 100; seed++) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " minimize " + std::to_string(minimize));
      std::mt19937 random(seed);
      if (seed % 3 == 2)
        expect_agreement(random_equal_length_transducer(random), random_equal_length_transducer(random),
                         operation, oracle);
      else
        expect_agreement(random_automaton(random), random_automaton(random), operation, oracle);
    }
  }
}

// a* (the start state final, with a loop).
inline NET *a_star() {
  NET *net = epsilon_net();
  add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0);
  return net;
}

}  // namespace product_oracle
