// Minimization checked against a reference minimizer written here (Brzozowski's: determinize
// the reversal twice, over (label, user pointer) keys): the result must be isomorphic to the
// reference's minimal network, keep the relation the oracle enumerates, and stay the same when
// minimized again, with the label set following the arcs. Then deep networks, the sigma
// cleanup, and the refusals.

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "language.h"
#include "minimize.h"
#include "struct.h"

namespace {

using kora_test::messages;
using label_sequences::network;

class MinimizeTest : public kora_test::Library {};

// --- The reference --------------------------------------------------------------------------

using Key = std::pair<uint32_t, const void *>;  // label, user pointer

struct Nfa {
  std::vector<bool> final;
  std::set<int> start;
  std::vector<std::tuple<int, Key, int>> arcs;
};

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

Nfa minimal(const Nfa &nfa) { return determinized(reversed(determinized(reversed(nfa)))); }

// A deterministic network numbered breadth first from the start along ordered keys: two
// networks have the same shape exactly when they are isomorphic.
using Shape = std::vector<std::pair<bool, std::map<Key, int>>>;
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

// --- Random networks ------------------------------------------------------------------------

// A random network with tuple and OTHER labels; with `acyclic` arcs only go from older to newer
// states. Some arcs carry one of two user pointers when `pointers` is set.
NET *random_network(std::mt19937 &random, int max_states, int max_arcs, bool acyclic,
                    bool pointers, bool epsilon) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const uint32_t labels[] = {'a', 'b', kora::pair_id('a', 'b'), kora::OTHER, kora::EPSILON};
  int count = 1 + pick(max_states);
  std::set<int> finals;
  std::vector<label_sequences::Arc> arcs;
  for (int i = 1; i < count; i++)
    if (pick(3) == 0) finals.insert(i);
  for (int i = pick(max_arcs + 1), from, to; i > 0; i--)
    if (from = pick(count), to = pick(count); !acyclic || from < to)
      arcs.push_back({from, labels[pick(epsilon ? 5 : 4)], to,
                      pointers && pick(3) == 0 ? label_sequences::kPointers[pick(2)] : nullptr});
  return network(count, finals, arcs);
}

// Each seed: a random_net (transducers, OTHER) and a network here that may be acyclic, carry
// user pointers, or be larger. The argument of the copying call stays untouched, and
// minimizing the result again changes nothing.
TEST_F(MinimizeTest, RandomNetworksMatchTheReferenceAndKeepTheirRelation) {
  for (unsigned seed = 1; seed <= 400; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    kora_test::RandomNetOptions options;
    options.max_states = 6;
    options.max_arcs = 10;
    options.transducer = seed % 3 == 0;
    options.other = seed % 2 == 0;
    NET *net = kora_test::random_net(random, options);
    net->flags.minimized = net->flags.pruned = net->flags.loop_free = 0;
    const bool large = seed % 7 == 0;
    NET *own = random_network(random, large ? 40 : 7, large ? 90 : 14, seed % 2 == 0,
                              seed % 4 < 2, seed % 3 != 0);
    for (NET *n : {net, own}) {
      const Shape expected = shape(minimal(nfa_of(n)));
      const kora_test::Symbols universe = kora_test::universe_of({n});
      const auto original = label_sequences::fingerprint(n);
      NET *result = kora::min_fsm(n, 1);
      EXPECT_EQ(label_sequences::fingerprint(n), original);
      EXPECT_EQ(label_sequences::fault(result, true), "");
      EXPECT_EQ(shape(nfa_of(result)), expected);
      EXPECT_EQ(result->num_states, expected.size());
      std::set<uint32_t> labels;
      for (const auto &[from, key, to] : nfa_of(result).arcs) labels.insert(key.first);
      EXPECT_EQ(kora_test::alph_members(result->labels), labels);
      const kora_test::Relation before = kora_test::enumerate(n, universe, 3);
      const kora_test::Relation after = kora_test::enumerate(result, universe, 3);
      EXPECT_EQ(before, after) << kora_test::describe(before) << " became "
                               << kora_test::describe(after);
      result->flags.minimized = 0;
      kora::min_fsm(result, 0);
      EXPECT_EQ(shape(nfa_of(result)), expected);
      free_network(result);
      free_network(n);
    }
  }
}

// --- Edge cases -----------------------------------------------------------------------------

// Deep networks, acyclic and cyclic: no recursion follows the input.
TEST_F(MinimizeTest, LongChainsAndCycles) {
  const int length = 30000;
  std::vector<label_sequences::Arc> arcs;
  for (int i = 0; i < length; i++) arcs.push_back({i, i % 2 ? uint32_t{'a'} : uint32_t{'b'}, i + 1});
  NET *chain = network(length + 1, {length}, arcs);
  EXPECT_EQ(minimize_net(chain), 0);
  EXPECT_EQ(chain->num_states, static_cast<uint32_t>(length + 1));
  free_network(chain);

  arcs.back().to = 0;
  std::set<int> finals;
  for (int i = 0; i < length; i += 2) finals.insert(i);
  NET *cycle = network(length, finals, arcs);
  EXPECT_EQ(minimize_net(cycle), 0);
  EXPECT_EQ(cycle->num_states, 2u);
  free_network(cycle);
}

// OTHER and unused symbols leave the sigma only when no arc uses OTHER.
TEST_F(MinimizeTest, SigmaIsCleanedUp) {
  for (bool other_used : {false, true}) {
    NET *net = other_used ? network(2, {1}, {{0, 'a', 1}, {0, kora::OTHER, 1}})
                          : network(3, {1}, {{0, 'a', 1}, {0, kora::OTHER, 2}, {1, 'b', 1}});
    alph_add_to(net->sigma, 'z', 0);
    EXPECT_EQ(minimize_net(net), 0);
    EXPECT_EQ(test_alph_member(net->sigma, kora::OTHER), other_used);
    EXPECT_EQ(test_alph_member(net->sigma, 'z'), other_used);
    EXPECT_TRUE(test_alph_member(net->sigma, 'a'));
    free_network(net);
  }
}

// Each representation is tried with the later ones present too, so that the order shows; the
// refused network is left alone.
TEST_F(MinimizeTest, RefusalsComeInTheirOrderAndChangeNothing) {
  EXPECT_EQ(minimize_net(nullptr), 1);
  NET *empty = make_empty_net();
  EXPECT_EQ(minimize_net(empty), 1);
  free_network(empty);
  NET *net = network(3, {1, 2}, {{0, 'a', 1}, {0, 'b', 2}});
  auto set_from = [&](int first, int on) {
    if (first <= 0) net->flags2.has_arc_vectors = on;
    if (first <= 1) net->flags.compacted = on;
    if (first <= 2) net->flags2.optimized = on;
    if (first <= 3) net->flags.shared_arc_lists = on;
  };
  for (int first = 0; first < 4; first++) {
    set_from(first, 1);
    EXPECT_EQ(minimize_net(net), 1);
    set_from(first, 0);
  }
  EXPECT_EQ(net->num_states, 3u);
  free_network(net);
  NET *null = kora::min_fsm(nullptr, 0);
  ASSERT_NE(null, nullptr);
  EXPECT_EQ(null->num_states, 1u);
  free_network(null);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"A NULL pointer cannot be minimized.",
                                      "A network without a start state cannot be minimized.",
                                      "A vectorized network cannot be minimized.",
                                      "A compacted network cannot be minimized.",
                                      "An arc-optimized network cannot be minimized.",
                                      "A network with shared arcs cannot be minimized.",
                                      "min_fsm: argument is NULL."}));
}

}  // namespace
