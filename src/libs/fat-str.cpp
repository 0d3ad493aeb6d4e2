// Fat strings: basics, Windows-1252, the printable test and conversions to and from thin strings.

#include "fat-str.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "context.h"
#include "error.h"
#include "utf8.h"

namespace kora {
namespace {

// Windows-1252 characters of the bytes 0x80-0x9F; the undefined bytes stand for themselves.
constexpr uint32_t kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

bool in_cp1252_block(uint32_t code) { return code >= 0x80 && code <= 0x9F; }

// The Windows-1252 byte of a character from 256 up, or -1 when that code page lacks it.
int unicode_to_cp1252(uint32_t code) {
  const uint32_t *found = std::find(std::begin(kCp1252), std::end(kCp1252), code);
  return found == std::end(kCp1252) ? -1 : static_cast<int>(0x80 + (found - kCp1252));
}

// Whether thin input bytes 0x80-0x9F are read as Windows-1252.
bool reading_cp1252() {
  return context()->in_char_encoding != KORA_UTF8 && parameter(KORA_REPORT_BAD_CHARS) != 0;
}

FAT_STR allocate_codes(size_t count, const char *what) {
  auto *codes = static_cast<FAT_STR>(std::calloc(count, sizeof(uint32_t)));
  if (codes == nullptr) out_of_memory(what);
  return codes;
}

// Writes the codes of the bytes of `s` and the terminator to `out`; returns their number.
int thin_codes(const char *s, uint32_t *out) {
  const bool cp1252 = reading_cp1252();
  int count = 0;
  for (const auto *byte = reinterpret_cast<const unsigned char *>(s); *byte != 0; ++byte) {
    uint32_t code = *byte;
    if (cp1252 && in_cp1252_block(code)) code = kCp1252[code - 0x80];
    out[count++] = code;
  }
  out[count] = 0;
  return count;
}

// The thin buffer a conversion writes into: `buffer` emptied with room for `size` bytes, the
// terminator included, or a new buffer of that size when `buffer` is null.
STRING_BUFFER *thin_target(STRING_BUFFER *buffer, size_t size) {
  if (buffer == nullptr) return make_thin_buffer(static_cast<int>(size));
  KORA_ASSERT(buffer->char_size == 1);
  reset_string_buffer(buffer);
  assure_buffer_space(size - 1, buffer);
  return buffer;
}

// Completes a conversion of `pos` bytes into `target` and returns the text: the characters of
// `given`, or, when the conversion made its own buffer, those characters, now the caller's.
char *thin_result(STRING_BUFFER *target, STRING_BUFFER *given, int pos) {
  char *text = STRING_BUFFER_thin(target);
  text[pos] = '\0';
  target->pos = pos;
  if (target != given) {
    target->string = nullptr;
    free_string_buffer(target);
  }
  return text;
}

}  // namespace

// ---- Basics ------------------------------------------------------------------------------------

int fat_strlen(const uint32_t *fs) {
  int length = 0;
  while (fs[length] != 0) ++length;
  return length;
}

FAT_STR fat_strcpy(FAT_STR to, const uint32_t *from) {
  std::memcpy(to, from, (static_cast<size_t>(fat_strlen(from)) + 1) * sizeof(uint32_t));
  return to;
}

FAT_STR fat_strdup(const uint32_t *fs) {
  return fat_strcpy(allocate_codes(static_cast<size_t>(fat_strlen(fs)) + 1, "FAT_STRDUP"), fs);
}

int fat_strcmp(const uint32_t *a, const uint32_t *b) {
  if (a == b) return 0;
  while (*a != 0 && *a == *b) ++a, ++b;
  if (*a == *b) return 0;
  return *a < *b ? -1 : 1;
}

char c_escape_letter(uint32_t c) {
  switch (c) {
    case 8: return 'b';
    case 9: return 't';
    case 10: return 'n';
    case 11: return 'v';
    case 13: return 'r';
    default: return 0;
  }
}

// ---- Windows-1252 ------------------------------------------------------------------------------

int cp1252_to_unicode(uint32_t *out, uint32_t byte) {
  if (!in_cp1252_block(byte)) {
    *out = byte;
    return 1;
  }
  *out = kCp1252[byte - 0x80];
  return 0;
}

bool is_cp1252_defined(uint32_t code) {
  return in_cp1252_block(code) && kCp1252[code - 0x80] != code;
}

int convert_cp1252_in_place(FAT_STR fs) {
  int result = 0;
  for (; *fs != 0; ++fs) {
    if (!in_cp1252_block(*fs)) continue;
    if (is_cp1252_defined(*fs)) {
      *fs = kCp1252[*fs - 0x80];
    } else {
      result = 3;
    }
  }
  return result;
}

// ---- Printable test ----------------------------------------------------------------------------

int is_printable(uint32_t c) {
  if ((c >= 8 && c <= 12) || (c >= 32 && c <= 126) || (c >= 161 && c <= 255)) return 1;
  if (!in_cp1252_block(c)) return 0;
  const FST_CONTEXT *settings = context();
  return parameter(KORA_REPORT_BAD_CHARS) != 0 && is_cp1252_defined(c) &&
         settings->in_char_encoding != KORA_UTF8 && settings->out_char_encoding != KORA_UTF8;
}

// ---- Thin to fat -------------------------------------------------------------------------------

FAT_STR thin_to_fat(const char *s) {
  FAT_STR fs = allocate_codes(std::strlen(s) + 1, "THIN_TO_FAT");
  thin_codes(s, fs);
  return fs;
}

FAT_STR utf8_thin_to_fat(const char *s) {
  FAT_STR fs = allocate_codes(std::strlen(s) + 1, "UTF8_THIN_TO_FAT");
  utf8_decode(s, fs);
  return fs;
}

// ---- Fat to thin -------------------------------------------------------------------------------

char *fat_to_thin(const uint32_t *fs, STRING_BUFFER *buffer) {
  int length = fat_strlen(fs);
  STRING_BUFFER *target = thin_target(buffer, static_cast<size_t>(length) + 1);
  char *text = STRING_BUFFER_thin(target);
  for (int i = 0; i < length; ++i) {
    uint32_t code = fs[i];
    if (code >= 256) {
      int byte = unicode_to_cp1252(code);
      if (byte < 0) {
        warning_printf(
            "\\u%X is not a Latin-1 character.\n If you are in TARN, enter command 'set "
            "char-encoding utf-8' to switch to Unicode.",
            code);
        byte = static_cast<int>(code & 0xFF);
      }
      code = static_cast<uint32_t>(byte);
    }
    text[i] = static_cast<char>(code);
  }
  return thin_result(target, buffer, length);
}

char *fat_to_utf8(const uint32_t *fs, STRING_BUFFER *buffer) {
  STRING_BUFFER *target = thin_target(buffer, utf8_encoded_size(fs));
  char *text = STRING_BUFFER_thin(target);
  utf8_encode(fs, text, static_cast<size_t>(target->length), false);
  return thin_result(target, buffer, static_cast<int>(std::strlen(text)));
}

}  // namespace kora
