// The enumeration oracle itself, on networks whose languages are known by construction.

#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::enumerate;
using kora_test::Relation;
using kora_test::Symbols;

class LanguageOracleTest : public kora_test::Library {};

TEST_F(LanguageOracleTest, EnumeratesPathsWithEpsilonsAndCycles) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *f = add_state_to_net(net, 1);
  add_arc_to_state(net, s, 'a', f, nullptr, 0);
  add_arc_to_state(net, f, 'b', f, nullptr, 0);
  add_arc_to_state(net, s, kora::EPSILON, f, nullptr, 0);
  Symbols universe = kora_test::universe_of({net});
  Relation expected;
  for (Symbols word : {Symbols{}, Symbols{'a'}, Symbols{'b'}, Symbols{'a', 'b'}, Symbols{'b', 'b'}})
    expected.insert({word, word});
  EXPECT_EQ(kora_test::shorter_than(enumerate(net, universe, 3), 2), expected);
  free_network(net);
}

TEST_F(LanguageOracleTest, OtherStandsForTheUnknownSymbols) {
  NET *other = label_net(kora::OTHER);
  NET *a = symbol_net("a");
  Symbols universe = kora_test::universe_of({other, a});
  ASSERT_EQ(universe.size(), 3u);  // a and the two fresh symbols
  Relation words = enumerate(other, universe, 2);
  EXPECT_EQ(words.size(), 3u) << "OTHER of a network that does not know a matches a too";

  NET *pairs = pair_net(kora::OTHER, kora::OTHER);
  Relation different = enumerate(pairs, kora_test::universe_of({pairs}), 1);
  EXPECT_EQ(different.size(), 2u) << "two fresh symbols make two ordered pairs, never x:x";
  for (NET *net : {other, a, pairs}) free_network(net);
}

}  // namespace
