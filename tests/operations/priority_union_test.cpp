// One-sided difference, priority union and lenient composition against their set definitions
// on enumerated relations of automata and equal-length transducers (whose sides have one
// length, so that cutting them to short strings loses no side string).

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"
#include "priority-union.h"
#include "structure.h"

namespace {

using namespace operator_oracle;
using kora_test::describe;

class PriorityUnionTest : public kora_test::Library {};

// The pairs of `b` whose side string (0 upper, 1 lower) is no side string of `a`.
Relation side_difference(const Relation &b, const Relation &a, int side) {
  std::set<Symbols> taken;
  for (const StringPair &pair : a) taken.insert(side == 0 ? pair.first : pair.second);
  Relation result;
  for (const StringPair &pair : b)
    if (!taken.count(side == 0 ? pair.first : pair.second)) result.insert(pair);
  return result;
}

Relation priority(const Relation &a, const Relation &b, int side) {
  return united(a, side_difference(b, a, side));
}

NET *random_relation(std::mt19937 &random, bool transducer) {
  return transducer ? random_equal_length_transducer(random)
                    : random_operand(random, {.max_states = 4, .max_arcs = 8, .other = random() % 2 == 0});
}

// The one-sided difference minimizes when asked to, as word 16 asks the others.
int minimizing() { return int_parameters()->word[KORA_MINIMIZE]; }

Operands relations(unsigned seed, std::mt19937 &random) {
  NET *a = random_relation(random, seed % 2 == 0);
  return {a, random_relation(random, seed % 2 == 0)};
}

// Priority union over either side, and the one-sided difference, minimized or not.
TEST_F(PriorityUnionTest, AgreesWithItsDefinition) {
  expect_agreement_on_random_pairs([](NET *a, NET *b, int ka, int kb) { return priority_union_net(a, b, 0, ka, kb); },
                                   [](const Relation &a, const Relation &b) { return priority(a, b, 0); }, relations);
  expect_agreement_on_random_pairs([](NET *a, NET *b, int ka, int kb) { return priority_union_net(a, b, 1, ka, kb); },
                                   [](const Relation &a, const Relation &b) { return priority(a, b, 1); }, relations);
  expect_agreement_on_random_pairs(
      [](NET *a, NET *b, int ka, int kb) { return kora::oneside_minus_fsm(a, b, 0, ka, kb, minimizing()); },
      [](const Relation &a, const Relation &b) { return side_difference(a, b, 0); }, relations);
  expect_agreement_on_random_pairs(
      [](NET *a, NET *b, int ka, int kb) { return kora::oneside_minus_fsm(a, b, 1, ka, kb, minimizing()); },
      [](const Relation &a, const Relation &b) { return side_difference(a, b, 1); }, relations);
}

TEST_F(PriorityUnionTest, LenientCompositionBacksOffToTheUpperNetwork) {
  for_seeds(50, [&](unsigned, std::mt19937 &random) {
    NET *a = random_equal_length_transducer(random), *b = random_equal_length_transducer(random);
    Symbols universe = kora_test::universe_of({a, b});
    universe.push_back(kora::symbol_id("FRESH-3"));
    const Relation la = language(a, universe), lb = language(b, universe);
    const Relation want = priority(composition(la, lb), la, 0);
    int_parameters()->word[KORA_MINIMIZE] = static_cast<int>(random() % 2);
    NET *kept = lenient_compose_net(a, b, 1, 1);
    EXPECT_EQ(language(kept, universe), want) << describe(la) << " .O. " << describe(lb);
    EXPECT_EQ(language(a, universe), la);
    EXPECT_EQ(language(b, universe), lb);
    NET *consumed = lenient_compose_net(a, b, 0, 0);
    EXPECT_EQ(language(consumed, universe), want);
    for (NET *net : {kept, consumed}) free_network(net);
  });
}

}  // namespace
