// Determinization: the label sequences stay, the result is deterministic and reaches all its
// states, set states are made only once, and user pointers and *AND_CHECK* arcs keep arcs
// apart.

#include <random>
#include <set>

#include "determinize.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "networks.h"

namespace {

using kora::determinize_fsm;
using label_sequences::accepted;
using label_sequences::fault;
using label_sequences::fingerprint;
using kora_test::build_net;
using kora_test::kPointers;

class DeterminizeTest : public kora_test::Library {};

// Each seed determinizes a copy (the argument stays untouched) and then in place (the start
// state keeps its identity); both results must be the same size.
TEST_F(DeterminizeTest, RandomNetworksBecomeDeterministicWithTheSameLanguage) {
  kora_test::for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 6, .max_arcs = 14, .transducer = random() % 2 == 0,
                 .epsilon = random() % 4 != 0, .other = random() % 3 == 0, .pointers = seed % 3 == 0});
    auto before = fingerprint(net);
    auto sequences = accepted(net, 3, true);
    bool constructed = !(net->flags.deterministic && net->flags.epsilon_free);

    NET *copy = determinize_fsm(net, 1);
    ASSERT_NE(copy, net);
    EXPECT_EQ(fingerprint(net), before);
    STATE *start = net->start;
    ASSERT_EQ(determinize_fsm(net, 0), net);
    EXPECT_EQ(net->start, start);
    for (NET *result : {copy, net}) {
      EXPECT_EQ(fault(result, true), "");
      if (constructed && result->num_arcs >= 2) {
        EXPECT_EQ(label_sequences::unreachable_states(result), 0u);
      }
      EXPECT_EQ(accepted(result, 3, true), sequences);
    }
    EXPECT_EQ(net->num_states, copy->num_states);
    EXPECT_EQ(net->num_arcs, copy->num_arcs);
    free_network(copy);
    free_network(net);
  });
}

TEST_F(DeterminizeTest, DeterministicNetworksComeBackUntouched) {
  NET *net = symbol_net("a");
  auto before = fingerprint(net);
  EXPECT_EQ(determinize_fsm(net, 2), net) << "not copied when there is nothing to do";
  EXPECT_EQ(fingerprint(net), before);
  free_network(net);
  EXPECT_EQ(determinize_fsm(nullptr, 0), nullptr);
}

// S -a-> X, S -a-> Y, and X, Y loop into each other on b: the set {X, Y} turns up three times
// and is made once, giving S -a-> {X,Y}, {X,Y} -b-> {X,Y}, {X,Y} -c-> F.
TEST_F(DeterminizeTest, EachSetStateIsMadeOnce) {
  NET *net = build_net(4, {3}, {{0, 'a', 1}, {0, 'a', 2}, {1, 'b', 1}, {1, 'b', 2}, {2, 'b', 1},
                              {1, 'c', 3}, {2, 'c', 3}});
  auto sequences = accepted(net, 4, false);
  determinize_fsm(net, 0);
  EXPECT_EQ(fault(net, true), "");
  EXPECT_EQ(accepted(net, 4, false), sequences);
  EXPECT_EQ(net->num_states, 3u);
  EXPECT_EQ(net->num_arcs, 3u);
  free_network(net);
}

// The random networks have no *AND_CHECK* arcs: two of one state are never merged, while a
// with q leads to the new set state {X, Y}.
TEST_F(DeterminizeTest, UserPointersAndAndChecksKeepArcsApart) {
  const void *p = kPointers[0], *q = kPointers[1];
  NET *net = build_net(3, {1, 2}, {{0, 'a', 1, p}, {0, 'a', 2, q}, {0, 'a', 1, q},
                                 {0, kora::AND_CHECK, 1}, {0, kora::AND_CHECK, 2}});
  determinize_fsm(net, 0);
  EXPECT_EQ(fault(net, true), "");
  std::multiset<std::pair<uint32_t, const void *>> arcs;
  for (ARC *arc = net->start->arcs; arc != nullptr; arc = arc->next)
    arcs.insert({uint32_t{arc->label}, kora::arc_user_pointer(arc)});
  EXPECT_EQ(arcs, (std::multiset<std::pair<uint32_t, const void *>>{
                      {'a', p}, {'a', q}, {kora::AND_CHECK, nullptr}, {kora::AND_CHECK, nullptr}}));
  EXPECT_EQ(net->num_states, 4u);
  free_network(net);
}

// An optimized network is refused with a warning and left as it was, copy or not.
TEST_F(DeterminizeTest, OptimizedNetworksAreLeftAlone) {
  NET *net = build_net(2, {1}, {{0, 'a', 1}, {0, 'a', 0}});
  auto before = fingerprint(net);
  net->flags2.optimized = 1;
  EXPECT_EQ(determinize_fsm(net, 0), net);
  NET *copy = determinize_fsm(net, 2);
  EXPECT_NE(copy, net) << "copy_mode 2 still hands back a copy";
  EXPECT_EQ(kora_test::messages().warnings[0],
            "determinize_fsm: Can't determinize an optimized network. Un-optimizing and "
            "determinizing.");
  EXPECT_EQ(fingerprint(net), before);
  EXPECT_EQ(fingerprint(copy), before);
  free_network(copy);
  free_network(net);
}

}  // namespace
