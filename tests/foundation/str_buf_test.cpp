// String buffers: growth, line counting, UTF-8 appends, and the refusals of wrong arguments.

#include "str-buf.h"

#include <string>

#include "fat-print.h"
#include "kora_test.h"
#include "string_test_support.h"

namespace {

using kora_test::messages;
using string_test::codes;
using string_test::fat;
using string_test::printed;

class StringBufferTest : public kora_test::Library {};

TEST_F(StringBufferTest, GrowsToDoubleOrToWhatIsNeededAndCountsLines) {
  STRING_BUFFER *buffer = kora::make_thin_buffer(4);
  EXPECT_EQ(kora::append_string_to_buffer("a\nc", buffer), 3);
  EXPECT_EQ(STRING_BUFFER_length(buffer), 4);
  EXPECT_EQ(kora::append_char_to_buffer('\n', buffer), 4);
  EXPECT_EQ(STRING_BUFFER_length(buffer), 8);
  const std::string text = "a\nc\n" + std::string(20, 'x');
  EXPECT_EQ(kora::append_string_to_buffer(text.c_str() + 4, buffer), 24);
  EXPECT_EQ(STRING_BUFFER_length(buffer), 25);
  EXPECT_EQ(kora::append_buffer_to_buffer(buffer, buffer), 48);
  EXPECT_EQ(STRING_BUFFER_thin(buffer), text + text);
  EXPECT_EQ(STRING_BUFFER_line_count(buffer), 4) << "appended buffers add their lines";
  kora::free_string_buffer(buffer);
}

// Fat buffers print in UTF-8 and thin ones receive the UTF-8 bytes of codes; print returns the
// bytes written.
TEST_F(StringBufferTest, FatAndUtf8AppendsPrintTheirBytes) {
  STRING_BUFFER *target = kora::make_fat_buffer(1);
  STRING_BUFFER *source = kora::make_fat_buffer(8);
  const std::u32string text = U"\u00E9\u20AC";
  std::copy(text.begin(), text.end(), STRING_BUFFER_fat(source));
  STRING_BUFFER_pos(source) = 2;
  kora::append_buffer_to_buffer(target, source);
  EXPECT_EQ(codes(STRING_BUFFER_fat(target)), text);
  int columns = 0;
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_string_buffer(target, s); }, &columns),
            "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(columns, 5);

  STRING_BUFFER *buffer = kora::make_thin_buffer(1);
  kora::append_fat_char_utf8('a', buffer);
  kora::append_fat_char_utf8(0x20AC, buffer);
  EXPECT_EQ(kora::append_fat_utf8(fat(U"\u00E9\n\U0001F600"), buffer), 11);
  EXPECT_STREQ(STRING_BUFFER_thin(buffer), "a\xE2\x82\xAC\xC3\xA9\n\xF0\x9F\x98\x80");
  EXPECT_EQ(STRING_BUFFER_line_count(buffer), 1);
  for (STRING_BUFFER *b : {target, source, buffer}) kora::free_string_buffer(b);
}

TEST_F(StringBufferTest, WrongArgumentsAreReportedAndChangeNothing) {
  STRING_BUFFER *fat_buffer = kora::make_fat_buffer(4);
  STRING_BUFFER *thin_buffer = kora::make_thin_buffer(4);
  kora::append_string_to_buffer("ab", thin_buffer);
  EXPECT_EQ(kora::append_char_to_buffer('x', fat_buffer), 0);
  EXPECT_EQ(kora::append_string_to_buffer("x", fat_buffer), 0);
  EXPECT_EQ(kora::append_buffer_to_buffer(thin_buffer, fat_buffer), 2);
  EXPECT_EQ(kora::append_string_to_buffer("x", nullptr), 0);
  kora::assure_buffer_space(1, nullptr);
  EXPECT_EQ(kora::print_string_buffer(nullptr, nullptr), 0);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"Appending a thin character to a fat string buffer",
                                      "Appending a thin string to a fat string buffer",
                                      "Buffers are of different type.",
                                      "Unexpected NULL pointer in append_string_to_buffer().",
                                      "Unexpected NULL pointer in assure buffer space().",
                                      "Unexpected NULL pointer in print_string_buffer()."}));
  EXPECT_STREQ(STRING_BUFFER_thin(thin_buffer), "ab");
  kora::free_string_buffer(fat_buffer);
  kora::free_string_buffer(thin_buffer);
  kora::free_string_buffer(nullptr);
}

}  // namespace
