// Epsilon removal: the label sequences (and so the relation) stay, the EPSILON arcs go, and the
// flags and scratch fields are left as promised.

#include <random>

#include "epsilon.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "language.h"

namespace {

using kora::remove_epsilons;
using label_sequences::accepted;
using label_sequences::fault;
using label_sequences::fingerprint;
using label_sequences::network;

class EpsilonTest : public kora_test::Library {};

TEST_F(EpsilonTest, RandomNetworksKeepTheirLanguageWithoutEpsilonArcs) {
  for (unsigned seed = 1; seed <= 300; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    kora_test::RandomNetOptions options;
    options.max_states = 6;
    options.max_arcs = 12;
    options.transducer = random() % 2 == 0;
    options.other = random() % 3 == 0;
    NET *net = kora_test::random_net(random, options);
    if (seed % 3 == 0) label_sequences::add_pointer_arcs(net, random, 3);
    auto before = fingerprint(net);
    auto sequences = accepted(net, 3, true);
    bool had_epsilon = !net->flags.epsilon_free;

    NET *result = remove_epsilons(net, 1);
    ASSERT_NE(result, net);
    EXPECT_EQ(fingerprint(net), before) << "the argument of a copying call is untouched";
    EXPECT_EQ(fault(result), "");
    if (had_epsilon) {
      EXPECT_FALSE(result->flags.deterministic);
      EXPECT_EQ(label_sequences::unreachable_states(result), 0u);
    }
    EXPECT_EQ(accepted(result, 3, true), sequences);

    kora_test::Symbols universe = kora_test::universe_of({net});
    kora_test::Relation removed = kora_test::enumerate(result, universe, 3);
    for (const kora_test::StringPair &pair : kora_test::enumerate(net, universe, 3))
      EXPECT_EQ(removed.count(pair), 1u) << "paths only get shorter: " << kora_test::describe({pair});

    EXPECT_EQ(remove_epsilons(net, 0), net);
    EXPECT_EQ(fault(net), "");
    EXPECT_EQ(accepted(net, 3, true), sequences);
    free_network(result);
    free_network(net);
  }
}

TEST_F(EpsilonTest, ClosureOriginTakesFinalityAndEpsilonOnlyStatesGo) {
  // 0 -0-> 1 (final) -a-> 2 -b:0-> 3 (final), and 0 -a-> 2, which the closure's copy duplicates.
  std::vector<STATE *> st;
  NET *net = network(4, {1, 3}, {{0, kora::EPSILON, 1}, {1, 'a', 2}, {0, 'a', 2},
                                 {2, kora::pair_id('b', kora::EPSILON), 3}}, &st);
  ASSERT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(fault(net), "");
  EXPECT_EQ(net->start, st[0]);
  EXPECT_TRUE(st[0]->flags.final) << "a final state reached by EPSILON makes its origin final";
  EXPECT_EQ(net->num_states, 3u) << "the state entered only through EPSILON is gone";
  ASSERT_NE(st[0]->arcs, nullptr);
  EXPECT_EQ(st[0]->arcs->next, nullptr) << "equal copies collapse into one arc";
  EXPECT_EQ(st[2]->arcs->label, kora::pair_id('b', kora::EPSILON)) << "b:0 is not an EPSILON arc";
  free_network(net);
}

TEST_F(EpsilonTest, EpsilonFreeNetworksAndCopies) {
  NET *net = symbol_net("a");
  net->flags.epsilon_free = 0;  // no EPSILON arc although not marked: found and marked
  EXPECT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(fault(net), "");
  EXPECT_TRUE(net->flags.deterministic) << "nothing was rebuilt";
  NET *copy = remove_epsilons(net, 1);
  EXPECT_NE(copy, net) << "copy_flag 1 always hands back a new network";
  EXPECT_EQ(fingerprint(copy), fingerprint(net));
  free_network(copy);
  free_network(net);
  EXPECT_EQ(remove_epsilons(nullptr, 0), nullptr);
}

TEST_F(EpsilonTest, OtherRepresentationsAreRefused) {
  NET *net = network(2, {1}, {{0, kora::EPSILON, 1}});
  auto before = fingerprint(net);
  net->flags2.has_arc_vectors = 1;
  EXPECT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(kora_test::messages().errors,
            std::vector<std::string>{"Cannot do this operation on a vectorized network."});
  net->flags2.has_arc_vectors = 0;
  EXPECT_EQ(fingerprint(net), before);
  EXPECT_FALSE(net->flags.epsilon_free);
  free_network(net);
}

// A chain of 100000 EPSILON arcs: the closure walk must not recurse along it.
TEST_F(EpsilonTest, LongEpsilonChain) {
  const int length = 100000;
  std::vector<label_sequences::Arc> arcs;
  for (int i = 0; i < length; i++) arcs.push_back({i, kora::EPSILON, i + 1});
  arcs.push_back({length, 'a', length + 1});
  NET *net = network(length + 2, {length + 1}, arcs);
  remove_epsilons(net, 0);
  EXPECT_EQ(net->num_states, 2u);
  EXPECT_EQ(net->num_arcs, 1u);
  EXPECT_EQ(fault(net), "");
  free_network(net);
}

}  // namespace
