// Complement against the complement of enumerated languages, and its refusals.

#include "complement.h"
#include "kora_test.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;

class ComplementTest : public kora_test::Library {};

TEST_F(ComplementTest, AgreesWithSetComplementOverSigmaAndFreshSymbols) {
  for (int minimize : {1, 0}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    for_seeds(100, [&](unsigned, std::mt19937 &random) {
      NET *a = random_automaton(random);
      Symbols universe = kora_test::universe_of({a});
      auto before = snapshot(a, universe);
      Relation expected = difference(all_strings(universe), std::get<2>(before));
      NET *copy = negate_net(a, 1);
      EXPECT_EQ(language(copy, universe), expected) << "minimize " << minimize;
      EXPECT_EQ(snapshot(a, universe), before);
      // Twice gives the language back, though a complement without arcs forgets its sigma.
      NET *twice = negate_net(copy, 1);
      EXPECT_EQ(test_sublanguage(twice, a), 1);
      EXPECT_EQ(test_sublanguage(a, twice), 1);
      EXPECT_EQ(negate_net(a, 0), a) << "in place";
      EXPECT_EQ(language(a, universe), expected);
      for (NET *net : {a, copy, twice}) free_network(net);
    });
  }
}

TEST_F(ComplementTest, ClosedSigmaGainsNoOther) {
  NET *a = symbol_net("a");
  a->flags.closed_sigma = 1;
  NET *negated = kora::negate_fsm(a, 0, 1);
  EXPECT_FALSE(test_alph_member(negated->sigma, kora::OTHER)) << "a closed sigma gains no OTHER";
  EXPECT_EQ(language(negated, {'a'}), difference(all_strings({'a'}), {{{'a'}, {'a'}}}));
  free_network(negated);
}

}  // namespace
