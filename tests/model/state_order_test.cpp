// Numbering and ordering states: random graphs against reference walks written with standard
// containers, the warning on a wrong pruned mark, and a chain too long for recursion.

#include <map>
#include <random>
#include <vector>

#include "kora_test.h"
#include "net_words.h"
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

void expect_numbered(const std::vector<STATE *> &order, unsigned seed) {
  for (size_t i = 0; i < order.size(); i++)
    ASSERT_EQ(state_number(order[i]), static_cast<intptr_t>(i)) << "seed " << seed;
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
  int_parameters()->word[KORA_VERBOSE] = 0;  // duplicate arcs are refused quietly
  for (unsigned seed = 1; seed <= 300; seed++) {
    std::mt19937 random(seed);
    const int n = 1 + static_cast<int>(random() % 12);
    std::set<int> finals;
    for (int i = 1; i < n; i++)
      if (random() % 3 == 0) finals.insert(i);
    std::vector<kora_test::Arc> arcs(random() % (2 * n + 1));
    for (kora_test::Arc &arc : arcs) {
      arc.from = static_cast<int>(random() % n);
      arc.label = 'a' + random() % 4;
      arc.to = static_cast<int>(random() % n);
    }
    NET *net = kora_test::build_net(n, finals, arcs);
    net->flags.pruned = 0;
    const std::vector<STATE *> breadth_first = reference_order(net, true);

    kora::top_sort_net(net);
    expect_numbered(breadth_first, seed);
    kora::renumber_states(net);
    expect_numbered(reference_order(net, false), seed);
    kora::sort_states(net);
    ASSERT_EQ(state_list(net), breadth_first) << "seed " << seed;
    EXPECT_TRUE(net->flags.sorted_states);
    EXPECT_FALSE(net->flags.visit_marks_dirty);
    for (STATE *s : breadth_first) EXPECT_EQ(s->flags.visit_mark, 0) << "seed " << seed;
    free_network(net);
  }
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
