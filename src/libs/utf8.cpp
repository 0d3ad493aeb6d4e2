// The UTF-8 codec: legality-checked decoding and surrogate-combining encoding.

#include "utf8.h"

#include <cstring>

#include "error.h"

namespace kora {
namespace {

constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kHighSurrogateLast = 0xDBFF;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kLowSurrogateLast = 0xDFFF;

// What the accumulation of a sequence of 1 to 6 bytes (six bits per byte, lead-byte marks
// included) adds on top of the code, by number of trailing bytes.
constexpr uint32_t kOffsets[6] = {0x00000000, 0x00003080, 0x000E2080,
                                  0x03C82080, 0xFA082080, 0x82082080};

// The marks of the lead byte, by sequence length.
constexpr unsigned char kFirstByteMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};

bool is_surrogate(uint32_t code) {
  return code >= kHighSurrogateFirst && code <= kLowSurrogateLast;
}

// The number of trailing bytes announced by a lead byte. Continuation bytes announce none;
// 0xF8 and above announce more than the legality test allows, so they are refused there.
int trailing_bytes(unsigned char lead) {
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF8) return 3;
  if (lead < 0xFC) return 4;
  return 5;
}

// The legality test of the Unicode standard for a sequence of `length` bytes: continuation bytes
// in 0x80-0xBF, no overlong form, no encoded surrogate, nothing above U+10FFFF.
bool is_legal_utf8(const unsigned char *bytes, int length) {
  if (length > 4) return false;
  for (int k = length - 1; k >= 2; --k) {
    if (bytes[k] < 0x80 || bytes[k] > 0xBF) return false;
  }
  if (length >= 2) {
    unsigned char second = bytes[1];
    if (second > 0xBF) return false;
    switch (bytes[0]) {
      case 0xE0: if (second < 0xA0) return false; break;  // overlong 3-byte form
      case 0xED: if (second > 0x9F) return false; break;  // surrogates
      case 0xF0: if (second < 0x90) return false; break;  // overlong 4-byte form
      case 0xF4: if (second > 0x8F) return false; break;  // above U+10FFFF
      default: if (second < 0x80) return false;
    }
  }
  if (bytes[0] >= 0x80 && bytes[0] < 0xC2) return false;  // lone continuation, overlong 2-byte
  return bytes[0] <= 0xF4;
}

}  // namespace

void check_code(uint32_t i) { KORA_ASSERT(i <= UNI_MAX_UTF32); }

int utf8_char_size(uint32_t code) {
  check_code(code);
  if (code < 0x80) return 1;
  if (code < 0x800) return 2;
  if (code < 0x10000) return 3;
  if (code < 0x200000) return 4;
  return 3;
}

size_t utf8_encoded_size(const uint32_t *codes) {
  size_t size = 1;
  for (; *codes != 0; ++codes) size += static_cast<size_t>(utf8_char_size(*codes));
  return size;
}

int utf8_encode_char(uint32_t code, char *out) {
  int length = utf8_char_size(code);
  if (code >= 0x200000) code = UNI_REPLACEMENT_CHAR;
  for (int k = length - 1; k > 0; --k) {
    out[k] = static_cast<char>((code & 0x3F) | 0x80);
    code >>= 6;
  }
  out[0] = static_cast<char>(code | kFirstByteMark[length]);
  return length;
}

uint32_t next_code(const uint32_t **codes) {
  uint32_t code = *(*codes)++;
  uint32_t after = **codes;
  if (code >= kHighSurrogateFirst && code <= kHighSurrogateLast && after >= kLowSurrogateFirst &&
      after <= kLowSurrogateLast) {
    ++*codes;
    code = ((code - kHighSurrogateFirst) << 10) + (after - kLowSurrogateFirst) + 0x10000;
  }
  return code;
}

int utf8_encode(const uint32_t *codes, char *out, size_t size, bool strict) {
  KORA_ASSERT(size > 0);
  size_t used = 0;
  int result = UTF8_CONVERSION_OK;
  while (*codes != 0) {
    uint32_t code = next_code(&codes);
    if (strict && is_surrogate(code)) {
      result = UTF8_SOURCE_ILLEGAL;
      break;
    }
    if (used + static_cast<size_t>(utf8_char_size(code)) + 1 > size) {
      result = UTF8_TARGET_EXHAUSTED;
      break;
    }
    used += static_cast<size_t>(utf8_encode_char(code, out + used));
  }
  out[used] = '\0';
  return result;
}

int utf8_decode_char(const char *text, size_t available, uint32_t *out) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(text);
  if (available == 0) return 0;
  const int trailing = trailing_bytes(bytes[0]);
  if (static_cast<size_t>(trailing) >= available || !is_legal_utf8(bytes, trailing + 1)) return 0;
  uint32_t code = 0;
  for (int k = 0; k <= trailing; ++k) code = (code << 6) + bytes[k];
  *out = code - kOffsets[trailing];
  return trailing + 1;
}

int utf8_decode(const char *text, uint32_t *out) {
  const size_t length = std::strlen(text);
  int count = 0;
  size_t i = 0;
  while (i < length) {
    const int taken = utf8_decode_char(text + i, length - i, &out[count]);
    if (taken == 0) {
      const auto byte = static_cast<unsigned char>(text[i]);
      warning_printf("'%c' (0x%X) in '%s' is an illegal UTF-8 character.\n", byte, byte, text);
      out[count++] = ILLEGAL_UTF8_CODE;
      ++i;
      continue;
    }
    ++count;
    i += static_cast<size_t>(taken);
  }
  out[count] = 0;
  return count;
}

}  // namespace kora
