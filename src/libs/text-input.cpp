// Text input: lines, binary detection and the encoding of a file.

#include "text-input.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "context.h"
#include "error.h"

namespace kora {
namespace {

// The longest first line that encoding detection looks at.
constexpr int kFirstLineSize = 512;

const char *encoding_name(int encoding) { return encoding == KORA_UTF8 ? "UTF-8" : "ISO-8859-1"; }

// The encoding a declared name stands for, or 0.
int encoding_of_name(const std::string &name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "utf-8" || lower == "utf8") return KORA_UTF8;
  static const char *const latin1_names[] = {"iso-8859-1", "iso88591",  "iso8859-1", "iso-8859/1",
                                             "iso8859/1",  "latin-1",   "latin1"};
  for (const char *latin1 : latin1_names)
    if (lower == latin1) return KORA_LATIN1;
  return 0;
}

// Where the name of a declaration starts in `line`, or null when the line has none.
const char *declared_name(const char *line) {
  const char *comment = std::strpbrk(line, "#!");
  if (comment == nullptr) return nullptr;
  const char *mode = std::strstr(comment + 1, "-*-");
  if (mode == nullptr) return nullptr;
  const char *coding = std::strstr(mode + 3, "coding:");
  if (coding == nullptr) return nullptr;
  const char *name = coding + 7;
  while (*name == ' ' || *name == '\t') ++name;
  return name;
}

bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '/';
}

// Sets the context's input encoding.
void set_input_encoding(int encoding) { set_input_char_encoding(context(), encoding); }

// Reads the characters of one line into `buffer` (`size` bytes, at least 2) and terminates
// them, as LineReader describes. Returns TEXT_LINE for a line; TEXT_END at end of file with
// nothing read; TEXT_LONG_LINE when size - 1 characters were read without a line end; and
// TEXT_BINARY when a third NUL byte is met. A last line without a line end is reported only with
// `report_unterminated`. `length` receives the number of characters stored, NUL bytes included.
int read_piece(char *buffer, int size, FILE *stream, int *length, bool report_unterminated) {
  int count = 0;
  int nuls = 0;
  int status = TEXT_LINE;
  bool ended = false;
  while (count < size - 1) {
    int c = getc_unlocked(stream);
    if (c == EOF) break;
    if (c == '\n') {
      ended = true;
      break;
    }
    if (c == '\r') {
      int after = getc_unlocked(stream);
      if (after != '\n' && after != EOF) ungetc(after, stream);
      ended = true;
      break;
    }
    if (c == 0 && ++nuls == 3) {
      status = TEXT_BINARY;
      break;
    }
    buffer[count++] = static_cast<char>(c);
  }
  buffer[count] = '\0';
  if (length != nullptr) *length = count;
  if (status == TEXT_BINARY || ended) return status;
  if (count == size - 1) return TEXT_LONG_LINE;
  if (count == 0) return TEXT_END;
  if (report_unterminated) std::fprintf(stderr, "Last line is not terminated.\n");
  return TEXT_LINE;
}

}  // namespace

bool is_coding_declaration(const char *line) { return declared_name(line) != nullptr; }

int parse_coding_declaration(const char *line, int *encoding) {
  const char *start = declared_name(line);
  if (start == nullptr) return 0;
  const char *end = start;
  while (is_name_char(*end)) ++end;
  const std::string name(start, end);
  const int declared = encoding_of_name(name);
  if (declared == 0) {
    warning_printf("Unknown character encoding: %s.", name.c_str());
    return 3;
  }
  if (declared == KORA_LATIN1 && *encoding == KORA_UTF8) {
    warning_printf("The declaration\n\t\t      %s\n\t\t      comes after a UTF_8 byte order mark "
                   "in the beginning of the line.",
                   line);
    return 3;
  }
  *encoding = declared;
  return 0;
}

int check_byte_order_mark(FILE *stream, int *encoding) {
  const long start = std::ftell(stream);
  char line[kFirstLineSize];
  int length = 0;
  const int status = read_piece(line, kFirstLineSize, stream, &length, false);
  const auto *bytes = reinterpret_cast<const unsigned char *>(line);
  auto starts_with = [&](std::initializer_list<unsigned char> mark) {
    if (static_cast<int>(mark.size()) > length) return false;
    return std::memcmp(bytes, mark.begin(), mark.size()) == 0;
  };
  int skipped = 0;
  bool look_for_declaration = true;
  const char *unsupported = nullptr;
  if (starts_with({0xFE, 0xFF})) {
    unsupported = "Big Endian UTF-16", skipped = 2;
  } else if (starts_with({0x00, 0x00, 0xFE, 0xFF})) {
    unsupported = "Big Endian UTF-32", skipped = 4;
  } else if (starts_with({0xFF, 0xFE, 0x00, 0x00})) {
    unsupported = "Little Endian UTF-32", skipped = 4;
  } else if (starts_with({0xFF, 0xFE})) {
    unsupported = "Little Endian UTF-16", skipped = 2;
  } else if (starts_with({0xEF, 0xBB, 0xBF})) {
    *encoding = KORA_UTF8;
    skipped = 3;
  }
  if (unsupported != nullptr) {
    warning_printf("%s is not supported.\n    Use 'iconv' to convert the file to UTF-8.",
                   unsupported);
    look_for_declaration = false;
  }
  if (look_for_declaration && (status == TEXT_LINE || status == TEXT_LONG_LINE))
    parse_coding_declaration(line + skipped, encoding);
  if (start >= 0) std::fseek(stream, start + skipped, SEEK_SET);
  return status;
}

int set_input_encoding_for_file(int *saved, int *detected, FILE *stream, const char *filename,
                                int verbose) {
  const int current = context()->in_char_encoding;
  *saved = current;
  *detected = current;
  FILE *opened = nullptr;
  if (stream == nullptr) {
    if (filename == nullptr) return TEXT_OK;
    opened = stream = std::fopen(filename, "rb");
    if (stream == nullptr) {
      warning_printf("'%s' cannot be opened.", filename);
      return TEXT_CANNOT_OPEN;
    }
  }
  int found = 0;
  const int status = check_byte_order_mark(stream, &found);
  if (opened != nullptr) std::fclose(opened);
  if (status == TEXT_BINARY) {
    if (opened != nullptr) error_printf("'%s' appears to be a binary file.", filename);
    return TEXT_NOT_TEXT;
  }
  if (found != 0) *detected = found;
  if (*detected != current) {
    set_input_encoding(*detected);
    if (verbose) std::fprintf(stderr, "Input encoding set to %s\n", encoding_name(*detected));
  }
  return TEXT_OK;
}

void restore_input_encoding(int saved, int detected, int verbose) {
  if (detected == 0 || detected == saved) return;
  set_input_encoding(saved);
  if (verbose) std::fprintf(stderr, "Input encoding restored to %s.\n", encoding_name(saved));
}

int LineReader::next() {
  text_.clear();
  char piece[4096];
  bool any = false;
  for (;;) {
    int length = 0;
    const int status =
        read_piece(piece, sizeof piece, stream_, &length, parameter(KORA_VERBOSE) != 0);
    if (status == TEXT_BINARY) return TEXT_BINARY;
    if (status == TEXT_END) {
      if (!any) return TEXT_END;
      break;
    }
    text_.append(piece, static_cast<size_t>(length));
    any = true;
    if (status == TEXT_LINE) break;
  }
  ++number_;
  return TEXT_LINE;
}

int open_text_file(const char *filename, TextFile *file) {
  *file = TextFile();
  struct stat info;
  FILE *stream = filename == nullptr ? nullptr : std::fopen(filename, "rb");
  if (stream != nullptr && (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode))) {
    std::fclose(stream);
    stream = nullptr;
  }
  if (stream == nullptr) {
    error_printf("Cannot open '%s'.", filename == nullptr ? "(null)" : filename);
    return TEXT_CANNOT_OPEN;
  }
  return open_text_stream(stream, filename, file);
}

int open_text_stream(FILE *stream, const char *name, TextFile *file) {
  *file = TextFile();
  const int verbose = parameter(KORA_VERBOSE);
  const int status = set_input_encoding_for_file(&file->saved_encoding, &file->detected_encoding,
                                                 stream, name, verbose);
  if (status != TEXT_OK) {
    std::fclose(stream);
    return status;
  }
  file->stream = stream;
  file->lines.attach(stream);
  return TEXT_OK;
}

void close_text_file(TextFile *file) {
  if (file->stream == nullptr) return;
  std::fclose(file->stream);
  file->stream = nullptr;
  restore_input_encoding(file->saved_encoding, file->detected_encoding, parameter(KORA_VERBOSE));
}

}  // namespace kora
