// Printing fat strings to streams, plain and with the escapes that make symbol names readable,
// and their column counts. The append_ forms write the same bytes at the end of a string.
//
// A stream argument of null means the standard output. Every printer returns the number of
// columns it wrote. A code written "as itself" goes out in the output encoding of the context:
// its UTF-8 bytes for UTF-8, its byte for ISO-8859-1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "kora.h"

namespace kora {

// A printable code below 256 (is_printable) as itself; another code below 256 as \x and two
// upper-case hexadecimal digits; a code from 256 up as \u and 4 hexadecimal digits, 6 when it
// exceeds 0xFFFF, 8 when it exceeds 0xFFFFFF.
int print_char_code(FILE *stream, uint32_t c);

// Every code with print_char_code (ISO-8859-1 output) or as its UTF-8 bytes (UTF-8 output, with
// surrogate pairs combined).
int print_fat(FILE *stream, const uint32_t *fs);
int append_fat(std::string &text, const uint32_t *fs);

// Prints `fs` as print_fat does, except the percent sign and the codes below 256 that occur in
// `specials` (null: none): \b \t \n \v \r as the C escape in double quotes, the blank and the
// no-break space as themselves in double quotes, anything else as % followed by the character.
int print_fat_escaped(FILE *stream, const uint32_t *fs, const char *specials);
int append_fat_escaped(std::string &text, const uint32_t *fs, const char *specials);

// \b \t \n \v \r, the double quote and the backslash as C escapes; other codes below 256 as
// themselves; larger codes with print_char_code.
int print_fat_c_style(FILE *stream, const uint32_t *fs);

// The one-character strings "0" and "?" as %0 and %?; anything else as print_fat_c_style.
int print_fat_regex_style(FILE *stream, const uint32_t *fs);

// The columns of `fs` printed in the output encoding: its UTF-8 byte count in UTF-8 output
// (two for each code 0x80-0x9F, as for any code below 0x800), else its number of codes.
int fat_print_width(const uint32_t *fs);

// Writes the buffer to `stream` (null: standard output). A thin buffer is written as it is and
// the position returned; a fat one is printed with print_fat and its columns returned. A null
// buffer is reported and gives 0.
int print_string_buffer(const STRING_BUFFER *buffer, FILE *stream);

}  // namespace kora
