// Epsilon removal: the label sequences stay, the EPSILON arcs and the states only they entered
// go, and networks already free of them are only marked.

#include <random>

#include "epsilon.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "networks.h"

namespace {

using kora::remove_epsilons;
using label_sequences::accepted;
using label_sequences::fault;
using label_sequences::fingerprint;
using kora_test::build_net;

class EpsilonTest : public kora_test::Library {};

// Each seed removes into a copy (the argument stays untouched) and then in place.
TEST_F(EpsilonTest, RandomNetworksKeepTheirLanguageWithoutEpsilonArcs) {
  kora_test::for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(random, {.max_states = 6, .max_arcs = 12,
                                              .transducer = random() % 2 == 0,
                                              .other = random() % 3 == 0, .pointers = seed % 3 == 0});
    auto before = fingerprint(net);
    auto sequences = accepted(net, 3, true);
    bool had_epsilon = !net->flags.epsilon_free;

    NET *result = remove_epsilons(net, 1);
    ASSERT_NE(result, net);
    EXPECT_EQ(fingerprint(net), before);
    EXPECT_EQ(fault(result), "");
    EXPECT_EQ(had_epsilon ? label_sequences::unreachable_states(result) : 0u, 0u);
    EXPECT_EQ(accepted(result, 3, true), sequences);
    EXPECT_EQ(remove_epsilons(net, 0), net);
    EXPECT_EQ(fault(net), "");
    EXPECT_EQ(accepted(net, 3, true), sequences);
    free_network(result);
    free_network(net);
  });
}

// A network without EPSILON arcs but not marked so is found out and marked; copy_flag 1 still
// copies.
TEST_F(EpsilonTest, EpsilonFreeNetworksAndCopies) {
  NET *net = symbol_net("a");
  net->flags.epsilon_free = 0;
  EXPECT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(fault(net), "");
  NET *copy = remove_epsilons(net, 1);
  EXPECT_NE(copy, net);
  EXPECT_EQ(fingerprint(copy), fingerprint(net));
  free_network(copy);
  free_network(net);
  EXPECT_EQ(remove_epsilons(nullptr, 0), nullptr);
}

TEST_F(EpsilonTest, VectorizedNetworksAreRefused) {
  NET *net = build_net(2, {1}, {{0, kora::EPSILON, 1}});
  auto before = fingerprint(net);
  net->flags2.has_arc_vectors = 1;
  EXPECT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(kora_test::messages().errors,
            std::vector<std::string>{"Cannot do this operation on a vectorized network."});
  EXPECT_EQ(fingerprint(net), before);
  net->flags2.has_arc_vectors = 0;
  free_network(net);
}

}  // namespace
