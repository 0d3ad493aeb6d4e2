// Pages: growable text buffers that know their current column, a left indentation and a right
// margin, so that reports can be assembled piece by piece, with line breaks falling between
// words, and printed in one go.
//
// Only page_room, new_page_line and the wrapping appends move `column`. Plain appends
// (char_to_page, string_to_page without wrap, hex_to_page, size_to_page) leave it alone: their
// caller reserves the columns with page_room first.
//
// The operations that name their null-page message report a null page as the error "Unexpected
// NULL pointer in %s." and do nothing else; the others require a page.
#pragma once

#include <cstdint>
#include <cstdio>

#include "kora.h"

// Global, to complete the declaration of the public header.
struct PAGE {
  int column;                   // width of the current line so far
  int pos;                      // characters in the text
  int line_count;               // line breaks made
  int indent;                   // columns of fill at the start of every new line
  int right_margin;             // column at which lines are broken; -1 for no limit
  int size;                     // bytes allocated for the text
  char *text;                   // always terminated
  const char *line_terminator;  // the context's end-of-line string when the page was made
  char fill_char;               // fills the indentation: a blank
};

#define PAGE_column(page) ((page)->column)
#define PAGE_pos(page) ((page)->pos)
#define PAGE_line_count(page) ((page)->line_count)
#define PAGE_indent(page) ((page)->indent)
#define PAGE_right_margin(page) ((page)->right_margin)
#define PAGE_size(page) ((page)->size)
#define PAGE_text(page) ((page)->text)
#define PAGE_line_terminator(page) ((page)->line_terminator)
#define PAGE_fill_char(page) ((page)->fill_char)

namespace kora {

// A new empty page of `size` bytes, owned by the caller (free_page). Unless the margin is -1, a
// margin above `size` and an indentation not below the margin are reported as warnings; the
// page is made all the same.
PAGE *make_page(int size, int indent, int right_margin);

// Frees the page and its text. Null is ignored.
void free_page(PAGE *page);

// Empties the page: column, position and line count 0. "reset_page()" when null.
void reset_page(PAGE *page);

// Writes the text and "\r\n" to `stream` (null: standard output). "print_page()" when null.
void print_page(const PAGE *page, FILE *stream);

// Appends one byte.
void char_to_page(char c, PAGE *page);

// Appends the line terminator and `indent` fill characters, counts the line and sets `column` to
// `indent`. "new_page_line()" when null.
void new_page_line(PAGE *page);

// Reserves `width` columns. When there is a right margin that column + width reaches and the
// text does not already end in a newline, starts a new line and returns 1 (the columns are then
// not added); otherwise adds a positive width to `column` and returns 0.
int page_room(PAGE *page, int width);

// Appends `s`. Without `wrap` the bytes go in as they are. With `wrap` and a right margin that
// the string would reach, the string is broken at its blanks and each piece placed with
// page_room, so that line breaks fall between words (a blank before a piece that starts a new
// line is dropped); otherwise it is appended and `column` advanced. "string_to_page()" when null.
void string_to_page(const char *s, int wrap, PAGE *page);

// string_to_page for a fat string, written in the output encoding. "fat_string_to_page()" when
// null.
void fat_string_to_page(const uint32_t *fs, int wrap, PAGE *page);

// Appends `value` in upper-case hexadecimal without leading zeros but with at least two digits.
// "hex_to_page()" when null.
void hex_to_page(uint32_t value, PAGE *page);

// string_to_page without wrap, then new_page_line; returns the page's line count (0 when null).
int line_to_page(const char *s, PAGE *page);

// Appends `s` `count` times with string_to_page.
void pattern_match_counts_to_page(const char *s, int count, int wrap, PAGE *page);

// Appends a memory size: "%lld bytes" up to 1000, then "%.1f Kb", "%.1f Mb" and "%.1f Gb" in
// decimal units (up to 1000000, up to 1000000000, above).
void size_to_page(long long bytes, PAGE *page);

}  // namespace kora
