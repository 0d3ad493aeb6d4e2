// Difference against the difference of enumerated languages, and its shortcuts.

#include "kora_test.h"
#include "label_sequences.h"
#include "minus.h"
#include "networks.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;

class MinusTest : public kora_test::Library {};

// Close to ?*: the complement of a small automaton, or a network whose states are all final
// and loop on OTHER and on most of a, b, c and d.
NET *nearly_universal(std::mt19937 &random) {
  if (random() % 2) return negate_net(random_automaton(random), 0);
  NET *net = kora_test::random_net(random, {.max_states = 3, .max_arcs = 4, .other = true});
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    s->flags.final = 1;
    for (uint32_t label : {kora::OTHER, uint32_t{'a'}, uint32_t{'b'}, uint32_t{'c'}, uint32_t{'d'}})
      if (random() % 5 != 0) kora_test::quiet_arc(net, s, label, s);
  }
  return net;
}

// Subtrahends of every kind, and nearly universal ones.
TEST_F(MinusTest, AgreesWithSetDifferenceOnRandomNetworks) {
  expect_agreement_on_random_pairs(minus_net, difference, automata_or_equal_length());
  expect_agreement_on_random_pairs(minus_net, difference, automata_or_equal_length(nearly_universal));
}

// The shortcuts for an empty subtrahend and a universal one.
TEST_F(MinusTest, Shortcuts) {
  NET *a = a_star(), *universal = kleene_star_net();
  EXPECT_EQ(minus_net(a, null_net(), 0, 0), a) << "B empty: A itself";
  NET *empty = minus_net(a, universal, 1, 1);
  NET *complement = minus_net(universal, a, 1, 1);
  Symbols universe = kora_test::universe_of({a});
  EXPECT_EQ(test_non_null(empty), 0);
  EXPECT_EQ(language(complement, universe), difference(all_strings(universe), language(a, universe)));
  for (NET *net : {empty, complement, a, universal}) free_network(net);
}

// {xab, zyb} - {xa} and - {zy}, both consumed: the difference takes the states of the first
// operand that it shares, but not the one whose arc leads to a state the other branch already
// gave in a new state (whichever branch the walk takes first).
TEST_F(MinusTest, TakesOnlyTheStatesItSharesWithAConsumedFirstOperand) {
  for (const char *subtrahend : {"xa", "zy"}) {
    NET *minuend = union_net(string_to_net("xab", 0), string_to_net("zyb", 0), 0, 0);
    NET *result = minus_net(minuend, string_to_net(subtrahend, 0), 0, 0);
    EXPECT_EQ(label_sequences::fault(result, true), "") << subtrahend;
    EXPECT_EQ(language(result, {'a', 'b', 'x', 'y', 'z'}, 3),
              (Relation{{{'x', 'a', 'b'}, {'x', 'a', 'b'}}, {{'z', 'y', 'b'}, {'z', 'y', 'b'}}}));
    free_network(result);
  }
}

}  // namespace
