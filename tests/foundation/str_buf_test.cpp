// String buffers: growth and line counting.

#include "str-buf.h"

#include <string>

#include "kora_test.h"

namespace {


class StringBufferTest : public kora_test::Library {};

TEST_F(StringBufferTest, GrowsToDoubleOrToWhatIsNeededAndCountsLines) {
  STRING_BUFFER *buffer = kora::make_thin_buffer(4);
  EXPECT_EQ(kora::append_string_to_buffer("a\nc", buffer), 3);
  EXPECT_EQ(buffer->length, 4);
  EXPECT_EQ(kora::append_char_to_buffer('\n', buffer), 4);
  EXPECT_EQ(buffer->length, 8);
  const std::string text = "a\nc\n" + std::string(20, 'x');
  EXPECT_EQ(kora::append_string_to_buffer(text.c_str() + 4, buffer), 24);
  EXPECT_EQ(buffer->length, 25);
  EXPECT_EQ(STRING_BUFFER_thin(buffer), text);
  kora::free_string_buffer(buffer);
}

}  // namespace
