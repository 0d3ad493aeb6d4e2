// The frame shared by the calculus: harmonization of sigmas, refusals (null, compacted, other
// representations, label maps), ownership of kept and consumed operands, word 16, and the
// appending of one label.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "alph.h"
#include "calculus.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;
using kora_test::messages;

class CalculusFrameTest : public kora_test::Library {};

// A null network: one non-final state without arcs.
void expect_null_net(NET *net) {
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(std::tie(net->num_states, net->num_arcs), std::make_tuple(1u, 0u));
  EXPECT_FALSE(net->start->flags.final);
  free_network(net);
}

// Harmonizing keeps both languages; when both sigmas have OTHER they end up equal.
TEST_F(CalculusFrameTest, HarmonizationKeepsLanguagesAndMakesOtherAgree) {
  for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    NET *a = random_operand(random, Shape{seed % 2 == 0, true});
    NET *b = random_operand(random, Shape{seed % 2 == 0, seed % 3 != 0});
    const Symbols universe = kora_test::universe_of({a, b});
    const Relation la = language(a, universe), lb = language(b, universe);
    const bool both_other =
        test_alph_member(a->sigma, kora::OTHER) && test_alph_member(b->sigma, kora::OTHER);
    kora::harmonize_sigmas(a, b);
    EXPECT_EQ(language(a, universe), la);
    EXPECT_EQ(language(b, universe), lb);
    EXPECT_TRUE(!both_other || test_equal_alphs(a->sigma, b->sigma));
    for (NET *net : {a, b}) free_network(net);
  });
}

TEST_F(CalculusFrameTest, InternalSymbolsAreNotAddedToOther) {
  NET *a = label_net(kora::OTHER), *b = symbol_net("x");
  alph_add_to(b->sigma, kora::BOUNDARY_SYMBOL, 0);
  kora::harmonize_sigmas(a, b);
  EXPECT_TRUE(test_alph_member(a->sigma, kora::symbol_id("x")));
  EXPECT_FALSE(test_alph_member(a->sigma, kora::BOUNDARY_SYMBOL));
  for (NET *net : {a, b}) free_network(net);
}

TEST_F(CalculusFrameTest, NullArgumentsConsumeNothing) {
  NET *a = symbol_net("a");
  EXPECT_EQ(union_net(nullptr, a, 0, 0), nullptr);
  EXPECT_EQ(concat_net(a, nullptr, 0, 0), nullptr);
  EXPECT_EQ(reverse_net(nullptr, 0), nullptr);
  EXPECT_EQ(upper_side_net(nullptr, 1), nullptr);
  ASSERT_EQ(messages().errors.size(), 4u);
  EXPECT_EQ(messages().errors[0], "Unexpected NULL argument in union_net().");
  EXPECT_EQ(messages().errors[2], "Unexpected NULL argument in reverse_net().");
  EXPECT_EQ(language(a, {'a'}), Relation({{{'a'}, {'a'}}}));
  free_network(a);
}

// Binary operators give a null network, unary ones the argument; optional_net needs no arcs.
TEST_F(CalculusFrameTest, CompactedNetworksAreRefused) {
  NET *compacted = symbol_net("a");
  compacted->flags.compacted = 1;
  expect_null_net(union_net(compacted, symbol_net("b"), 1, 0));
  EXPECT_EQ(reverse_net(compacted, 1), compacted);
  EXPECT_EQ(repeat_net(compacted, 1, 2, 0), compacted);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "Cannot apply 'union' to a compacted net. Please uncompact first.",
                "Cannot apply 'reverse' to a compacted net. Please uncompact first.",
                "Cannot apply 'repeat' to a compacted net. Please uncompact first."}));
  EXPECT_EQ(optional_net(compacted, 0), compacted);
  EXPECT_TRUE(compacted->flags.start_final);
  EXPECT_EQ(messages().errors.size(), 3u);
  compacted->flags.compacted = 0;
  free_network(compacted);
}

// Optimized networks, and networks with an ALTCHAIN arc, belong to another representation.
TEST_F(CalculusFrameTest, OtherRepresentationsAreRefused) {
  NET *optimized = symbol_net("a");
  optimized->flags2.optimized = 1;
  expect_null_net(concat_net(optimized, symbol_net("b"), 1, 0));
  optimized->flags2.optimized = 0;
  NET *chained = symbol_net("a");
  add_arc_to_state(chained, chained->start, kora::ALTCHAIN_SYMBOL, chained->start, nullptr, 0);
  EXPECT_EQ(invert_net(chained, 0), chained);
  EXPECT_EQ(messages().errors, std::vector<std::string>(
                                   2, "Cannot do this operation on a optimized network."));
  expect_null_net(union_net(optimized, chained, 0, 0));
}

TEST_F(CalculusFrameTest, NetworksOfDifferentLabelMapsAreRefused) {
  NET *b = symbol_net("b");
  b->label_map = kora::make_label_map("Private", 10);
  expect_null_net(union_net(symbol_net("a"), b, 0, 0));
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Networks do not have a common label map.\n"
                                   "One specifies 'Default', another specifies 'Private'."});
}

TEST_F(CalculusFrameTest, WordSixteenMinimizesResults) {
  NET *results[2];
  for (int minimize : {0, 1}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    results[minimize] = union_net(string_to_net("ab", 0), string_to_net("ac", 0), 0, 0);
    EXPECT_EQ(results[minimize]->flags.minimized, minimize);
    EXPECT_EQ(results[minimize]->num_states, minimize ? 3u : 5u);
  }
  EXPECT_EQ(language(results[0], {'a', 'b', 'c'}), language(results[1], {'a', 'b', 'c'}));
  for (NET *net : results) free_network(net);
}

// concat_label against the concatenation with the one-label network of the same label.
TEST_F(CalculusFrameTest, ConcatLabelAppendsOnePosition) {
  const uint32_t other = kora::OTHER;
  const uint32_t labels[] = {other, 'a', 'd', kora::pair_id(other, 'a'), kora::pair_id('b', other),
                             kora::pair_id(other, other), kora::pair_id(other, kora::EPSILON),
                             kora::pair_id('b', 'c')};
  for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    NET *net = random_operand(random, Shape{seed % 2 == 0, seed % 3 == 0});
    const uint32_t label = labels[random() % std::size(labels)];
    NET *one = label_net(label);
    const Symbols universe = kora_test::universe_of({net, one});
    const Relation want = concatenation(language(net, universe), language(one, universe));
    NET *result = kora::concat_label(net, label, seed % 4 == 0, seed % 5 == 0);
    EXPECT_EQ(language(result, universe), want) << "label " << label;
    if (result != net) free_network(net);
    for (NET *n : {result, one}) free_network(n);
  });
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(CalculusFrameTest, ConcatLabelReportsTuplesWithEqualSides) {
  uint32_t tuple = kora::ID_NO_SYMBOL;
  const uint32_t sides[] = {'c', 'c'};
  ASSERT_EQ(kora::intern_tuple(&tuple, sides, 2), 0);
  free_network(kora::concat_label(symbol_net("a"), tuple, 0, 0));
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"concat_label: X:X (" + std::to_string(tuple) + ")"});
}

}  // namespace
