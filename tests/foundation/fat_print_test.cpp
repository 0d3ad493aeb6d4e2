// Printing fat strings: the escapes of each style, the output encodings and the column counts.

#include "fat-print.h"

#include <string>

#include "kora_test.h"
#include "string_test_support.h"

namespace {

using string_test::fat;
using string_test::printed;

class FatPrintTest : public kora_test::Library {
 protected:
  void use_latin1() { set_char_encoding(context_, KORA_LATIN1); }
};

TEST_F(FatPrintTest, CharCodesUseHexEscapesSizedToTheCode) {
  int columns = 0;
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x1F600); }, &columns),
            "\\u01F600");
  EXPECT_EQ(columns, 8);
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x4E00); }), "\\u4E00");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x1000000); }), "\\u01000000");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x01); }, &columns), "\\x01");
  EXPECT_EQ(columns, 4);
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0xE9); }, &columns),
            "\xC3\xA9");
  EXPECT_EQ(columns, 1);
  use_latin1();
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0xE9); }), "\xE9");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x80); }), "\x80");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_char_code(s, 0x81); }), "\\x81");
}

TEST_F(FatPrintTest, PlainPrintingFollowsTheOutputEncoding) {
  const std::u32string text = U"a\u00E9\u20AC\x01";
  int columns = 0;
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xC3\xA9\xE2\x82\xAC\x01");
  EXPECT_EQ(columns, 7);
  EXPECT_EQ(kora::fat_print_width(fat(text)), 7);
  use_latin1();
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(text)); }, &columns),
            "a\xE9\\u20AC\\x01");
  EXPECT_EQ(columns, 12);
  EXPECT_EQ(kora::fat_print_width(fat(text)), 4);
}

TEST_F(FatPrintTest, EscapedPrintingMarksSpecialCharacters) {
  const char *specials = " 0\n?%\t\r\v\b\f";
  int columns = 0;
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_escaped(s, fat(U"a%b"), specials); },
                    &columns),
            "a%%b");
  EXPECT_EQ(columns, 4);
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_escaped(s, fat(U" \n"), specials); },
                    &columns),
            "\" \"\"\\n\"");
  EXPECT_EQ(columns, 7);
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat_escaped(s, fat(U"0?\f"), specials); }),
            "%0%?%\f");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_escaped(s, fat(U"\u00A0%"), "\xA0"); }),
            "\"\xC2\xA0\"%%");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_escaped(s, fat(U"\u20AC0"), nullptr); }),
            "\xE2\x82\xAC" "0");
}

TEST_F(FatPrintTest, CAndRegexStylesEscapeQuotesAndBackslashes) {
  int columns = 0;
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_c_style(s, fat(U"a\"b\\\n\x01")); },
                    &columns),
            "a\\\"b\\\\\\n\x01");
  EXPECT_EQ(columns, 9);
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_c_style(s, fat(U"\u4E00")); }),
            "\\u4E00");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_regex_style(s, fat(U"0")); }), "%0");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_regex_style(s, fat(U"?")); }), "%?");
  EXPECT_EQ(printed([](FILE *s) { return kora::print_fat_regex_style(s, fat(U"0?")); }), "0?");
}

}  // namespace
