// The frame shared by the calculus: internal symbols in harmonized sigmas, refusals (null,
// compacted, other representations, label maps), word 16, and the appending of one label.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "alph.h"
#include "calculus.h"
#include "concat.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "modify.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;
using kora_test::messages;

class CalculusFrameTest : public kora_test::Library {};

// The result of a refused binary operation: an empty language.
void expect_null_net(NET *net) {
  EXPECT_EQ(test_non_null(net), 0);
  free_network(net);
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
  EXPECT_EQ(reverse_net(nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"Unexpected NULL argument in union_net().",
                                      "Unexpected NULL argument in reverse_net()."}));
  EXPECT_EQ(language(a, {'a'}), Relation({{{'a'}, {'a'}}}));
  free_network(a);
}

// Every operation names itself when it refuses a compacted operand. Binary operations give a
// network that accepts nothing (consuming an operand they were given to consume), unary ones
// the argument; `other` is kept by the calls.
TEST_F(CalculusFrameTest, CompactedNetworksAreRefused) {
  const struct {
    const char *name;
    NET *(*apply)(NET *compacted, NET *other);
    bool unary = false;
  } cases[] = {
      {"union", [](NET *c, NET *) { return union_net(c, symbol_net("b"), 1, 0); }},
      {"minus", [](NET *c, NET *o) { return minus_net(o, c, 1, 1); }},
      {"intersection", [](NET *c, NET *) { return intersect_net(symbol_net("a"), c, 0, 1); }},
      {"composition", [](NET *c, NET *o) { return compose_net(o, c, 1, 1); }},
      {"lenient composition", [](NET *c, NET *o) { return lenient_compose_net(c, o, 1, 1); }},
      {"priority union", [](NET *c, NET *o) { return priority_union_net(c, o, 0, 1, 1); }},
      {"shuffle", [](NET *c, NET *) { return shuffle_net(c, symbol_net("a"), 1); }},
      {"ignore_net", [](NET *c, NET *) { return ignore_net(c, symbol_net("c"), 1, 0); }},
      {"reverse", [](NET *c, NET *) { return reverse_net(c, 1); }, true},
      {"repeat", [](NET *c, NET *) { return repeat_net(c, 1, 2, 0); }, true},
      {"complementation", [](NET *c, NET *) { return negate_net(c, 0); }, true},
      {"contains", [](NET *c, NET *) { return contains_net(c, 1); }, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    messages().clear();
    NET *compacted = string_to_net("ab", 0), *other = symbol_net("a");
    compacted->flags.compacted = 1;
    NET *result = c.apply(compacted, other);
    EXPECT_EQ(messages().errors, std::vector<std::string>{std::string("Cannot apply '") + c.name +
                                                          "' to a compacted net. Please uncompact first."});
    if (c.unary) {
      EXPECT_EQ(result, compacted);
    } else {
      expect_null_net(result);
    }
    compacted->flags.compacted = 0;
    for (NET *net : {compacted, other}) free_network(net);
  }
}

// Optimized networks belong to another representation.
TEST_F(CalculusFrameTest, OptimizedNetworksAreRefused) {
  NET *optimized = symbol_net("a");
  optimized->flags2.optimized = 1;
  expect_null_net(concat_net(optimized, symbol_net("b"), 1, 0));
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"Cannot do this operation on a optimized network."});
  optimized->flags2.optimized = 0;
  free_network(optimized);
}

TEST_F(CalculusFrameTest, NetworksOfDifferentLabelMapsAreRefused) {
  NET *b = symbol_net("b");
  b->label_map = kora::make_label_map("Private", 10);
  expect_null_net(union_net(symbol_net("a"), b, 0, 0));
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Networks do not have a common label map.\n"
                                   "One specifies 'Default', another specifies 'Private'."});
}

// extend_fsm against the concatenation with the one-label network of the same label.
TEST_F(CalculusFrameTest, ExtendAppendsOnePosition) {
  const uint32_t other = kora::OTHER;
  const uint32_t labels[] = {other, 'a', 'd', kora::pair_id(other, 'a'), kora::pair_id('b', other),
                             kora::pair_id(other, other), kora::pair_id(other, kora::EPSILON),
                             kora::pair_id('b', 'c')};
  for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    NET *net = random_operand(random, {.transducer = seed % 2 == 0, .epsilon = false});
    const uint32_t label = labels[random() % std::size(labels)];
    NET *one = label_net(label);
    const Symbols universe = kora_test::universe_of({net, one});
    const Relation want = concatenation(language(net, universe), language(one, universe));
    kora::extend_fsm(net, label, false);
    EXPECT_EQ(language(net, universe), want) << "label " << label;
    for (NET *n : {net, one}) free_network(n);
  });
  EXPECT_TRUE(messages().errors.empty());
}

}  // namespace
