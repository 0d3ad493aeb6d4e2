// The UTF-8 codec: fat-string codes to UTF-8 bytes and back.
//
// Decoding applies the legality test of the Unicode standard (shortest forms only, no encoded
// surrogates, nothing above U+10FFFF). A byte that does not begin a legal, complete sequence is
// reported, stored as ILLEGAL_UTF8_CODE, and decoding resumes at the next byte, so every input
// decodes to a terminated string. Because the legality test already refuses encoded surrogates,
// decoding has no strict or lenient mode.
//
// Encoding writes codes below 0x200000 in one to four bytes and any larger code as U+FFFD. A
// high surrogate followed by a low one (16-bit strings of stored networks carry such pairs) is
// combined into one code. What happens to a lone surrogate is the caller's choice through the
// `strict` argument of utf8_encode: strict mode stops there, lenient mode writes it like any
// other code. The library's own conversions (fat_to_utf8, printing) are lenient, so that no text
// is lost; strict mode serves callers that must produce well-formed UTF-8 or nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kora {

constexpr uint32_t UNI_MAX_UTF32 = 0x7FFFFFFF;       // the largest code a fat string may hold
constexpr uint32_t UNI_REPLACEMENT_CHAR = 0xFFFD;
constexpr uint32_t ILLEGAL_UTF8_CODE = 0xFDFF;       // stored for a byte of an illegal sequence

// Results of utf8_encode.
enum {
  UTF8_CONVERSION_OK = 0,
  UTF8_TARGET_EXHAUSTED = 2,  // the next character did not fit
  UTF8_SOURCE_ILLEGAL = 3     // strict mode met a lone surrogate
};

// Asserts that `i` is a code a fat string may hold (at most UNI_MAX_UTF32).
void check_code(uint32_t i);

// The bytes utf8_encode_char writes for `code`: 1 below 0x80, 2 below 0x800, 3 below 0x10000,
// 4 below 0x200000, and 3 (U+FFFD) for larger codes. Asserts the code's range.
int utf8_char_size(uint32_t code);

// The bytes of the UTF-8 form of the 0-terminated `codes`, terminator included: enough for
// utf8_encode in either mode.
size_t utf8_encoded_size(const uint32_t *codes);

// Writes the UTF-8 bytes of `code` (no terminator) to `out`, which has room for 4 bytes, and
// returns how many were written.
int utf8_encode_char(uint32_t code, char *out);

// The character at *codes, which must not be the terminator: a high surrogate followed by a low
// surrogate gives their combined code and consumes both; any other code is returned unchanged.
// Advances *codes past what it consumed.
uint32_t next_code(const uint32_t **codes);

// Encodes the 0-terminated `codes` into `out` (`size` bytes, at least 1); the output is always
// terminated. Returns UTF8_CONVERSION_OK; UTF8_TARGET_EXHAUSTED when the next character would not
// fit; UTF8_SOURCE_ILLEGAL when `strict` is set and a lone surrogate is met. In the last two
// cases `out` holds the characters before the one that stopped the conversion.
int utf8_encode(const uint32_t *codes, char *out, size_t size, bool strict);

// Decodes the one character at the start of `text`, of which `available` bytes may be read:
// returns the bytes it takes (1 to 4) with its code in *out, or 0 when those bytes do not begin
// a legal, complete UTF-8 sequence (*out is then untouched).
int utf8_decode_char(const char *text, size_t available, uint32_t *out);

// Decodes the 0-terminated UTF-8 `text` into `out`, which has room for strlen(text) + 1 codes,
// and returns the number of codes before the terminator. Each byte that does not begin a legal,
// complete sequence gives the warning "'%c' (0x%X) in '%s' is an illegal UTF-8 character.\n"
// and the code ILLEGAL_UTF8_CODE.
int utf8_decode(const char *text, uint32_t *out);

}  // namespace kora
