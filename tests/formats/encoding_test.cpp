// The primitive encodings: numbers byte for byte at the boundaries where their lengths change,
// arc items read alike inline and at the end of the bytes, the Windows-1252 option, and the
// reader's refusal of truncations (the fixed-width integers, strings and the bytes of arc items
// are pinned by golden_test.cpp).

#include <cstdint>
#include <vector>

#include "bin-code.h"
#include "kora_test.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kora::ByteReader;
using kora::ByteWriter;
using kora_test::messages;

class EncodingTest : public kora_test::Library {};

Bytes number_bytes(int64_t value) {
  ByteWriter out;
  out.put_number(value);
  return out.bytes();
}

Bytes arc_item_bytes(uint32_t index, uint8_t flags) {
  ByteWriter out;
  out.put_arc_item(index, flags);
  return out.bytes();
}

TEST_F(EncodingTest, NumbersAreWrittenAsTheExamplesAndChangeLengthAtSevenBitGroups) {
  EXPECT_EQ(number_bytes(5), (Bytes{0x05}));
  EXPECT_EQ(number_bytes(-1), (Bytes{0x41}));
  EXPECT_EQ(number_bytes(100), (Bytes{0x80, 0x64}));
  EXPECT_EQ(number_bytes(0), (Bytes{0x00}));
  EXPECT_EQ(number_bytes(63), (Bytes{0x3F}));
  EXPECT_EQ(number_bytes(-63), (Bytes{0x7F}));
  EXPECT_EQ(number_bytes(64), (Bytes{0x80, 0x40}));
  EXPECT_EQ(number_bytes(-64), (Bytes{0xC0, 0x40}));
  EXPECT_EQ(number_bytes(8191), (Bytes{0xBF, 0x7F}));        // 13 bits: two bytes
  EXPECT_EQ(number_bytes(8192), (Bytes{0x80, 0xC0, 0x00}));  // 14 bits: the first byte is empty
  EXPECT_EQ(number_bytes(1 << 20), (Bytes{0x80, 0xC0, 0x80, 0x00}));
  for (int64_t value : {0LL, 63LL, 64LL, 8191LL, 8192LL, 1LL << 20, 1LL << 40, -(1LL << 40)}) {
    int bits = kora::significant_bits(static_cast<uint64_t>(value < 0 ? -value : value));
    EXPECT_EQ(kora::number_length(value), bits <= 6 ? 1 : bits / 7 + 1) << value;
    EXPECT_EQ(number_bytes(value).size(), static_cast<size_t>(kora::number_length(value))) << value;
  }
}

// Short items are decoded inline when enough bytes follow them and by the general path at the
// end of the bytes: both give the same value, flags and length, and a failed reader gives 0.
TEST_F(EncodingTest, ItemsReadTheSameWhetherMoreBytesFollowOrNot) {
  for (uint32_t index : {0u, 15u, 16u, 127u, 128u, 2047u, 2048u, 262143u, 262144u, 0xFFFFFEu})
    for (uint8_t flags : {0, 0x10, 0x20, 0x30})
      for (size_t padding = 0; padding < 4; padding++) {
        Bytes bytes = arc_item_bytes(index, flags);
        const size_t length = bytes.size();
        bytes.resize(length + padding, 0x40);
        ByteReader in(bytes.data(), bytes.size());
        uint8_t read_flags = 0;
        EXPECT_EQ(in.get_arc_item(&read_flags), index) << padding;
        EXPECT_EQ(read_flags, flags);
        EXPECT_EQ(in.position(), length) << index << " " << padding;
      }
  for (int64_t value : {0LL, 63LL, -63LL, 64LL, 8191LL, -8191LL, 8192LL, (1LL << 20) - 1,
                        -(1LL << 20) + 1, 1LL << 20, 1LL << 40})
    for (size_t padding = 0; padding < 4; padding++) {
      Bytes bytes = number_bytes(value);
      const size_t length = bytes.size();
      bytes.resize(length + padding, 0x3F);
      ByteReader in(bytes.data(), bytes.size());
      EXPECT_EQ(in.get_number(), value) << padding;
      EXPECT_EQ(in.position(), length) << value << " " << padding;
      ByteReader failed(bytes.data(), bytes.size()), also_failed(bytes.data(), bytes.size());
      failed.fail();
      also_failed.fail();
      uint8_t flags = 0;
      EXPECT_EQ(failed.get_number(), 0) << value;
      EXPECT_EQ(also_failed.get_arc_item(&flags), 0u) << value;
    }
  EXPECT_TRUE(messages().errors.empty()) << messages().errors.front();
}

TEST_F(EncodingTest, TheWindows1252OptionMapsItsCodesOnReading) {
  Bytes bytes{0x02, 0x00, 0x80, 0x00, 0x81};  // the euro sign's code, and an undefined one
  ByteReader plain(bytes.data(), bytes.size());
  uint32_t *as_is = plain.get_string(plain.get_number(), false);
  EXPECT_EQ(as_is[0], 0x80u);
  ByteReader mapped(bytes.data(), bytes.size());
  uint32_t *converted = mapped.get_string(mapped.get_number(), true);
  EXPECT_EQ(converted[0], 0x20ACu);
  EXPECT_EQ(converted[1], 0x81u);
  std::free(as_is);
  std::free(converted);
}

TEST_F(EncodingTest, EveryTruncationFailsTheReaderWithOneMessage) {
  ByteWriter out;
  out.put_number(1 << 20);
  out.put_arc_item(5000, 0);
  out.put_u32(7);
  const uint32_t text[] = {'x', 'y'};
  out.put_string(text, 2);
  for (size_t cut = 0; cut < out.size(); cut++) {
    messages().clear();
    ByteReader in(out.data(), cut);
    in.get_number();
    uint8_t flags;
    in.get_arc_item(&flags);
    in.get_u32();
    uint32_t *read = in.get_string(in.get_number(), false);
    EXPECT_EQ(read, nullptr) << cut;
    std::free(read);
    EXPECT_TRUE(in.failed()) << cut;
    EXPECT_EQ(messages().errors, (std::vector<std::string>{"Unexpected end-of-file.\n"})) << cut;
  }
  Bytes huge(12, 0xFF);
  ByteReader in(huge.data(), huge.size());
  in.get_number();
  EXPECT_TRUE(in.failed());
  EXPECT_EQ(messages().errors.back(), "Number too large in file.");
}

}  // namespace
