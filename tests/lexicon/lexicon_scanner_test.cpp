// The lexicon scanner: keywords, words and escapes, info strings, regular-expression text with
// the ">" that do not end it, definition bodies, comments and line counting, as a table of
// sources and the tokens they scan to.

#include <gtest/gtest.h>

#include <string>

#include "lexicon-scanner.h"

namespace {

using kora::LexiconScanner;
using kora::LexToken;
using kora::Token;

// The tokens of `source`, blank-separated: keywords by name, punctuation as itself, a word w(..),
// an info string q(..), expression text re(..), an invalid token !(..); "@N" after a token that
// ends on line N > 1.
std::string dump(const std::string &source) {
  LexiconScanner scanner(source);
  std::string out;
  for (Token token = scanner.next(); token.kind != LexToken::end_of_input; token = scanner.next()) {
    const char *names[] = {"", "MULTICHAR", "DEFINITIONS", "LEXICON", "END", "w", "q", "re",
                           "0", ":", ";", "<", ">", "=", "!"};
    std::string text = names[static_cast<int>(token.kind)];
    if (token.kind == LexToken::word || token.kind == LexToken::quoted ||
        token.kind == LexToken::regex_text || token.kind == LexToken::invalid)
      text += "(" + token.value + ")";
    if (token.line > 1) text.append("@").append(std::to_string(token.line));
    out += (out.empty() ? "" : " ") + text;
  }
  return out;
}

TEST(LexiconScanner, SourcesScanToTheirTokens) {
  const struct {
    std::string source, tokens;
  } cases[] = {
      // Keywords have exactly two spellings; other case mixes and longer words are words.
      {"MULTICHAR_SYMBOLS Multichar_Symbols", "MULTICHAR MULTICHAR"},
      {"LEXICON Lexicon END End DEFINITIONS Definitions",
       "LEXICON LEXICON END END DEFINITIONS DEFINITIONS"},
      {"lexicon LeXiCoN LEXICONS ENDX end Multichar_symbols LEXICON%;",
       "w(lexicon) w(LeXiCoN) w(LEXICONS) w(ENDX) w(end) w(Multichar_symbols) w(LEXICON%;)"},
      // Words stop at punctuation and keep their escapes, a blank and a "!" too.
      {"a%:b:c Cont ;", "w(a%:b) : w(c) w(Cont) ;"},
      {"%!x%;y% z%0 %<%>", "w(%!x%;y% z%0) w(%<%>)"},
      {"ab\"c\" a=b", "w(ab) q(c) w(a=b)"},
      // Zero alone is EPSILON.
      {"0 0:0 00 0a %0", "0 0 : 0 w(00) w(0a) w(%0)"},
      // Info strings run to the next unescaped quote, over lines.
      {"\"a gloss; with %\" and \\ \" ;", "q(a gloss; with \" and \\ ) ;"},
      {"\"one\ntwo\" x", "q(one\ntwo)@2 w(x)@2"},
      // An unclosed quote and characters no rule takes are invalid; scanning goes on.
      {std::string("ab \"cd\n\x01\x7f e", 11),
       "w(ab) !(info string without its closing quote) w(cd) "
       "!(unexpected character 0x01)@2 !(unexpected character 0x7F)@2 w(e)@2"},
      // Expression text ends at the first ">" that no operator holds.
      {"< a -> b > Cont ;", "< re( a -> b ) > w(Cont) ;"},
      {"< a > b >", "< re( a ) > w(b) >"},
      {"<a <-> b => c <> d @> e ^> f .m>. g %> h \"x>y\" [i \"%\">\"]> C ;",
       "< re(a <-> b => c <> d @> e ^> f .m>. g %> h \"x>y\" [i \"%\">\"]) > w(C) ;"},
      {"<a >@ b> C ;", "< re(a ) > w(@) w(b) > w(C) ;"},
      {"<a ! b\nc> C ;", "< re(a ! b\nc)@2 >@2 w(C)@2 ;@2"},
      {"<>", "< >"},
      {"<a", "< re(a)"},
      // Definition bodies end at an unescaped ";" outside quotes; after LEXICON "=" is a word
      // character again.
      {"DEFINITIONS V = a | e | i ; W=x%;\";\"y; LEXICON x=y",
       "DEFINITIONS w(V) = re( a | e | i ) ; w(W) = re(x%;\";\"y) ; LEXICON w(x=y)"},
      // Comments, and CR LF, CR and LF each one line end.
      {"! a comment ; here\r\na ! b\rc\n\nd", "w(a)@2 w(c)@3 w(d)@5"},
  };
  testing::internal::CaptureStdout();
  for (const auto &c : cases) EXPECT_EQ(dump(c.source), c.tokens) << c.source;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "nothing is echoed";
}

TEST(LexiconScanner, EndOfInputRepeats) {
  LexiconScanner scanner("<a");
  scanner.next();
  scanner.next();
  EXPECT_EQ(scanner.next().kind, LexToken::end_of_input);
  EXPECT_EQ(scanner.next().kind, LexToken::end_of_input);
  EXPECT_EQ(scanner.next().text, "");
}

}  // namespace
