// Pages: text buffers of lines with an indentation.

#include "page.h"

#include <cstdlib>
#include <cstring>

#include "context.h"
#include "error.h"
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

void string_to_page(const char *s, PAGE *page) {
  if (!present(page, "string_to_page()")) return;
  append(s, static_cast<int>(std::strlen(s)), page);
}

int line_to_page(const char *s, PAGE *page) {
  string_to_page(s, page);
  if (page == nullptr) return 0;
  new_page_line(page);
  return page->line_count;
}

}  // namespace kora
