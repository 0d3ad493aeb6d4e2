// Minimization checked against a reference minimizer written here (epsilon closure, subset
// construction and Moore's refinement over (label, user pointer) keys): the result must be
// isomorphic to the reference's minimal network, keep the relation the oracle enumerates, and
// stay the same when minimized again. Then the edge cases and the refusals.

#include <algorithm>
#include <map>
#include <queue>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "determinize.h"
#include "kora_test.h"
#include "label-index.h"
#include "label.h"
#include "label_sequences.h"
#include "language.h"
#include "minimize-classes.h"
#include "minimize.h"
#include "struct.h"

namespace {

using kora_test::messages;
using label_sequences::network;

class MinimizeTest : public kora_test::Library {};

// --- The reference --------------------------------------------------------------------------

using Key = std::pair<uint32_t, const void *>;  // label, user pointer

struct Dfa {
  std::vector<bool> final;
  std::vector<std::map<Key, int>> next;
  int start = 0;
};

// The minimal deterministic network of `net` over keys, by the textbook route.
Dfa reference_minimal(const NET *net) {
  std::map<const STATE *, int> id;
  std::vector<const STATE *> states;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    id[s] = static_cast<int>(states.size());
    states.push_back(s);
  }
  auto closure = [&](std::set<int> set) {
    std::vector<int> todo(set.begin(), set.end());
    while (!todo.empty()) {
      int s = todo.back();
      todo.pop_back();
      for (const ARC *a = states[s]->arcs; a != nullptr; a = a->next)
        if (a->label == kora::EPSILON && set.insert(id[a->destination]).second)
          todo.push_back(id[a->destination]);
    }
    return set;
  };
  // Subset construction.
  std::map<std::set<int>, int> found;
  std::vector<std::set<int>> sets;
  Dfa dfa;
  auto state_of = [&](const std::set<int> &set) {
    auto [it, made] = found.emplace(set, static_cast<int>(sets.size()));
    if (made) {
      sets.push_back(set);
      dfa.final.push_back(std::any_of(set.begin(), set.end(),
                                      [&](int s) { return states[s]->flags.final; }));
      dfa.next.emplace_back();
    }
    return it->second;
  };
  state_of(closure({id[net->start]}));
  for (size_t d = 0; d < sets.size(); ++d) {
    std::map<Key, std::set<int>> moves;
    for (int s : sets[d])
      for (const ARC *a = states[s]->arcs; a != nullptr; a = a->next)
        if (a->label != kora::EPSILON)
          moves[{a->label, kora::arc_user_pointer(a)}].insert(id[a->destination]);
    for (auto &[key, set] : moves) {
      int dest = state_of(closure(set));
      dfa.next[d][key] = dest;
    }
  }
  // States from which a final state is reachable.
  size_t n = sets.size();
  std::vector<bool> alive(n, false);
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t d = 0; d < n; ++d) {
      bool now = dfa.final[d];
      for (auto &[key, dest] : dfa.next[d]) now = now || alive[dest];
      if (now && !alive[d]) alive[d] = grew = true;
    }
  }
  Dfa minimal;
  if (!alive[0]) return {{false}, {{}}, 0};
  // Moore's refinement over the live states.
  std::vector<int> cls(n, 0);
  for (size_t d = 0; d < n; ++d) cls[d] = dfa.final[d] ? 1 : 0;
  for (size_t classes = 0;;) {
    std::map<std::pair<int, std::vector<std::pair<Key, int>>>, int> signature;
    std::vector<int> refined(n, -1);
    for (size_t d = 0; d < n; ++d) {
      if (!alive[d]) continue;
      std::vector<std::pair<Key, int>> arcs;
      for (auto &[key, dest] : dfa.next[d])
        if (alive[dest]) arcs.push_back({key, cls[dest]});
      refined[d] = signature.emplace(std::make_pair(cls[d], arcs), signature.size()).first->second;
    }
    cls = refined;
    if (signature.size() == classes) break;
    classes = signature.size();
  }
  int count = *std::max_element(cls.begin(), cls.end()) + 1;
  minimal.final.assign(count, false);
  minimal.next.resize(count);
  minimal.start = cls[0];
  for (size_t d = 0; d < n; ++d) {
    if (!alive[d]) continue;
    minimal.final[cls[d]] = dfa.final[d];
    for (auto &[key, dest] : dfa.next[d])
      if (alive[dest]) minimal.next[cls[d]][key] = cls[dest];
  }
  return minimal;
}

// Whether `net` is deterministic over keys, reaches all its states, and is isomorphic to `dfa`.
testing::AssertionResult matches(const NET *net, const Dfa &dfa) {
  auto failure = [] { return testing::AssertionFailure(); };
  std::map<const STATE *, int> image{{net->start, dfa.start}};
  std::set<int> used{dfa.start};
  std::queue<const STATE *> todo({net->start});
  while (!todo.empty()) {
    const STATE *s = todo.front();
    todo.pop();
    int d = image[s];
    if (s->flags.final != dfa.final[d]) return failure() << "finality differs";
    std::map<Key, const STATE *> arcs;
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) {
      if (a->label == kora::EPSILON) return failure() << "EPSILON arc";
      if (!arcs.emplace(Key{a->label, kora::arc_user_pointer(a)}, a->destination).second)
        return failure() << "two arcs with one label";
    }
    if (arcs.size() != dfa.next[d].size()) return failure() << "arcs differ";
    for (auto &[key, dest] : arcs) {
      auto expected = dfa.next[d].find(key);
      if (expected == dfa.next[d].end()) return failure() << "label differs";
      auto [it, made] = image.emplace(dest, expected->second);
      if (made && !used.insert(expected->second).second)
        return failure() << "two states for one reference state";
      if (made) todo.push(dest);
      if (it->second != expected->second) return failure() << "destination differs";
    }
  }
  if (image.size() != net->num_states || net->num_states != dfa.final.size())
    return failure() << net->num_states << " states, reached " << image.size() << ", expected "
                     << dfa.final.size();
  return testing::AssertionSuccess();
}

// --- Random networks ------------------------------------------------------------------------

// A random network; with `acyclic` arcs only go from older to newer states. Some arcs carry
// one of two user pointers when `pointers` is set.
NET *random_network(std::mt19937 &random, int max_states, int max_arcs, bool acyclic,
                    bool pointers, bool epsilon) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const uint32_t labels[] = {'a', 'b', kora::pair_id('a', 'b'), kora::OTHER};
  int count = 1 + pick(max_states);
  std::set<int> finals;
  for (int i = 1; i < count; i++)
    if (pick(3) == 0) finals.insert(i);
  std::vector<label_sequences::Arc> arcs;
  for (int i = pick(max_arcs + 1); i > 0; i--) {
    int from = pick(count), to = pick(count);
    uint32_t label = epsilon && pick(6) == 0 ? kora::EPSILON : labels[pick(4)];
    const void *pointer = pointers && pick(3) == 0 ? label_sequences::kPointers[pick(2)] : nullptr;
    if (!acyclic || from < to) arcs.push_back({from, label, to, pointer});
  }
  return network(count, finals, arcs);
}

// Minimizes a copy of `net` and checks it against the reference and against the relation the
// oracle enumerates, and that the argument is untouched; then minimizes the result again.
void check_minimization(NET *net) {
  Dfa expected = reference_minimal(net);
  kora_test::Symbols universe = kora_test::universe_of({net});
  auto original = label_sequences::fingerprint(net);
  NET *result = kora::min_fsm(net, 1);
  EXPECT_NE(result, net);
  EXPECT_EQ(label_sequences::fingerprint(net), original);
  EXPECT_TRUE(matches(result, expected));
  EXPECT_TRUE(result->flags.minimized && result->flags.deterministic &&
              result->flags.epsilon_free && result->flags.pruned);
  kora_test::Relation before = kora_test::enumerate(net, universe, 3);
  kora_test::Relation after = kora_test::enumerate(result, universe, 3);
  EXPECT_EQ(before, after) << kora_test::describe(before) << " became "
                           << kora_test::describe(after);
  uint32_t states = result->num_states, arcs = result->num_arcs;
  result->flags.minimized = 0;
  kora::min_fsm(result, 0);
  EXPECT_EQ(result->num_states, states);
  EXPECT_EQ(result->num_arcs, arcs);
  EXPECT_TRUE(matches(result, expected));
  free_network(result);
}

// Each seed: a random_net (transducers, OTHER) and a network here that may be acyclic or carry
// user pointers.
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
    NET *own = random_network(random, 7, 14, seed % 2 == 0, seed % 4 < 2, seed % 3 != 0);
    for (NET *n : {net, own}) {
      check_minimization(n);
      free_network(n);
    }
  }
}

TEST_F(MinimizeTest, LargerNetworksMatchTheReference) {
  for (unsigned seed = 1; seed <= 60; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = random_network(random, 40, 90, seed % 2 == 0, seed % 3 == 0, seed % 5 == 0);
    NET *result = kora::min_fsm(net, 1);
    EXPECT_TRUE(matches(result, reference_minimal(net)));
    free_network(result);
    free_network(net);
  }
}

// On acyclic deterministic networks both methods must find the same classes.
TEST_F(MinimizeTest, BothMethodsFindTheSameClasses) {
  for (unsigned seed = 1; seed <= 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = kora::determinize_fsm(random_network(random, 30, 80, true, seed % 2 == 0, false), 0);
    kora::LABEL_INDEX index;
    uint32_t labels = kora::renumber_arc_labels(net, &index);
    std::vector<STATE *> states;
    for (STATE *s = net->states; s != nullptr; s = s->next) {
      s->client_cell = reinterpret_cast<void *>(states.size());
      states.push_back(s);
    }
    uint32_t count = static_cast<uint32_t>(states.size());
    std::vector<uint32_t> acyclic(count), cyclic(count);
    int64_t classes = kora::acyclic_classes(states.data(), count, labels, acyclic.data());
    EXPECT_EQ(classes, kora::cyclic_classes(states.data(), count, labels, cyclic.data()));
    for (uint32_t i = 0; i < count; ++i)
      for (uint32_t j = 0; j < i; ++j)
        ASSERT_EQ(acyclic[i] == acyclic[j], cyclic[i] == cyclic[j]) << i << " " << j;
    for (STATE *s : states) s->client_cell = nullptr;
    kora::restore_arc_labels(net, &index);
    free_network(net);
  }
}

// --- Edge cases -----------------------------------------------------------------------------

TEST_F(MinimizeTest, NetworksWithoutTwoArcsAreOnlyMarked) {
  NET *loop = network(1, {0}, {{0, 'a', 0}});
  STATE *start = loop->start;
  loop->flags.deterministic = 0;
  EXPECT_EQ(kora::min_fsm(loop, 0), loop);
  EXPECT_EQ(loop->start, start);
  EXPECT_TRUE(loop->flags.minimized && loop->flags.deterministic && start->flags.deterministic);
  NET *lone = network(1, {}, {});
  EXPECT_EQ(minimize_net(lone), 0);
  EXPECT_TRUE(lone->flags.minimized && lone->flags.deterministic);
  free_network(loop);
  free_network(lone);
}

TEST_F(MinimizeTest, EmptyLanguageLeavesOneStateAndNoLabels) {
  NET *net = network(4, {}, {{0, 'a', 1}, {1, 'b', 2}, {2, kora::OTHER, 0}, {0, 'c', 3}});
  EXPECT_EQ(minimize_net(net), 0);
  EXPECT_EQ(net->num_states, 1u);
  EXPECT_EQ(net->num_arcs, 0u);
  EXPECT_FALSE(net->start->flags.final);
  EXPECT_TRUE(kora_test::alph_members(net->labels).empty());
  EXPECT_FALSE(test_alph_member(net->sigma, kora::OTHER));
  EXPECT_FALSE(test_alph_member(net->sigma, 'a'));
  free_network(net);
}

// A network marked minimized is trusted (its two equivalent states stay) but still pruned;
// OTHER and unused symbols leave the sigma only when no arc uses OTHER.
TEST_F(MinimizeTest, TrustedMarkAndSigmaCleanup) {
  NET *marked = network(4, {1, 2}, {{0, 'a', 1}, {0, 'b', 2}, {0, kora::OTHER, 3}});
  marked->flags.minimized = 1;
  EXPECT_EQ(minimize_net(marked), 0);
  EXPECT_EQ(marked->num_states, 3u);
  EXPECT_FALSE(test_alph_member(marked->sigma, kora::OTHER));
  EXPECT_TRUE(marked->flags.pruned);
  free_network(marked);

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

// Deep networks: no recursion follows the input, and both methods handle long paths.
TEST_F(MinimizeTest, LongChainsAndCycles) {
  const int length = 30000;
  std::vector<label_sequences::Arc> arcs;
  for (int i = 0; i < length; i++) arcs.push_back({i, i % 2 ? uint32_t{'a'} : uint32_t{'b'}, i + 1});
  NET *chain = network(length + 1, {length}, arcs);
  EXPECT_EQ(minimize_net(chain), 0);
  EXPECT_EQ(chain->num_states, static_cast<uint32_t>(length + 1));
  EXPECT_TRUE(chain->flags.loop_free);
  free_network(chain);

  arcs.back().to = 0;
  std::set<int> finals;
  for (int i = 0; i < length; i += 2) finals.insert(i);
  NET *cycle = network(length, finals, arcs);
  EXPECT_EQ(minimize_net(cycle), 0);
  EXPECT_EQ(cycle->num_states, 2u);
  EXPECT_FALSE(cycle->flags.loop_free);
  free_network(cycle);
}

TEST_F(MinimizeTest, RefusalsComeInTheirOrderAndChangeNothing) {
  EXPECT_EQ(minimize_net(nullptr), 1);
  NET *empty = make_empty_net();
  EXPECT_EQ(minimize_net(empty), 1);
  free_network(empty);

  // Each representation is tried with the later ones present too, so that the order shows.
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
  EXPECT_FALSE(net->flags.minimized);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"A NULL pointer cannot be minimized.",
                                      "A network without a start state cannot be minimized.",
                                      "A vectorized network cannot be minimized.",
                                      "A compacted network cannot be minimized.",
                                      "An arc-optimized network cannot be minimized.",
                                      "A network with shared arcs cannot be minimized."}));

  // ALTCHAIN arcs are left by arc optimization, which cannot be undone here.
  messages().clear();
  STATE *extra = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, kora::ALTCHAIN_SYMBOL, extra, nullptr, 0);
  EXPECT_EQ(minimize_net(net), 1);
  EXPECT_EQ(net->num_states, 4u);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"An arc-optimized network cannot be minimized."}));
  free_network(net);

  messages().clear();
  NET *null = kora::min_fsm(nullptr, 0);
  ASSERT_NE(null, nullptr);
  EXPECT_EQ(null->num_states, 1u);
  EXPECT_FALSE(null->start->flags.final);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"min_fsm: argument is NULL."});
  free_network(null);
}

}  // namespace
