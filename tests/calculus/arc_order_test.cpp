// Sorting arc lists: the four orders checked against their definition on random transducers
// with the special symbols added (same arcs, sorted, ties in their old order), the bimachine
// rule for the sorted_arcs mark, and the refusal of shared arc lists.

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "arc-order.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"
#include "struct.h"

namespace {

class ArcOrderTest : public kora_test::Library {};

// The sort key of a label by one side: (group, id), groups as the orders define them.
std::pair<int, uint32_t> key(uint32_t label, int side, bool special) {
  const uint32_t id = side == 0 ? kora::upper_id(label) : kora::lower_id(label);
  if (id == kora::ALTCHAIN_SYMBOL) return {3, id};
  if (special && (id == kora::EPSILON || id == kora::DET_EPSILON)) return {-1, id};
  return {special && id == kora::OTHER ? 0 : 1, id};
}

struct Order {
  kora::ArcComparator compare;
  int side;
  bool special;
};
const Order kOrders[] = {{kora::compare_upper_special, 0, true},
                         {kora::compare_upper_plain, 0, false},
                         {kora::compare_lower_special, 1, true},
                         {kora::compare_lower_plain, 1, false}};

std::vector<const ARC *> list_of(const STATE *state) {
  std::vector<const ARC *> arcs;
  for (const ARC *a = state->arcs; a != nullptr; a = a->next) arcs.push_back(a);
  return arcs;
}

// The expected list is the old one stably sorted by the key.
TEST_F(ArcOrderTest, SortsEveryListStablyInEachOrder) {
  kora_test::for_seeds(150, [&](unsigned, std::mt19937 &random) {
    for (const Order &order : kOrders) {
      SCOPED_TRACE(::testing::Message() << "order " << &order - kOrders);
      std::mt19937 same = random;  // the same network for each order
      NET *net = kora_test::random_net(
          same, {.max_states = 3, .max_arcs = 25, .transducer = true, .other = true});
      std::vector<STATE *> states;
      for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
      for (uint32_t label : {kora::ALTCHAIN_SYMBOL, kora::DET_EPSILON, kora::OTHER, uint32_t{'a'}})
        kora::push_arc(kora::alloc_arc(label, states[same() % states.size()], net),
                       states[same() % states.size()]);
      std::map<const STATE *, std::vector<const ARC *>> expected;
      for (const STATE *s : states) {
        expected[s] = list_of(s);
        std::stable_sort(expected[s].begin(), expected[s].end(), [&](const ARC *x, const ARC *y) {
          return key(x->label, order.side, order.special) < key(y->label, order.side, order.special);
        });
      }
      kora::reorder_arcs(net, order.compare);
      EXPECT_TRUE(net->flags2.sorted_arcs);
      for (const STATE *s : states) EXPECT_EQ(list_of(s), expected[s]);
      free_network(net);
    }
  });
}

// A left bimachine half keeps the mark only under compare_upper_special, a right one only
// under compare_lower_plain.
TEST_F(ArcOrderTest, BimachineHalvesKeepTheMarkOnlyInTheirOwnOrder) {
  NET *net = symbol_net("a");
  for (bool left : {true, false}) {
    net->flags2.left_bimachine = net->flags2.upper_sequentialized = left;
    net->flags2.right_bimachine = net->flags2.lower_sequentialized = !left;
    for (const Order &order : kOrders) {
      kora::reorder_arcs(net, order.compare);
      EXPECT_EQ(net->flags2.sorted_arcs, order.side == (left ? 0 : 1) && order.special == left);
    }
  }
  free_network(net);
}

TEST_F(ArcOrderTest, SharedArcListsAreAProgrammingError) {
  NET *net = symbol_net("a");
  net->flags.shared_arc_lists = 1;
  EXPECT_DEATH(kora::reorder_arcs(net, kora::compare_upper_plain),
               "PROGRAMMING ERROR in reorder_arcs :\n  Cannot reorder arcs when arcs are shared!");
  net->flags.shared_arc_lists = 0;
  free_network(net);
}

}  // namespace
