// Printing fat strings to streams.

#include "fat-print.h"

#include <cstring>

#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "str-buf.h"
#include "utf8.h"

namespace kora {
namespace {

bool output_is_utf8() { return context()->out_char_encoding == KORA_UTF8; }

FILE *or_stdout(FILE *stream) { return stream != nullptr ? stream : stdout; }

// Writes `c` in the output encoding and returns its byte count.
int put_code(FILE *stream, uint32_t c) {
  if (!output_is_utf8()) {
    std::fputc(static_cast<int>(c & 0xFF), stream);
    return 1;
  }
  char bytes[4];
  int length = utf8_encode_char(c, bytes);
  std::fwrite(bytes, 1, static_cast<size_t>(length), stream);
  return length;
}

// The character after the backslash of the C escape of `c` in C-style printing, else 0.
char c_style_letter(uint32_t c) {
  return c == '"' || c == '\\' ? static_cast<char>(c) : c_escape_letter(c);
}

// Prints the character at *fs as print_fat does, advances *fs past it and returns its columns.
int print_next(FILE *stream, const uint32_t **fs) {
  if (output_is_utf8()) return put_code(stream, next_code(fs));
  return print_char_code(stream, *(*fs)++);
}

}  // namespace

int print_char_code(FILE *stream, uint32_t c) {
  stream = or_stdout(stream);
  if (c < 256 && is_printable(c)) {
    put_code(stream, c);
    return 1;
  }
  if (c < 256) return std::fprintf(stream, "\\x%02X", c);
  const char *format = c > 0xFFFFFF ? "\\u%08X" : c > 0xFFFF ? "\\u%06X" : "\\u%04X";
  return std::fprintf(stream, format, c);
}

int print_fat(FILE *stream, const uint32_t *fs) {
  stream = or_stdout(stream);
  int columns = 0;
  while (*fs != 0) columns += print_next(stream, &fs);
  return columns;
}

int print_fat_escaped(FILE *stream, const uint32_t *fs, const char *specials) {
  stream = or_stdout(stream);
  if (specials == nullptr) specials = "";
  int columns = 0;
  while (*fs != 0) {
    uint32_t c = *fs;
    if (c != '%' && (c >= 256 || std::strchr(specials, static_cast<int>(c)) == nullptr)) {
      columns += print_next(stream, &fs);
      continue;
    }
    ++fs;
    char letter = c_escape_letter(c);
    if (letter != 0) {
      columns += std::fprintf(stream, "\"\\%c\"", letter);
    } else if (c == ' ' || c == 160) {
      std::fputc('"', stream);
      put_code(stream, c);
      std::fputc('"', stream);
      columns += 3;
    } else {
      std::fputc('%', stream);
      put_code(stream, c);
      columns += 2;
    }
  }
  return columns;
}

int print_fat_c_style(FILE *stream, const uint32_t *fs) {
  stream = or_stdout(stream);
  int columns = 0;
  for (; *fs != 0; ++fs) {
    uint32_t c = *fs;
    char letter = c_style_letter(c);
    if (letter != 0) {
      columns += std::fprintf(stream, "\\%c", letter);
    } else if (c < 256) {
      put_code(stream, c);
      columns += 1;
    } else {
      columns += print_char_code(stream, c);
    }
  }
  return columns;
}

int print_fat_regex_style(FILE *stream, const uint32_t *fs) {
  if ((fs[0] == '0' || fs[0] == '?') && fs[1] == 0) {
    return std::fprintf(or_stdout(stream), "%%%c", static_cast<char>(fs[0]));
  }
  return print_fat_c_style(stream, fs);
}

int fat_print_width(const uint32_t *fs) {
  if (!output_is_utf8()) return fat_strlen(fs);
  int width = 0;
  while (*fs != 0) width += utf8_char_size(next_code(&fs));
  return width;
}

int print_string_buffer(const STRING_BUFFER *buffer, FILE *stream) {
  if (buffer == nullptr) {
    error_printf("Unexpected NULL pointer in %s().", "print_string_buffer");
    return 0;
  }
  if (stream == nullptr) stream = stdout;
  if (buffer->char_size != 1) return print_fat(stream, STRING_BUFFER_fat(buffer));
  std::fwrite(buffer->string, 1, static_cast<size_t>(buffer->pos), stream);
  return buffer->pos;
}

}  // namespace kora
