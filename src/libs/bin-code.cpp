// The primitive encodings of network files (see bin-code.h).

#include "bin-code.h"

#include <bit>
#include <cstdlib>

#include "error.h"
#include "fat-str.h"

namespace kora {

int significant_bits(uint64_t value) { return value == 0 ? 1 : 64 - std::countl_zero(value); }

int number_length(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  int bits = significant_bits(magnitude);
  return bits <= 6 ? 1 : bits / 7 + 1;
}

void ByteWriter::put_u16(uint32_t value) {
  put_byte(static_cast<uint8_t>(value >> 8));
  put_byte(static_cast<uint8_t>(value));
}

void ByteWriter::put_u24(uint32_t value) {
  put_byte(static_cast<uint8_t>(value >> 16));
  put_u16(value & 0xFFFF);
}

void ByteWriter::put_u32(uint32_t value) {
  put_u16(value >> 16);
  put_u16(value & 0xFFFF);
}

void ByteWriter::put_number(int64_t value) {
  const uint8_t sign = value < 0 ? 0x40 : 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  int bits = significant_bits(magnitude);
  if (bits <= 6) {
    put_byte(static_cast<uint8_t>(sign | magnitude));
    return;
  }
  int shift = bits / 7 * 7;
  put_byte(static_cast<uint8_t>(0x80 | sign | (magnitude >> shift)));
  for (shift -= 7; shift > 0; shift -= 7)
    put_byte(static_cast<uint8_t>(0x80 | ((magnitude >> shift) & 0x7F)));
  put_byte(static_cast<uint8_t>(magnitude & 0x7F));
}

void ByteWriter::put_string(const uint32_t *codes, int length) {
  put_number(length);
  for (int i = 0; i < length; i++) put_u16(codes[i]);
}

void ByteWriter::put_arc_item(uint32_t index, uint8_t flags) {
  int bits = significant_bits(index);
  if (bits < 5) {
    put_byte(static_cast<uint8_t>(0x40 | flags | index));
    return;
  }
  int shift = (bits + 2) / 7 * 7;
  put_byte(static_cast<uint8_t>(0xC0 | flags | (index >> shift)));
  for (shift -= 7; shift > 0; shift -= 7)
    put_byte(static_cast<uint8_t>(0x80 | ((index >> shift) & 0x7F)));
  put_byte(static_cast<uint8_t>(index & 0x7F));
}

void ByteWriter::put_bytes(const void *bytes, size_t count) {
  const auto *from = static_cast<const uint8_t *>(bytes);
  bytes_.insert(bytes_.end(), from, from + count);
}

void ByteWriter::patch_u32(size_t offset, uint32_t value) {
  for (int i = 0; i < 4; i++) bytes_[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void ByteReader::fail_eof() {
  if (!reported_) error("Unexpected end-of-file.\n");
  reported_ = true;
  failed_ = true;
  at_ = end_;
}

uint8_t ByteReader::get_byte() {
  if (at_ >= end_) {
    fail_eof();
    return 0;
  }
  return *at_++;
}

uint32_t ByteReader::get_u16() {
  uint32_t high = get_byte();
  return high << 8 | get_byte();
}

uint32_t ByteReader::get_u24() {
  uint32_t high = get_byte();
  return high << 16 | get_u16();
}

uint32_t ByteReader::get_u32() {
  uint32_t high = get_u16();
  return high << 16 | get_u16();
}

uint64_t ByteReader::get_groups(uint8_t first, uint64_t value, int limit_bits) {
  while ((first & 0x80) && !failed_) {
    first = get_byte();
    if (value >> (limit_bits - 7) != 0) {
      if (!reported_) error("Number too large in file.");
      reported_ = true;
      failed_ = true;
      return 0;
    }
    value = value << 7 | (first & 0x7F);
  }
  return failed_ ? 0 : value;
}

int64_t ByteReader::get_long_number() {
  uint8_t byte = get_byte();
  uint64_t magnitude = get_groups(byte, byte & 0x3F, 62);
  if (failed_) return 0;
  return byte & 0x40 ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

bool ByteReader::check_count(int64_t count) {
  if (failed_) return false;
  if (count >= 0 && static_cast<uint64_t>(count) <= remaining()) return true;
  fail_eof();
  return false;
}

uint32_t *ByteReader::get_string(int64_t length, bool cp1252) {
  if (failed_) return nullptr;
  if (length < 0 || static_cast<uint64_t>(length) > remaining() / 2) {
    fail_eof();
    return nullptr;
  }
  auto *codes = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * (length + 1)));
  if (codes == nullptr) out_of_memory("GET_FAT_STR");
  for (int64_t i = 0; i < length; i++) {
    uint32_t code = static_cast<uint32_t>(at_[0]) << 8 | at_[1];
    at_ += 2;
    if (cp1252 && code >= 0x80 && code <= 0x9F) cp1252_to_unicode(&code, code);
    codes[i] = code;
  }
  codes[length] = 0;
  return codes;
}

uint32_t ByteReader::get_long_arc_item(uint8_t *flags) {
  uint8_t byte = get_byte();
  *flags = byte & (ARC_ITEM_LAST | ARC_ITEM_FINAL);
  return static_cast<uint32_t>(get_groups(byte, byte & 0x0F, 31));
}

bool ByteReader::get_bytes(size_t count, const uint8_t **out) {
  if (count > remaining()) {
    fail_eof();
    *out = nullptr;
    return false;
  }
  *out = at_;
  at_ += count;
  return true;
}

void ByteReader::seek(size_t offset) {
  if (offset > size()) {
    fail_eof();
    return;
  }
  at_ = start_ + offset;
}

}  // namespace kora
