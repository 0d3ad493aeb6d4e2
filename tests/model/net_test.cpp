// Networks built by hand: constructors, the refusals of add_arc_to_state, copying and freeing.

#include <cstring>
#include <set>
#include <tuple>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "struct.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using kora_test::words;
using Strings = std::vector<std::string>;
using Ids = std::set<uint32_t>;

class NetTest : public kora_test::Library {};

TEST_F(NetTest, ElementaryNetworks) {
  NET *nothing = null_net(), *empty = epsilon_net(), *also_empty = label_net(kora::EPSILON);
  NET *a = symbol_net("a"), *ab = pair_net('a', 'b'), *aa = pair_net('a', 'a');
  NET *other_x = pair_net(kora::OTHER, 'x');
  EXPECT_TRUE(words(nothing, 2).empty());
  EXPECT_TRUE(nothing->flags.deterministic && nothing->flags.pruned && nothing->flags.minimized &&
              nothing->flags.epsilon_free && nothing->flags.loop_free);
  EXPECT_EQ(words(empty, 2), std::set<std::string>{""});
  EXPECT_EQ(words(also_empty, 2), std::set<std::string>{""});
  EXPECT_EQ(also_empty->num_arcs, 0u);
  EXPECT_EQ(words(a, 2), std::set<std::string>{"a"});
  EXPECT_EQ(alph_members(a->sigma), Ids{'a'});
  // A tuple label raises the arity and puts both sides in the sigma; a:a is the symbol a.
  EXPECT_EQ(ab->arity, 2);
  EXPECT_EQ(alph_members(ab->labels), Ids{kora::pair_id('a', 'b')});
  EXPECT_EQ(alph_members(ab->sigma), (Ids{'a', 'b'}));
  EXPECT_EQ(aa->arity, 1);
  EXPECT_EQ(alph_members(other_x->labels), (Ids{'x', kora::pair_id(kora::OTHER, 'x')}))
      << "OTHER:x also matches x";
  for (NET *net : {nothing, empty, also_empty, a, ab, aa, other_x}) free_network(net);
}

TEST_F(NetTest, AddArcRefusals) {
  NET *net = make_empty_net(), *other = make_empty_net();
  STATE *stranger = add_state_to_net(other, 0);
  int_parameters()->word[KORA_VERBOSE] = 0;
  EXPECT_EQ(add_arc_to_state(net, stranger, 'a', stranger, nullptr, 0), nullptr);
  STATE *s = add_state_to_net(net, 0), *f = add_state_to_net(net, 1);
  net->start = s;
  EXPECT_EQ(add_arc_to_state(nullptr, s, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 0xFFFFFF, f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, stranger, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'a', stranger, nullptr, 0), nullptr);
  EXPECT_EQ(add_state_to_net(nullptr, 1), nullptr);
  EXPECT_EQ(messages().errors,
            (Strings{"The start and dest arguments are not in the network.",
                     "Unexpected NULL argument in add_arc_to_state().",
                     "16777215 is not a valid arc label.", "The start state is not in the network.",
                     "The dest state is not in the network.",
                     "Unexpected NULL argument in add_state_to_net."}));

  // An EPSILON loop and a duplicate arc are refused without a trace; user pointers tell arcs
  // apart.
  auto flags_before = net->flags;
  EXPECT_EQ(add_arc_to_state(net, s, kora::EPSILON, s, nullptr, 0), nullptr);
  EXPECT_EQ(std::memcmp(&flags_before, &net->flags, sizeof flags_before), 0);
  ASSERT_NE(add_arc_to_state(net, s, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'a', f, nullptr, 0), nullptr);
  int one = 1, two = 2;
  EXPECT_NE(add_arc_to_state(net, s, 'b', f, &one, 1), nullptr);
  EXPECT_NE(add_arc_to_state(net, s, 'b', f, &two, 1), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'b', f, &two, 1), nullptr);
  EXPECT_EQ(net->num_arcs, 3u);
  EXPECT_TRUE(net->flags.has_arc_user_pointer);
  free_network(net);
  free_network(other);
}

TEST_F(NetTest, BuildingLargeNetworksByHandStaysFast) {
  NET *net = null_net();
  STATE *previous = net->start;
  for (int i = 0; i < 200000; i++) {
    STATE *next = add_state_to_net(net, i % 7 == 0);
    ASSERT_NE(add_arc_to_state(net, previous, 'a' + i % 26, next, nullptr, 0), nullptr);
    previous = next;
  }
  EXPECT_EQ(net->num_arcs, 200000u);
  free_network(net);
}

// The copy's state list is in another order, so arcs are compared through a renaming; the
// copy must outlive the original.
TEST_F(NetTest, CopyIsDeepAndEqual) {
  int marker = 7;
  std::vector<STATE *> st;
  NET *net = kora_test::build_net(3, {1}, {{0, 'a', 1}, {2, 'd', 1}, {1, 'e', 0}}, &st);
  add_arc_to_state(net, st[0], kora::pair_id('b', 'c'), st[2], &marker, 1);
  auto shape = [](const NET *n) {
    std::multiset<std::tuple<uint32_t, bool, bool, bool, void *>> arcs;
    for (const STATE *q = n->states; q != nullptr; q = q->next)
      for (const ARC *a = q->arcs; a != nullptr; a = a->next)
        arcs.insert({a->label, q == n->start, a->destination->flags.final == 1,
                     a->destination == n->start, kora::arc_user_pointer(a)});
    return arcs;
  };
  auto start_labels = [](const NET *n) {
    std::vector<uint32_t> labels;
    for (const ARC *a = n->start->arcs; a != nullptr; a = a->next) labels.push_back(a->label);
    return labels;
  };
  NET *copy = copy_net(net);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->arity, 2);
  EXPECT_EQ(alph_members(copy->sigma), alph_members(net->sigma));
  EXPECT_EQ(alph_members(copy->labels), alph_members(net->labels));
  EXPECT_NE(copy->labels, net->labels);
  EXPECT_EQ(start_labels(copy), start_labels(net)) << "arcs keep their order";
  const auto original = shape(net);
  free_network(net);
  EXPECT_EQ(shape(copy), original);
  EXPECT_EQ(copy_net(nullptr), nullptr);
  free_network(copy);
}

// The second free of a record puts nothing back on the heaps: the counts stay, nothing is
// reported, and the next two networks are two records.
TEST_F(NetTest, SecondFreeDoesNothing) {
  kora::HEAP *const heaps[] = {kora::NET_HEAP, kora::STATE_HEAP, kora::ARC_HEAP, kora::ALPH_HEAP};
  auto in_use = [&] {
    std::vector<int> cells;
    for (kora::HEAP *heap : heaps) cells.push_back(heap->cells_in_use);
    return cells;
  };
  const std::vector<int> before = in_use();
  NET *net = symbol_net("abc");
  free_network(net);
  EXPECT_EQ(in_use(), before);
  free_network(net);
  free_network(nullptr);
  EXPECT_EQ(in_use(), before);
  NET *first = symbol_net("x"), *second = symbol_net("y");
  EXPECT_NE(first, second);
  EXPECT_NE(first->start, second->start);
  EXPECT_TRUE(messages().errors.empty() && messages().warnings.empty());
  for (NET *n : {first, second}) free_network(n);
}

// A tabular network's table belongs to the representation that made it: free_network hands it
// to the table-freeing hook, and without one reports that it cannot free the table.
TEST_F(NetTest, TabularNetworkGoesToTheTableFreeingHook) {
  NET *net = symbol_net("a");
  net->flags.tabular = 1;
  free_network(net);
  EXPECT_EQ(messages().errors,
            Strings{"Network contains a transition table which cannot be handled in this "
                    "implementation."});
  EXPECT_EQ(net->flags2.live, 0);

  static NET *handed_over;
  handed_over = nullptr;
  kora::set_table_freeing_hook([](NET *tabular) { handed_over = tabular; });
  net = symbol_net("b");
  net->flags.tabular = 1;
  messages().clear();
  free_network(net);
  kora::set_table_freeing_hook(nullptr);
  EXPECT_EQ(handed_over, net);
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(NetTest, RepresentationGuard) {
  NET *net = null_net();
  EXPECT_EQ(kora::check_plain_net(net), 0);
  net->flags.compacted = net->flags2.optimized = 1;
  EXPECT_EQ(kora::check_plain_net(net), 1);
  EXPECT_EQ(add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors, Strings(2, "Cannot do this operation on a optimized network."));
  net->flags.compacted = net->flags2.optimized = 0;
  free_network(net);
}

}  // namespace
