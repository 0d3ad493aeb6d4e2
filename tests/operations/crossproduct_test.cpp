// Cross product and shuffle against their set definitions on enumerated languages.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "crossproduct.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"
#include "structure.h"

namespace {

using namespace operator_oracle;
using kora_test::describe;
using kora_test::messages;

class CrossProductTest : public kora_test::Library {};

// Every interleaving of x and y.
void interleave(const Symbols &x, size_t i, const Symbols &y, size_t j, Symbols *so_far,
                Relation *out) {
  if (i == x.size() && j == y.size()) out->insert({*so_far, *so_far});
  for (int side = 0; side < 2; side++) {
    const Symbols &from = side == 0 ? x : y;
    const size_t at = side == 0 ? i : j;
    if (at == from.size()) continue;
    so_far->push_back(from[at]);
    interleave(x, side == 0 ? i + 1 : i, y, side == 0 ? j : j + 1, so_far, out);
    so_far->pop_back();
  }
}

Relation shuffled(const Relation &a, const Relation &b, size_t length) {
  Relation result;
  Symbols so_far;
  for (const StringPair &x : a)
    for (const StringPair &y : b)
      if (x.first.size() + y.first.size() <= length) interleave(x.first, 0, y.first, 0, &so_far, &result);
  return result;
}

NET *random_language(std::mt19937 &random) {
  return random_operand(random, {.max_states = 4, .max_arcs = 6, .acyclic = random() % 2 == 0,
                                 .other = random() % 2 == 0});
}

// `operation` (keep flag 1: both operands kept, 0: both consumed) on random pairs against
// `expected` of their languages, with word 16 on or off; the kept result must be lawful.
void check(NET *(*operation)(NET *, NET *, int),
           Relation (*expected)(const Relation &, const Relation &)) {
  for_seeds(200, [&](unsigned, std::mt19937 &random) {
    NET *a = random_language(random), *b = random_language(random);
    const Symbols universe = kora_test::universe_of({a, b});
    const Relation la = language(a, universe), lb = language(b, universe);
    const bool minimize = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    NET *kept = operation(a, b, 1);
    EXPECT_EQ(language(kept, universe), expected(la, lb)) << describe(la) << ", " << describe(lb);
    expect_lawful(kept, minimize);
    EXPECT_EQ(language(a, universe), la);
    EXPECT_EQ(language(b, universe), lb);
    NET *consumed = operation(a, b, 0);
    EXPECT_EQ(language(consumed, universe), language(kept, universe));
    for (NET *net : {kept, consumed}) free_network(net);
  });
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(CrossProductTest, AgreesWithTheSetOfPairs) {
  check([](NET *a, NET *b, int keep) { return crossproduct_net(a, b, keep, keep); }, cross_product);
}

TEST_F(CrossProductTest, ShuffleAgreesWithInterleavings) {
  check(shuffle_net, [](const Relation &a, const Relation &b) { return shuffled(a, b, kLength); });
  // Three networks, one of them twice.
  NET *ab = string_to_net("ab", 0);
  NET *nets[3] = {ab, symbol_net("c"), ab};
  NV nv{3, nets};
  NET *three = kora::shuffle_fsm(&nv, 1, 1);
  EXPECT_EQ(language(three, {'a', 'b', 'c'}, 5), shuffled(shuffled({{{'a', 'b'}, {'a', 'b'}}}, {{{'c'}, {'c'}}}, 5),
                                                         {{{'a', 'b'}, {'a', 'b'}}}, 5));
  NET *consumed = kora::shuffle_fsm(&nv, 0, 0);
  EXPECT_EQ(language(consumed, {'a', 'b', 'c'}, 5), language(three, {'a', 'b', 'c'}, 5));
  for (NET *net : {three, consumed}) free_network(net);
  // Loops with one label on both sides give one loop, not two.
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *loops = shuffle_net(a_star(), a_star(), 0);
  EXPECT_EQ(kora_test::duplicate_arcs(loops), 0u);
  free_network(loops);
  NV none{0, nullptr};
  NET *empty = kora::shuffle_fsm(&none, 0, 1);
  EXPECT_EQ(language(empty, {'a'}), (Relation{{{}, {}}}));
  free_network(empty);
}

}  // namespace
