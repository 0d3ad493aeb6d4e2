// Path counts: random acyclic networks against a brute-force count, cycles, saturation (with the
// summary that relies on it), and a long chain.

#include <cstdio>
#include <random>
#include <vector>

#include "kora_test.h"
#include "language.h"
#include "path-counts.h"
#include "print.h"

namespace {

using kora::path_count;
using kora_test::messages;
using Strings = std::vector<std::string>;

class PathCountsTest : public kora_test::Library {};

// The paths from `from` to final states, by walking every path (exponential, for small networks).
uint64_t brute_force_paths(const STATE *from) {
  uint64_t paths = from->flags.final;
  for (const ARC *arc = from->arcs; arc != nullptr; arc = arc->next)
    paths += brute_force_paths(arc->destination);
  return paths;
}

// Random networks whose arcs go from lower to higher states only; the count of every state must
// match brute force.
TEST_F(PathCountsTest, RandomAcyclicNetworksMatchBruteForce) {
  kora_test::for_seeds(200, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 10, .max_arcs = 30, .acyclic = true, .epsilon = false});
    net->flags.loop_free = 0;
    ASSERT_EQ(kora::index_net(net), kora::PATHS_INDEXED);
    for (STATE *s = net->states; s != nullptr; s = s->next) {
      ASSERT_EQ(path_count(s), brute_force_paths(s));
      EXPECT_EQ(s->flags.visit_mark, 0);
    }
    EXPECT_TRUE(net->flags.loop_free && net->flags.paths_indexed);
    EXPECT_FALSE(net->flags.visit_marks_dirty);
    free_network(net);
  });
}

TEST_F(PathCountsTest, CyclesGiveCircularAndClearLoopFree) {
  NET *net = kora_test::build_net(3, {1}, {{0, 'x', 1}, {1, 'y', 2}, {2, 'z', 1}});
  net->flags.loop_free = 1;  // a wrong mark, which the walk corrects
  EXPECT_EQ(kora::index_net(net), kora::PATHS_CIRCULAR);
  EXPECT_FALSE(net->flags.loop_free || net->flags.paths_indexed);
  EXPECT_EQ(messages().warnings, Strings{"index_net: Net incorrectly marked as loop-free."});
  for (STATE *s = net->states; s != nullptr; s = s->next)
    EXPECT_TRUE(s->client_cell == nullptr && s->flags.visit_mark == 0);
  free_network(net);

  // A cycle that the start state cannot reach still counts.
  NET *unreached = kora_test::build_net(2, {}, {{1, 'x', 1}});
  EXPECT_EQ(kora::index_net(unreached), kora::PATHS_CIRCULAR);
  EXPECT_EQ(messages().warnings.size(), 1u) << "a loop arc already cleared loop_free";
  free_network(unreached);
}

// A chain of `steps` states each joined to the next by two arcs: 2^steps paths.
NET *doubling_chain(int steps) {
  NET *net = null_net();
  STATE *last = net->start;
  for (int i = 0; i < steps; i++) {
    STATE *next = add_state_to_net(net, i == steps - 1);
    add_arc_to_state(net, last, 'a', next, nullptr, 0);
    add_arc_to_state(net, last, 'b', next, nullptr, 0);
    last = next;
  }
  return net;
}

TEST_F(PathCountsTest, CountsSaturateAt64BitsHoweverLongTheChain) {
  NET *exact = doubling_chain(63);
  EXPECT_EQ(kora::index_net(exact), kora::PATHS_INDEXED);
  EXPECT_EQ(path_count(exact->start), uint64_t{1} << 63);
  free_network(exact);

  NET *overflow = doubling_chain(64);
  EXPECT_EQ(kora::index_net(overflow), kora::PATHS_OVERFLOW);
  EXPECT_TRUE(overflow->flags.loop_free && !overflow->flags.paths_indexed);
  EXPECT_EQ(overflow->start->client_cell, nullptr);
  // 32 bytes of labels, 528 of sigma (128 slots), 16 * (65 + 128) of states and arcs.
  EXPECT_EQ(kora_test::written_by([&](FILE *s) { kora::print_net_size(overflow, s, "\n"); }),
            "3.6 Kb. 65 states, 128 arcs, more than 4294967295 paths.\n");
  free_network(overflow);

  // On a small stack, which a recursion along the chain would overflow.
  NET *long_chain = doubling_chain(100000);
  kora_test::with_small_stack([&] { EXPECT_EQ(kora::index_net(long_chain), kora::PATHS_OVERFLOW); });
  free_network(long_chain);
}

}  // namespace
