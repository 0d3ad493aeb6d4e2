// The complement of minimal networks and of closed sigmas; operators_test.cpp checks it against
// the complement of enumerated languages.

#include "complement.h"
#include "kora_test.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;

class ComplementTest : public kora_test::Library {};

// The complement of a network marked minimal skips minimization; it must come out as the
// minimizer makes it from the same network unmarked. Half of the networks end in ?*, whose
// state accepting everything dies in the complement (the start state, for ?* alone).
TEST_F(ComplementTest, TheComplementOfAMinimalNetworkIsTheMinimalComplement) {
  for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    NET *minimal = random_automaton(random);
    NET *anything = zero_plus_net(label_net(KORA_OTHER), 0);
    if (seed % 7 == 0) std::swap(minimal, anything);
    if (seed % 2 == 0) minimal = concat_net(minimal, anything, 0, 0);
    else free_network(anything);
    ASSERT_EQ(minimize_net(minimal), 0);
    NET *a = copy_net(minimal);
    a->flags.minimized = 0;
    NET *slow = negate_net(a, 1), *fast = negate_net(minimal, 1);
    EXPECT_EQ(fast->num_states, slow->num_states);
    EXPECT_EQ(fast->num_arcs, slow->num_arcs);
    EXPECT_EQ(fast->flags.loop_free, slow->flags.loop_free);
    EXPECT_TRUE(fast->flags.minimized && fast->flags.pruned && fast->flags.deterministic);
    EXPECT_EQ(kora_test::alph_members(net_labels(fast)), kora_test::alph_members(net_labels(slow)));
    EXPECT_EQ(kora_test::alph_members(net_sigma(fast)), kora_test::alph_members(net_sigma(slow)));
    EXPECT_EQ(test_equivalent(fast, slow), 1);
    for (NET *net : {a, minimal, slow, fast}) free_network(net);
  });
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
