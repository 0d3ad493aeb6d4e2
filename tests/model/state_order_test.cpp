// Numbering and ordering states: random graphs against reference walks written with standard
// containers, the warning on a wrong pruned mark, and a chain too long for recursion.

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

void expect_numbered(const std::vector<STATE *> &order) {
  for (size_t i = 0; i < order.size(); i++) ASSERT_EQ(state_number(order[i]), static_cast<intptr_t>(i));
}

// Reference orders: reached states in the order of a queue or of a recursive preorder walk,
// then the others in list order.
std::vector<STATE *> reference_order(const NET *net, bool breadth_first) {
  std::map<const STATE *, bool> seen{{net->start, true}};
  std::vector<STATE *> order = {net->start};
  if (breadth_first) {
    for (size_t next = 0; next < order.size(); next++)
      for (ARC *arc = order[next]->arcs; arc != nullptr; arc = arc->next)
        if (!seen[arc->destination]) {
          seen[arc->destination] = true;
          order.push_back(arc->destination);
        }
  } else {
    std::vector<ARC *> pending = {net->start->arcs};  // the next arc of each state on the path
    while (!pending.empty()) {
      ARC *arc = pending.back();
      if (arc == nullptr) {
        pending.pop_back();
        continue;
      }
      pending.back() = arc->next;
      if (seen[arc->destination]) continue;
      seen[arc->destination] = true;
      order.push_back(arc->destination);
      pending.push_back(arc->destination->arcs);
    }
  }
  for (STATE *s = net->states; s != nullptr; s = s->next)
    if (!seen[s]) order.push_back(s);
  return order;
}

// Random networks whose arcs may loop, go back, or leave states unreachable.
TEST_F(StateOrderTest, RandomGraphsMatchReferenceWalks) {
  kora_test::for_seeds(300, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 12, .max_arcs = 24, .epsilon = false, .symbols = {'a', 'b', 'c', 'd'}});
    net->flags.pruned = 0;
    const std::vector<STATE *> breadth_first = reference_order(net, true);

    kora::top_sort_net(net);
    expect_numbered(breadth_first);
    kora::renumber_states(net);
    expect_numbered(reference_order(net, false));
    kora::sort_states(net);
    ASSERT_EQ(state_list(net), breadth_first);
    EXPECT_TRUE(net->flags.sorted_states);
    EXPECT_FALSE(net->flags.visit_marks_dirty);
    for (STATE *s : breadth_first) EXPECT_EQ(s->flags.visit_mark, 0);
    free_network(net);
  });
  EXPECT_TRUE(messages().warnings.empty());
}

// A network marked pruned with an unreachable state: the count returned is of reached states.
TEST_F(StateOrderTest, AWrongPrunedMarkIsReported) {
  NET *net = kora_test::build_net(3, {1}, {{0, 'x', 1}, {2, 'y', 1}});
  net->flags.pruned = 1;
  EXPECT_EQ(kora::top_sort_net(net), 2);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"top_sort_net: Incorrect state count. Difference is -1."});
  free_network(net);
}

// On a small stack, which a recursion along the chain would overflow.
TEST_F(StateOrderTest, LongChainNeedsNoRecursion) {
  constexpr int kLength = 100000;
  NET *net = kora_test::chain_net(kLength - 1);  // the final state heads the list
  kora_test::with_small_stack([&] {
    EXPECT_EQ(kora::renumber_states(net), kLength);
    EXPECT_EQ(state_number(net->states), kLength - 1);
    kora::sort_states(net);
  });
  EXPECT_EQ(net->states, net->start);
  free_network(net);
}

}  // namespace
