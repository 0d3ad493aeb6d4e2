// Readers of names in source text: percent escapes and quoted strings with their
// escapes, limits and reports.

#include <string>
#include <vector>

#include "context.h"
#include "fat_strings.h"
#include "symbol-names.h"

namespace {

using namespace kora;
using kora_test::messages;
using kora_test::u32;

class SymbolNameTest : public kora_test::Library {};

TEST_F(SymbolNameTest, Unpercent) {
  EXPECT_STREQ(unpercent("a%bc%%d", 0), "abc%d");
  EXPECT_STREQ(unpercent("ab%", 0), "ab%");
  EXPECT_STREQ(unpercent("\"a%\"b\"", 1), "a\"b");
  EXPECT_STREQ(unpercent("{x%}}", 1), "x}");
  EXPECT_STREQ(unpercent("x", 1), "");
  EXPECT_STREQ(unpercent(nullptr, 0), "");
  EXPECT_TRUE(messages().warnings.empty());
}

struct Quoted {
  const char *text;
  std::u32string codes;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

void expect_quoted(const std::vector<Quoted> &table) {
  for (const Quoted &q : table) {
    SCOPED_TRACE(q.text);
    messages().clear();
    EXPECT_EQ(u32(parse_quoted_string(q.text)), q.codes);
    EXPECT_EQ(messages().errors, q.errors);
    EXPECT_EQ(messages().warnings, q.warnings);
  }
}

TEST_F(SymbolNameTest, QuotedStringsAndTheirEscapes) {
  expect_quoted({
      {"\"abc\"", U"abc", {}, {}},
      {"\"\"", U"", {}, {}},
      {"\"a\"b", U"a", {}, {}},
      {"\"\\a\\b\\f\\n\\r\\t\\v\"", U"\a\b\f\n\r\t\v", {}, {}},
      {"\"\\\"\\\\\\q\"", U"\"\\q", {}, {}},
      {"\"\\u00e9\\u4E00\\u0001F600\"", U"\u00E9\u4E00\U0001F600", {}, {}},
      {"\"\\u00000000000041\"", U"A", {}, {}},
      {"\"\\x41\\x7a!\"", U"Az!", {}, {}},
      {"\"\\101\\0101\\18\"", U"AA\x01" U"8", {}, {}},
      {"\"\xC3\xA9\xE4\xB8\x80\"", U"\u00E9\u4E00", {}, {}},
      {"\"\\u110000\"", U"\uFFFD", {}, {"\\u110000 is too large for a Unicode symbol."}},
      {"\"\\x123456789a\"", U"\uFFFD", {"123456789a: Max unsigned integer is 4294967295."}, {}},
      {"\"\\uz\"", U"z", {"Bad character in atomnum: z."}, {}},
      {"\"a\\0b\"", U"ab", {"'\"a\\0b\"' contains an illegal NULL character."}, {}},
      {"\"\xFF" "a\"", U"\uFFFDa", {"'\xFF' (0xFF) is an illegal character in UTF-8 mode."}, {}},
      {"\"\xC0\x80\"", U"\uFFFD\uFFFD", {"'\xC0' (0xC0) is an illegal character in UTF-8 mode.",
                                         "'\x80' (0x80) is an illegal character in UTF-8 mode."}, {}},
      {"\"\\x85\"", U"\uFFFD", {"'\x85' (0x85) is an illegal character in UTF-8 mode."}, {}},
      {"abc\"", U"abc", {}, {"Expecting an initial \" in abc\"."}},
      {"\"abc", U"abc", {}, {"Expecting a final \" in \"\"abc."}},
      {"\"ab\\", U"ab", {}, {"Expecting a final \" in \"\"ab\\."}},
  });
}

TEST_F(SymbolNameTest, QuotedStringLengthLimit) {
  std::string fits = "\"" + std::string(kQuotedStringSize - 2, 'x') + "\"";
  EXPECT_EQ(u32(parse_quoted_string(fits.c_str())).size(),
            static_cast<size_t>(kQuotedStringSize - 2));
  std::string too_long = "\"" + std::string(kQuotedStringSize - 1, 'x') + "\"";
  EXPECT_EQ(u32(parse_quoted_string(too_long.c_str())), U"");
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"String length 1024, exceeds the size 1023 of a buffer"});
  std::string unclosed(kQuotedStringSize, '\xC3');  // every byte illegal: still no overflow
  unclosed[0] = '"';
  EXPECT_EQ(u32(parse_quoted_string(unclosed.c_str())).size(),
            static_cast<size_t>(kQuotedStringSize - 1));
  EXPECT_EQ(u32(parse_quoted_string(nullptr)), U"");
}

}  // namespace
