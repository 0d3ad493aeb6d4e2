// Flag elimination: the language before, filtered by the flags' semantics, is the language
// after, on seeded random networks; insert and list flags; the edge cases and the reports.

#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "flag-diacritics.h"
#include "flag-eliminate.h"
#include "flag-marks.h"
#include "flags.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;
using kora_test::messages;
using kora_test::words;
using Words = std::set<std::string>;
using kora::symbol_id;

class FlagEliminateTest : public kora_test::QuietLibrary {};

uint32_t attribute(const char *name) { return kora::symbol_flag(symbol_id(name))->attribute; }

// A network of the strings of `regex`-like alternatives written as lists of symbol names.
NET *strings(const std::vector<std::vector<std::string>> &alternatives) {
  NET *result = null_net();
  for (const auto &alternative : alternatives) {
    NET *path = epsilon_net();
    for (const std::string &symbol : alternative) path = concat_net(path, symbol_net(symbol.c_str()), 0, 0);
    result = union_net(result, path, 0, 0);
  }
  return result;
}

kora_test::Symbols flags_of_a() {
  kora_test::Symbols flags;
  for (const char *name : {"@P.A.x@", "@P.A.y@", "@N.A.x@", "@U.A.x@", "@U.A.y@", "@D.A@", "@D.A.x@",
                           "@R.A@", "@R.A.y@", "@C.A@", "@N.A.y@", "@R.A.x@"})
    flags.push_back(symbol_id(name));
  return flags;
}

// Random networks, acyclic or with cycles, automata and transducers, over a, b, a flag of another
// attribute and some flags of A, against the walk that obeys the flags; with and without
// minimization. An attribute that does not occur leaves the network as it was.
TEST_F(FlagEliminateTest, AgreesWithThePathsThatObeyTheFlags) {
  const uint32_t a = attribute("@P.A.x@");
  const kora_test::Symbols flags = flags_of_a();
  for (int minimize : {1, 0}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    for_seeds(150, [&](unsigned seed, std::mt19937 &random) {
      kora_test::Symbols symbols = {'a', 'b', symbol_id("@P.B.x@")};
      for (int i = 0; i < 3; i++) symbols.push_back(flags[random() % flags.size()]);
      NET *net = kora_test::random_net(random, {.max_states = 5, .max_arcs = 10, .acyclic = seed % 2 == 0,
                                                .transducer = seed % 3 == 0, .epsilon = random() % 2 == 0,
                                                .other = random() % 2 == 0, .symbols = symbols});
      // The attribute's flags leave the sigma, so OTHER comes to stand for them: they are no
      // symbols of the strings compared.
      const Symbols universe = kora_test::without_flags(kora_test::universe_of({net}), a);
      const Relation expected = kora_test::obeying_paths(net, universe, a, kLength);
      NET *result = eliminate_flag(net, "A", 1);
      EXPECT_EQ(language(result, universe), expected);
      EXPECT_FALSE(kora::flag_attribute_occurs_in_p(result, a));
      expect_lawful(result, minimize && result != net);
      if (result != net) {
        EXPECT_EQ(kora_test::flag_marks_of(result), kora_test::flag_marks_of_arcs(result));
        free_network(result);
      }
      free_network(net);
    });
  }
}

TEST_F(FlagEliminateTest, EdgeCases) {
  // An attribute that does not occur: the same record, not copied.
  NET *net = strings({{"@P.A.a@", "x"}});
  EXPECT_EQ(eliminate_flag(net, "B", 1), net);
  // Copying leaves the argument alone.
  NET *result = eliminate_flag(net, "A", 1);
  EXPECT_NE(result, net);
  EXPECT_EQ(words(net, 3), Words{"<@P.A.a@>x"});
  EXPECT_EQ(words(result, 3), Words{"x"});
  free_network(result);
  free_network(net);

  // An E flag is reported and dropped without any constraint.
  net = strings({{"@E.A.B@", "x"}, {"@P.A.a@", "y"}});
  result = eliminate_flag(net, "A", 0);
  EXPECT_EQ(words(result, 3), (Words{"x", "y"}));
  EXPECT_EQ(messages().errors, std::vector<std::string>{"Eliminate command has not been defined for E flags yet."});
  free_network(result);

  // Refusals.
  messages().clear();
  net = strings({{"@P.A.a@", "x"}});
  net->flags.compacted = 1;
  EXPECT_EQ(eliminate_flag(net, "A", 0), net);
  EXPECT_EQ(messages().errors.at(0), "Cannot eliminate flags from a compacted net.\n    Please uncompact first.");
  net->flags.compacted = 0;
  EXPECT_EQ(eliminate_flag(nullptr, "A", 0), nullptr);
  EXPECT_EQ(eliminate_flag(net, nullptr, 0), net);
  free_network(net);
}

TEST_F(FlagEliminateTest, InsertFlagsAreReplacedByTheNetworksTheyName) {
  ASSERT_EQ(define_net("X", strings({{"b", "c"}, {}}), 0), 0);
  ASSERT_EQ(define_net("Y", strings({{"y", "@I.X@"}}), 0), 0);
  NET *net = strings({{"a", "@I.Y@", "d"}, {"@I.X@"}});
  NET *result = kora::eliminate_flags(net, 1, 1, 0, 0);
  EXPECT_EQ(words(result, 5), (Words{"aybcd", "ayd", "bc", ""}));
  EXPECT_EQ(kora_test::flag_marks_of(result), 0);
  free_network(result);
  // With the flag on one side of a tuple, the network is crossed with the other side.
  NET *pair = pair_net(symbol_id("@I.X@"), 'q');
  result = kora::eliminate_flags(pair, 1, 1, 0, 0);
  EXPECT_EQ(words(result, 3), (Words{"bc:q", ":q"}));
  free_network(result);
  free_network(pair);
  // The same through the entry point of the operations.
  result = kora::expand_insert_flags(kora::min_fsm(net, 1));
  EXPECT_EQ(words(result, 5), (Words{"aybcd", "ayd", "bc", ""}));
  free_network(result);
  free_network(net);

  // A network that inserts itself stays as it is, with a warning when verbose; so does an
  // insert flag that names nothing, with the flag error.
  int_parameters()->word[KORA_VERBOSE] = 1;
  ASSERT_EQ(define_net("Z", strings({{"z", "@I.Z2@"}}), 0), 0);
  ASSERT_EQ(define_net("Z2", strings({{"w", "@I.Z@"}}), 0), 0);
  messages().clear();
  net = strings({{"@I.nothing@"}, {"@I.Z@"}});
  result = kora::eliminate_flags(net, 1, 0, 0, 0);
  EXPECT_TRUE(words(result, 3).count("<@I.nothing@>"));
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Action fails because the symbol 'nothing' in '@I.nothing@'\n    is not defined as a network."});
  EXPECT_FALSE(messages().warnings.empty());
  free_network(result);
  free_network(net);
}

TEST_F(FlagEliminateTest, ListFlagsAreReplacedByTheirSymbols) {
  ASSERT_EQ(kora_test::define_list("V", {'a', 'e'}), 0);
  NET *net = strings({{"@L.V@", "z"}, {"b", "@X.V@"}});
  NET *result = kora::eliminate_flags(net, 1, 1, 1, 0);
  EXPECT_EQ(words(result, 2), (Words{"az", "ez", "bb", "bz", "b<FRESH-1>", "b<FRESH-2>"}));
  free_network(result);
  // Difference sees the symbols of the list.
  NET *rest = minus_net(net, symbol_net("z"), 1, 0);
  NET *a_z = strings({{"a", "z"}});
  NET *without = minus_net(net, a_z, 1, 1);
  EXPECT_TRUE(words(without, 2).count("ez"));
  EXPECT_FALSE(words(without, 2).count("az"));
  for (NET *n : {rest, a_z, without, net}) free_network(n);

  messages().clear();
  net = strings({{"@L.none@"}});
  result = kora::eliminate_flags(net, 1, 0, 1, 0);
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Action fails because the symbol 'none' in '@L.none@'\n    is not defined as a list."});
  free_network(result);
  free_network(net);
}

}  // namespace
