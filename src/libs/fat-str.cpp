// Fat strings: basics, Windows-1252, printable tests and conversions to and from thin strings.

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

bool output_is_utf8() { return context()->out_char_encoding == KORA_UTF8; }

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
  target->line_count = static_cast<int>(std::count(text, text + pos, '\n'));
  if (target != given) {
    target->string = nullptr;
    free_string_buffer(target);
  }
  return text;
}

// Room for the longest escaped form of one code and a terminator.
constexpr size_t kPieceSize = 16;

// The escapes that the quoting modes share: C escapes and the blank, "0" and "?" in double
// quotes, the double quote as %". Writes the piece and returns its length, or 0 for other codes.
int quoted_piece(uint32_t c, char letter, char *piece) {
  if (letter != 0) return std::snprintf(piece, kPieceSize, "\"\\%c\"", letter);
  if (c == ' ' || c == '0' || c == '?') return std::snprintf(piece, kPieceSize, "\"%c\"", c);
  if (c == '"') return std::snprintf(piece, kPieceSize, "%%\"");
  return 0;
}

// The escaped ISO-8859-1 form of one code (see fat_to_thin_esc); returns its length.
int latin1_piece(uint32_t c, bool quote, bool raw, char *piece) {
  if (c >= 256) return std::snprintf(piece, kPieceSize, "\\u%04X", c & 0xFFFF);
  if (!raw) {
    int length = quote ? quoted_piece(c, c_escape_letter(c), piece) : 0;
    if (length != 0) return length;
    if (is_printable(c)) {
      piece[0] = static_cast<char>(c);
      return 1;
    }
  }
  return std::snprintf(piece, kPieceSize, "\"\\x%02X\"", c);
}

// The escaped UTF-8 form of one character (see fat_to_utf8_esc); returns its length.
int utf8_piece(uint32_t c, char *piece) {
  int length = quoted_piece(c, c == 7 ? 'a' : c_escape_letter(c), piece);
  if (length != 0) return length;
  if (c < 128 && !is_printable_utf8(c)) return std::snprintf(piece, kPieceSize, "\\x%.2x", c);
  if (in_cp1252_block(c) && !is_cp1252_defined(c)) {
    return std::snprintf(piece, kPieceSize, "\\x%x", c);
  }
  return utf8_encode_char(c, piece);
}

// Calls emit(piece, length) for the escaped form of each character of `fs`.
template <typename Emit>
void escape_pieces(const uint32_t *fs, bool utf8, bool quote, bool raw, Emit emit) {
  char piece[kPieceSize];
  while (*fs != 0) {
    int length = utf8 ? utf8_piece(next_code(&fs), piece) : latin1_piece(*fs++, quote, raw, piece);
    emit(piece, length);
  }
}

// The escaped form of `fs` in `buffer`, or in a new string sized from fat_escaped_width.
char *escape_into(const uint32_t *fs, STRING_BUFFER *buffer, bool utf8, bool quote, bool raw) {
  STRING_BUFFER *target = thin_target(buffer, static_cast<size_t>(fat_escaped_width(fs)) + 8);
  escape_pieces(fs, utf8, quote, raw, [target](const char *piece, int length) {
    assure_buffer_space(static_cast<size_t>(length), target);
    std::memcpy(STRING_BUFFER_thin(target) + target->pos, piece, static_cast<size_t>(length));
    target->pos += length;
  });
  return thin_result(target, buffer, target->pos);
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

FAT_STR alloc_fat(int n) { return allocate_codes(static_cast<size_t>(n), "ALLOC_FAT"); }

int fat_strcmp(const uint32_t *a, const uint32_t *b) {
  if (a == b) return 0;
  while (*a != 0 && *a == *b) ++a, ++b;
  if (*a == *b) return 0;
  return *a < *b ? -1 : 1;
}

int fat_strcmp_alpha(const uint32_t *a, const uint32_t *b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  if (*a == *b) return 0;
  if (*a == 0 || *b == 0) return *a == 0 ? -1 : 1;
  auto is_letter = [](uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (*a < 128 && *b < 128 && is_letter(*a) != is_letter(*b)) return is_letter(*a) ? -1 : 1;
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

// ---- Printable tests ---------------------------------------------------------------------------

int is_printable(uint32_t c) {
  if ((c >= 8 && c <= 12) || (c >= 32 && c <= 126) || (c >= 161 && c <= 255)) return 1;
  if (!in_cp1252_block(c)) return 0;
  const FST_CONTEXT *settings = context();
  return parameter(KORA_REPORT_BAD_CHARS) != 0 && is_cp1252_defined(c) &&
         settings->in_char_encoding != KORA_UTF8 && settings->out_char_encoding != KORA_UTF8;
}

int is_printable_utf8(uint32_t c) {
  if (c < 128) return (c >= 7 && c <= 13) || (c >= 32 && c <= 126);
  if (c < 160) return is_cp1252_defined(c);
  return 1;
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

char *fat_to_thin_esc(const uint32_t *fs, STRING_BUFFER *buffer, int quote, int raw) {
  return escape_into(fs, buffer, false, quote != 0, raw != 0);
}

char *fat_to_utf8_esc(const uint32_t *fs, STRING_BUFFER *buffer) {
  return escape_into(fs, buffer, true, true, false);
}

int fat_escaped_width(const uint32_t *fs) {
  int width = 0;
  escape_pieces(fs, output_is_utf8(), true, false,
                [&width](const char *, int length) { width += length; });
  return width;
}

}  // namespace kora
