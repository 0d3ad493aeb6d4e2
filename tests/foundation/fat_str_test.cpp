// Fat-string basics, the Windows-1252 block and ISO-8859-1 conversions.

#include "fat-str.h"

#include <string>

#include "context.h"
#include "fat_strings.h"
#include "kora_test.h"

namespace {

using kora_test::messages;
using kora_test::fat;
using kora_test::take;

class FatStrTest : public kora_test::Library {
 protected:
  void use_latin1() { set_char_encoding(context_, KORA_LATIN1); }
  std::u32string thin_to_fat(const std::string &s) { return take(kora::thin_to_fat(s.c_str())); }
};

// Order is by code, a prefix first.
TEST_F(FatStrTest, ComparisonsOrderByCodeAndPrefix) {
  EXPECT_LT(kora::fat_strcmp(fat(U"ab"), fat(U"abc")), 0);
  EXPECT_GT(kora::fat_strcmp(fat(U"xa"), fat(U"x_")), 0);
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

// 0x80 is printable only as Windows-1252 output; 0x81 never is.
TEST_F(FatStrTest, PrintableTestFollowsTheEncodings) {
  for (auto [code, printable] : {std::pair{0x0Cu, true}, {0x0Du, false}, {0xA0u, false}, {0x80u, false}})
    EXPECT_EQ(kora::is_printable(code), printable) << std::hex << code;
  use_latin1();
  EXPECT_TRUE(kora::is_printable(0x80));
  EXPECT_FALSE(kora::is_printable(0x81));
}

}  // namespace
