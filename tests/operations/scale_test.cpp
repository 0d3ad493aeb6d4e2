// Networks far larger than the random ones: chains and a cycle of 100000 states and a state
// with 50000 arcs go through copying, determinization, minimization, reversal and pruning. Each
// runs on a 256 KiB stack, which a recursion along the chain would overflow, and at sizes where
// a pass that is quadratic in the states or in the arcs of one state would take minutes.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "determinize.h"
#include "epsilon.h"
#include "kora_test.h"
#include "label_sequences.h"
#include "networks.h"
#include "prune.h"
#include "struct.h"

namespace {

using kora_test::chain_net;
using kora_test::fan_net;
using kora_test::with_small_stack;

class ScaleTest : public kora_test::Library {};

constexpr int kLength = 100000;
constexpr int kWidth = 50000;

const struct {
  const char *name;
  NET *(*apply)(NET *net);  // gives the result, which may be the argument
  bool deterministic;       // whether the result must be
} kOperations[] = {
    {"copy", [](NET *net) { return copy_net(net); }, false},
    {"determinize", [](NET *net) { return kora::determinize_fsm(net, 0); }, true},
    {"minimize", [](NET *net) { return minimize_net(net), net; }, true},
    {"reverse", [](NET *net) { return reverse_net(net, 0); }, true},  // minimized by word 16
    {"prune", [](NET *net) { return kora::prune_fsm(net, 0); }, false},
};

// Each state i of a chain has a -> i+1 and a -> a dead end of its own: every step of the
// determinization makes a set state, and pruning deletes half of the states.
NET *chain_with_dead_ends() {
  std::vector<kora_test::Arc> arcs;
  for (int i = 0; i < kLength; i++) arcs.insert(arcs.end(), {{2 * i, 'a', 2 * i + 2}, {2 * i, 'a', 2 * i + 1}});
  NET *net = kora_test::build_net(2 * kLength + 1, {2 * kLength}, arcs);
  net->flags.pruned = net->flags.minimized = 0;
  return net;
}

// Each operation on each shape, which must leave the number of states given for it and a clean
// result: a chain, (ab)* as a cycle (whose minimal network has two states), a chain with dead
// ends, and a state with arcs of distinct labels or of one label.
TEST_F(ScaleTest, ChainCycleAndFan) {
  const kora_test::Symbols labels = kora_test::many_symbols(kWidth);
  const uint32_t chain = kLength + 1, fan = kWidth + 1, dead_ends = 2 * kLength + 1;
  const struct {
    const char *name;
    std::function<NET *()> make;
    std::array<uint32_t, std::size(kOperations)> states;
  } shapes[] = {
      {"chain", [] { return chain_net(kLength); }, {chain, chain, chain, chain, chain}},
      {"cycle", [] { return chain_net(kLength, true); }, {kLength, kLength, 2, 2, kLength}},
      {"dead ends", chain_with_dead_ends, {dead_ends, chain, chain, chain, chain}},
      {"distinct labels", [&] { return fan_net(kWidth, labels); }, {fan, fan, 2, 2, fan}},
      {"one label", [] { return fan_net(kWidth, {'a'}); }, {fan, 2, 2, 2, fan}},
  };
  for (const auto &shape : shapes)
    for (size_t i = 0; i < std::size(kOperations); i++) {
      SCOPED_TRACE(std::string(shape.name) + ", " + kOperations[i].name);
      with_small_stack([&] {
        NET *net = shape.make();
        NET *result = kOperations[i].apply(net);
        EXPECT_EQ(result->num_states, shape.states[i]);
        EXPECT_EQ(label_sequences::fault(result, kOperations[i].deterministic), "");
        if (result != net) free_network(result);
        free_network(net);
      });
    }
  EXPECT_TRUE(kora_test::messages().errors.empty());
}

// Each state i has a -> i+1 and a -> a dead end of its own, so every step makes a set state:
// kLength of them in one chain.
TEST_F(ScaleTest, DeterminizeMakesAChainOfSetStates) {
  with_small_stack([] {
    std::vector<kora_test::Arc> arcs;
    for (int i = 0; i < kLength; i++)
      arcs.insert(arcs.end(), {{2 * i, 'a', 2 * i + 2}, {2 * i, 'a', 2 * i + 1}});
    NET *net = kora_test::build_net(2 * kLength + 1, {2 * kLength}, arcs);
    kora::determinize_fsm(net, 0);
    EXPECT_EQ(net->num_states, kLength + 1u);
    EXPECT_EQ(label_sequences::fault(net, true), "");
    free_network(net);
  });
}

// A chain of kLength EPSILON arcs before one a: the closure walk follows all of it.
TEST_F(ScaleTest, EpsilonRemovalFollowsALongEpsilonChain) {
  with_small_stack([] {
    std::vector<kora_test::Arc> arcs;
    for (int i = 0; i < kLength; i++) arcs.push_back({i, kora::EPSILON, i + 1});
    arcs.push_back({kLength, 'a', kLength + 1});
    NET *net = kora_test::build_net(kLength + 2, {kLength + 1}, arcs);
    kora::remove_epsilons(net, 0);
    EXPECT_EQ(net->num_states, 2u);
    EXPECT_EQ(label_sequences::fault(net), "");
    free_network(net);
  });
}

}  // namespace
