// The UTF-8 codec against an independent encoder, on every class of code point, and on the
// malformed inputs that must be reported and replaced.

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "fat-str.h"
#include "kora_test.h"
#include "string_test_support.h"
#include "utf8.h"

namespace {

using kora_test::messages;
using string_test::codes;
using string_test::fat;

// The UTF-8 bytes of a scalar value, written from the definition of the format.
std::string reference_utf8(uint32_t c) {
  auto byte = [](uint32_t b) { return static_cast<char>(b); };
  if (c < 0x80) return {byte(c)};
  if (c < 0x800) return {byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F))};
  if (c < 0x10000) {
    return {byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F))};
  }
  return {byte(0xF0 | c >> 18), byte(0x80 | (c >> 12 & 0x3F)), byte(0x80 | (c >> 6 & 0x3F)),
          byte(0x80 | (c & 0x3F))};
}

// Every ASCII and Latin-1 code, the CP1252 block, and samples of the BMP (surrogates excluded)
// and of the astral planes, with the boundaries of each byte length.
std::vector<uint32_t> sample_code_points() {
  std::vector<uint32_t> sample;
  for (uint32_t c = 1; c < 0x100; ++c) sample.push_back(c);
  for (uint32_t c : {0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    sample.push_back(c);
  }
  std::mt19937 random(20100503);
  std::uniform_int_distribution<uint32_t> bmp(0x100, 0xFFFF), astral(0x10000, 0x10FFFF);
  for (int i = 0; i < 2000; ++i) {
    uint32_t c = bmp(random);
    if (c < 0xD800 || c > 0xDFFF) sample.push_back(c);
    sample.push_back(astral(random));
  }
  return sample;
}

class Utf8Test : public kora_test::Library {
 protected:
  std::string encode(const std::u32string &s) {
    char *text = kora::fat_to_utf8(fat(s), nullptr);
    std::string result(text);
    std::free(text);
    return result;
  }
  std::u32string decode(const std::string &s) {
    kora::FAT_STR fs = kora::utf8_thin_to_fat(s.c_str());
    std::u32string result = codes(fs);
    std::free(fs);
    return result;
  }
};

TEST_F(Utf8Test, EveryClassOfCodePointRoundTripsThroughTheReference) {
  std::u32string all;
  std::string all_bytes;
  for (uint32_t c : sample_code_points()) {
    std::u32string one(1, static_cast<char32_t>(c));
    ASSERT_EQ(encode(one), reference_utf8(c)) << std::hex << c;
    ASSERT_EQ(decode(reference_utf8(c)), one) << std::hex << c;
    all += one;
    all_bytes += reference_utf8(c);
  }
  EXPECT_EQ(encode(all), all_bytes);
  EXPECT_EQ(decode(all_bytes), all);
  EXPECT_TRUE(messages().warnings.empty());
}

TEST_F(Utf8Test, MalformedBytesAreReportedAndEachBecomesFDFF) {
  const uint32_t bad = kora::ILLEGAL_UTF8_CODE;
  struct Case {
    const char *what;
    std::string bytes;
    std::u32string expected;
  };
  const Case cases[] = {
      {"lone FF", "\xFF", {bad}},
      {"lone continuation", "a\x80z", {U'a', bad, U'z'}},
      {"overlong 2-byte slash", "\xC0\xAF", {bad, bad}},
      {"overlong 3-byte", "\xE0\x80\xAF", {bad, bad, bad}},
      {"overlong 4-byte", "\xF0\x80\x80\x80", {bad, bad, bad, bad}},
      {"encoded surrogate", "\xED\xA0\x80", {bad, bad, bad}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", {bad, bad, bad, bad}},
      {"truncated at the end", "\xE2\x82", {bad, bad}},
      {"interrupted by ASCII", "\xE2\x82" "b", {bad, bad, U'b'}},
      {"five-byte form", "\xF8\x88\x80\x80\x80", {bad, bad, bad, bad, bad}},
  };
  for (const Case &c : cases) {
    messages().clear();
    EXPECT_EQ(decode(c.bytes), c.expected) << c.what;
    size_t bad_count = 0;
    for (char32_t code : c.expected) bad_count += code == bad;
    EXPECT_EQ(messages().warnings.size(), bad_count) << c.what;
  }
  messages().clear();
  decode("\xFF");
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0], "'\xFF' (0xFF) in '\xFF' is an illegal UTF-8 character.\n");
}

TEST_F(Utf8Test, EncodingReplacesLargeCodesAndCombinesSurrogatePairs) {
  EXPECT_EQ(encode(U"\x200000"), "\xEF\xBF\xBD");
  EXPECT_EQ(encode(U"\x1FFFFF"), "\xF7\xBF\xBF\xBF");
  EXPECT_EQ(encode({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
  // Lenient: a lone surrogate is written like any other code.
  EXPECT_EQ(encode({U'a', 0xD800, U'b'}), "a\xED\xA0\x80" "b");
}

TEST_F(Utf8Test, StrictModeStopsAtALoneSurrogate) {
  char out[16];
  for (char32_t lone : {char32_t{0xDE00}, char32_t{0xD83D}}) {
    const std::u32string text = {U'a', lone, U'b'};
    EXPECT_EQ(kora::utf8_encode(fat(text), out, sizeof out, true), kora::UTF8_SOURCE_ILLEGAL);
    EXPECT_STREQ(out, "a");
  }
  const std::u32string pair = {0xD83D, 0xDE00};
  EXPECT_EQ(kora::utf8_encode(fat(pair), out, sizeof out, true), kora::UTF8_CONVERSION_OK);
  EXPECT_STREQ(out, "\xF0\x9F\x98\x80");
}

TEST_F(Utf8Test, AFullTargetKeepsOnlyWholeCharacters) {
  char out[4];
  EXPECT_EQ(kora::utf8_encode(fat(U"a\u00E9"), out, 3, false), kora::UTF8_TARGET_EXHAUSTED);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(kora::utf8_encode(fat(U"a\u00E9"), out, 4, false), kora::UTF8_CONVERSION_OK);
  EXPECT_STREQ(out, "a\xC3\xA9");
  EXPECT_EQ(kora::utf8_encoded_size(fat(U"a\u00E9\u20AC\U0001F600")), 11u);
}

TEST_F(Utf8Test, CodesAboveTheFatRangeAreAssertionFailures) {
  EXPECT_DEATH(kora::utf8_char_size(0x80000000), "i <= UNI_MAX_UTF32");
}

}  // namespace
