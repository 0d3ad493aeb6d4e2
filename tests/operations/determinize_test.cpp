// Determinization beyond the random networks of epsilon_test.cpp: set states are made only once,
// user pointers and *AND_CHECK* arcs keep arcs apart, and networks with nothing to do come back
// as they were.

#include <set>

#include "determinize.h"
#include "kora_test.h"
#include "label.h"
#include "label_sequences.h"
#include "networks.h"

namespace {

using kora::determinize_fsm;
using kora_test::atom_sequences;
using label_sequences::fault;
using label_sequences::fingerprint;
using kora_test::build_net;
using kora_test::kPointers;

class DeterminizeTest : public kora_test::Library {};

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
  auto sequences = atom_sequences(net, 4, false);
  determinize_fsm(net, 0);
  EXPECT_EQ(fault(net, true), "");
  EXPECT_EQ(atom_sequences(net, 4, false), sequences);
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

}  // namespace
