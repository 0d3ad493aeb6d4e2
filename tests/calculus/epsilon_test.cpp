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
using label_sequences::epsilon_free_fault;
using label_sequences::fingerprint;
using label_sequences::unreachable_states;

class EpsilonTest : public kora_test::Library {};

kora_test::RandomNetOptions options_for(std::mt19937 &random) {
  kora_test::RandomNetOptions options;
  options.max_states = 6;
  options.max_arcs = 12;
  options.transducer = random() % 2 == 0;
  options.other = random() % 3 == 0;
  return options;
}

TEST_F(EpsilonTest, RandomNetworksKeepTheirLanguageWithoutEpsilonArcs) {
  for (unsigned seed = 1; seed <= 300; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = kora_test::random_net(random, options_for(random));
    if (seed % 3 == 0) label_sequences::add_pointer_arcs(net, random, 3);
    auto before = fingerprint(net);
    auto sequences = accepted(net, 3, true);
    bool had_epsilon = !net->flags.epsilon_free;

    NET *result = remove_epsilons(net, 1);
    ASSERT_NE(result, net);
    EXPECT_EQ(fingerprint(net), before) << "the argument of a copying call is untouched";
    EXPECT_EQ(epsilon_free_fault(result), "");
    if (had_epsilon) {
      EXPECT_FALSE(result->flags.deterministic);
      EXPECT_EQ(unreachable_states(result), 0u);
    }
    EXPECT_EQ(accepted(result, 3, true), sequences);

    kora_test::Symbols universe = kora_test::universe_of({net});
    kora_test::Relation original = kora_test::enumerate(net, universe, 3);
    kora_test::Relation removed = kora_test::enumerate(result, universe, 3);
    for (const kora_test::StringPair &pair : original)
      EXPECT_EQ(removed.count(pair), 1u) << "paths only get shorter: " << kora_test::describe({pair});

    EXPECT_EQ(remove_epsilons(net, 0), net);
    EXPECT_EQ(epsilon_free_fault(net), "");
    EXPECT_EQ(accepted(net, 3, true), sequences);
    free_network(result);
    free_network(net);
  }
}

TEST_F(EpsilonTest, ClosureOriginTakesFinalityAndEpsilonOnlyStatesGo) {
  NET *net = null_net();
  STATE *start = net->start;
  STATE *by_epsilon = add_state_to_net(net, 1);
  STATE *after = add_state_to_net(net, 0);
  STATE *end = add_state_to_net(net, 1);
  add_arc_to_state(net, start, kora::EPSILON, by_epsilon, nullptr, 0);
  add_arc_to_state(net, by_epsilon, 'a', after, nullptr, 0);
  add_arc_to_state(net, start, 'a', after, nullptr, 0);  // the closure's copy duplicates it
  add_arc_to_state(net, after, kora::pair_id('b', kora::EPSILON), end, nullptr, 0);

  ASSERT_EQ(remove_epsilons(net, 0), net);
  EXPECT_EQ(epsilon_free_fault(net), "");
  EXPECT_EQ(net->start, start);
  EXPECT_TRUE(start->flags.final) << "a final state reached by EPSILON makes its origin final";
  EXPECT_EQ(net->num_states, 3u) << "the state entered only through EPSILON is gone";
  ASSERT_NE(start->arcs, nullptr);
  EXPECT_EQ(start->arcs->next, nullptr) << "equal copies collapse into one arc";
  EXPECT_EQ(after->arcs->label, kora::pair_id('b', kora::EPSILON)) << "b:0 is not an EPSILON arc";
  EXPECT_EQ(unreachable_states(net), 0u);
  free_network(net);
}

TEST_F(EpsilonTest, EpsilonFreeNetworksAndCopies) {
  NET *net = symbol_net("a");
  net->flags.epsilon_free = 0;  // no EPSILON arc although not marked: found and marked
  EXPECT_EQ(remove_epsilons(net, 0), net);
  EXPECT_TRUE(net->flags.epsilon_free);
  EXPECT_TRUE(net->flags.deterministic) << "nothing was rebuilt";
  EXPECT_EQ(epsilon_free_fault(net), "");

  NET *copy = remove_epsilons(net, 1);
  EXPECT_NE(copy, net) << "copy_flag 1 always hands back a new network";
  EXPECT_EQ(fingerprint(copy), fingerprint(net));
  free_network(copy);
  free_network(net);
  EXPECT_EQ(remove_epsilons(nullptr, 0), nullptr);
}

TEST_F(EpsilonTest, OtherRepresentationsAreRefused) {
  NET *net = null_net();
  STATE *f = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, kora::EPSILON, f, nullptr, 0);
  auto before = fingerprint(net);
  net->flags2.has_arc_vectors = 1;
  EXPECT_EQ(remove_epsilons(net, 0), net);
  ASSERT_EQ(kora_test::messages().errors.size(), 1u);
  EXPECT_EQ(kora_test::messages().errors[0], "Cannot do this operation on a vectorized network.");
  net->flags2.has_arc_vectors = 0;
  EXPECT_EQ(fingerprint(net), before);
  EXPECT_FALSE(net->flags.epsilon_free);
  free_network(net);
}

// A chain of 100000 EPSILON arcs: the closure walk must not recurse along it.
TEST_F(EpsilonTest, LongEpsilonChain) {
  NET *net = null_net();
  STATE *last = net->start;
  for (int i = 0; i < 100000; i++) {
    STATE *next = add_state_to_net(net, 0);
    add_arc_to_state(net, last, kora::EPSILON, next, nullptr, 0);
    last = next;
  }
  STATE *end = add_state_to_net(net, 1);
  add_arc_to_state(net, last, 'a', end, nullptr, 0);
  remove_epsilons(net, 0);
  EXPECT_EQ(net->num_states, 2u);
  EXPECT_EQ(net->num_arcs, 1u);
  EXPECT_EQ(epsilon_free_fault(net), "");
  free_network(net);
}

}  // namespace
