// Sorting arc lists: the four orders checked against their definition on random transducers
// (same arcs, sorted, ties in their old order), the special symbols' places, the bimachine rule
// for the sorted_arcs mark, and the refusal of shared arc lists.

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "arc-order.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "struct.h"

namespace {

using kora::ArcComparator;

class ArcOrderTest : public kora_test::Library {};

// The sort key of a label by one side: (group, id), groups as the orders define them.
std::pair<int, uint32_t> key(uint32_t label, int side, bool special) {
  const uint32_t id = side == 0 ? kora::upper_id(label) : kora::lower_id(label);
  int group = 1;
  if (id == kora::ALTCHAIN_SYMBOL)
    group = 3;
  else if (special && (id == kora::EPSILON || id == kora::DET_EPSILON))
    group = -1;
  else if (special && id == kora::OTHER)
    group = 0;
  return {group, id};
}

struct Order {
  ArcComparator compare;
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

TEST_F(ArcOrderTest, SortsEveryListStablyInEachOrder) {
  for (unsigned seed = 1; seed <= 150; seed++) {
    for (const Order &order : kOrders) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " side " + std::to_string(order.side) +
                   (order.special ? " special" : " plain"));
      std::mt19937 random(seed);
      kora_test::RandomNetOptions options;
      options.max_states = 3;
      options.max_arcs = 25;
      options.transducer = true;
      options.other = true;
      NET *net = kora_test::random_net(random, options);
      // Extra arcs with the special symbols and repeated labels, in random places.
      std::vector<STATE *> states;
      for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
      for (uint32_t label : {kora::ALTCHAIN_SYMBOL, kora::DET_EPSILON, kora::OTHER, uint32_t{'a'}})
        kora::push_arc(kora::alloc_arc(label, states[random() % states.size()], net),
                       states[random() % states.size()]);
      std::map<const STATE *, std::vector<const ARC *>> before;
      for (const STATE *s : states) before[s] = list_of(s);

      kora::reorder_arcs(net, order.compare);
      EXPECT_TRUE(net->flags2.sorted_arcs);
      for (const STATE *s : states) {
        const std::vector<const ARC *> after = list_of(s);
        ASSERT_EQ(std::multiset<const ARC *>(after.begin(), after.end()),
                  std::multiset<const ARC *>(before[s].begin(), before[s].end()));
        auto old_place = [&](const ARC *a) {
          return std::find(before[s].begin(), before[s].end(), a) - before[s].begin();
        };
        for (size_t i = 0; i + 1 < after.size(); i++) {
          const auto k1 = key(after[i]->label, order.side, order.special);
          const auto k2 = key(after[i + 1]->label, order.side, order.special);
          EXPECT_LE(k1, k2);
          if (k1 == k2) {
            EXPECT_LT(old_place(after[i]), old_place(after[i + 1])) << "ties keep their order";
          }
        }
      }
      free_network(net);
    }
  }
}

TEST_F(ArcOrderTest, SpecialSymbolsHaveFixedPlaces) {
  NET *net = null_net();
  STATE *end = add_state_to_net(net, 1);
  const uint32_t labels[] = {kora::ALTCHAIN_SYMBOL, 'b', kora::OTHER, 'a', kora::DET_EPSILON, kora::EPSILON};
  for (uint32_t label : labels) kora::push_arc(kora::alloc_arc(label, end, net), net->start);
  auto sorted = [&](ArcComparator compare) {
    kora::reorder_arcs(net, compare);
    std::vector<uint32_t> order;
    for (const ARC *a : list_of(net->start)) order.push_back(a->label);
    return order;
  };
  EXPECT_EQ(sorted(kora::compare_upper_special),
            (std::vector<uint32_t>{kora::EPSILON, kora::DET_EPSILON, kora::OTHER, 'a', 'b', kora::ALTCHAIN_SYMBOL}));
  EXPECT_EQ(sorted(kora::compare_lower_plain),
            (std::vector<uint32_t>{kora::EPSILON, kora::OTHER, kora::DET_EPSILON, 'a', 'b', kora::ALTCHAIN_SYMBOL}));
  free_network(net);
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
