// The language tests against enumerated languages and against each other.

#include "kora_test.h"
#include "language-tests.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;

class LanguageTest : public kora_test::Library {};

// Pairs of random automata, one seed in three made to include (a & b is always in b) and one in
// three made equivalent (b the product of a with itself, one language in another shape).
TEST_F(LanguageTest, NonNullInclusionAndEquivalenceAgreeWithEnumerationAndEachOther) {
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *a = random_automaton(random), *b = random_automaton(random);
    if (seed % 3 == 0) a = intersect_net(a, b, 0, 1);
    if (seed % 3 == 1) {
      free_network(b);
      b = intersect_net(a, copy_net(a), 1, 0);
    }
    Symbols universe = kora_test::universe_of({a, b});
    Relation language_a = language(a, universe), language_b = language(b, universe);
    // A shortest accepted path visits no state twice.
    const bool accepts = !kora_test::enumerate(a, universe, a->num_states).empty();
    EXPECT_EQ(test_non_null(a), accepts ? 1 : 0);
    NET *rest = minus_net(a, b, 1, 1);
    int answer = test_sublanguage(a, b);
    EXPECT_EQ(answer, !test_non_null(rest));
    EXPECT_TRUE(!answer || std::includes(language_b.begin(), language_b.end(), language_a.begin(),
                                         language_a.end()));
    EXPECT_TRUE(answer || seed % 3 != 0);
    EXPECT_EQ(language(a, universe), language_a) << "the languages stay";
    EXPECT_EQ(language(b, universe), language_b);
    const bool both_ways = answer && test_sublanguage(b, a);
    minimize_net(a);
    minimize_net(b);
    EXPECT_EQ(test_equivalent(a, b), both_ways ? 1 : 0);
    EXPECT_TRUE(both_ways || seed % 3 != 1);
    for (NET *net : {a, b, rest}) free_network(net);
  });
}

TEST_F(LanguageTest, UniversalSides) {
  NET *any = kleene_star_net(), *as = a_star();
  EXPECT_EQ(test_upper_universal(any), 1);
  EXPECT_EQ(test_upper_universal(as), 0);

  // Upper side ?* whatever the lower side: loops ?:a and a.
  NET *transducer = a_star();
  add_arc_to_state(transducer, transducer->start, kora::pair_id(kora::OTHER, 'a'), transducer->start, nullptr, 0);
  EXPECT_EQ(test_upper_universal(transducer), 1);
  EXPECT_EQ(test_lower_universal(transducer), 0);

  any->flags.compacted = 1;
  EXPECT_EQ(test_upper_universal(any), 0);
  EXPECT_EQ(kora_test::messages().errors.at(0),
            "Cannot apply 'test universal' to a compacted net. Please uncompact first.");
  any->flags.compacted = 0;
  for (NET *net : {any, as, transducer}) free_network(net);
}

}  // namespace
