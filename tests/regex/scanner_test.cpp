// The scanner at the level of tokens: longest match with fixed spellings winning ties, symbols
// and their escapes, quoted, range and braced strings, the states between expressions, the
// opening text of messages, and files refused as sources.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "kora.h"
#include "kora_test.h"
#include "regex-scanner.h"

namespace kora_test {
namespace {

using kora::RegexToken;

// The name of a token kind ("SYMBOL").
std::string token_name(RegexToken token) {
  switch (token) {
    case RegexToken::END_OF_INPUT:
      return "END_OF_INPUT";
#define KORA_REGEX_TOKEN_NAME(name) \
  case RegexToken::name:            \
    return #name;
      KORA_REGEX_TOKENS(KORA_REGEX_TOKEN_NAME)
#undef KORA_REGEX_TOKEN_NAME
  }
  return "?";
}

class RegexScanner : public kora_test::QuietLibrary {
 protected:
  void TearDown() override {
    kora::reset_regex_scanner();
    Library::TearDown();
  }
};

// The tokens of one expression, each as KIND or KIND(value), up to and including the end of
// the expression.
std::string tokens(const char *text) {
  kora::push_string_source(text);
  const int warn = kora::set_missing_semicolon_warning(0);
  std::string out;
  for (int guard = 0; guard < 200; guard++) {
    kora::RegexTokenValue value;
    RegexToken token = kora::next_regex_token(&value);
    if (!out.empty()) out += " ";
    out += token_name(token);
    if (value.text != nullptr) out.append("(").append(value.text).append(")");
    if (value.fat != nullptr) {
      out += "(";
      for (const uint32_t *c = value.fat; *c != 0; c++)
        if (*c < 128) {
          out += static_cast<char>(*c);
        } else {
          out += '<';
          out.append(std::to_string(*c)).append(">");
        }
      out += ")";
    }
    if (token == RegexToken::REPLACE_ARROW || token == RegexToken::LEFTWARD_ARROW ||
        token == RegexToken::CONTEXT_SEPARATOR || token == RegexToken::RESTRICT_ARROW ||
        token == RegexToken::FILE_OPERATOR)
      out.append("(").append(std::to_string(value.code)).append(")");
    kora::free_token_value(&value);
    if (token == RegexToken::END_OF_EXPRESSION || token == RegexToken::END_OF_INPUT) break;
  }
  kora::set_missing_semicolon_warning(warn);
  kora::pop_source();
  return out;
}

struct Case {
  const char *text;
  const char *tokens;
};

TEST_F(RegexScanner, LongestMatchWithFixedSpellingsWinningTies) {
  const Case cases[] = {
      {"a.u;", "SYMBOL(a) UPPER END_OF_EXPRESSION"},
      {"a#b # note\n;", "SYMBOL(a#b) END_OF_EXPRESSION"},
      {"0 00 0a ? ?? ?x;", "EPSILON_SYMBOL SYMBOL(00) SYMBOL(0a) ANY_SYMBOL SYMBOL(?\?) SYMBOL(?x) "
                           "END_OF_EXPRESSION"},
      {"[..];", "EPS_BRACKET_OPEN EPS_BRACKET_CLOSE END_OF_EXPRESSION"},
      {"^ {2,3};", "POWER_RANGE SYMBOL(2) COMMA SYMBOL(3) RBRACE END_OF_EXPRESSION"},
      {"^{1,2}^<3^>4^5;", "POWER_RANGE SYMBOL(1) COMMA SYMBOL(2) RBRACE POWER_LESS SYMBOL(3) "
                          "POWER_MORE SYMBOL(4) POWER SYMBOL(5) END_OF_EXPRESSION"},
      {".o..O..x.:.P..|u..p..|l.;", "COMPOSE LENIENT_COMPOSE CROSS PAIR UPPER_PRIORITY "
                                    "UPPER_PRIORITY LOWER_PRIORITY LOWER_PRIORITY END_OF_EXPRESSION"},
      {".-u. .-l. .<m. .m>. <> < > / ./. ;",
       "UPPER_MINUS LOWER_MINUS LEFT_MERGE RIGHT_MERGE SHUFFLE BEFORE AFTER IGNORE IGNORE_INSIDE "
       "END_OF_EXPRESSION"},
      {"$ $? $. ~ \\ ` * + .1 .2 .l .i .r .#.;",
       "CONTAINS CONTAINS_AT_MOST_ONE CONTAINS_ONE COMPLEMENT TERM_COMPLEMENT SUBSTITUTE STAR "
       "PLUS UPPER LOWER LOWER INVERT REVERSE BOUNDARY_SYMBOL END_OF_EXPRESSION"},
      {"-> <- <-> @-> ->@ @> >@ @<- <-@ @< <@;",
       "REPLACE_ARROW(0) LEFTWARD_ARROW(1) REPLACE_ARROW(2) REPLACE_ARROW(3) REPLACE_ARROW(4) "
       "REPLACE_ARROW(5) REPLACE_ARROW(6) LEFTWARD_ARROW(7) LEFTWARD_ARROW(8) LEFTWARD_ARROW(9) "
       "LEFTWARD_ARROW(-1) END_OF_EXPRESSION"},
      {"(->) (<@) (a);",
       "REPLACE_ARROW(10) LEFTWARD_ARROW(-11) LPAREN SYMBOL(a) RPAREN END_OF_EXPRESSION"},
      {"|| // \\\\ \\/ _ ... => <= <=> , ,,;",
       "CONTEXT_SEPARATOR(0) CONTEXT_SEPARATOR(1) CONTEXT_SEPARATOR(2) CONTEXT_SEPARATOR(3) "
       "CONTEXT_MARK INSERT RESTRICT_ARROW(0) RESTRICT_ARROW(1) RESTRICT_ARROW(2) COMMA PARALLEL "
       "END_OF_EXPRESSION"},
      {"@bin @ @re @txt @stxt @pl @lx @->;",
       "FILE_OPERATOR(0) FILE_OPERATOR(0) FILE_OPERATOR(1) FILE_OPERATOR(2) FILE_OPERATOR(3) "
       "FILE_OPERATOR(4) FILE_OPERATOR(5) REPLACE_ARROW(3) END_OF_EXPRESSION"},
      {".RE2N_VAR. Sigma( Labels( Lit( Implode( Explode( EndTag( LC( NRC( OR(;",
       "VARIABLE_REFERENCE SIGMA_OPEN LABELS_OPEN LIT_OPEN IMPLODE_OPEN EXPLODE_OPEN ENDTAG_OPEN "
       "CONTEXT_FUNCTION CONTEXT_FUNCTION CONTEXT_FUNCTION END_OF_EXPRESSION"},
      {"UpCase( OptCap( F( Sigma (;",
       "CASE_FUNCTION_NAME(UpCase() CASE_FUNCTION_NAME(OptCap() FUNCTION_NAME(F() SYMBOL(Sigma) "
       "LPAREN END_OF_EXPRESSION"},
      {"cat %+ %  %0 a%;b 'x= =>;",
       "SYMBOL(cat) SYMBOL(+) SYMBOL( ) SYMBOL(0) SYMBOL(a;b) SYMBOL('x=) RESTRICT_ARROW(0) "
       "END_OF_EXPRESSION"},
      {"a_b a-b;", "SYMBOL(a) CONTEXT_MARK SYMBOL(b) SYMBOL(a) MINUS SYMBOL(b) END_OF_EXPRESSION"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tokens(c.text), c.tokens);
  }
  EXPECT_TRUE(messages().warnings.empty());
}

// (What ranges of several spans and strings ending in "-" denote: grammar_test.cpp.)
TEST_F(RegexScanner, QuotedRangeAndBracedStrings) {
  const Case cases[] = {
      {"\"a-z\" \"a-\";", "RANGE_STRING(a-z) QUOTED_SYMBOL(a-) END_OF_EXPRESSION"},
      {"\"a\\\"b%\\t\";", "QUOTED_SYMBOL(a\"b%\t) END_OF_EXPRESSION"},
      {"\"\\u00e9\";", "QUOTED_SYMBOL(<233>) END_OF_EXPRESSION"},
      {"{a b}c;", "BRACED_STRING(a b) SYMBOL(c) END_OF_EXPRESSION"},
      {"{} a;", "ERROR_SYNC"},
      {"{ab a;", "ERROR_SYNC"},
      {"\"ab\n\";", "ERROR_SYNC"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    std::string got = tokens(c.text);
    EXPECT_EQ(got.substr(0, std::string(c.tokens).size()), c.tokens);
  }
}

TEST_F(RegexScanner, CharactersOfNoGroupAreSkippedWithAWarning) {
  EXPECT_EQ(tokens(".u. a;"), "UPPER SYMBOL(a) END_OF_EXPRESSION");
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "Character '.' (0x2e) does not belong to any character group.\nIt may cause "
            "unexpected results.");
  messages().clear();
  EXPECT_EQ(tokens("a \x01 b;"), "SYMBOL(a) SYMBOL(b) END_OF_EXPRESSION");
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0], "warning: non-printable character 0x1 encountered.");
}

TEST_F(RegexScanner, BetweenExpressionsAndTheEnd) {
  kora::push_string_source("  ! comment\n a ; # more\n b;\nEND;  \n c;");
  std::vector<std::string> seen;
  for (;;) {
    kora::RegexTokenValue value;
    RegexToken token = kora::next_regex_token(&value);
    seen.push_back(token_name(token));
    kora::free_token_value(&value);
    if (token == RegexToken::END_OF_INPUT) break;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"SYMBOL", "END_OF_EXPRESSION", "SYMBOL",
                                            "END_OF_EXPRESSION", "END_OF_INPUT"}));
  EXPECT_EQ(kora::scanner_state(), kora::ScannerState::FINISHED);
  kora::RegexTokenValue value;
  EXPECT_EQ(kora::next_regex_token(&value), RegexToken::END_OF_INPUT);
  EXPECT_EQ(kora::current_line(), 3);
  kora::pop_source();
}

// The warning goes to the warning callback, or without one is printed as it is.
TEST_F(RegexScanner, EndOfInputInsideAnExpressionWarnsOfTheSemicolon) {
  for (bool callback : {true, false}) {
    if (!callback) set_warning_function(nullptr);
    kora::push_string_source("a b");
    testing::internal::CaptureStderr();
    std::vector<RegexToken> seen;
    for (int i = 0; i < 4; i++) {
      kora::RegexTokenValue value;
      seen.push_back(kora::next_regex_token(&value));
      kora::free_token_value(&value);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              callback ? "" : "Warning: missing semicolon.\n");
    EXPECT_EQ(seen, (std::vector<RegexToken>{RegexToken::SYMBOL, RegexToken::SYMBOL,
                                             RegexToken::END_OF_EXPRESSION,
                                             RegexToken::END_OF_INPUT}));
    kora::pop_source();
  }
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"missing semicolon."});
}

// The opening text of an expression (its first line, for messages): a complete line up to the
// bound is kept whole, ";" included; one longer is cut.
TEST_F(RegexScanner, OpeningTextIsBounded) {
  kora::RegexTokenValue value;
  for (size_t length : {116, 119, 120, 121, 5000}) {
    const std::string line = std::string(length - 3, 'a') + " b;";
    kora::push_string_source(std::string("  ").append(line).append("\n z;").c_str());
    kora::next_regex_token(&value);
    kora::free_token_value(&value);
    EXPECT_EQ(kora::opening_text(), length <= 120 ? line : line.substr(0, 116) + " ...") << length;
    kora::pop_source();
  }
}

TEST_F(RegexScanner, BinaryAndMissingFilesAreRefused) {
  const std::string path = testing::TempDir() + "/scanner-binary.fst";
  NET *net = read_regex("a");
  ASSERT_EQ(save_net(net, path.c_str(), nullptr), 0);
  free_network(net);
  EXPECT_FALSE(kora::push_file_source(path.c_str()));
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], std::string("The file ") + path + " is probably in a binary format.");
  EXPECT_EQ(kora::source_depth(), 0);
  messages().clear();
  EXPECT_FALSE(kora::push_file_source("/no/such/file"));
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "/no/such/file: No such file or directory");
}

}  // namespace
}  // namespace kora_test
