// Shifting initial epsilons: the relation is kept on random transducers with one-sided
// epsilons, in the plain and the compacted form; the epsilons of the first symbols move to the
// end of the stretch; the argument is left as it was.

#include <set>
#include <vector>

#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"

namespace {

using kora::EPSILON;
using kora::pair_id;
using kora_test::Symbols;

class ShiftEpsilonsTest : public kora_test::QuietLibrary {};

TEST_F(ShiftEpsilonsTest, KeepsTheRelationAndTheRepresentation) {
  kora_test::RandomNetOptions options;
  options.transducer = true;
  options.max_states = 6;
  options.max_arcs = 12;
  kora_test::for_seeds(50, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(random, options);
    const uint32_t arcs = net->num_arcs;
    const bool compacted = seed % 3 == 0;
    if (compacted) compact_net(net, nullptr);
    NET *shifted = shift_initial_epsilons(net, static_cast<int>(seed % 4) + 1);
    ASSERT_NE(shifted, nullptr);
    EXPECT_EQ(shifted->flags.compacted, compacted);
    EXPECT_EQ(net->num_arcs, arcs);
    uncompact_net(net);
    uncompact_net(shifted);
    EXPECT_TRUE(shifted->flags.deterministic);
    EXPECT_TRUE(kora_test::same_relation(net, shifted, 4));
    free_network(shifted);
    free_network(net);
  });
  EXPECT_TRUE(kora_test::messages().errors.empty());
}

TEST_F(ShiftEpsilonsTest, EpsilonsMoveToTheEndOfTheStretch) {
  struct Case {
    const char *regex;
    int budget;
    std::set<Symbols> paths;
  };
  const uint32_t a = 'a', b = 'b', c = 'c';
  const Case cases[] = {
      // a:0 b -> a:b b:0
      {"a:0 b", 2, {{pair_id(a, b), pair_id(b, EPSILON)}}},
      // 0:a b:c -> b:a 0:c
      {"0:a b:c", 2, {{pair_id(b, a), pair_id(EPSILON, c)}}},
      // Beyond the budget nothing moves: a:0 | b stays a:0 then b.
      {"a:0 b", 1, {{pair_id(a, EPSILON), b}}},
      // Symbols on both sides stay as they are.
      {"a b c", 3, {{a, b, c}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.regex);
    NET *net = read_regex(c.regex);
    NET *shifted = shift_initial_epsilons(net, c.budget);
    ASSERT_NE(shifted, nullptr);
    EXPECT_EQ(kora_test::label_paths(shifted), c.paths);
    EXPECT_TRUE(kora_test::same_relation(net, shifted, 5));
    free_network(shifted);
    free_network(net);
  }
}

}  // namespace
