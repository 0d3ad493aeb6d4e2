// Printing fat strings: the escapes of each style, the output encodings and the column counts.

#include "fat-print.h"

#include <string>

#include "kora_test.h"
#include "string_test_support.h"

namespace {

using string_test::fat;
using string_test::printed;

class FatPrintTest : public kora_test::Library {};

TEST_F(FatPrintTest, CharCodesUseHexEscapesSizedToTheCode) {
  struct Case {
    uint32_t code;
    int encoding;
    std::string text;
    int columns;
  };
  for (const Case &c : {Case{0x1F600, KORA_UTF8, "\\u01F600", 8}, {0x4E00, KORA_UTF8, "\\u4E00", 6},
                        {0x1000000, KORA_UTF8, "\\u01000000", 10}, {0x01, KORA_UTF8, "\\x01", 4},
                        {0xE9, KORA_UTF8, "\xC3\xA9", 1}, {0xE9, KORA_LATIN1, "\xE9", 1},
                        {0x80, KORA_LATIN1, "\x80", 1}, {0x81, KORA_LATIN1, "\\x81", 4}}) {
    set_char_encoding(context_, c.encoding);
    int columns = 0;
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_char_code(s, c.code); }, &columns), c.text)
        << std::hex << c.code;
    EXPECT_EQ(columns, c.columns) << std::hex << c.code;
  }
}

TEST_F(FatPrintTest, PlainPrintingFollowsTheOutputEncoding) {
  const std::u32string text = U"a\u00E9\u20AC\x01";
  int columns = 0;
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xC3\xA9\xE2\x82\xAC\x01");
  EXPECT_EQ(columns, 7);
  EXPECT_EQ(kora::fat_print_width(fat(text)), 7);
  set_char_encoding(context_, KORA_LATIN1);
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xE9\\u20AC\\x01");
  EXPECT_EQ(columns, 12);
  EXPECT_EQ(kora::fat_print_width(fat(text)), 4);
}

TEST_F(FatPrintTest, EscapedStylesMarkSpecialCharacters) {
  const char *specials = " 0\n?%\t\r\v\b\f";
  struct Case {
    std::u32string text;
    const char *specials;
    std::string printed;
    int columns;  // -1: not checked
  };
  for (const Case &c : {Case{U"a%b", specials, "a%%b", 4}, {U" \n", specials, "\" \"\"\\n\"", 7},
                        {U"0?\f", specials, "%0%?%\f", -1}, {U"\u00A0%", "\xA0", "\"\xC2\xA0\"%%", -1},
                        {U"\u20AC0", nullptr, "\xE2\x82\xAC" "0", -1}}) {
    int columns = 0;
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_escaped(s, fat(c.text), c.specials); },
                      &columns), c.printed);
    if (c.columns >= 0) {
      EXPECT_EQ(columns, c.columns) << c.printed;
    }
  }
  int columns = 0;
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_c_style(s, fat(U"a\"b\\\n\x01")); },
                    &columns), "a\\\"b\\\\\\n\x01");
  EXPECT_EQ(columns, 9);
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_c_style(s, fat(U"\u4E00")); }), "\\u4E00");
  for (auto [text, out] : {std::pair{U"0", "%0"}, {U"?", "%?"}, {U"0?", "0?"}})
    EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_regex_style(s, fat(text)); }), out);
}

}  // namespace
