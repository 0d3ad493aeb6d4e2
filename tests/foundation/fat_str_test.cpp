// Fat-string basics, the Windows-1252 block, ISO-8859-1 conversions, the escaped forms and the
// scratch buffer.

#include "fat-str.h"

#include <cstdlib>
#include <map>
#include <string>

#include "context.h"
#include "kora_test.h"
#include "string_test_support.h"

namespace {

using kora_test::messages;
using string_test::codes;
using string_test::fat;

// The Windows-1252 characters of 0x80-0x9F, as the code page publishes them.
const std::map<uint32_t, unsigned char> kCp1252Bytes = {
    {0x0152, 0x8C}, {0x0153, 0x9C}, {0x0160, 0x8A}, {0x0161, 0x9A}, {0x0178, 0x9F},
    {0x017D, 0x8E}, {0x017E, 0x9E}, {0x0192, 0x83}, {0x02C6, 0x88}, {0x02DC, 0x98},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201A, 0x82},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x201E, 0x84}, {0x2020, 0x86}, {0x2021, 0x87},
    {0x2022, 0x95}, {0x2026, 0x85}, {0x2030, 0x89}, {0x2039, 0x8B}, {0x203A, 0x9B},
    {0x20AC, 0x80}, {0x2122, 0x99}};
const unsigned char kUndefinedBytes[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

class FatStrTest : public kora_test::Library {
 protected:
  void use_latin1() { set_char_encoding(context_, KORA_LATIN1); }

  std::u32string thin_to_fat(const std::string &s) {
    kora::FAT_STR fs = kora::thin_to_fat(s.c_str());
    std::u32string result = codes(fs);
    std::free(fs);
    return result;
  }
  // The converted text up to its terminator.
  template <typename Convert>
  std::string thin(Convert convert) {
    char *text = convert();
    std::string result(text);
    std::free(text);
    return result;
  }
};

TEST_F(FatStrTest, ComparisonsOrderByCodeAndPrefix) {
  EXPECT_LT(kora::fat_strcmp(fat(U"ab"), fat(U"abc")), 0);
  EXPECT_GT(kora::fat_strcmp(fat(U"\u0100"), fat(U"z")), 0);
  EXPECT_GT(kora::fat_strcmp(fat(U"xa"), fat(U"x_")), 0);
  // Alphabetic collation: letters before non-letters, among ASCII codes only.
  EXPECT_LT(kora::fat_strcmp_alpha(fat(U"xa"), fat(U"x_")), 0);
  EXPECT_LT(kora::fat_strcmp_alpha(fat(U"Z"), fat(U"a")), 0);
  EXPECT_LT(kora::fat_strcmp_alpha(fat(U"#"), fat(U"+")), 0);
  EXPECT_LT(kora::fat_strcmp_alpha(fat(U"ab"), fat(U"ab_")), 0);
  EXPECT_LT(kora::fat_strcmp_alpha(fat(U"_"), fat(U"\u00E9")), 0);
  EXPECT_EQ(kora::fat_strcmp_alpha(fat(U"a\u00E9"), fat(U"a\u00E9")), 0);
}

TEST_F(FatStrTest, Cp1252BlockIsReadOnlyInLatin1WithWord10) {
  use_latin1();
  EXPECT_EQ(thin_to_fat("\x80\x81\x9F" "a"), U"\u20AC\u0081\u0178a");
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  EXPECT_EQ(thin_to_fat("\x80"), U"\u0080");
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 1;
  set_char_encoding(context_, KORA_UTF8);
  EXPECT_EQ(thin_to_fat("\x80\xE9"), U"\u0080\u00E9");
}

TEST_F(FatStrTest, Latin1OutputRoundTripsEveryByte) {
  use_latin1();
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  std::u32string read = thin_to_fat(all);
  for (const auto &[code, byte] : kCp1252Bytes) EXPECT_EQ(read[byte - 1], code);
  for (unsigned char byte : kUndefinedBytes) EXPECT_EQ(read[byte - 1], byte);
  EXPECT_EQ(thin([&] { return kora::fat_to_thin(fat(read), nullptr); }), all);
  EXPECT_TRUE(messages().warnings.empty());

  std::u32string block = U"\u0080\u0081\u009F";
  EXPECT_EQ(kora::convert_cp1252_in_place(reinterpret_cast<uint32_t *>(block.data())), 3);
  EXPECT_EQ(block, U"\u20AC\u0081\u0178");
  block = U"\u0080x";
  EXPECT_EQ(kora::convert_cp1252_in_place(reinterpret_cast<uint32_t *>(block.data())), 0);
}

TEST_F(FatStrTest, NonLatin1CodesAreReportedAndGiveTheirLowByte) {
  STRING_BUFFER *buffer = kora::make_thin_buffer(2);
  char *text = kora::fat_to_thin(fat(U"a\u4E00b"), buffer);
  EXPECT_EQ(std::string(text, 3), std::string("a\0b", 3));
  EXPECT_EQ(STRING_BUFFER_pos(buffer), 3);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "\\u4E00 is not a Latin-1 character.\n If you are in TARN, enter command 'set "
            "char-encoding utf-8' to switch to Unicode.");
  kora::free_string_buffer(buffer);
}

TEST_F(FatStrTest, EscapedLatin1FormsQuoteWhatAReaderWouldMisread) {
  auto esc = [&](const std::u32string &s, int quote, int raw) {
    return thin([&] { return kora::fat_to_thin_esc(fat(s), nullptr, quote, raw); });
  };
  EXPECT_EQ(esc(U"?", 1, 0), "\"?\"");
  EXPECT_EQ(esc(U"\"", 1, 0), "%\"");
  EXPECT_EQ(esc(U"a 0\t\u00E9", 1, 0), "a\" \"\"0\"\"\\t\"\xE9");
  EXPECT_EQ(esc(U"\x01\u00A0", 1, 0), "\"\\x01\"\"\\xA0\"");
  EXPECT_EQ(esc(U"a ?", 0, 0), "a ?");
  EXPECT_EQ(esc(U"a\x01", 0, 0), "a\"\\x01\"");
  EXPECT_EQ(esc(U"a?", 1, 1), "\"\\x61\"\"\\x3F\"");
  EXPECT_EQ(esc(U"\u4E00\U0001F600", 1, 0), "\\u4E00\\uF600");
}

TEST_F(FatStrTest, EscapedUtf8FormQuotesControlsAndKeepsUnicode) {
  auto esc = [&](const std::u32string &s) {
    return thin([&] { return kora::fat_to_utf8_esc(fat(s), nullptr); });
  };
  EXPECT_EQ(esc(U"?\"0 "), "\"?\"%\"\"0\"\" \"");
  EXPECT_EQ(esc(U"\a\n\r"), "\"\\a\"\"\\n\"\"\\r\"");
  EXPECT_EQ(esc(U"\x01\x1F\x7F"), "\\x01\\x1f\\x7f");
  EXPECT_EQ(esc(U"\u0081\u0080\u00E9\u20AC"), "\\x81\xC2\x80\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(esc({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
}

TEST_F(FatStrTest, EscapedWidthIsTheLengthOfTheEscapedForm) {
  const std::u32string name = U"a \"?\t\x01\u0081\u00E9\u20AC\U0001F600";
  std::string utf8 = thin([&] { return kora::fat_to_utf8_esc(fat(name), nullptr); });
  EXPECT_EQ(kora::fat_escaped_width(fat(name)), static_cast<int>(utf8.size()));
  use_latin1();
  std::string latin1 = thin([&] { return kora::fat_to_thin_esc(fat(name), nullptr, 1, 0); });
  EXPECT_EQ(kora::fat_escaped_width(fat(name)), static_cast<int>(latin1.size()));
  // Written into a buffer that must grow, the form is the same.
  STRING_BUFFER *buffer = kora::make_thin_buffer(1);
  EXPECT_EQ(kora::fat_to_thin_esc(fat(name), buffer, 1, 0), latin1);
  kora::free_string_buffer(buffer);
}

TEST_F(FatStrTest, PrintableTestsFollowTheEncodings) {
  EXPECT_TRUE(kora::is_printable('\f'));
  EXPECT_FALSE(kora::is_printable('\r'));
  EXPECT_FALSE(kora::is_printable(0xA0));
  EXPECT_TRUE(kora::is_printable(0xA1));
  EXPECT_FALSE(kora::is_printable(0x80));
  use_latin1();
  EXPECT_TRUE(kora::is_printable(0x80));
  EXPECT_FALSE(kora::is_printable(0x81));
  context_->out_char_encoding = KORA_UTF8;
  EXPECT_FALSE(kora::is_printable(0x80));

  EXPECT_TRUE(kora::is_printable_utf8('\a'));
  EXPECT_TRUE(kora::is_printable_utf8(0x80));
  EXPECT_FALSE(kora::is_printable_utf8(0x9D));
}

TEST_F(FatStrTest, ScratchConversionsReuseOneGrowingBuffer) {
  const std::string long_text(200, 'x');
  kora::FAT_STR first = kora::utf8_to_fat_scratch(("\xC3\xA9" + long_text).c_str());
  EXPECT_EQ(codes(first), U"\u00E9" + std::u32string(200, U'x'));
  kora::FAT_STR second = kora::thin_to_fat_into(nullptr, "ab");
  EXPECT_EQ(second, first);
  EXPECT_EQ(codes(second), U"ab");
  EXPECT_EQ(STRING_BUFFER_pos(kora::context()->wide_buffer), 2);

  STRING_BUFFER *own = kora::make_fat_buffer(1);
  EXPECT_EQ(codes(kora::thin_to_fat_into(own, "xyz")), U"xyz");
  kora::free_string_buffer(own);
}

}  // namespace
