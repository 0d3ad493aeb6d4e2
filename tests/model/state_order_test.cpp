// Numbering and ordering states: a small graph worked by hand, random graphs against reference
// walks written with standard containers, and a chain too long for recursion.

#include <map>
#include <random>
#include <vector>

#include "kora_test.h"
#include "state-order.h"

namespace {

using kora_test::messages;
using kora::state_number;

class StateOrderTest : public kora_test::Library {};

std::vector<STATE *> state_list(const NET *net) {
  std::vector<STATE *> states;
  for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
  return states;
}

void expect_clean_marks(const NET *net) {
  EXPECT_FALSE(net->flags.visit_marks_dirty);
  for (STATE *s = net->states; s != nullptr; s = s->next) EXPECT_EQ(s->flags.visit_mark, 0);
}

TEST_F(StateOrderTest, SmallGraphByHand) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *a = add_state_to_net(net, 0);
  STATE *b = add_state_to_net(net, 0);
  STATE *c = add_state_to_net(net, 1);
  STATE *unreached = add_state_to_net(net, 0);
  STATE *d = add_state_to_net(net, 1);
  // New arcs go to the head of their list: s has [y -> b, x -> a], b has [v -> a, w -> d].
  add_arc_to_state(net, s, 'x', a, nullptr, 0);
  add_arc_to_state(net, s, 'y', b, nullptr, 0);
  add_arc_to_state(net, a, 'z', c, nullptr, 0);
  add_arc_to_state(net, b, 'w', d, nullptr, 0);
  add_arc_to_state(net, b, 'v', a, nullptr, 0);
  add_arc_to_state(net, c, 'u', s, nullptr, 0);
  add_arc_to_state(net, unreached, 't', c, nullptr, 0);

  net->flags.pruned = 1;  // a wrong mark: one state cannot be reached
  EXPECT_EQ(kora::top_sort_net(net), 5);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"top_sort_net: Incorrect state count. Difference is -1."});
  std::vector<STATE *> breadth_first = {s, b, a, d, c, unreached};
  for (size_t i = 0; i < breadth_first.size(); i++)
    EXPECT_EQ(state_number(breadth_first[i]), static_cast<intptr_t>(i));
  expect_clean_marks(net);

  kora::sort_states(net);
  EXPECT_EQ(state_list(net), breadth_first);
  EXPECT_TRUE(net->flags.sorted_states);

  EXPECT_EQ(kora::renumber_states(net), 5);
  std::vector<STATE *> depth_first = {s, b, a, c, d, unreached};
  for (size_t i = 0; i < depth_first.size(); i++)
    EXPECT_EQ(state_number(depth_first[i]), static_cast<intptr_t>(i));
  expect_clean_marks(net);
  free_network(net);
}

// A random network of `n` states; arcs may loop, go back, or leave some states unreachable.
NET *random_net(std::mt19937 &random, int n) {
  NET *net = null_net();
  net->flags.pruned = 0;
  std::vector<STATE *> states = {net->start};
  for (int i = 1; i < n; i++) states.push_back(add_state_to_net(net, random() % 3 == 0));
  int arcs = static_cast<int>(random() % (2 * n + 1));
  for (int i = 0; i < arcs; i++)
    add_arc_to_state(net, states[random() % n], 'a' + random() % 4, states[random() % n], nullptr,
                     0);
  return net;
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

TEST_F(StateOrderTest, RandomGraphsMatchReferenceWalks) {
  int_parameters()->word[KORA_VERBOSE] = 0;  // duplicate arcs are refused quietly
  for (unsigned seed = 1; seed <= 300; seed++) {
    std::mt19937 random(seed);
    NET *net = random_net(random, 1 + static_cast<int>(random() % 12));
    std::vector<STATE *> breadth_first = reference_order(net, true);
    std::vector<STATE *> depth_first = reference_order(net, false);

    kora::top_sort_net(net);
    for (size_t i = 0; i < breadth_first.size(); i++)
      ASSERT_EQ(state_number(breadth_first[i]), static_cast<intptr_t>(i)) << "seed " << seed;
    kora::renumber_states(net);
    for (size_t i = 0; i < depth_first.size(); i++)
      ASSERT_EQ(state_number(depth_first[i]), static_cast<intptr_t>(i)) << "seed " << seed;
    kora::sort_states(net);
    ASSERT_EQ(state_list(net), breadth_first) << "seed " << seed;
    expect_clean_marks(net);
    free_network(net);
  }
  EXPECT_TRUE(messages().warnings.empty());
}

TEST_F(StateOrderTest, LongChainNeedsNoRecursion) {
  constexpr int kLength = 100000;
  NET *net = null_net();
  STATE *last = net->start;
  for (int i = 1; i < kLength; i++) {
    STATE *next = add_state_to_net(net, i == kLength - 1);
    add_arc_to_state(net, last, 'a', next, nullptr, 0);
    last = next;
  }
  EXPECT_EQ(kora::renumber_states(net), kLength);
  EXPECT_EQ(state_number(last), kLength - 1);
  kora::sort_states(net);
  EXPECT_EQ(net->states, net->start);
  free_network(net);
}

}  // namespace
