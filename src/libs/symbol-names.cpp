// Readers of symbol names written in source text.

#include "symbol-names.h"

#include <cstring>
#include <string>

#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "utf8.h"

namespace kora {
namespace {

constexpr uint64_t kMaxUnsigned = 0xFFFFFFFFull;
constexpr uint32_t kMaxUnicode = 0x10FFFF;

int digit_value(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'f')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    value = c - 'A' + 10;
  return value < base ? value : -1;
}

// Reads the digits of `base` at *p (at least one must be there) and advances past all of them.
// Gives the number; a number beyond 32 bits is reported and gives U+FFFD, and one beyond
// U+10FFFF is warned about and gives U+FFFD too.
uint32_t read_number(const char **p, int base) {
  const char *start = *p;
  while (**p == '0' && digit_value((*p)[1], base) >= 0) ++*p;  // leading zeros
  uint64_t value = 0;
  bool overflow = false;
  for (; digit_value(**p, base) >= 0; ++*p) {
    if (!overflow) value = value * base + digit_value(**p, base);
    overflow = overflow || value > kMaxUnsigned;
  }
  if (overflow) {
    std::string digits(start, *p);
    error_printf("%s: Max unsigned integer is %llu.", digits.c_str(),
                 static_cast<unsigned long long>(kMaxUnsigned));
    return UNI_REPLACEMENT_CHAR;
  }
  if (value > kMaxUnicode) {
    warning_printf("\\u%X is too large for a Unicode symbol.", static_cast<unsigned>(value));
    return UNI_REPLACEMENT_CHAR;
  }
  return static_cast<uint32_t>(value);
}

// Decodes the UTF-8 sequence at *p into *code and advances past it; false, without moving,
// when the bytes there do not form a legal sequence (shortest form, no surrogate, at most
// U+10FFFF).
bool decode_utf8_char(const char **p, uint32_t *code) {
  const auto *s = reinterpret_cast<const unsigned char *>(*p);
  int trailing;
  uint32_t value, least;
  if (s[0] < 0x80) {
    trailing = 0, value = s[0], least = 0;
  } else if (s[0] >= 0xC2 && s[0] <= 0xDF) {
    trailing = 1, value = s[0] & 0x1F, least = 0x80;
  } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
    trailing = 2, value = s[0] & 0x0F, least = 0x800;
  } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
    trailing = 3, value = s[0] & 0x07, least = 0x10000;
  } else {
    return false;
  }
  for (int k = 1; k <= trailing; k++) {
    if ((s[k] & 0xC0) != 0x80) return false;
    value = (value << 6) | (s[k] & 0x3F);
  }
  if (value < least || (value >= 0xD800 && value <= 0xDFFF) || value > kMaxUnicode) return false;
  *code = value;
  *p += trailing + 1;
  return true;
}

// The decoded string being built, and the checks every decoded code goes through.
struct QuotedString {
  const char *text;  // the whole input, for messages
  bool utf8;
  uint32_t *codes;
  int length = 0;

  void add(uint32_t code) {
    if (code == 0) {
      error_printf("'%s' contains an illegal NULL character.", text);
      return;
    }
    if (code >= 0x80 && code <= 0x9F) {
      if (utf8) {
        error_printf("'%c' (0x%X) is an illegal character in UTF-8 mode.", static_cast<char>(code),
                     code);
        code = UNI_REPLACEMENT_CHAR;
      } else if (parameter(KORA_REPORT_BAD_CHARS)) {
        cp1252_to_unicode(&code, code);
      }
    }
    codes[length++] = code;
  }
};

// Decodes the escape after a backslash at *p and advances past it.
void decode_escape(const char **p, QuotedString *out) {
  char c = **p;
  if (c == 'u' || c == 'x') {
    ++*p;
    if (digit_value(**p, 16) < 0) {
      error_printf("Bad character in atomnum: %c.", **p);
      return;
    }
    out->add(read_number(p, 16));
    return;
  }
  if (digit_value(c, 8) >= 0) {
    out->add(read_number(p, 8));
    return;
  }
  ++*p;
  switch (c) {
    case 'a': out->add(7); break;
    case 'b': out->add(8); break;
    case 'f': out->add(12); break;
    case 'n': out->add(10); break;
    case 'r': out->add(13); break;
    case 't': out->add(9); break;
    case 'v': out->add(11); break;
    default: out->add(static_cast<unsigned char>(c)); break;
  }
}

}  // namespace

const char *unpercent(const char *text, int strip) {
  std::string &result = symbol_name_results.unpercented;
  result.clear();
  if (text == nullptr) return "";
  size_t begin = 0, end = std::strlen(text);
  if (strip) {
    if (end < 2) return "";
    begin = 1, end -= 1;
  }
  for (size_t i = begin; i < end; i++) {
    if (text[i] == '%' && i + 1 < end) i++;
    result.push_back(text[i]);
  }
  return result.c_str();
}

const uint32_t *parse_quoted_string(const char *text) {
  uint32_t *codes = symbol_name_results.quoted;
  codes[0] = 0;
  if (text == nullptr) return codes;
  int length = static_cast<int>(std::strlen(text));
  if (length > kQuotedStringSize) {
    error_printf("String length %d, exceeds the size %d of a buffer", length, kQuotedStringSize);
    return codes;
  }
  QuotedString out{text, context()->in_char_encoding == KORA_UTF8, codes};
  const char *p = text;
  if (*p == '"')
    p++;
  else
    warning_printf("Expecting an initial \" in %s.", text);
  while (*p != '\0' && *p != '"') {
    if (*p == '\\') {
      if (*++p == '\0') break;
      decode_escape(&p, &out);
      continue;
    }
    auto byte = static_cast<unsigned char>(*p);
    uint32_t code = byte;
    if (!out.utf8 || byte < 0x80) {
      p++;
    } else if (!decode_utf8_char(&p, &code)) {
      error_printf("'%c' (0x%X) is an illegal character in UTF-8 mode.", *p, byte);
      code = UNI_REPLACEMENT_CHAR;
      p++;
    }
    out.add(code);
  }
  if (*p != '"') warning_printf("Expecting a final \" in \"%s.", text);
  codes[out.length] = 0;
  return codes;
}

}  // namespace kora
