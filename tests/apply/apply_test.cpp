// The applyer: the epsilon-loop rules, OTHER, flag diacritics (obeyed, inserted networks,
// lists), output formats, streams and bad input. Random transducers against a reference walk of
// their paths are in apply_index_test.cpp.

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "apply_support.h"
#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using apply_tests::pair;
using apply_tests::sym;
using kora_test::build_net;
using kora_test::messages;

using ApplyTest = apply_tests::Applying;

// The results of one string, in the order found.
std::vector<std::string> lookup(NET *net, const std::string &input, int side = 0) {
  APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
  std::vector<std::string> results = apply_tests::lines_of(apply_to_string(input.c_str(), applyer));
  free_applyer(applyer);
  return results;
}

std::set<std::string> as_set(const std::vector<std::string> &results) {
  return {results.begin(), results.end()};
}

// Epsilon cycles, which the reference walk of apply_index_test.cpp (over acyclic networks, with
// OTHER and the empty input) does not meet.
TEST_F(ApplyTest, EdgeCasesOfTheSearch) {
  // An epsilon cycle between two non-final states: each result once, and the search ends.
  NET *net = build_net(3, {2}, {{0, kora::EPSILON, 1}, {1, kora::EPSILON, 0}, {0, 'a', 2},
                           {1, 'a', 2}});
  EXPECT_EQ(lookup(net, "a"), (std::vector<std::string>{"a", "a"}));  // two paths, not more
  free_network(net);
  net = build_net(3, {2}, {{0, 'a', 1}, {1, kora::EPSILON, 2}, {2, kora::EPSILON, 1}});
  EXPECT_EQ(lookup(net, "a"), std::vector<std::string>{"a"});
  free_network(net);

  // A final start state with an EPSILON:b self-loop, applied down to the empty input.
  net = build_net(1, {0}, {{0, pair("", "b"), 0}});
  EXPECT_EQ(as_set(lookup(net, "")), (std::set<std::string>{"", "b"}));
  free_network(net);
}

TEST_F(ApplyTest, OutputFormats) {
  NET *net = build_net(3, {2}, {{0, pair("a", "b"), 1}, {1, 'a', 2}, {0, pair("c", ""), 2}});
  EXPECT_EQ(lookup(net, "aa"), std::vector<std::string>{"ba"});
  EXPECT_EQ(lookup(net, "ba", 1), std::vector<std::string>{"aa"});
  int_parameters()->word[KORA_APPLY_BOTH_SIDES] = 1;
  EXPECT_EQ(lookup(net, "aa"), std::vector<std::string>{"<a:b>a"});
  EXPECT_EQ(lookup(net, "c"), std::vector<std::string>{"<c:0>"});
  EXPECT_EQ(lookup(net, "", 1), std::vector<std::string>{"<c:0>"});
  int_parameters()->word[KORA_APPLY_BOTH_SIDES] = 0;
  int_parameters()->word[KORA_PRINT_SPACE] = 1;
  EXPECT_EQ(lookup(net, "aa"), std::vector<std::string>{"b a"});
  free_network(net);

  // Multi-character symbols are read by longest match and written by name; OTHER as "?".
  net = build_net(4, {3}, {{0, 'c', 1}, {1, sym("+Noun"), 2}, {2, pair("+Pl", "s"), 3}});
  int_parameters()->word[KORA_PRINT_SPACE] = 0;
  EXPECT_EQ(lookup(net, "c+Noun+Pl"), std::vector<std::string>{"c+Nouns"});
  EXPECT_EQ(lookup(net, "c+Nouns", 1), std::vector<std::string>{"c+Noun+Pl"});
  EXPECT_EQ(lookup(net, "c+Nou+Pl"), std::vector<std::string>{});
  free_network(net);
  net = build_net(2, {1}, {{0, kora::pair_id('x', kora::OTHER), 1}});
  EXPECT_EQ(lookup(net, "x"), std::vector<std::string>{"?"});
  free_network(net);
}

TEST_F(ApplyTest, FlagDiacriticsAreObeyedOnTheInputSide) {
  // [@P.A.x@ a | @P.A.y@ b] @R.A.x@ c
  NET *net = build_net(6, {3}, {{0, sym("@P.A.x@"), 1}, {1, 'a', 2}, {0, sym("@P.A.y@"), 4},
                                {4, 'b', 2}, {2, sym("@R.A.x@"), 5}, {5, 'c', 3}});
  EXPECT_EQ(lookup(net, "ac"), std::vector<std::string>{"ac"});
  EXPECT_EQ(lookup(net, "bc"), std::vector<std::string>{});
  int_parameters()->word[KORA_SHOW_FLAGS] = 1;
  EXPECT_EQ(lookup(net, "ac"), std::vector<std::string>{"@P.A.x@a@R.A.x@c"});
  int_parameters()->word[KORA_SHOW_FLAGS] = 0;
  int_parameters()->word[KORA_OBEY_FLAGS] = 0;
  EXPECT_EQ(lookup(net, "bc"), std::vector<std::string>{"@P.A.y@b@R.A.x@c"});
  int_parameters()->word[KORA_OBEY_FLAGS] = 1;
  free_network(net);
  // [@U.B.x@ a | @U.B.y@ b]: the value a branch unified is undone when the branch fails, so
  // that the other branch, whichever is tried second, can unify its own.
  net = build_net(4, {2}, {{0, sym("@U.B.x@"), 1}, {1, 'a', 2}, {0, sym("@U.B.y@"), 3},
                           {3, 'b', 2}});
  EXPECT_EQ(lookup(net, "a"), std::vector<std::string>{"a"});
  EXPECT_EQ(lookup(net, "b"), std::vector<std::string>{"b"});
  free_network(net);
}

// A list and its exclusion (an inserted network, whose multi-character symbols the parse table
// spells too, and a list arc are on the path of threads_test.cpp's analyser).
TEST_F(ApplyTest, ListsAndExclusionsTakePartInTheSearch) {
  kora_test::define_list("V", {'a', 'e'});
  NET *net = build_net(2, {1}, {{0, sym("@L.V@"), 1}, {0, pair("@X.V@", "C"), 1}});
  EXPECT_EQ(lookup(net, "e"), std::vector<std::string>{"e"});
  EXPECT_EQ(lookup(net, "t"), std::vector<std::string>{"C"});
  EXPECT_EQ(lookup(net, ""), std::vector<std::string>{});
  free_network(net);
}

// A string is one record: the second call returns null until the applyer is bound again. (A
// stream gives a record per line: threads_test.cpp compares them with strings, and
// pars_tbl_test.cpp cuts every kind of line end.)
TEST_F(ApplyTest, AStringIsOneRecord) {
  NET *net = build_net(3, {0, 2}, {{0, 'a', 1}, {1, pair("b", "c"), 2}});
  APPLY_CONTEXT *applyer = new_applyer(net, "ab", nullptr, 0, nullptr);
  EXPECT_STREQ(next_apply_output(applyer), "ac\n");
  EXPECT_EQ(next_apply_output(applyer), nullptr);
  init_apply_to_string("", applyer);
  EXPECT_STREQ(next_apply_output(applyer), "\n");
  switch_input_side(applyer);
  EXPECT_STREQ(apply_to_string("ac", applyer), "ab\n");
  free_applyer(applyer);
  free_network(net);
}

TEST_F(ApplyTest, MakeApplyerOwnsTheNetworkAndTheFileItOpens) {
  kora_test::ScratchFiles files;
  NET *net = build_net(3, {0, 2}, {{0, 'a', 1}, {1, pair("b", "c"), 2}});
  const std::string net_file = files.path("net.fst");
  ASSERT_EQ(save_net(net, net_file.c_str(), nullptr), 0);
  free_network(net);
  const std::string input = files.write("input.txt", "ab\nb\n");
  APPLY_CONTEXT *applyer = make_applyer(net_file.c_str(), nullptr, input.c_str(), 0, nullptr);
  ASSERT_NE(applyer, nullptr);
  std::vector<std::string> records;
  while (const char *output = next_apply_output(applyer)) records.push_back(output);
  EXPECT_EQ(records, (std::vector<std::string>{"ac\n", ""}));
  free_applyer(applyer);  // frees the loaded network and closes the file: no leak

  applyer = make_applyer(net_file.c_str(), "ab", nullptr, 1, nullptr);
  EXPECT_STREQ(next_apply_output(applyer), "");
  EXPECT_STREQ(apply_to_string("ac", applyer), "ab\n");
  free_applyer(applyer);
  EXPECT_EQ(make_applyer(files.path("none.fst").c_str(), "a", nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(make_applyer(net_file.c_str(), "a", input.c_str(), 0, nullptr), nullptr);
  EXPECT_EQ(make_applyer(net_file.c_str(), nullptr, files.path("none.txt").c_str(), 0, nullptr),
            nullptr);
}

TEST_F(ApplyTest, RefusalsAndBadInput) {
  EXPECT_EQ(init_apply(nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(new_applyer(nullptr, "a", nullptr, 0, nullptr), nullptr);
  NET *net = build_net(2, {1}, {{0, 'a', 1}, {1, 'a', 1}});
  EXPECT_EQ(new_applyer(net, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(new_applyer(net, "a", stdin, 0, nullptr), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "NETptr must not be NULL.", "No network!",
                "Must specify either an input string or\n    an input stream.",
                "Cannot use an input string and\n    an input stream. Only one should be "
                "specified."}));
  messages().clear();
  // A UTF-8 error ends the record without results past it.
  EXPECT_EQ(lookup(net, "aa\xFF"), std::vector<std::string>{});
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"Cannot parse a symbol starting with 0xFF in UTF8-mode."});
  // A long input walks a long path without recursion.
  std::string long_input(200000, 'a');
  EXPECT_EQ(lookup(net, long_input), std::vector<std::string>{long_input});
  free_network(net);
}

}  // namespace
