// Vectorization: vectorizing and unvectorizing keep the language and the arcs of every state;
// lookup on vectorized networks with epsilon cycles and inserted networks; the refusals and edge
// cases; and the bimachine search with its direction messages. Lookup on random vectorized
// networks, also optimized ones whose vectors take in ALTCHAIN arcs, is checked with the other
// forms in forms_test.cpp, every exported function on a vectorized network in virtual_test.cpp.

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "apply.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "struct.h"

namespace {

using kora::EPSILON;
using kora::OTHER;

class VectorizeTest : public kora_test::LineFeedLibrary {};

// The results of applying `net` to `input` from `side`, sorted.
std::vector<std::string> results(NET *net, const std::string &input, int side) {
  return kora_test::sorted_results(net, side, input);
}

// Every state's arcs as (label, destination) pairs, by state.
std::map<const STATE *, std::vector<std::pair<uint32_t, const STATE *>>> arcs_by_state(
    const NET *net) {
  std::map<const STATE *, std::vector<std::pair<uint32_t, const STATE *>>> arcs;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    auto &list = arcs[s];
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      list.emplace_back(arc->label, arc->destination);
    std::sort(list.begin(), list.end());
  }
  return arcs;
}

// A random deterministic network over a, b, c: a transducer for odd seeds, with OTHER for
// seeds divisible by 3, and for even seeds flags: @P.F.x@ and @R.F.x@ on arcs of their own
// (whose destinations read on), so that some paths are cut by their flags.
NET *random_deterministic_net(unsigned seed, std::mt19937 &random) {
  kora_test::RandomNetOptions options;
  options.max_states = 5;
  options.max_arcs = 14;
  options.transducer = seed % 2 == 1;
  options.other = seed % 3 == 0;
  NET *net = kora_test::random_net(random, options);
  minimize_net(net);
  if (seed % 2 == 0 && net->start != nullptr) {
    const uint32_t set = kora::symbol_id("@P.F.x@"), require = kora::symbol_id("@R.F.x@");
    std::vector<STATE *> states;
    for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
    STATE *from = states[random() % states.size()], *to = states[random() % states.size()];
    add_arc_to_state(net, from, set, to, nullptr, 0);
    from = states[random() % states.size()];
    to = states[random() % states.size()];
    add_arc_to_state(net, from, require, to, nullptr, 0);
  }
  return net;
}

TEST_F(VectorizeTest, VectorizingAndBackKeepTheLanguageAndTheArcsOfEachState) {
  int vectorized = 0;
  kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
    NET *net = random_deterministic_net(seed, random);
    const kora_test::Symbols universe = kora_test::universe_of({net});
    const kora_test::Relation language = kora_test::enumerate(net, universe, 3);
    const auto arcs = arcs_by_state(net);
    const uint32_t arc_count = net->num_arcs;
    const int states = vectorize_states(net, 1 + static_cast<int>(seed % 3));
    vectorized += states;
    EXPECT_EQ(net->flags2.has_arc_vectors, states > 0 ? 1 : 0);
    EXPECT_EQ(net->num_arcs, arc_count);
    // A copy is plain and has the language.
    NET *copy = copy_net(net);
    EXPECT_EQ(copy->flags2.has_arc_vectors, 0);
    EXPECT_EQ(kora_test::enumerate(copy, universe, 3), language);
    free_network(copy);
    EXPECT_EQ(unvectorize_net(net), states);
    EXPECT_EQ(net->flags2.has_arc_vectors, 0);
    EXPECT_EQ(arcs_by_state(net), arcs);
    EXPECT_EQ(net->num_arcs, arc_count);
    EXPECT_EQ(kora_test::enumerate(net, universe, 3), language);
    free_network(net);
  });
  EXPECT_GT(vectorized, 40);
}

TEST_F(VectorizeTest, NetworksThatCannotOrNeedNotBeVectorized) {
  // Three arcs at most: a threshold of four vectorizes nothing.
  NET *fan = kora_test::fan_net(3, {'a', 'b', 'c'});
  EXPECT_EQ(vectorize_states(fan, 4), 0);
  EXPECT_EQ(fan->flags2.has_arc_vectors, 0);
  EXPECT_EQ(int_parameters()->word[KORA_VECTORIZE_THRESHOLD], 50);  // restored
  EXPECT_EQ(vectorize_states(fan, 3), 1);
  EXPECT_EQ(vectorize_states(fan, 1), 0);  // already vectorized
  EXPECT_TRUE(kora_test::messages().warnings.empty());
  // Operations that edit arcs refuse it; unvectorized, it is the network it was.
  EXPECT_EQ(minimize_net(fan), 1);
  EXPECT_EQ(kora_test::messages().errors,
            std::vector<std::string>{"A vectorized network cannot be minimized."});
  EXPECT_EQ(unvectorize_net(fan), 1);
  EXPECT_EQ(minimize_net(fan), 0);
  free_network(fan);

  kora_test::messages().clear();
  NET *choice = kora_test::build_net(3, {1, 2}, {{0, 'a', 1}, {0, 'a', 2}, {0, 'b', 1}});
  const auto arcs = arcs_by_state(choice);
  EXPECT_EQ(vectorize_states(choice, 1), 0);
  EXPECT_EQ(kora_test::messages().warnings,
            std::vector<std::string>{"Can't vectorize a non-deterministic network."});
  EXPECT_EQ(arcs_by_state(choice), arcs);
  free_network(choice);
}

// 0:b and 0:c lead back and forth between two vector states that read nothing on the upper
// side: the cycle is never gone round (state 1 is not entered twice after reading a), so each
// result comes once and the search ends.
TEST_F(VectorizeTest, AnEpsilonCycleBetweenVectorStatesGivesEachResultOnce) {
  const uint32_t to_b = kora::pair_id(EPSILON, 'b'), to_c = kora::pair_id(EPSILON, 'c');
  NET *net = kora_test::build_net(3, {1, 2}, {{0, 'a', 1}, {1, to_b, 2}, {2, to_c, 1}, {1, 'x', 0}});
  NET *plain = copy_net(net);
  EXPECT_EQ(vectorize_states(net, 1), 3);
  const std::vector<std::string> expected = {"a", "ab"};
  EXPECT_EQ(results(plain, "a", 0), expected);
  EXPECT_EQ(results(net, "a", 0), expected);
  EXPECT_EQ(results(net, "ax", 0), std::vector<std::string>{});
  free_network(net);
  free_network(plain);
}

// A network inserted by @I.name@ is vectorized with the network that names it, and the search
// enters it and comes back.
TEST_F(VectorizeTest, InsertedNetworksAreVectorizedAndSearched) {
  NET *inner = kora_test::build_net(2, {1}, {{0, 'x', 1}, {0, 'y', 1}, {0, 'z', 1}});
  ASSERT_EQ(define_net("inner", inner, 0), 0);
  const uint32_t insert = kora::symbol_id("@I.inner@");
  NET *outer = kora_test::build_net(
      3, {2}, {{0, 'a', 1}, {0, 'b', 1}, {0, 'c', 1}, {1, insert, 2}, {1, 'q', 2}});
  NET *plain = copy_net(outer);
  EXPECT_EQ(vectorize_states(outer, 3), 2);
  EXPECT_TRUE(net("inner")->flags2.has_arc_vectors);
  for (const char *input : {"ax", "bz", "cq", "a", "axx"})
    EXPECT_EQ(results(outer, input, 0), results(plain, input, 0)) << input;
  EXPECT_EQ(results(outer, "by", 0).size(), 1u);
  EXPECT_EQ(unvectorize_net(outer), 2);
  EXPECT_FALSE(net("inner")->flags2.has_arc_vectors);
  free_network(outer);
  free_network(plain);
}

// A bimachine: the left half writes each symbol's class (vowel V, else the symbol itself, OTHER
// copying an unknown one), the right half, reading from the end, rewrites the class V as its
// position's mark. Switched to apply up, the left half (sequentialized for down) gives the
// direction message; halves marked for the other side are refused.
TEST_F(VectorizeTest, ABimachineRunsItsHalvesOneAfterTheOther) {
  NET *left = kora_test::build_net(
      1, {0}, {{0, kora::pair_id('a', 'V'), 0}, {0, 'b', 0}, {0, OTHER, 0}});
  left->flags2.left_bimachine = 1;
  left->flags2.upper_sequentialized = 1;
  NET *right = kora_test::build_net(
      2, {0, 1}, {{0, kora::pair_id('V', 'A'), 1}, {1, kora::pair_id('V', 'e'), 1},
                  {0, 'b', 0}, {1, 'b', 1}, {0, OTHER, 0}, {1, OTHER, 1}});
  right->flags2.right_bimachine = 1;
  right->flags2.upper_sequentialized = 1;
  APPLY_CONTEXT *applyer = init_apply_bimachine(left, right, 0, nullptr);
  ASSERT_NE(applyer, nullptr);
  // Read from the end: the last vowel becomes A, the vowels before it e.
  EXPECT_STREQ(apply_to_string("aba", applyer), "ebA\n");
  EXPECT_STREQ(apply_to_string("abq", applyer), "Abq\n");  // q, unknown, copied through
  switch_input_side(applyer);
  EXPECT_STREQ(apply_to_string("aba", applyer), "");
  EXPECT_EQ(kora_test::messages().warnings,
            std::vector<std::string>{"This is a downwards bimachine. It cannot be applied upwards."});
  free_applyer(applyer);
  kora_test::messages().clear();

  EXPECT_EQ(init_apply_bimachine(left, right, 1, nullptr), nullptr);
  EXPECT_EQ(init_apply_bimachine(right, left, 0, nullptr), nullptr);
  EXPECT_EQ(kora_test::messages().errors,
            std::vector<std::string>(2, "No parse table created because FSTs do not belong to a "
                                        "bimachine or they are incorrectly marked."));
  kora_test::messages().clear();

  // Sequentialized for up but applied down: the search names the direction.
  left->flags2.upper_sequentialized = 0;
  left->flags2.lower_sequentialized = 1;
  right->flags2.lower_sequentialized = 1;
  applyer = init_apply_bimachine(left, right, 1, nullptr);
  ASSERT_NE(applyer, nullptr);
  switch_input_side(applyer);
  EXPECT_STREQ(apply_to_string("aba", applyer), "");
  EXPECT_EQ(kora_test::messages().warnings,
            std::vector<std::string>{"This is an upwards bimachine. It cannot be applied downwards."});
  free_applyer(applyer);
  free_network(left);
  free_network(right);
}

}  // namespace
