// The primitive encodings of network files: bytes, big-endian u16/u24/u32, the signed
// variable-length number, two-byte-character strings, and the arc items of network bodies.
//
// Writing goes into a growable byte buffer (ByteWriter) that the caller writes to the file in
// one piece; reading goes over bytes already in memory (ByteReader), so that the reader never
// touches the stream per byte and a truncated or corrupt file cannot make it read past the
// end. A reader that meets the end of its bytes reports "Unexpected end-of-file.\n" once,
// remembers the failure and gives zeros from then on; its callers check `failed` at the points
// where a wrong value would do harm (counts, indexes) and at the end of a record.
//
// The number: the first byte holds bit 7 "more bytes follow", bit 6 "negative" and the highest
// six bits of the magnitude; each following byte bit 7 "more" and seven bits, most significant
// group first. A magnitude of b significant bits takes 1 byte when b <= 6, else b / 7 + 1.
// An arc item is a file label index with two flags, E (last arc of its state) and F (the
// destination is final): one byte 0x40 | E | F | x when x has fewer than 5 bits, else a first
// byte 0xC0 | E | F | the high bits followed by seven-bit groups. Bit 6 of an arc item's first
// byte is always set, and that of a (non-negative) number never, which is how a reader tells
// them apart. Every operation is O(1) per byte. Tested in tests/formats/encoding_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kora {

// The flags of an arc item's first byte.
constexpr uint8_t ARC_ITEM_LAST = 0x20;
constexpr uint8_t ARC_ITEM_FINAL = 0x10;

// The number of significant bits of `value` (at least 1).
int significant_bits(uint64_t value);

// The bytes the number encoding of `value` takes.
int number_length(int64_t value);

class ByteWriter {
 public:
  void put_byte(uint8_t byte) { bytes_.push_back(byte); }
  void put_u16(uint32_t value);
  void put_u24(uint32_t value);
  void put_u32(uint32_t value);
  void put_number(int64_t value);
  // A string of `length` codes: its length as a number, then each code as two bytes, high
  // byte first. Codes above 0xFFFF must have been refused by the caller.
  void put_string(const uint32_t *codes, int length);
  // An arc item for file label index `index` with the flags ARC_ITEM_LAST and ARC_ITEM_FINAL.
  void put_arc_item(uint32_t index, uint8_t flags);
  void put_bytes(const void *bytes, size_t count);
  // Overwrites four bytes at `offset` with `value`, big-endian.
  void patch_u32(size_t offset, uint32_t value);

  size_t size() const { return bytes_.size(); }
  const uint8_t *data() const { return bytes_.data(); }
  std::vector<uint8_t> &bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

class ByteReader {
 public:
  ByteReader(const uint8_t *bytes, size_t size) : start_(bytes), at_(bytes), end_(bytes + size) {}

  uint8_t get_byte();
  // The next byte without consuming it; 0 at the end (without reporting).
  uint8_t peek() const { return at_ < end_ ? *at_ : 0; }
  uint32_t get_u16();
  uint32_t get_u24();
  uint32_t get_u32();
  // A number; a magnitude of more than 62 bits is reported as "Number too large in file." and fails
  // the reader. Numbers of up to three bytes (magnitudes below 2^20) are read inline.
  int64_t get_number() {
    if (!failed_ && end_ - at_ >= 3) {
      const uint8_t first = at_[0];
      uint64_t magnitude = first & 0x3F;
      int length = 1;
      if (first & 0x80) {
        magnitude = magnitude << 7 | (at_[1] & 0x7F);
        length = 2;
        if (at_[1] & 0x80) {
          if (at_[2] & 0x80) return get_long_number();
          magnitude = magnitude << 7 | at_[2];
          length = 3;
        }
      }
      at_ += length;
      return first & 0x40 ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    }
    return get_long_number();
  }
  // A string of the given length in characters, as a new 0-terminated fat string (std::free);
  // null when the reader has failed before or the bytes run out (the reader then fails). With
  // `cp1252`, a code 0x80-0x9F that Windows-1252 defines is read as its Unicode character.
  uint32_t *get_string(int64_t length, bool cp1252);
  // Reads `count` (a number just read) as a count of items that take at least a byte each:
  // true when that many bytes remain, else the reader fails at the end of its bytes.
  bool check_count(int64_t count);
  // An arc item: its label index and flags (the first byte's ARC_ITEM_LAST and ARC_ITEM_FINAL).
  // Items of up to two bytes (indexes below 2^11) are read inline.
  uint32_t get_arc_item(uint8_t *flags) {
    if (!failed_ && end_ - at_ >= 2 && !(at_[0] & 0x80 && at_[1] & 0x80)) {
      const uint8_t first = at_[0];
      *flags = first & (ARC_ITEM_LAST | ARC_ITEM_FINAL);
      uint32_t index = first & 0x0F;
      if (first & 0x80) {
        index = index << 7 | at_[1];
        at_ += 2;
      } else {
        at_ += 1;
      }
      return index;
    }
    return get_long_arc_item(flags);
  }
  // Points `out` at the next `count` bytes and skips them; false, with the reader failed, when
  // fewer remain.
  bool get_bytes(size_t count, const uint8_t **out);

  // Reports "Unexpected end-of-file.\n" (once) and fails the reader.
  void fail_eof();
  // Fails the reader without a message (the caller reported the reason).
  void fail() { failed_ = true; }
  bool failed() const { return failed_; }

  size_t position() const { return static_cast<size_t>(at_ - start_); }
  // Moves to `offset` from the start; an offset beyond the end fails the reader.
  void seek(size_t offset);
  size_t remaining() const { return static_cast<size_t>(end_ - at_); }
  size_t size() const { return static_cast<size_t>(end_ - start_); }

 private:
  // The seven-bit groups that follow a first byte with bit 7 set, appended to `value`; a value
  // that would pass `limit_bits` bits is reported as "Number too large in file.".
  uint64_t get_groups(uint8_t first, uint64_t value, int limit_bits);
  // get_number and get_arc_item for every case, near the end of the bytes and failures too.
  int64_t get_long_number();
  uint32_t get_long_arc_item(uint8_t *flags);

  const uint8_t *start_;
  const uint8_t *at_;
  const uint8_t *end_;
  bool failed_ = false;
  bool reported_ = false;
};

}  // namespace kora
