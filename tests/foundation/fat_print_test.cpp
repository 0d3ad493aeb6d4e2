// Printing fat strings: the escapes of each style, the output encodings and the column counts.

#include "fat-print.h"

#include <string>
#include <tuple>

#include "kora_test.h"
#include "string_test_support.h"

namespace {

using string_test::fat;
using string_test::printed;

class FatPrintTest : public kora_test::Library {};

TEST_F(FatPrintTest, CharCodesUseHexEscapesSizedToTheCode) {
  // {code, output encoding, text, columns}
  for (auto [code, encoding, text, columns] :
       {std::tuple{0x1F600u, KORA_UTF8, "\\u01F600", 8}, {0x4E00u, KORA_UTF8, "\\u4E00", 6},
        {0x01u, KORA_UTF8, "\\x01", 4}, {0xE9u, KORA_UTF8, "\xC3\xA9", 1},
        {0x80u, KORA_LATIN1, "\x80", 1}, {0x81u, KORA_LATIN1, "\\x81", 4}}) {
    set_char_encoding(context_, encoding);
    int written = 0;
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_char_code(s, code); }, &written), text);
    EXPECT_EQ(written, columns) << std::hex << code;
  }
}

// print_fat returns the bytes written; fat_print_width counts the columns in the output encoding.
TEST_F(FatPrintTest, PlainPrintingFollowsTheOutputEncoding) {
  const std::u32string text = U"a\u00E9\u20AC\x01";
  int columns = 0;
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xC3\xA9\xE2\x82\xAC\x01");
  EXPECT_EQ(columns, 7);
  set_char_encoding(context_, KORA_LATIN1);
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xE9\\u20AC\\x01");
  EXPECT_EQ(columns, 12);
  EXPECT_EQ(kora::fat_print_width(fat(text)), 4);
}

TEST_F(FatPrintTest, EscapedStylesMarkSpecialCharacters) {
  const char *specials = " 0\n?%\t\r\v\b\f";
  for (auto [text, out] : {std::pair{U"a%b", "a%%b"}, {U" \n", "\" \"\"\\n\""}, {U"0?\f", "%0%?%\f"}})
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_escaped(s, fat(text), specials); }), out);
  int columns = 0;
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_c_style(s, fat(U"a\"b\\\n\x01\u4E00")); },
                    &columns), "a\\\"b\\\\\\n\x01\\u4E00");
  EXPECT_EQ(columns, 15);
  for (auto [text, out] : {std::pair{U"0", "%0"}, {U"?", "%?"}, {U"0?", "0?"}})
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_regex_style(s, fat(text)); }), out);
}

}  // namespace
