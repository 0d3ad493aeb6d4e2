// Epsilon removal and determinization on random networks, copied or in place (the other
// determinization cases are in determinize_test.cpp), and networks already free of EPSILON arcs,
// which are only marked.

#include <random>

#include "determinize.h"
#include "epsilon.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "networks.h"

namespace {

using kora::remove_epsilons;
using kora_test::atom_sequences;
using label_sequences::fault;
using label_sequences::fingerprint;

class EpsilonTest : public kora_test::Library {};

// Epsilon removal and determinization of random networks (transducers, OTHER, user pointers)
// into a copy, which leaves the argument untouched, and then in place, where the start state
// keeps its identity: the label sequences stay, the result is clean (and deterministic after
// determinization), of one size both ways, and reaches all its states when it was built anew.
TEST_F(EpsilonTest, RandomNetworksKeepTheirLabelSequencesCopiedOrInPlace) {
  const struct {
    const char *name;
    NET *(*apply)(NET *net, int copy);
    bool deterministic;
  } operations[] = {{"remove_epsilons", remove_epsilons, false},
                    {"determinize_fsm", kora::determinize_fsm, true}};
  for (const auto &operation : operations) {
    SCOPED_TRACE(operation.name);
    kora_test::for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
      NET *net = kora_test::random_net(
          random, {.max_states = 6, .max_arcs = 14, .transducer = random() % 2 == 0,
                   .epsilon = random() % 4 != 0, .other = random() % 3 == 0, .pointers = seed % 3 == 0});
      const auto before = fingerprint(net);
      const auto sequences = atom_sequences(net, 3, true);
      const bool built = !net->flags.epsilon_free || (operation.deterministic && !net->flags.deterministic);
      NET *copy = operation.apply(net, 1);
      ASSERT_NE(copy, net);
      EXPECT_EQ(fingerprint(net), before);
      STATE *start = net->start;
      ASSERT_EQ(operation.apply(net, 0), net);
      EXPECT_EQ(net->start, start);
      for (NET *result : {copy, net}) {
        EXPECT_EQ(fault(result, operation.deterministic), "");
        if (built && result->num_arcs >= 2) {
          EXPECT_EQ(label_sequences::unreachable_states(result), 0u);
        }
        EXPECT_EQ(atom_sequences(result, 3, true), sequences);
      }
      EXPECT_EQ(net->num_states, copy->num_states);
      EXPECT_EQ(net->num_arcs, copy->num_arcs);
      free_network(copy);
      free_network(net);
    });
  }
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

}  // namespace
