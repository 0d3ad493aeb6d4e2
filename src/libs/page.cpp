// Pages: text buffers with a column, an indentation and a right margin.

#include "page.h"

#include <cstdlib>
#include <cstring>

#include "context.h"
#include "error.h"
#include "fat-str.h"
#include "platform.h"

namespace kora {
namespace {

// Reports a null page under the operation's name; true when the page is there.
bool present(const PAGE *page, const char *operation) {
  if (page == nullptr) error_printf("Unexpected NULL pointer in %s.", operation);
  return page != nullptr;
}

// Makes room for `n` more bytes and the terminator, growing by the system's page size.
void assure_page_space(PAGE *page, int n) {
  int size = page->size;
  while (page->pos + n + 1 > size) size += static_cast<int>(page_size());
  if (size == page->size) return;
  char *text = static_cast<char *>(std::realloc(page->text, static_cast<size_t>(size)));
  if (text == nullptr) out_of_memory("ASSURE_STRING_SPACE");
  page->text = text;
  page->size = size;
}

// Appends `n` bytes as they are.
void append(const char *bytes, int n, PAGE *page) {
  assure_page_space(page, n);
  std::memcpy(page->text + page->pos, bytes, static_cast<size_t>(n));
  page->pos += n;
  page->text[page->pos] = '\0';
}

// Appends `s` word by word: each blank-separated piece, with the blank before it, is placed with
// page_room; a piece that starts a new line loses its blank.
void wrap_words(const char *s, PAGE *page) {
  bool first = true;
  for (;;) {
    const char *blank = std::strchr(s, ' ');
    int length = blank != nullptr ? static_cast<int>(blank - s) : static_cast<int>(std::strlen(s));
    int separator = first ? 0 : 1;
    if (page_room(page, separator + length) == 1) {
      page->column += length;
    } else if (separator == 1) {
      append(" ", 1, page);
    }
    append(s, length, page);
    if (blank == nullptr) return;
    s = blank + 1;
    first = false;
  }
}

}  // namespace

PAGE *make_page(int size, int indent, int right_margin) {
  if (right_margin != -1) {
    if (right_margin > size) {
      warning_printf("make_page: right margin (%d) exceeds size of page (%d).", right_margin, size);
    }
    if (indent >= right_margin) {
      warning_printf("make_page: page indentation (%d) exceeds right margin (%d).", indent,
                     right_margin);
    }
  }
  auto *page = static_cast<PAGE *>(std::calloc(1, sizeof(PAGE)));
  if (page == nullptr) out_of_memory("MAKE_PAGE");
  page->size = size > 0 ? size : 1;
  page->text = static_cast<char *>(std::calloc(static_cast<size_t>(page->size), 1));
  if (page->text == nullptr) out_of_memory("MAKE_PAGE");
  page->indent = indent;
  page->right_margin = right_margin;
  // A page made before the context is filled ends its lines as the filled context would.
  page->line_terminator = context()->eol_string != nullptr ? context()->eol_string : "\r\n";
  page->fill_char = ' ';
  return page;
}

void free_page(PAGE *page) {
  if (page == nullptr) return;
  std::free(page->text);
  std::free(page);
}

void reset_page(PAGE *page) {
  if (!present(page, "reset_page()")) return;
  page->column = 0;
  page->pos = 0;
  page->line_count = 0;
  page->text[0] = '\0';
}

void print_page(const PAGE *page, FILE *stream) {
  if (!present(page, "print_page()")) return;
  std::fprintf(stream != nullptr ? stream : stdout, "%s\r\n", page->text);
}

void char_to_page(char c, PAGE *page) { append(&c, 1, page); }

void new_page_line(PAGE *page) {
  if (!present(page, "new_page_line()")) return;
  append(page->line_terminator, static_cast<int>(std::strlen(page->line_terminator)), page);
  page->line_count++;
  assure_page_space(page, page->indent);
  std::memset(page->text + page->pos, page->fill_char, static_cast<size_t>(page->indent));
  page->pos += page->indent;
  page->text[page->pos] = '\0';
  page->column = page->indent;
}

int page_room(PAGE *page, int width) {
  bool at_line_start = page->pos > 0 && page->text[page->pos - 1] == '\n';
  if (page->right_margin != -1 && page->column + width >= page->right_margin && !at_line_start) {
    new_page_line(page);
    return 1;
  }
  if (width > 0) page->column += width;
  return 0;
}

void string_to_page(const char *s, int wrap, PAGE *page) {
  if (!present(page, "string_to_page()")) return;
  int length = static_cast<int>(std::strlen(s));
  if (wrap && page->right_margin != -1 && page->column + length >= page->right_margin) {
    wrap_words(s, page);
    return;
  }
  append(s, length, page);
  if (wrap) page->column += length;
}

void fat_string_to_page(const uint32_t *fs, int wrap, PAGE *page) {
  if (!present(page, "fat_string_to_page()")) return;
  char *text = context()->out_char_encoding == KORA_UTF8 ? fat_to_utf8(fs, nullptr)
                                                         : fat_to_thin(fs, nullptr);
  string_to_page(text, wrap, page);
  std::free(text);
}

void hex_to_page(uint32_t value, PAGE *page) {
  if (!present(page, "hex_to_page()")) return;
  char digits[9];
  append(digits, std::snprintf(digits, sizeof digits, "%02X", value), page);
}

int line_to_page(const char *s, PAGE *page) {
  string_to_page(s, 0, page);
  if (page == nullptr) return 0;
  new_page_line(page);
  return page->line_count;
}

void pattern_match_counts_to_page(const char *s, int count, int wrap, PAGE *page) {
  for (int i = 0; i < count; ++i) string_to_page(s, wrap, page);
}

void size_to_page(long long bytes, PAGE *page) {
  char text[39];
  int length;
  if (bytes <= 1000) {
    length = std::snprintf(text, sizeof text, "%lld bytes", bytes);
  } else if (bytes <= 1000000) {
    length = std::snprintf(text, sizeof text, "%.1f Kb", static_cast<double>(bytes) / 1000);
  } else if (bytes <= 1000000000) {
    length = std::snprintf(text, sizeof text, "%.1f Mb", static_cast<double>(bytes) / 1000000);
  } else {
    length = std::snprintf(text, sizeof text, "%.1f Gb", static_cast<double>(bytes) / 1000000000);
  }
  append(text, length, page);
}

}  // namespace kora
