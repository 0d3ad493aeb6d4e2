// Ordering states: random graphs against a reference walk written with standard containers,
// and a chain too long for recursion.

#include <map>
#include <random>
#include <vector>

#include "kora_test.h"
#include "networks.h"
#include "state-order.h"

namespace {

using kora::state_number;
using kora_test::messages;

class StateOrderTest : public kora_test::Library {};

std::vector<STATE *> state_list(const NET *net) {
  std::vector<STATE *> states;
  for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
  return states;
}

// Reference order: reached states in the order of a queue, then the others in list order.
std::vector<STATE *> reference_order(const NET *net) {
  std::map<const STATE *, bool> seen{{net->start, true}};
  std::vector<STATE *> order = {net->start};
  for (size_t next = 0; next < order.size(); next++)
    for (ARC *arc = order[next]->arcs; arc != nullptr; arc = arc->next)
      if (!seen[arc->destination]) {
        seen[arc->destination] = true;
        order.push_back(arc->destination);
      }
  for (STATE *s = net->states; s != nullptr; s = s->next)
    if (!seen[s]) order.push_back(s);
  return order;
}

// Random networks whose arcs may loop, go back, or leave states unreachable.
TEST_F(StateOrderTest, RandomGraphsMatchTheReferenceWalk) {
  kora_test::for_seeds(300, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 12, .max_arcs = 24, .epsilon = false, .symbols = {'a', 'b', 'c', 'd'}});
    const std::vector<STATE *> breadth_first = reference_order(net);
    EXPECT_EQ(kora::number_states_for_listing(net), static_cast<intptr_t>(breadth_first.size()));
    ASSERT_EQ(state_list(net), breadth_first);
    for (size_t i = 0; i < breadth_first.size(); i++)
      ASSERT_EQ(state_number(breadth_first[i]), static_cast<intptr_t>(i));
    EXPECT_TRUE(net->flags.sorted_states);
    EXPECT_FALSE(net->flags.visit_marks_dirty);
    for (STATE *s : breadth_first) EXPECT_EQ(s->flags.visit_mark, 0);
    free_network(net);
  });
  EXPECT_TRUE(messages().warnings.empty());
}

// On a small stack, which a recursion along the chain would overflow.
TEST_F(StateOrderTest, LongChainNeedsNoRecursion) {
  constexpr int kLength = 100000;
  NET *net = kora_test::chain_net(kLength - 1);  // the final state heads the list
  kora_test::with_small_stack([&] { kora::sort_states(net); });
  EXPECT_EQ(net->states, net->start);
  free_network(net);
}

}  // namespace
