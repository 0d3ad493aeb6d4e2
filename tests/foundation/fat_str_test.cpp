// Fat-string basics, the Windows-1252 block, ISO-8859-1 conversions and the escaped forms.

#include "fat-str.h"

#include <string>

#include "context.h"
#include "kora_test.h"
#include "string_test_support.h"

namespace {

using kora_test::messages;
using string_test::fat;
using string_test::take;

class FatStrTest : public kora_test::Library {
 protected:
  void use_latin1() { set_char_encoding(context_, KORA_LATIN1); }
  std::u32string thin_to_fat(const std::string &s) { return take(kora::thin_to_fat(s.c_str())); }
};

// Plain order is by code, a prefix first; alphabetic collation puts letters before non-letters,
// among ASCII codes only.
TEST_F(FatStrTest, ComparisonsOrderByCodeAndPrefix) {
  EXPECT_LT(kora::fat_strcmp(fat(U"ab"), fat(U"abc")), 0);
  EXPECT_GT(kora::fat_strcmp(fat(U"xa"), fat(U"x_")), 0);
  for (auto [less, more] : {std::pair{U"xa", U"x_"}, {U"Z", U"a"}, {U"ab", U"ab_"}, {U"_", U"\u00E9"}})
    EXPECT_LT(kora::fat_strcmp_alpha(fat(less), fat(more)), 0);
}

// In Latin-1 every byte reads as its Windows-1252 character (the five undefined bytes as
// themselves) and writes back as the same byte, silently.
TEST_F(FatStrTest, Latin1RoundTripsEveryByteThroughTheCp1252Block) {
  use_latin1();
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  std::u32string read = thin_to_fat(all);
  for (auto [code, byte] : {std::pair{0x20ACu, 0x80}, {0x0152u, 0x8C}, {0x2122u, 0x99}, {0x0178u, 0x9F}})
    EXPECT_EQ(read[byte - 1], code);
  for (unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(read[byte - 1], byte);
  EXPECT_EQ(take(kora::fat_to_thin(fat(read), nullptr)), all);
  EXPECT_TRUE(messages().warnings.empty());
  // Word 10 off, or UTF-8 input, leaves the block alone.
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  EXPECT_EQ(thin_to_fat("\x80"), U"\u0080");
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 1;
  set_char_encoding(context_, KORA_UTF8);
  EXPECT_EQ(thin_to_fat("\x80\xE9"), U"\u0080\u00E9");
}

TEST_F(FatStrTest, NonLatin1CodesAreReportedAndGiveTheirLowByte) {
  char *text = kora::fat_to_thin(fat(U"a\u4E00b"), nullptr);
  EXPECT_EQ(std::string(text, 3), std::string("a\0b", 3));
  std::free(text);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"\\u4E00 is not a Latin-1 character.\n If you are in TARN, "
                                     "enter command 'set char-encoding utf-8' to switch to Unicode."});
}

TEST_F(FatStrTest, EscapedFormsQuoteWhatAReaderWouldMisread) {
  auto esc = [&](const std::u32string &s, int quote, int raw) {
    return take(kora::fat_to_thin_esc(fat(s), nullptr, quote, raw));
  };
  EXPECT_EQ(esc(U"\"", 1, 0), "%\"");
  EXPECT_EQ(esc(U"a 0\t\u00E9", 1, 0), "a\" \"\"0\"\"\\t\"\xE9");
  EXPECT_EQ(esc(U"a ?\x01", 0, 0), "a ?\"\\x01\"");
  EXPECT_EQ(esc(U"a?", 1, 1), "\"\\x61\"\"\\x3F\"");
  EXPECT_EQ(esc(U"\u4E00\U0001F600", 1, 0), "\\u4E00\\uF600");

  auto utf8 = [](const std::u32string &s) { return take(kora::fat_to_utf8_esc(fat(s), nullptr)); };
  EXPECT_EQ(utf8(U"?\"0 \n"), "\"?\"%\"\"0\"\" \"\"\\n\"");
  EXPECT_EQ(utf8(U"\x01\u0081\u00E9\u20AC"), "\\x01\\x81\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(utf8({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");

  // The escaped width is the length of the escaped form in either encoding, and a buffer that
  // must grow holds the same form.
  const std::u32string name = U"a \"?\t\x01\u0081\u00E9\u20AC\U0001F600";
  EXPECT_EQ(kora::fat_escaped_width(fat(name)), static_cast<int>(utf8(name).size()));
  use_latin1();
  const std::string latin1 = esc(name, 1, 0);
  EXPECT_EQ(kora::fat_escaped_width(fat(name)), static_cast<int>(latin1.size()));
  STRING_BUFFER *buffer = kora::make_thin_buffer(1);
  EXPECT_EQ(kora::fat_to_thin_esc(fat(name), buffer, 1, 0), latin1);
  kora::free_string_buffer(buffer);
}

// 0x80 is printable only as Windows-1252 output; 0x81 never is.
TEST_F(FatStrTest, PrintableTestsFollowTheEncodings) {
  for (auto [code, printable] : {std::pair{0x0Cu, true}, {0x0Du, false}, {0xA0u, false}, {0x80u, false}})
    EXPECT_EQ(kora::is_printable(code), printable) << std::hex << code;
  use_latin1();
  EXPECT_TRUE(kora::is_printable(0x80));
  EXPECT_FALSE(kora::is_printable(0x81));
  EXPECT_TRUE(kora::is_printable_utf8(0x80));
  EXPECT_FALSE(kora::is_printable_utf8(0x9D));
}

}  // namespace
