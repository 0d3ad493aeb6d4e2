// Completion and complement against the complement of enumerated languages.

#include "complement.h"
#include "kora_test.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;

class ComplementTest : public kora_test::Library {};

// Whether every state has an arc for every member of the (binary) sigma.
bool complete(const NET *net) {
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (int id = 1; id < net->sigma->len; id++) {
      bool found = !net->sigma->items[id];
      for (const ARC *arc = s->arcs; arc != nullptr && !found; arc = arc->next)
        found = arc->label == static_cast<uint32_t>(id);
      if (!found) return false;
    }
  return true;
}

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

TEST_F(ComplementTest, EmptyUniversalAndClosedSigma) {
  NET *universal = negate_net(null_net(), 0);
  EXPECT_EQ(test_upper_universal(universal), 1);
  EXPECT_EQ(universal->num_states, 1u);
  NET *empty = negate_net(universal, 0);
  EXPECT_EQ(test_non_null(empty), 0);
  free_network(empty);

  NET *a = symbol_net("a");
  a->flags.closed_sigma = 1;
  NET *negated = kora::negate_fsm(a, 0, 1);
  EXPECT_FALSE(test_alph_member(negated->sigma, kora::OTHER)) << "a closed sigma gains no OTHER";
  EXPECT_EQ(language(negated, {'a'}), difference(all_strings({'a'}), {{{'a'}, {'a'}}}));
  free_network(negated);
}

TEST_F(ComplementTest, CompletionKeepsTheLanguageAndFillsEveryState) {
  for_seeds(200, [&](unsigned, std::mt19937 &random) {
    NET *a = random_automaton(random);
    Symbols universe = kora_test::universe_of({a});
    NET *completed = kora::complete_net(a, 1);
    EXPECT_TRUE(completed->flags.completed);
    EXPECT_TRUE(test_alph_member(completed->sigma, kora::OTHER));
    EXPECT_TRUE(complete(completed));
    EXPECT_EQ(language(completed, universe), language(a, universe));
    uint32_t arcs = completed->num_arcs;
    EXPECT_EQ(kora::complete_net(completed, 0), completed);
    EXPECT_EQ(completed->num_arcs, arcs) << "a completed network is left alone";
    for (NET *net : {a, completed}) free_network(net);
  });
}

TEST_F(ComplementTest, Refusals) {
  const auto &errors = kora_test::messages().errors;
  NET *pair = pair_net('a', 'b');
  EXPECT_EQ(negate_net(pair, 0), nullptr);
  EXPECT_EQ(errors.at(0), "Negation is not defined for transducers.");
  NET *null = kora::negate_fsm(pair, 1, 1);
  EXPECT_EQ(errors.at(1).rfind("The complement operator ~ is defined only", 0), 0u);
  EXPECT_EQ(test_non_null(null), 0);
  EXPECT_EQ(kora::complete_net(pair, 0), pair);
  EXPECT_EQ(errors.at(2), "Complete is not implemented for transducers.  Aborting.");
  for (NET *net : {pair, null}) free_network(net);

  NET *a = symbol_net("a");
  a->flags.compacted = 1;
  EXPECT_EQ(negate_net(a, 0), a) << "the exported form gives the argument back";
  EXPECT_EQ(errors.at(3), "Cannot apply 'complementation' to a compacted net. Please uncompact first.");
  null = kora::negate_fsm(a, 1, 1);
  EXPECT_EQ(null->num_arcs, 0u);
  EXPECT_EQ(kora::complete_net(a, 0), a);
  EXPECT_EQ(errors.at(5), "Cannot apply 'completion' to a compacted net. Please uncompact first.");
  a->flags.compacted = 0;
  for (NET *net : {a, null}) free_network(net);
}

}  // namespace
