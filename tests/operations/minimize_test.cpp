// Minimization checked against the reference minimizer of structure.h (Brzozowski's: determinize
// the reversal twice, over (label, user pointer) keys): the result must be isomorphic to the
// reference's minimal network, keep the relation the oracle enumerates, and stay the same when
// minimized again, with the label set following the arcs. Then the sigma cleanup and the
// refusals; large networks are in scale_test.cpp.

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
using kora_test::build_net;
using kora_test::minimal;
using kora_test::nfa_of;
using kora_test::shape;
using kora_test::Shape;

class MinimizeTest : public kora_test::Library {};

// Each seed minimizes a random network (transducers, OTHER, user pointers with twin arcs), on
// some seeds acyclic or larger. The argument of the copying call stays untouched, and
// minimizing the result again changes nothing.
TEST_F(MinimizeTest, RandomNetworksMatchTheReferenceAndKeepTheirRelation) {
  kora_test::for_seeds(800, [&](unsigned seed, std::mt19937 &random) {
    const bool large = seed % 7 == 0;
    NET *net = kora_test::random_net(
        random, {.max_states = large ? 30 : 7, .max_arcs = large ? 60 : 14, .acyclic = seed % 2 == 0,
                 .transducer = seed % 3 == 0, .epsilon = seed % 5 != 0, .other = seed % 4 < 2,
                 .pointers = seed % 8 < 3});
    net->flags.minimized = net->flags.pruned = net->flags.loop_free = 0;
    const Shape expected = shape(minimal(nfa_of(net)));
    const kora_test::Symbols universe = kora_test::universe_of({net});
    const auto original = label_sequences::fingerprint(net);
    NET *result = kora::min_fsm(net, 1);
    EXPECT_EQ(label_sequences::fingerprint(net), original);
    EXPECT_EQ(label_sequences::fault(result, true), "");
    EXPECT_EQ(shape(nfa_of(result)), expected);
    EXPECT_EQ(result->num_states, expected.size());
    std::set<uint32_t> labels;
    for (const auto &[from, key, to] : nfa_of(result).arcs) labels.insert(key.first);
    EXPECT_EQ(kora_test::alph_members(result->labels), labels);
    if (!large) {
      const kora_test::Relation before = kora_test::enumerate(net, universe, 3);
      const kora_test::Relation after = kora_test::enumerate(result, universe, 3);
      EXPECT_EQ(before, after) << kora_test::describe(before) << " became "
                               << kora_test::describe(after);
    }
    result->flags.minimized = 0;
    kora::min_fsm(result, 0);
    EXPECT_EQ(shape(nfa_of(result)), expected);
    free_network(result);
    free_network(net);
  });
}

// --- Edge cases -----------------------------------------------------------------------------

// OTHER and unused symbols leave the sigma only when no arc uses OTHER.
TEST_F(MinimizeTest, SigmaIsCleanedUp) {
  for (bool other_used : {false, true}) {
    NET *net = other_used ? build_net(2, {1}, {{0, 'a', 1}, {0, kora::OTHER, 1}})
                          : build_net(3, {1}, {{0, 'a', 1}, {0, kora::OTHER, 2}, {1, 'b', 1}});
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
  NET *net = build_net(3, {1, 2}, {{0, 'a', 1}, {0, 'b', 2}});
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
