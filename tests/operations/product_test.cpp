// Intersection and test_intersect against the intersection of enumerated languages.

#include "kora_test.h"
#include "operator_oracle.h"
#include "product.h"

namespace {

using namespace operator_oracle;

class IntersectTest : public kora_test::Library {};

TEST_F(IntersectTest, AgreesWithSetIntersectionOnRandomNetworks) {
  expect_agreement_on_random_pairs(intersect_net, intersection, automata_or_equal_length());
}

TEST_F(IntersectTest, SeveralNetworksAgreeWithSetIntersection) {
  for_seeds(100, [&](unsigned, std::mt19937 &random) {
    NET *nets[4];
    for (NET *&net : nets) net = random_automaton(random);
    Symbols universe = kora_test::universe_of({nets[0], nets[1], nets[2], nets[3]});
    Relation expected = language(nets[0], universe);
    for (NET *net : nets) expected = intersection(expected, language(net, universe));
    NV nv{4, nets};
    NET *kept = kora::intersect_fsm(&nv, 1, 1);
    NET *consumed = kora::intersect_fsm(&nv, 0, 0);
    EXPECT_EQ(language(kept, universe), expected);
    EXPECT_EQ(language(consumed, universe), expected);
    for (NET *net : {kept, consumed}) free_network(net);
  });
}

// No networks at all intersect to OTHER*.
TEST_F(IntersectTest, EdgeCases) {
  NV empty{0, nullptr};
  NET *universal = kora::intersect_fsm(&empty, 0, 1);
  EXPECT_EQ(language(universal, {'a', 'b'}), all_strings({'a', 'b'}));

  // A deletion is not an equal-length relation: a warning for each operand.
  int_parameters()->word[KORA_VERBOSE] = 1;
  NET *deletion = pair_net('a', kora::EPSILON);
  NET *same = intersect_net(deletion, copy_net(deletion), 1, 0);
  ASSERT_EQ(kora_test::messages().warnings.size(), 2u);
  EXPECT_NE(kora_test::messages().warnings[0].find("under intersection."), std::string::npos);
  EXPECT_EQ(language(same, {'a'}), language(deletion, {'a'}));
  for (NET *net : {universal, deletion, same}) free_network(net);
}

// test_intersect says whether the product accepts anything; a short common string means yes.
TEST_F(IntersectTest, TestIntersectAgreesWithTheProduct) {
  for_seeds(300, [&](unsigned, std::mt19937 &random) {
    NET *a = random_automaton(random), *b = random_automaton(random);
    Symbols universe = kora_test::universe_of({a, b});
    bool short_common = !intersection(language(a, universe), language(b, universe)).empty();
    NET *product = intersect_net(a, b, 1, 1);
    int answer = test_intersect(a, b);
    EXPECT_EQ(answer, test_non_null(product));
    EXPECT_TRUE(answer || !short_common);
    for (NET *net : {a, b, product}) free_network(net);
  });
}

}  // namespace
