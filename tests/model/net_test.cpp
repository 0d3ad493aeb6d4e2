// Networks built by hand: constructors, the refusals of add_arc_to_state, copying and freeing.

#include <cstring>
#include <set>
#include <tuple>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "struct.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using Strings = std::vector<std::string>;

class NetTest : public kora_test::Library {};

TEST_F(NetTest, ElementaryNetworks) {
  NET *nothing = null_net();
  EXPECT_EQ(nothing->num_states, 1u);
  EXPECT_FALSE(nothing->start->flags.final);
  EXPECT_TRUE(nothing->flags.deterministic && nothing->flags.pruned && nothing->flags.minimized &&
              nothing->flags.epsilon_free && nothing->flags.loop_free);
  EXPECT_EQ(nothing->definition_label, kora::ID_NO_SYMBOL);
  EXPECT_EQ(nothing->labels->type, KORA_LABEL_ALPH);
  EXPECT_EQ(nothing->sigma->type, KORA_BINARY_ALPH);

  NET *empty_string = epsilon_net();
  EXPECT_TRUE(empty_string->start->flags.final);
  NET *also_epsilon = label_net(kora::EPSILON);
  EXPECT_TRUE(also_epsilon->start->flags.final);
  EXPECT_EQ(also_epsilon->num_arcs, 0u);

  NET *a = symbol_net("a");
  EXPECT_EQ(a->num_states, 2u);
  EXPECT_EQ(a->num_arcs, 1u);
  EXPECT_EQ(a->start->arcs->label, uint32_t{'a'});
  EXPECT_TRUE(a->start->arcs->destination->flags.final);
  EXPECT_EQ(alph_members(a->labels), std::set<uint32_t>{'a'});
  EXPECT_EQ(alph_members(a->sigma), std::set<uint32_t>{'a'});
  for (NET *net : {nothing, empty_string, also_epsilon, a}) free_network(net);
}

TEST_F(NetTest, TransducerLabelsRaiseArityAndFillSigma) {
  NET *ab = pair_net('a', 'b');
  EXPECT_EQ(ab->arity, 2);
  uint32_t pair = kora::pair_id('a', 'b');
  EXPECT_EQ(alph_members(ab->labels), std::set<uint32_t>{pair});
  EXPECT_EQ(alph_members(ab->sigma), (std::set<uint32_t>{'a', 'b'}));

  NET *aa = pair_net('a', 'a');
  EXPECT_EQ(aa->arity, 1) << "a:a is the symbol a";

  NET *other_x = pair_net(kora::OTHER, 'x');
  EXPECT_EQ(other_x->num_arcs, 2u) << "OTHER:x also matches x";
  EXPECT_EQ(alph_members(other_x->labels), (std::set<uint32_t>{'x', kora::pair_id(kora::OTHER, 'x')}));
  for (NET *net : {ab, aa, other_x}) free_network(net);
}

TEST_F(NetTest, AddArcRefusals) {
  NET *net = make_empty_net();
  NET *other = make_empty_net();
  STATE *stranger = add_state_to_net(other, 0);
  int_parameters()->word[KORA_VERBOSE] = 0;

  EXPECT_EQ(add_arc_to_state(net, stranger, 'a', stranger, nullptr, 0), nullptr);
  STATE *s = add_state_to_net(net, 0);
  STATE *f = add_state_to_net(net, 1);
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
  EXPECT_EQ(net->num_arcs, 0u);

  auto flags_before = net->flags;
  EXPECT_EQ(add_arc_to_state(net, s, kora::EPSILON, s, nullptr, 0), nullptr);
  EXPECT_EQ(std::memcmp(&flags_before, &net->flags, sizeof flags_before), 0);

  ASSERT_NE(add_arc_to_state(net, s, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'a', f, nullptr, 0), nullptr);
  EXPECT_EQ(net->num_arcs, 1u);
  int one = 1, two = 2;
  EXPECT_NE(add_arc_to_state(net, s, 'b', f, &one, 1), nullptr);
  EXPECT_NE(add_arc_to_state(net, s, 'b', f, &two, 1), nullptr);
  EXPECT_EQ(add_arc_to_state(net, s, 'b', f, &two, 1), nullptr);
  EXPECT_EQ(net->num_arcs, 3u);
  EXPECT_TRUE(net->flags.has_arc_user_pointer);
  free_network(net);
  free_network(other);
}

// Building by hand keeps only the marks that stay true: a new state or arc may make states
// unreachable, equivalent or cyclic, so pruned, minimized and loop_free go at once.
TEST_F(NetTest, FlagsFollowTheArcsAdded) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *f = add_state_to_net(net, 1);
  EXPECT_FALSE(net->flags.pruned || net->flags.minimized);
  STATE *g = add_state_to_net(net, 1);
  add_arc_to_state(net, s, 'a', f, nullptr, 0);
  EXPECT_TRUE(net->flags.deterministic && s->flags.deterministic && net->flags.epsilon_free);
  EXPECT_FALSE(net->flags.loop_free);
  add_arc_to_state(net, s, 'a', g, nullptr, 0);
  EXPECT_FALSE(net->flags.deterministic || s->flags.deterministic);
  add_arc_to_state(net, f, kora::EPSILON, g, nullptr, 0);
  EXPECT_FALSE(net->flags.epsilon_free || f->flags.deterministic);

  NET *line = null_net();
  STATE *end = add_state_to_net(line, 1);
  add_arc_to_state(line, line->start, 'a', end, nullptr, 0);
  line->flags.minimized = line->flags.loop_free = 1;
  EXPECT_EQ(add_arc_to_state(line, line->start, 'a', end, nullptr, 0), nullptr);
  EXPECT_TRUE(line->flags.minimized && line->flags.loop_free) << "a refused duplicate changes nothing";
  free_network(net);
  free_network(line);
}

TEST_F(NetTest, BuildingLargeNetworksByHandStaysFast) {
  NET *net = null_net();
  STATE *previous = net->start;
  for (int i = 0; i < 200000; i++) {
    STATE *next = add_state_to_net(net, i % 7 == 0);
    ASSERT_NE(add_arc_to_state(net, previous, 'a' + i % 26, next, nullptr, 0), nullptr);
    previous = next;
  }
  EXPECT_EQ(net->num_states, 200001u);
  EXPECT_EQ(net->num_arcs, 200000u);
  free_network(net);
}

TEST_F(NetTest, CopyIsDeepAndEqual) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *f = add_state_to_net(net, 1);
  STATE *g = add_state_to_net(net, 0);
  int marker = 7;
  add_arc_to_state(net, s, 'a', f, nullptr, 0);
  add_arc_to_state(net, s, kora::pair_id('b', 'c'), g, &marker, 1);
  add_arc_to_state(net, g, 'd', f, nullptr, 0);
  add_arc_to_state(net, f, 'e', s, nullptr, 0);

  NET *copy = copy_net(net);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->num_states, 3u);
  EXPECT_EQ(copy->num_arcs, 4u);
  EXPECT_EQ(copy->arity, 2);
  EXPECT_EQ(alph_members(copy->sigma), alph_members(net->sigma));
  EXPECT_EQ(alph_members(copy->labels), alph_members(net->labels));
  EXPECT_NE(copy->labels, net->labels);
  std::vector<uint32_t> original_order, copied_order;
  for (const ARC *a = net->start->arcs; a != nullptr; a = a->next) original_order.push_back(a->label);
  for (const ARC *a = copy->start->arcs; a != nullptr; a = a->next) copied_order.push_back(a->label);
  EXPECT_EQ(copied_order, original_order) << "arcs keep their order";
  EXPECT_EQ(copy_net(nullptr), nullptr);

  // The copy's state list is in another order; compare the arcs through a renaming.
  auto shape = [](const NET *n) {
    std::multiset<std::tuple<uint32_t, bool, bool, uint32_t, void *>> arcs;
    for (const STATE *q = n->states; q != nullptr; q = q->next)
      for (const ARC *a = q->arcs; a != nullptr; a = a->next)
        arcs.insert({a->label, q == n->start, static_cast<bool>(a->destination->flags.final),
                     a->destination == n->start ? 1u : 0u, kora::arc_user_pointer(a)});
    return arcs;
  };
  EXPECT_EQ(shape(copy), shape(net));
  free_network(net);
  EXPECT_EQ(shape(copy).size(), 4u) << "the copy outlives the original";
  free_network(copy);
}

TEST_F(NetTest, SecondFreeDoesNothing) {
  NET *net = symbol_net("abc");
  free_network(net);
  free_network(net);
  free_network(nullptr);
  NET *reused = symbol_net("x");
  EXPECT_NE(reused, nullptr);
  free_network(reused);
}

TEST_F(NetTest, RepresentationGuard) {
  NET *net = null_net();
  EXPECT_EQ(kora::check_plain_net(net), 0);
  net->flags.compacted = 1;
  net->flags2.optimized = 1;
  EXPECT_EQ(kora::check_plain_net(net), 1);
  EXPECT_EQ(add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors, (Strings{"Cannot do this operation on a optimized network.",
                                        "Cannot do this operation on a optimized network."}));
  net->flags.compacted = 0;
  net->flags2.optimized = 0;
  free_network(net);
}

}  // namespace
