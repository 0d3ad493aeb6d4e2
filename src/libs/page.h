// Pages: growable text buffers of lines that start with an indentation, into which the text
// writers append the lines of a report (write_text_to_page of kora.h).
//
// The operations that name their null-page message report a null page as the error "Unexpected
// NULL pointer in %s." and do nothing else.
#pragma once

#include <cstdint>
#include <cstdio>

#include "kora.h"

// Global, to complete the declaration of the public header.
struct PAGE {
  int column;                   // the indentation, from the first line break on
  int pos;                      // characters in the text
  int line_count;               // line breaks made
  int indent;                   // columns of fill at the start of every new line
  int right_margin;             // the column at which the owner means lines to end; -1 for none
  int size;                     // bytes allocated for the text
  char *text;                   // always terminated
  const char *line_terminator;  // the context's end-of-line string when the page was made
  char fill_char;               // fills the indentation: a blank
};

namespace kora {

// A new empty page of `size` bytes, owned by the caller (free_page). Unless the margin is -1, a
// margin above `size` and an indentation not below the margin are reported as warnings; the
// page is made all the same.
PAGE *make_page(int size, int indent, int right_margin);

// Frees the page and its text. Null is ignored.
void free_page(PAGE *page);

// Appends the line terminator and `indent` fill characters, counts the line and sets `column` to
// `indent`. "new_page_line()" when null.
void new_page_line(PAGE *page);

// Appends `s` as it is. "string_to_page()" when null.
void string_to_page(const char *s, PAGE *page);

// string_to_page, then new_page_line; returns the page's line count (0 when null).
int line_to_page(const char *s, PAGE *page);

}  // namespace kora
