// The lexicon scanner: keywords, words and escapes, info strings, regular-expression text with
// the ">" that do not end it, definition bodies, comments and line counting.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexicon-scanner.h"

namespace {

using kora::LexiconScanner;
using kora::LexToken;
using kora::Token;

std::vector<Token> scan(const std::string &source) {
  LexiconScanner scanner(source);
  std::vector<Token> tokens;
  for (Token token = scanner.next(); token.kind != LexToken::end_of_input; token = scanner.next())
    tokens.push_back(token);
  return tokens;
}

std::vector<LexToken> kinds(const std::string &source) {
  std::vector<LexToken> result;
  for (const Token &token : scan(source)) result.push_back(token.kind);
  return result;
}

TEST(LexiconScanner, KeywordsHaveExactlyTwoSpellings) {
  EXPECT_EQ(kinds("MULTICHAR_SYMBOLS Multichar_Symbols"),
            (std::vector<LexToken>{LexToken::multichar_keyword, LexToken::multichar_keyword}));
  EXPECT_EQ(kinds("LEXICON Lexicon END End"),
            (std::vector<LexToken>{LexToken::lexicon_keyword, LexToken::lexicon_keyword,
                                   LexToken::end_keyword, LexToken::end_keyword}));
  EXPECT_EQ(kinds("DEFINITIONS"), std::vector<LexToken>{LexToken::definitions_keyword});
  EXPECT_EQ(kinds("Definitions"), std::vector<LexToken>{LexToken::definitions_keyword});
  // Other case mixes and longer words are words.
  for (const char *word : {"lexicon", "LeXiCoN", "LEXICONS", "ENDX", "end", "Multichar_symbols",
                           "LEXICON%;"})
    EXPECT_EQ(kinds(word), std::vector<LexToken>{LexToken::word}) << word;
}

TEST(LexiconScanner, WordsStopAtPunctuationAndKeepTheirEscapes) {
  std::vector<Token> tokens = scan("a%:b:c Cont ;");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[0].value, "a%:b");
  EXPECT_EQ(tokens[1].kind, LexToken::colon);
  EXPECT_EQ(tokens[2].value, "c");
  EXPECT_EQ(tokens[3].value, "Cont");
  EXPECT_EQ(tokens[4].kind, LexToken::semicolon);
  // Every escaped character belongs to the word, a blank and a "!" too.
  tokens = scan("%!x%;y% z%0 %<%>");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].value, "%!x%;y% z%0");
  EXPECT_EQ(tokens[1].value, "%<%>");
  // A word ends at a double quote, "<" or ">".
  EXPECT_EQ(kinds("ab\"c\""), (std::vector<LexToken>{LexToken::word, LexToken::quoted}));
  EXPECT_EQ(kinds("a=b"), std::vector<LexToken>{LexToken::word});
}

TEST(LexiconScanner, ZeroAloneIsEpsilon) {
  EXPECT_EQ(kinds("0"), std::vector<LexToken>{LexToken::epsilon_zero});
  EXPECT_EQ(kinds("0:0"), (std::vector<LexToken>{LexToken::epsilon_zero, LexToken::colon,
                                                 LexToken::epsilon_zero}));
  EXPECT_EQ(kinds("00 0a %0"),
            (std::vector<LexToken>{LexToken::word, LexToken::word, LexToken::word}));
}

TEST(LexiconScanner, InfoStringsRunToTheNextUnescapedQuote) {
  std::vector<Token> tokens = scan("\"a gloss; with %\" and \\ \" ;");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].kind, LexToken::quoted);
  EXPECT_EQ(tokens[0].value, "a gloss; with \" and \\ ");
  EXPECT_EQ(tokens[1].kind, LexToken::semicolon);
  // Over lines, counting them.
  tokens = scan("\"one\ntwo\" x");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[1].line, 2);
}

// A double quote without its closing quote and characters no rule takes are invalid tokens,
// never written anywhere; scanning goes on after them.
TEST(LexiconScanner, CharactersNoRuleTakesAreInvalidTokens) {
  testing::internal::CaptureStdout();
  std::vector<Token> tokens = scan(std::string("ab \"cd\n\x01\x7f e", 11));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  ASSERT_EQ(tokens.size(), 6u);
  EXPECT_EQ(tokens[1].kind, LexToken::invalid);
  EXPECT_EQ(tokens[1].value, "info string without its closing quote");
  EXPECT_EQ(tokens[1].line, 1);
  EXPECT_EQ(tokens[2].value, "cd");
  EXPECT_EQ(tokens[3].value, "unexpected character 0x01");
  EXPECT_EQ(tokens[3].line, 2);
  EXPECT_EQ(tokens[4].value, "unexpected character 0x7F");
  EXPECT_EQ(tokens[5].value, "e");
}

TEST(LexiconScanner, RegexTextEndsAtTheFirstClosingAngle) {
  std::vector<Token> tokens = scan("< a -> b > Cont ;");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[0].kind, LexToken::open_angle);
  EXPECT_EQ(tokens[1].kind, LexToken::regex_text);
  EXPECT_EQ(tokens[1].value, " a -> b ");
  EXPECT_EQ(tokens[2].kind, LexToken::close_angle);
  EXPECT_EQ(tokens[3].value, "Cont");
  // "< a > b >": only "a " is the expression; then b is a word.
  tokens = scan("< a > b >");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[1].value, " a ");
  EXPECT_EQ(tokens[3].kind, LexToken::word);
  EXPECT_EQ(tokens[4].kind, LexToken::close_angle);
}

TEST(LexiconScanner, OperatorsWithAClosingAngleStayInTheRegex) {
  for (const char *text : {"a <-> b", "a => b", "a <> b", "a @> b", "a ^> b", "a .m>. b",
                           "a %> b", "\"x>y\" z", "[a \"%\">\"]"}) {
    std::vector<Token> tokens = scan(std::string("<") + text + "> C ;");
    ASSERT_GE(tokens.size(), 3u) << text;
    EXPECT_EQ(tokens[1].value, text);
    EXPECT_EQ(tokens[2].kind, LexToken::close_angle) << text;
  }
  // ">@" cannot be written: its ">" ends the expression.
  std::vector<Token> tokens = scan("<a >@ b> C ;");
  EXPECT_EQ(tokens[1].value, "a ");
  // Comments and line ends belong to the expression, and its lines are counted.
  tokens = scan("<a ! b\nc> C ;");
  EXPECT_EQ(tokens[1].value, "a ! b\nc");
  EXPECT_EQ(tokens[3].line, 2);
  // An empty expression gives no text token.
  EXPECT_EQ(kinds("<>"), (std::vector<LexToken>{LexToken::open_angle, LexToken::close_angle}));
}

TEST(LexiconScanner, DefinitionBodiesEndAtAnUnescapedSemicolonOutsideQuotes) {
  std::vector<Token> tokens = scan("DEFINITIONS V = a | e | i ; W=x%;\";\"y; LEXICON x");
  std::vector<LexToken> expected = {
      LexToken::definitions_keyword, LexToken::word,      LexToken::equals,
      LexToken::regex_text,          LexToken::semicolon, LexToken::word,
      LexToken::equals,              LexToken::regex_text, LexToken::semicolon,
      LexToken::lexicon_keyword,     LexToken::word};
  ASSERT_EQ(tokens.size(), expected.size());
  for (size_t i = 0; i < tokens.size(); ++i) EXPECT_EQ(tokens[i].kind, expected[i]) << i;
  EXPECT_EQ(tokens[1].value, "V");
  EXPECT_EQ(tokens[3].value, " a | e | i ");
  EXPECT_EQ(tokens[5].value, "W");
  EXPECT_EQ(tokens[7].value, "x%;\";\"y");
  // After LEXICON "=" is a word character again.
  EXPECT_EQ(tokens[10].value, "x");
}

TEST(LexiconScanner, CommentsAndLineEnds) {
  std::vector<Token> tokens = scan("! a comment ; here\r\na ! b\rc\n\nd");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].value, "a");
  EXPECT_EQ(tokens[0].line, 2);  // CR LF is one line end
  EXPECT_EQ(tokens[1].line, 3);  // a lone CR is one
  EXPECT_EQ(tokens[2].line, 5);
}

TEST(LexiconScanner, EndOfInputRepeats) {
  LexiconScanner scanner("<a");
  EXPECT_EQ(scanner.next().kind, LexToken::open_angle);
  EXPECT_EQ(scanner.next().kind, LexToken::regex_text);
  EXPECT_EQ(scanner.next().kind, LexToken::end_of_input);
  EXPECT_EQ(scanner.next().kind, LexToken::end_of_input);
  EXPECT_EQ(scanner.next().text, "");
}

}  // namespace
