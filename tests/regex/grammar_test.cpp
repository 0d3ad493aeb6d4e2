// The grammar: how operators group (each expression against its explicitly bracketed form, by
// the enumeration oracle), what constructs denote (against their enumerated languages), and the
// syntax errors of operators that do not chain.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "kora.h"
#include "kora_test.h"
#include "language.h"

namespace kora_test {
namespace {

class RegexGrammar : public kora_test::LineFeedLibrary {};

struct Grouping {
  const char *expression;
  const char *bracketed;
};

// Each expression compiles to the relation of its other form (up to four symbols a side).
void expect_same_relations(const std::vector<Grouping> &cases) {
  for (const Grouping &c : cases) {
    SCOPED_TRACE(c.expression);
    Compiled written(c.expression), other(c.bracketed);
    ASSERT_NE(written.net, nullptr);
    ASSERT_NE(other.net, nullptr);
    EXPECT_TRUE(same_relation(written.net, other.net, 4));
  }
}

// (Runs of one operator alone, composition's to the right, are in chain_test.cpp.)
TEST_F(RegexGrammar, OperatorsGroupAsTheirPrecedenceSays) {
  const std::vector<Grouping> cases = {
      {"a | b .o. a:c", "[a | b] .o. a:c"},
      {"a .O. a:b", "[a] .O. [a:b]"},
      {"a b | c d", "[a b] | [c d]"},
      {"a | b & b | c", "[[a | b] & b] | c"},
      {"a | b - b", "[a | b] - b"},
      {"a - a | b", "[a - a] | b"},
      {"a b <> c | d", "[a b] <> [c | d]"},
      {"a | b <> c", "[a | b] <> c"},
      {"a <> b <> c", "[a <> b] <> c"},
      {"a b*", "a [b*]"},
      {"a:b*", "[a:b]*"},
      {"a:b c", "[a:b] c"},
      {"~a*", "~[a*]"},
      {"~a/b", "[~a]/b"},
      {"~a:b", "~[a:b]"},
      {"\\a*", "[\\a]*"},
      {"\\a:b", "\\[a:b]"},
      {"a/b*", "a/[b*]"},
      {"a/b/c", "[a/b]/c"},
      {"a./.b/c", "[a./.b]/c"},
      {"a/b./.c", "a/[b./.c]"},
      {"~a^{1,2}", "[~a]^{1,2}"},
      {"a/b^{1,2}", "[a/b]^{1,2}"},
      {"a b^{1,2}", "a [b^{1,2}]"},
      {"a b^2", "a [b^2]"},
      {"$a+", "$[a+]"},
      {"a+ b", "[a+] b"},
      {"a .u .i", "[a.u].i"},
      {"a:b.u", "[a:b].u"},
      {"a:b.l", "[a:b].l"},
      {"a:b.i", "[a:b].i"},
      {"(a) b", "[a | []] b"},
      {"a .x. b | c", "a .x. [b | c]"},
      {"a | b .x. c", "[a | b] .x. c"},
      {"a < b | c", "a < [b | c]"},
      // Runs of one operator, combined at once, broken by others.
      {"a | b c | d", "a | [b c] | d"},
      {"a | b & c | d", "[[a | b] & c] | d"},
      {"a b | c - c | d", "[[[a b] | c] - c] | d"},
      {"a | b .o. b:c .o. c:d", "[a | b] .o. [b:c .o. c:d]"},
      {"a .o. a:b .O. b:c .o. c:d", "a .o. [a:b .O. [b:c .o. c:d]]"},
      {"a:b .o. [b -> c] .o. c:d", "a:b .o. [[b -> c] .o. c:d]"},
      {"[a | b | c] -> d || _ [e | f | g]", "[a | [b | c]] -> d || _ [e | [f | g]]"},
      {"{ab} | {ab} | a | 0", "{ab} | a | []"},
  };
  expect_same_relations(cases);
}

TEST_F(RegexGrammar, OperatorsThatDoNotChainAreSyntaxErrors) {
  set_error_function(nullptr);
  for (const char *expression : {"a .x. b .x. c", "a:b:c", "a./.b./.c", "a < b < c", "a > b > c",
                                 "a < b > c", "a .x. b < c"}) {
    SCOPED_TRACE(expression);
    testing::internal::CaptureStderr();
    NET *net = read_regex(expression);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(net, nullptr);
    EXPECT_NE(err.find("Regex error (syntax error) at "), std::string::npos) << err;
  }
}

struct Language {
  const char *expression;
  std::set<std::string> words;
  size_t max_length = 3;
};

// The operators that combine two networks are checked on random ones further down.
TEST_F(RegexGrammar, ConstructsDenoteTheirLanguages) {
  const Language cases[] = {
      {";", {""}},
      {"a b c", {"abc"}},
      {"{abc}", {"abc"}},
      {"[]", {""}},
      {"0", {""}},
      {"a | b c", {"a", "bc"}},
      {"a^2", {"aa"}},
      {"a^<3", {"", "a", "aa"}},
      {"a^{1,3}", {"a", "aa", "aaa"}},
      {"a:b", {"a:b"}},
      {"[a:b].i", {"b:a"}},
      {"[a:b].u", {"a"}},
      {"[a:b].l", {"b"}},
      {"[a b].r", {"ba"}},
      {"a .P. a:b", {"a"}},
      {"a:b .P. [a:c | b]", {"a:b", "b"}},
      {"a:b .p. [c:b | d]", {"a:b", "d"}},
      {"[a:b | c] .-u. a", {"c"}},
      {"[a:b | c] .-l. b", {"c"}},
      {"\"a-c\"", {"a", "b", "c"}},
      {"\"a-bx-y\"", {"a", "b", "x", "y"}},
      {"\"ab-\"", {"<ab->"}},
      {"Lit(a)", {"a"}},
      {"Sigma(a b:c)", {"a", "b", "c"}},
      {"Labels(a b:c)", {"a", "b:c"}},
      {"`[a b c, b, x y]", {"axc", "ayc"}},
      {"`[a b, b, ]", {}},
      {"[a b]./.c", {"ab", "acb"}},
      {"[a b c]./.x", {"abc", "axbc", "abxc"}, 4},
      {"[a | b c]./.[x | 0]", {"a", "bc", "bxc", "bxxc"}, 4},
      {"a b* a & $.[b b]", {"abba"}, 5},
      {"[a|b]^2 & $?b", {"aa", "ab", "ba"}},
  };
  for (const Language &c : cases) {
    SCOPED_TRACE(c.expression);
    Compiled compiled(c.expression);
    ASSERT_NE(compiled.net, nullptr);
    EXPECT_EQ(words(compiled.net, c.max_length), c.words);
  }
  EXPECT_TRUE(messages().errors.empty()) << messages().errors[0];
}

TEST_F(RegexGrammar, ComplementsAndContainmentAgainstTheirDefinitions) {
  const std::vector<Grouping> cases = {
      {"\\a", "? - a"},
      {"$a", "?* a ?*"},
      {"$.a", "[?* a ?*] - [?* a ?* a ?*]"},
      {"$.[a a]", "[?* a a ?*] - [?* a a ?* a a ?*] - [?* a a a ?*]"},
      {"$?a", "~[?* a ?* a ?*]"},
      {"a < b", "~[?* b ?* a ?*]"},
      {"a > b", "~[?* a ?* b ?*]"},
      {"~[a|b]", "?* - [a|b]"},
  };
  expect_same_relations(cases);
}

TEST_F(RegexGrammar, SymbolsStandForTheirDefinitions) {
  ASSERT_EQ(define_regex_net("Vowel", "a | e"), 0);
  ASSERT_EQ(define_regex_list("Cons", "b c"), 0);
  Compiled word("Vowel Cons Lit(Vowel)");
  ASSERT_NE(word.net, nullptr);
  EXPECT_EQ(words(word.net, 3), (std::set<std::string>{"ab<Vowel>", "ac<Vowel>", "eb<Vowel>", "ec<Vowel>"}));
  NET *defined = net("Vowel");
  ASSERT_NE(defined, nullptr);
  char *text = get_string_property(defined, "DEFINITION");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "a | e");
  free(text);
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(RegexGrammar, DefinitionsRefuseWhatDoesNotCompile) {
  set_error_function(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(define_regex_net("X", nullptr), 1);
  EXPECT_EQ(define_regex_net("X", "a |"), 1);
  EXPECT_EQ(define_regex_list("L", "[a"), 3);
  EXPECT_EQ(define_regex_list(nullptr, "a"), 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("null regex_str"), std::string::npos);
  EXPECT_NE(err.find("Cannot compile 'a |'."), std::string::npos);
  EXPECT_NE(err.find("Failed to read regex as symbol list."), std::string::npos);
}

TEST_F(RegexGrammar, ResultsAreMinimizedAndCarryFlagMarks) {
  Compiled net("[a | a] [b | b]* \"@U.x.y@\"");
  ASSERT_NE(net.net, nullptr);
  EXPECT_TRUE(NET_minimized(net.net));
  EXPECT_TRUE(net.net->flags2.upper_has_flags);
}

TEST_F(RegexGrammar, ExportedBuildingBlocks) {
  NET *a = read_regex("a | b");
  NET *other = other_than_net(a, 1);
  Compiled expected("? - [a | b]");
  EXPECT_TRUE(same_relation(other, expected.net, 2));
  free_network(other);
  NET *substituted = substitute_net(KORA_OTHER, nullptr, a, 1);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "***Illegal use of '?' as an ordinary label.");
  EXPECT_TRUE(same_relation(substituted, a, 2));
  free_network(substituted);
  free_network(a);
  EXPECT_EQ(other_than_net(nullptr, 0), nullptr);
}

// Each expression is reported once and compiles to what is left of it.
TEST_F(RegexGrammar, ErrorsInsideAnExpressionAreReportedAndLeaveAResult) {
  const struct {
    const char *expression, *error;
    std::set<std::string> words;  // up to two symbols
  } cases[] = {
      {"[a:b] .x. c",
       "Cannot compile the product because one of the component networks\n    is a transducer", {}},
      {"\\[a:b]",
       "The term complement operator \\ is defined only for regular languages:\n\\A denotes the "
       "language [? - A]. You must use the expression\n[?:? - A] instead of \\A if A represents "
       "a relation.",
       {}},
      {"a^x", "regex_parse: Positive integer expeted, got 0.", {""}},
      // An empty range keeps the ranges before it.
      {"\"a-bz-x\"", "Character range is empty.\n    The string containing the error is: \"a-bz-x\"",
       {"a", "b"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.expression);
    messages().clear();
    Compiled compiled(c.expression);
    ASSERT_NE(compiled.net, nullptr);
    EXPECT_EQ(messages().errors, std::vector<std::string>{c.error});
    EXPECT_EQ(words(compiled.net, 2), c.words);
  }
  messages().clear();
  Compiled more("a^>0"), plus("a+");
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_TRUE(same_relation(more.net, plus.net, 4));
}

TEST_F(RegexGrammar, FunctionFormsAndRulesCompileThroughTheirModules) {
  ASSERT_EQ(define_function("Double(x)", "x x"), 0);
  expect_same_relations({
      {"Implode(c a t) | Explode(cat)", "cat | c a t"},
      {"UpCase({ab}) DownCase(C:D, upper)", "A B c:D"},
      {"Double(a b)", "a b a b"},
      {"EndTag(x)", "\"</x>\":0"},
      {"LC(a b)", "\"*LEFT_CONTEXT*\" b a"},
      {"a -> b", "[a:b | \\a]*"},
      {"a (->) b", "[a:b | ?]*"},
      {"a <- b", "[a:b | \\b]*"},
      {"a -> %[ ... %]", "[0:%[ a 0:%] | \\a]*"},
  });
}

TEST_F(RegexGrammar, RulesRewriteAsTheirArrowsAndContextsSay) {
  ASSERT_EQ(define_function("Double(x)", "x x"), 0);
  struct Case {
    const char *rule, *input;
    std::vector<std::string> outputs;  // looked up in the compiled rule, sorted
  };
  const Case cases[] = {
      {"a -> b || c _ d", "cadad", {"cbdad"}},
      {"a -> b || b _", "baa", {"bba"}},
      {"a -> b || _ c", "acab", {"bcab"}},
      {"a -> b \\/ b _", "baa", {"bbb"}},
      {"a+ @-> x", "aaa", {"x"}},
      {"a+ @> x", "aaa", {"xxx"}},
      {"a -> b ,, c -> d || x _", "xaxcac", {"xbxdbc"}},
      {"a -> b, c -> d", "ac", {"bd"}},
      {"a -> UpCase(...)", "cat", {"cAt"}},
      {"a -> Double(...)", "cac", {"caac"}},
      {"a => b _ c", "bac", {"bac"}},
      {"a => b _ c", "ac", {}},
      {"a <= b _ c", "bxc", {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.rule);
    Compiled compiled(c.rule);
    ASSERT_NE(compiled.net, nullptr);
    EXPECT_EQ(sorted_results(compiled.net, 0, c.input), c.outputs) << c.input;
  }
}

// Laws on seeded random automata defined as A and B: each expression over the names compiles to
// what the calculus gives for the same operation on copies of the networks.
TEST_F(RegexGrammar, ExpressionsOverDefinitionsAgreeWithTheCalculus) {
  struct Law {
    const char *expression;
    NET *(*direct)(NET *a, NET *b);
  };
  const Law laws[] = {
      {"A | B", [](NET *a, NET *b) { return union_net(a, b, 0, 0); }},
      {"A B", [](NET *a, NET *b) { return concat_net(a, b, 0, 0); }},
      {"A & B", [](NET *a, NET *b) { return intersect_net(a, b, 0, 0); }},
      {"A - B", [](NET *a, NET *b) { return minus_net(a, b, 0, 0); }},
      {"A <> B", [](NET *a, NET *b) { return shuffle_net(a, b, 0); }},
      {"A / B", [](NET *a, NET *b) { return ignore_net(a, b, 0, 0); }},
      {"A .x. B", [](NET *a, NET *b) { return crossproduct_net(a, b, 0, 0); }},
      {"A* ~B", [](NET *a, NET *b) { return concat_net(zero_plus_net(a, 0), negate_net(b, 0), 0, 0); }},
      {"[A .x. B] .o. [B .x. A]",
       [](NET *a, NET *b) {
         NET *forth = crossproduct_net(copy_net(a), copy_net(b), 0, 0);
         return compose_net(forth, crossproduct_net(b, a, 0, 0), 0, 0);
       }},
  };
  RandomNetOptions options;
  options.epsilon = false;
  for_seeds(20, [&](unsigned, std::mt19937 &random) {
    NET *a = random_net(random, options);
    NET *b = random_net(random, options);
    ASSERT_EQ(define_net("A", a, 1), 0);
    ASSERT_EQ(define_net("B", b, 1), 0);
    for (const Law &law : laws) {
      SCOPED_TRACE(law.expression);
      Compiled compiled(law.expression);
      NET *direct = law.direct(copy_net(a), copy_net(b));
      EXPECT_TRUE(same_relation(compiled.net, direct, 3));
      free_network(direct);
    }
    free_network(a);
    free_network(b);
  });
}

}  // namespace
}  // namespace kora_test
