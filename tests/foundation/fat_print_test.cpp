// Printing fat strings: the escapes, the output encodings and the column counts.

#include "fat-print.h"

#include <string>
#include <tuple>

#include "fat_strings.h"
#include "kora_test.h"

namespace {

using kora_test::fat;
using kora_test::printed;

class FatPrintTest : public kora_test::Library {};

// print_fat returns the bytes written: a code as its UTF-8 bytes, or in Latin-1 output as one byte
// or an escape sized to the code.
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
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_fat(s, fat(U"\U0001F600\u00810")); }),
            "\\u01F600\\x810");
}

TEST_F(FatPrintTest, EscapedFormMarksSpecialCharacters) {
  const char *specials = " 0\n?%\t\r\v\b\f";
  for (auto [text, out] : {std::pair{U"a%b", "a%%b"}, {U" \n", "\" \"\"\\n\""}, {U"0?\f", "%0%?%\f"}}) {
    std::string escaped;
    kora::append_fat_escaped(escaped, fat(text), specials);
    EXPECT_EQ(escaped, out);
  }
}

}  // namespace
