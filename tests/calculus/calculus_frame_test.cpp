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
using kora_test::Library;
using kora_test::messages;

class CalculusFrameTest : public Library {};

// A null network: one non-final state without arcs.
bool is_null_net(const NET *net) {
  return net != nullptr && net->num_states == 1 && net->start != nullptr &&
         net->start->arcs == nullptr && !net->start->flags.final;
}

TEST_F(CalculusFrameTest, HarmonizationKeepsLanguagesAndMakesOtherAgree) {
  for (int seed = 0; seed < 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Shape shape;
    shape.transducer = seed % 2 == 0;
    shape.other = true;
    NET *a = random_operand(random, shape);
    shape.other = seed % 3 != 0;
    NET *b = random_operand(random, shape);
    const Symbols universe = kora_test::universe_of({a, b});
    const Relation la = language(a, universe), lb = language(b, universe);
    const bool a_other = test_alph_member(a->sigma, kora::OTHER);
    const bool b_other = test_alph_member(b->sigma, kora::OTHER);
    kora::harmonize_sigmas(a, b);
    EXPECT_EQ(language(a, universe), la);
    EXPECT_EQ(language(b, universe), lb);
    if (a_other && b_other) {
      EXPECT_TRUE(test_equal_alphs(a->sigma, b->sigma));
    }
    free_network(a);
    free_network(b);
  }
}

TEST_F(CalculusFrameTest, InternalSymbolsAreNotAddedToOther) {
  NET *a = label_net(kora::OTHER);
  NET *b = symbol_net("x");
  alph_add_to(b->sigma, kora::BOUNDARY_SYMBOL, 0);
  kora::harmonize_sigmas(a, b);
  EXPECT_TRUE(test_alph_member(a->sigma, kora::symbol_id("x")));
  EXPECT_FALSE(test_alph_member(a->sigma, kora::BOUNDARY_SYMBOL));
  free_network(a);
  free_network(b);
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

TEST_F(CalculusFrameTest, CompactedNetworksAreRefused) {
  NET *compacted = symbol_net("a");
  compacted->flags.compacted = 1;
  NET *consumed = symbol_net("b");
  NET *result = union_net(compacted, consumed, 1, 0);
  EXPECT_TRUE(is_null_net(result));
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0],
            "Cannot apply 'union' to a compacted net. Please uncompact first.");
  free_network(result);

  EXPECT_EQ(reverse_net(compacted, 1), compacted);
  EXPECT_EQ(messages().errors.back(),
            "Cannot apply 'reverse' to a compacted net. Please uncompact first.");
  EXPECT_EQ(repeat_net(compacted, 1, 2, 0), compacted);
  EXPECT_EQ(messages().errors.back(),
            "Cannot apply 'repeat' to a compacted net. Please uncompact first.");
  messages().clear();
  EXPECT_EQ(optional_net(compacted, 0), compacted);
  EXPECT_TRUE(compacted->flags.start_final);
  EXPECT_TRUE(messages().errors.empty());
  compacted->flags.compacted = 0;
  free_network(compacted);
}

TEST_F(CalculusFrameTest, OtherRepresentationsAreRefused) {
  NET *optimized = symbol_net("a");
  optimized->flags2.optimized = 1;
  NET *result = concat_net(optimized, symbol_net("b"), 1, 0);
  EXPECT_TRUE(is_null_net(result));
  EXPECT_EQ(messages().errors.back(), "Cannot do this operation on a optimized network.");
  free_network(result);
  optimized->flags2.optimized = 0;

  // An arc labelled ALTCHAIN belongs to the optimized representation too.
  NET *chained = symbol_net("a");
  add_arc_to_state(chained, chained->start, kora::ALTCHAIN_SYMBOL, chained->start, nullptr, 0);
  EXPECT_EQ(invert_net(chained, 0), chained);
  EXPECT_EQ(messages().errors.back(), "Cannot do this operation on a optimized network.");
  result = union_net(optimized, chained, 0, 0);
  EXPECT_TRUE(is_null_net(result));
  free_network(result);
}

TEST_F(CalculusFrameTest, NetworksOfDifferentLabelMapsAreRefused) {
  NET *a = symbol_net("a");
  NET *b = symbol_net("b");
  b->label_map = kora::make_label_map("Private", 10);
  NET *result = union_net(a, b, 0, 0);
  EXPECT_TRUE(is_null_net(result));
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0],
            "Networks do not have a common label map.\n"
            "One specifies 'Default', another specifies 'Private'.");
  free_network(result);
}

TEST_F(CalculusFrameTest, WordSixteenMinimizesResults) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *plain = union_net(string_to_net("ab", 0), string_to_net("ac", 0), 0, 0);
  EXPECT_FALSE(plain->flags.minimized);
  EXPECT_EQ(plain->num_states, 5u);
  int_parameters()->word[KORA_MINIMIZE] = 1;
  NET *minimal = union_net(string_to_net("ab", 0), string_to_net("ac", 0), 0, 0);
  EXPECT_TRUE(minimal->flags.minimized);
  EXPECT_EQ(minimal->num_states, 3u);
  EXPECT_EQ(language(plain, {'a', 'b', 'c'}), language(minimal, {'a', 'b', 'c'}));
  free_network(plain);
  free_network(minimal);
}

// concat_label against the concatenation with the one-label network of the same label.
TEST_F(CalculusFrameTest, ConcatLabelAppendsOnePosition) {
  const uint32_t a = 'a', b = 'b', c = 'c', other = kora::OTHER;
  const uint32_t labels[] = {other,
                             a,
                             'd',
                             kora::pair_id(other, a),
                             kora::pair_id(b, other),
                             kora::pair_id(other, other),
                             kora::pair_id(other, kora::EPSILON),
                             kora::pair_id(b, c)};
  for (int seed = 0; seed < 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Shape shape;
    shape.transducer = seed % 2 == 0;
    shape.other = seed % 3 == 0;
    NET *net = random_operand(random, shape);
    const uint32_t label = labels[random() % std::size(labels)];
    NET *one = label_net(label);
    const Symbols universe = kora_test::universe_of({net, one});
    const Relation want = concatenation(language(net, universe), language(one, universe));
    NET *result = kora::concat_label(net, label, seed % 4 == 0, seed % 5 == 0);
    EXPECT_EQ(language(result, universe), want)
        << "label " << label << "\ngot  " << kora_test::describe(language(result, universe))
        << "\nwant " << kora_test::describe(want);
    if (result != net) free_network(net);
    free_network(result);
    free_network(one);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(CalculusFrameTest, ConcatLabelReportsTuplesWithEqualSides) {
  uint32_t tuple = kora::ID_NO_SYMBOL;
  const uint32_t sides[] = {'c', 'c'};
  ASSERT_EQ(kora::intern_tuple(&tuple, sides, 2), 0);
  NET *net = kora::concat_label(symbol_net("a"), tuple, 0, 0);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "concat_label: X:X (" + std::to_string(tuple) + ")");
  free_network(net);
}

}  // namespace
