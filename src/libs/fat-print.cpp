// Printing fat strings to streams and to strings.
//
// Every printer writes through an Output, which is a stream or the end of a string, so that
// text built in memory (labels in listings and messages) is formatted once, straight into its
// string, and is byte for byte what a stream would get.

#include "fat-print.h"

#include <cstdarg>
#include <cstring>

#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "utf8.h"

namespace kora {
namespace {

bool output_is_utf8() { return context()->out_char_encoding == KORA_UTF8; }

// A stream (standard output for null) or the end of a string.
class Output {
 public:
  explicit Output(FILE *stream) : stream_(stream != nullptr ? stream : stdout) {}
  explicit Output(std::string &text) : text_(&text) {}

  void put(char c) {
    if (text_ != nullptr)
      text_->push_back(c);
    else
      std::fputc(c, stream_);
  }

  void write(const char *bytes, size_t length) {
    if (text_ != nullptr)
      text_->append(bytes, length);
    else
      std::fwrite(bytes, 1, length, stream_);
  }

  // Writes a formatted escape (at most 15 bytes) and returns its length.
  int format(const char *format, ...) __attribute__((format(printf, 2, 3))) {
    char text[16];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    write(text, static_cast<size_t>(length));
    return length;
  }

 private:
  FILE *stream_ = nullptr;
  std::string *text_ = nullptr;
};

// Writes `c` in the output encoding and returns its byte count.
int put_code(Output &out, uint32_t c) {
  if (!output_is_utf8()) {
    out.put(static_cast<char>(c & 0xFF));
    return 1;
  }
  char bytes[4];
  int length = utf8_encode_char(c, bytes);
  out.write(bytes, static_cast<size_t>(length));
  return length;
}

int char_code(Output &out, uint32_t c) {
  if (c < 256 && is_printable(c)) {
    put_code(out, c);
    return 1;
  }
  if (c < 256) return out.format("\\x%02X", c);
  if (c > 0xFFFFFF) return out.format("\\u%08X", c);
  if (c > 0xFFFF) return out.format("\\u%06X", c);
  return out.format("\\u%04X", c);
}

// Prints the character at *fs as print_fat does, advances *fs past it and returns its columns.
int next_char(Output &out, const uint32_t **fs) {
  if (output_is_utf8()) return put_code(out, next_code(fs));
  return char_code(out, *(*fs)++);
}

int fat(Output &out, const uint32_t *fs) {
  int columns = 0;
  while (*fs != 0) columns += next_char(out, &fs);
  return columns;
}

int fat_escaped(Output &out, const uint32_t *fs, const char *specials) {
  if (specials == nullptr) specials = "";
  int columns = 0;
  while (*fs != 0) {
    uint32_t c = *fs;
    if (c != '%' && (c >= 256 || std::strchr(specials, static_cast<int>(c)) == nullptr)) {
      columns += next_char(out, &fs);
      continue;
    }
    ++fs;
    char letter = c_escape_letter(c);
    if (letter != 0) {
      columns += out.format("\"\\%c\"", letter);
    } else if (c == ' ' || c == 160) {
      out.put('"');
      put_code(out, c);
      out.put('"');
      columns += 3;
    } else {
      out.put('%');
      put_code(out, c);
      columns += 2;
    }
  }
  return columns;
}

}  // namespace

int print_fat(FILE *stream, const uint32_t *fs) {
  Output out(stream);
  return fat(out, fs);
}

int append_fat(std::string &text, const uint32_t *fs) {
  Output out(text);
  return fat(out, fs);
}

int append_fat_escaped(std::string &text, const uint32_t *fs, const char *specials) {
  Output out(text);
  return fat_escaped(out, fs, specials);
}

}  // namespace kora
