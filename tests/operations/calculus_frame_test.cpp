// The frame shared by the calculus: internal symbols in harmonized sigmas, the refusals of every
// operation in one table (null, compacted, other representations, label maps, transducers), and
// the appending of one label.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "alph.h"
#include "calculus.h"
#include "concat.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "complement.h"
#include "crossproduct.h"
#include "epsilon.h"
#include "merge.h"
#include "minus.h"
#include "modify.h"
#include "operator_oracle.h"
#include "prune.h"

namespace {

using namespace operator_oracle;
using kora_test::messages;

class CalculusFrameTest : public kora_test::Library {};

TEST_F(CalculusFrameTest, InternalSymbolsAreNotAddedToOther) {
  NET *a = label_net(kora::OTHER), *b = symbol_net("x");
  alph_add_to(b->sigma, kora::BOUNDARY_SYMBOL, 0);
  kora::harmonize_sigmas(a, b);
  EXPECT_TRUE(test_alph_member(a->sigma, kora::symbol_id("x")));
  EXPECT_FALSE(test_alph_member(a->sigma, kora::BOUNDARY_SYMBOL));
  for (NET *net : {a, b}) free_network(net);
}

// The operands a refused call keeps: each must still be alive after the call, and the test
// frees them.
using Kept = std::vector<NET *>;

NET *keep(Kept &kept, NET *net) {
  kept.push_back(net);
  return net;
}

NET *compacted(Kept &kept) {
  NET *net = keep(kept, string_to_net("ab", 0));
  net->flags.compacted = 1;
  return net;
}

// A network of the label map `name`, made current for the time of its making.
NET *foreign(const char *name) {
  kora::set_label_map(kora::make_label_map(name, 10));
  NET *net = epsilon_net();
  kora::set_label_map(nullptr);
  return net;
}

// Runs substitute_symbol (or substitute_label) with a list of `members` made for the call.
NET *substituted(bool label, uint32_t x, const Symbols &members, NET *net, int copy) {
  const bool bad = members == Symbols{0xABCDEF};  // an id never given out
  const Symbols made = bad ? Symbols{'b'} : members;
  ALPH *list = kora::labels_to_alph(made.data(), static_cast<int>(made.size()), KORA_LABEL_ALPH);
  if (bad) list->items[0] = 0xABCDEF;
  NET *result = label ? substitute_label(x, list, net, copy) : substitute_symbol(x, list, net, copy);
  kora::free_alph(list);
  return result;
}

// Every refused call reports one error (given here by its beginning) and answers with a null
// pointer, with a network that accepts nothing, or with its argument (the first operand kept);
// it frees no operand it was told to keep, and a kept operand is freed by the test.
TEST_F(CalculusFrameTest, RefusalsReportOneErrorAndAnswerAsDocumented) {
  enum Answer { kNull, kNothing, kArgument };
  const struct {
    const char *error;
    Answer answer;
    NET *(*call)(Kept &kept);
  } cases[] = {
      {"Unexpected NULL argument in union_net().", kNull,
       [](Kept &k) { return union_net(nullptr, keep(k, symbol_net("a")), 0, 0); }},
      {"Unexpected NULL argument in reverse_net().", kNull, [](Kept &) { return reverse_net(nullptr, 0); }},
      {"Unexpected NULL argument in compose_net()", kNull,
       [](Kept &k) { return compose_net(nullptr, keep(k, symbol_net("a")), 0, 0); }},
      {"Unexpected NULL argument in compose_net()", kNull,
       [](Kept &k) { return compose_net(keep(k, symbol_net("a")), nullptr, 0, 0); }},
      {"Unexpected NULL argument in shuffle_net().", kNull, [](Kept &) { return shuffle_net(nullptr, nullptr, 0); }},
      {"Unexpected NULL argument in string_to_net().", kNull, [](Kept &) { return string_to_net(nullptr, 0); }},
      {"Unexpected NULL argument in priority_union_net().", kNull,
       [](Kept &k) { return priority_union_net(nullptr, keep(k, symbol_net("a")), 0, 1, 1); }},
      {"Unexpected NULL argument in lenient_compose_net().", kNull,
       [](Kept &k) { return lenient_compose_net(keep(k, symbol_net("a")), nullptr, 1, 1); }},
      {"Cannot apply 'minus' to a NULL network.", kNothing,
       [](Kept &) { return minus_net(nullptr, symbol_net("a"), 0, 0); }},
      {"Cannot apply 'intersection' to a NULL network.", kNothing,
       [](Kept &) { return intersect_net(nullptr, symbol_net("a"), 0, 0); }},
      {"Cannot apply 'union' to a network without a start state.", kNothing,
       [](Kept &k) { return union_net(keep(k, make_empty_net()), symbol_net("a"), 1, 0); }},
      // Compacted operands.
      {"Cannot apply 'union' to a compacted net. Please uncompact first.", kNothing,
       [](Kept &k) { return union_net(compacted(k), symbol_net("b"), 1, 0); }},
      {"Cannot apply 'minus' to a compacted net.", kNothing,
       [](Kept &k) { return minus_net(keep(k, symbol_net("a")), compacted(k), 1, 1); }},
      {"Cannot apply 'intersection' to a compacted net.", kNothing,
       [](Kept &k) { return intersect_net(symbol_net("a"), compacted(k), 0, 1); }},
      {"Cannot apply 'composition' to a compacted net.", kNothing,
       [](Kept &k) { return compose_net(keep(k, symbol_net("a")), compacted(k), 1, 1); }},
      {"Cannot apply 'lenient composition' to a compacted net.", kNothing,
       [](Kept &k) { return lenient_compose_net(compacted(k), keep(k, symbol_net("a")), 1, 1); }},
      {"Cannot apply 'priority union' to a compacted net.", kNothing,
       [](Kept &k) { return priority_union_net(compacted(k), keep(k, symbol_net("a")), 0, 1, 1); }},
      {"Cannot apply 'shuffle' to a compacted net.", kNothing,
       [](Kept &k) { return shuffle_net(compacted(k), symbol_net("a"), 1); }},
      {"Cannot apply 'ignore_net' to a compacted net.", kNothing,
       [](Kept &k) { return ignore_net(compacted(k), symbol_net("c"), 1, 0); }},
      {"Cannot apply 'reverse' to a compacted net.", kArgument, [](Kept &k) { return reverse_net(compacted(k), 1); }},
      {"Cannot apply 'repeat' to a compacted net.", kArgument,
       [](Kept &k) { return repeat_net(compacted(k), 1, 2, 0); }},
      {"Cannot apply 'complementation' to a compacted net.", kArgument,
       [](Kept &k) { return negate_net(compacted(k), 0); }},
      {"Cannot apply 'contains' to a compacted net.", kArgument, [](Kept &k) { return contains_net(compacted(k), 1); }},
      // Other representations, label maps and sides.
      {"Cannot do this operation on a vectorized network.", kArgument,
       [](Kept &k) {
         NET *net = keep(k, kora_test::build_net(2, {1}, {{0, kora::EPSILON, 1}}));
         net->flags2.has_arc_vectors = 1;
         return kora::remove_epsilons(net, 0);
       }},
      {"Cannot do this operation on a network with shared arc_lists.", kArgument,
       [](Kept &k) {
         NET *net = keep(k, null_net());
         add_arc_to_state(net, net->start, 'a', add_state_to_net(net, 0), nullptr, 0);
         net->flags.pruned = 0;
         net->flags.shared_arc_lists = 1;
         return kora::prune_fsm(net, 0);
       }},
      {"'upper-side net' cannot be applied to a net with a reduced labelset.\n", kArgument,
       [](Kept &k) {
         NET *pair = keep(k, pair_net('a', 'b'));
         pair->flags2.reduced_labelset = 1;
         return upper_side_net(pair, 0);
       }},
      {"Networks do not have a common label map.\nOne specifies 'Default', another specifies 'Private'.",
       kNothing, [](Kept &) { return union_net(symbol_net("a"), foreign("Private"), 0, 0); }},
      {"Networks do not have a common label map.", kNothing,
       [](Kept &) { return intersect_net(symbol_net("a"), foreign("Elsewhere"), 0, 0); }},
      {"Networks do not have a common label map.", kArgument,
       [](Kept &k) { return kora::minus_fsm(keep(k, a_star()), foreign("Elsewhere"), 0, 0, 1); }},
      {"oneside_minus_fsm: Side should be UPPER or LOWER, got 2.", kNothing,
       [](Kept &k) { return priority_union_net(keep(k, pair_net('a', 'x')), keep(k, pair_net('a', 'y')), 2, 1, 1); }},
      // Transducers where only automata are taken.
      {"Negation is not defined for transducers.", kNull, [](Kept &k) { return negate_net(keep(k, pair_net('a', 'b')), 0); }},
      {"The complement operator ~ is defined only", kNothing,
       [](Kept &k) { return kora::negate_fsm(keep(k, pair_net('a', 'b')), 1, 1); }},
      {"Aborting crossproduct.\n    Operation is not applicable to a transducer.", kNothing,
       [](Kept &k) { return crossproduct_net(keep(k, pair_net('a', 'b')), symbol_net("a"), 1, 0); }},
      {"Aborting crossproduct.\n    Operation is not applicable to a transducer.", kNothing,
       [](Kept &k) { return crossproduct_net(symbol_net("a"), keep(k, pair_net('a', 'b')), 0, 1); }},
      {"merge_fsm: Cannot merge a transducer.", kNothing,
       [](Kept &) { return kora::merge_fsm(pair_net('a', 'b'), symbol_net("a"), 0, 1); }},
      {"merge_fsm: Cannot merge a transducer.", kNothing,
       [](Kept &) { return kora::merge_fsm(symbol_net("a"), pair_net('a', 'b'), 0, 1); }},
      // Substitution of and by pairs, of a bad label and in a reduced label set.
      {"Cannot substitute for an fstpair.", kArgument,
       [](Kept &k) { return substituted(false, kora::pair_id('a', 'b'), {'b'}, keep(k, symbol_net("a")), 1); }},
      {"Cannot substitute an fstpair.", kArgument,
       [](Kept &k) { return substituted(false, 'a', {kora::pair_id('a', 'b')}, keep(k, symbol_net("a")), 1); }},
      {"substitute_worker: Bad label id: 11259375", kArgument,
       [](Kept &k) { return substituted(true, 'a', {0xABCDEF}, keep(k, symbol_net("a")), 1); }},
      {"Cannot do this operation on a network with reduced labelsets.", kArgument,
       [](Kept &k) {
         NET *net = keep(k, symbol_net("a"));
         net->flags2.reduced_labelset = 1;
         return substituted(false, 'a', {'b'}, net, 0);
       }},
      {"substitute_symbol: argument is NULL.", kNull, [](Kept &) { return substituted(false, 'a', {'b'}, nullptr, 0); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.error);
    messages().clear();
    Kept kept;
    NET *result = c.call(kept);
    ASSERT_EQ(messages().errors.size(), 1u);
    EXPECT_EQ(messages().errors[0].rfind(c.error, 0), 0u) << messages().errors[0];
    if (c.answer == kNull) {
      EXPECT_EQ(result, nullptr);
    } else if (c.answer == kArgument) {
      EXPECT_EQ(result, kept.at(0));
    } else {
      EXPECT_EQ(test_non_null(result), 0);
      free_network(result);
    }
    for (NET *net : kept) {
      EXPECT_TRUE(net->flags2.live) << "a kept operand was freed";
      net->flags.compacted = net->flags.shared_arc_lists = 0;
      net->flags2.optimized = net->flags2.has_arc_vectors = net->flags2.reduced_labelset = 0;
      free_network(net);
    }
  }
}

// An arc-optimized operand is un-optimized first: by the operation itself with its own warning,
// or by the frame with the frame's.
TEST_F(CalculusFrameTest, OptimizedNetworksAreUnoptimizedFirst) {
  NET *optimized = symbol_net("a");
  optimized->flags2.optimized = 1;
  NET *result = concat_net(optimized, symbol_net("b"), 1, 0);
  EXPECT_EQ(language(result, {'a', 'b'}), Relation({{{'a', 'b'}, {'a', 'b'}}}));
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"concat_fsm: Cannot concatenate optimized networks. "
                                     "Un-optimizing and then concatenating."});
  EXPECT_TRUE(optimized->flags2.optimized) << "the kept operand was copied first";
  free_network(result);
  messages().clear();
  result = reverse_net(optimized, 1);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{
                "Can't apply 'reverse' to an optimized network. Un-optimizing it first."});
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_FALSE(optimized->flags2.optimized) << "the frame un-optimizes in place";
  free_network(result);
  free_network(optimized);
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
