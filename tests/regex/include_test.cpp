// Networks taken from files by @bin, @re, @txt, @stxt and @lx: a grammar split over files
// compiles as the same grammar in one expression does, and every refusal gives its message and
// the null network.

#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "language.h"

namespace kora_test {
namespace {

class Including : public kora_test::QuietLibrary {
 protected:
  // Compiles `regex` and expects no message.
  NET *compile(const std::string &regex) {
    NET *net = read_regex(regex.c_str());
    EXPECT_TRUE(messages().errors.empty()) << regex;
    return net;
  }
  // Expects `regex` to report `error` (its first line) and to give the null network or none.
  void expect_refused(const std::string &regex, const std::string &error) {
    messages().clear();
    NET *net = read_regex(regex.c_str());
    ASSERT_FALSE(messages().errors.empty()) << regex;
    EXPECT_EQ(messages().errors[0].substr(0, error.size()), error) << messages().errors[0];
    if (net != nullptr) {
      EXPECT_TRUE(words(net, 3).empty()) << regex;
    }
    free_network(net);
  }
  ScratchFiles files;
};

// A lexicon of stems, a word list, a saved network and rules in a file of expressions, each
// included by its operator, give the network that the whole grammar written out gives.
TEST_F(Including, AGrammarSplitOverFilesIsTheGrammarInOne) {
  files.write("stems.lexc", "LEXICON Root\ncat # ;\nfox # ;\n");
  files.write("more.txt", "dog\n");
  NET *tags = read_regex("%+N:0 %+Pl:s");
  ASSERT_EQ(save_net(tags, files.path("tags.fst").c_str(), nullptr), 0);
  free_network(tags);
  files.write("rules.re", "! e-insertion\n[..] -> e || x _ s .#. ;\n");
  files.write("grammar.re",
              "[[@lx \"stems.lexc\"] | [@txt \"more.txt\"]] [@bin \"tags.fst\"] .o. @re \"rules.re\";\n");
  NV *split = read_regex_file(files.path("grammar.re").c_str());
  ASSERT_NE(split, nullptr);
  ASSERT_EQ(NV_len(split), 1);
  NET *whole = compile("[{cat} | {fox} | {dog}] %+N:0 %+Pl:s .o. [..] -> e || x _ s .#.");
  EXPECT_TRUE(same_relation(NV_net(split, 0), whole, 9));
  EXPECT_TRUE(messages().errors.empty());
  free_nv_and_nets(split);
  free_network(whole);
}

// @re of a file of three expressions is their union; @stxt reads spaced text; @bin of a file of
// two networks keeps the first and says so.
TEST_F(Including, FilesOfSeveralNetworks) {
  const std::string three = files.write("three.re", "a;\nb c;\n{de};\n");
  NET *union_of = compile("@re \"" + three + "\"");
  NET *expected = compile("a | b c | d e");
  EXPECT_TRUE(same_relation(union_of, expected, 3));
  free_network(union_of);
  free_network(expected);

  const std::string spaced = files.write("pairs.stxt", "c a t\nc h a t\n\n");
  NET *pairs = compile("@stxt \"" + spaced + "\"");
  NET *cross = compile("c:c a:h t:a 0:t");
  EXPECT_TRUE(same_relation(pairs, cross, 5));
  free_network(pairs);
  free_network(cross);

  NV *two = make_nv(2);
  NV_net(two, 0) = read_regex("a");
  NV_net(two, 1) = read_regex("b");
  const std::string both = files.path("two.fst");
  ASSERT_EQ(save_nets(two, both.c_str(), nullptr), 0);
  free_nv_and_nets(two);
  NET *first = compile("@ \"" + both + "\"");
  EXPECT_EQ(words(first, 2), std::set<std::string>{"a"});
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0], "File '" + both +
                                        "' was called by a regular expression.\nIt contains 2 "
                                        "binary networks.\nOnly the first network was used !!!");
  free_network(first);
}

TEST_F(Including, RefusalsGiveTheNullNetwork) {
  const std::string self = files.write("self.re", "@re \"self.re\";\n");
  expect_refused("@re \"" + self + "\"",
                 "File 'self.re' was called by a regular expression.\nIt was already opened "
                 "on a higher level.\nThis kind of recursion is not allowed.");
  files.write("ping.re", "@re \"pong.re\";\n");
  files.write("pong.re", "@re \"ping.re\";\n");
  expect_refused("@re \"" + files.path("ping.re") + "\"", "File 'ping.re' was called by a");
  expect_refused("@re \"" + files.path("missing.re") + "\"",
                 "File '" + files.path("missing.re") + "' was called by @.\n    It could not be "
                 "opened.");
  expect_refused("@txt \"" + files.path("missing.txt") + "\"",
                 "File '" + files.path("missing.txt") +
                     "' was called by @txt in a regular expression.\nIt could not be opened.");
  NET *a = read_regex("a");
  const std::string binary = files.path("a.fst");
  ASSERT_EQ(save_net(a, binary.c_str(), nullptr), 0);
  free_network(a);
  expect_refused("@txt \"" + binary + "\"",
                 "File '" + binary + "' was opened by @txt in a regular expression.\nIt appears "
                 "not to be a text_file..");
  expect_refused("@re \"" + binary + "\"",
                 "File '" + binary + "' was opened by @re in a regular expression.\n    It "
                 "appears not to be a text_file.");
  expect_refused("@bin \"" + files.path("missing.fst") + "\"", "Cannot open input file");
  expect_refused(".RE2N_VAR. x", ".RE2N_VAR. names a network of a variable stack");
  const std::string broken = files.write("broken.re", "a;\nb |;\n");
  messages().clear();
  EXPECT_EQ(read_regex(("x @re \"" + broken + "\"").c_str()), nullptr);
  ASSERT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(messages().errors[1],
            "Failed while parsing the regular expressions in file '" + broken + "'.");
  // The library compiles on afterwards.
  Compiled after("a b");
  EXPECT_EQ(words(after.net, 3), std::set<std::string>{"ab"});
}

}  // namespace
}  // namespace kora_test
