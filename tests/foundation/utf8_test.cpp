// The UTF-8 codec against an independent encoder, on every class of code point, and on the
// malformed inputs that must be reported and replaced.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fat-str.h"
#include "fat_strings.h"
#include "kora_test.h"
#include "utf8.h"

namespace {

using kora_test::messages;
using kora_test::fat;
using kora_test::take;

// The UTF-8 bytes of a scalar value, written from the definition of the format.
std::string reference_utf8(uint32_t c) {
  auto byte = [](uint32_t b) { return static_cast<char>(b); };
  if (c < 0x80) return {byte(c)};
  if (c < 0x800) return {byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F))};
  if (c < 0x10000) return {byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F))};
  return {byte(0xF0 | c >> 18), byte(0x80 | (c >> 12 & 0x3F)), byte(0x80 | (c >> 6 & 0x3F)),
          byte(0x80 | (c & 0x3F))};
}

class Utf8Test : public kora_test::Library {
 protected:
  std::string encode(const std::u32string &s) { return take(kora::fat_to_utf8(fat(s), nullptr)); }
  std::u32string decode(const std::string &s) { return take(kora::utf8_thin_to_fat(s.c_str())); }
};

// Every ASCII and Latin-1 code, the boundaries of each byte length, and seeded samples of the
// BMP (surrogates excluded) and of the astral planes, one by one and all together.
TEST_F(Utf8Test, EveryClassOfCodePointRoundTripsThroughTheReference) {
  kora_test::for_seeds(4, [&](unsigned, std::mt19937 &random) {
    std::vector<uint32_t> sample;
    for (uint32_t c = 1; c < 0x100; ++c) sample.push_back(c);
    for (uint32_t c : {0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) sample.push_back(c);
    std::uniform_int_distribution<uint32_t> bmp(0x100, 0xFFFF), astral(0x10000, 0x10FFFF);
    for (int i = 0; i < 500; ++i) {
      uint32_t c = bmp(random);
      if (c < 0xD800 || c > 0xDFFF) sample.push_back(c);
      sample.push_back(astral(random));
    }
    std::u32string all;
    std::string all_bytes;
    for (uint32_t c : sample) {
      std::u32string one(1, static_cast<char32_t>(c));
      ASSERT_EQ(encode(one), reference_utf8(c)) << std::hex << c;
      ASSERT_EQ(decode(reference_utf8(c)), one) << std::hex << c;
      all += one;
      all_bytes += reference_utf8(c);
    }
    EXPECT_EQ(encode(all), all_bytes);
    EXPECT_EQ(decode(all_bytes), all);
  });
  EXPECT_TRUE(messages().warnings.empty());
}

TEST_F(Utf8Test, MalformedBytesAreReportedAndEachBecomesFDFF) {
  const uint32_t bad = kora::ILLEGAL_UTF8_CODE;
  const std::pair<std::string, std::u32string> cases[] = {
      {"a\x80z", {U'a', bad, U'z'}},                   // lone continuation
      {"\xE0\x80\xAF", {bad, bad, bad}},               // overlong
      {"\xED\xA0\x80", {bad, bad, bad}},               // encoded surrogate
      {"\xF4\x90\x80\x80", {bad, bad, bad, bad}},      // above U+10FFFF
      {"\xE2\x82" "b", {bad, bad, U'b'}},              // interrupted by ASCII
      {"\xF8\x88\x80\x80\x80", {bad, bad, bad, bad, bad}},  // five-byte form
  };
  for (const auto &[bytes, expected] : cases) {
    messages().clear();
    EXPECT_EQ(decode(bytes), expected) << testing::PrintToString(bytes);
    EXPECT_EQ(messages().warnings.size(),
              static_cast<size_t>(std::count(expected.begin(), expected.end(), bad)));
  }
  messages().clear();
  decode("\xFF");
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"'\xFF' (0xFF) in '\xFF' is an illegal UTF-8 character.\n"});
}

TEST_F(Utf8Test, EncodingReplacesLargeCodesAndCombinesSurrogatePairs) {
  EXPECT_EQ(encode(U"\x200000"), "\xEF\xBF\xBD");
  EXPECT_EQ(encode({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
  // Lenient: a lone surrogate is written like any other code; strict mode stops before it.
  EXPECT_EQ(encode({U'a', 0xD800, U'b'}), "a\xED\xA0\x80" "b");
  char out[16];
  EXPECT_EQ(kora::utf8_encode(fat({U'a', 0xD83D, U'b'}), out, sizeof out, true), kora::UTF8_SOURCE_ILLEGAL);
  EXPECT_STREQ(out, "a");
  // A full target keeps only whole characters.
  EXPECT_EQ(kora::utf8_encode(fat(U"a\u00E9"), out, 3, false), kora::UTF8_TARGET_EXHAUSTED);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(kora::utf8_encoded_size(fat(U"a\u00E9\u20AC\U0001F600")), 11u);
}

}  // namespace
