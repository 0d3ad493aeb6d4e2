// Printing fat strings to streams, and to strings plain and with the escapes that make symbol
// names readable. The append_ forms write the bytes that printing would at the end of a string.
//
// A stream argument of null means the standard output. Every printer returns the number of
// columns it wrote. A code written "as itself" goes out in the output encoding of the context:
// its UTF-8 bytes for UTF-8, its byte for ISO-8859-1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kora {

// Every code as its UTF-8 bytes (UTF-8 output, with surrogate pairs combined), or in ISO-8859-1
// output: a printable code below 256 (is_printable) as itself; another code below 256 as \x and
// two upper-case hexadecimal digits; a code from 256 up as \u and 4 hexadecimal digits, 6 when it
// exceeds 0xFFFF, 8 when it exceeds 0xFFFFFF.
int print_fat(FILE *stream, const uint32_t *fs);
int append_fat(std::string &text, const uint32_t *fs);

// Appends `fs` as append_fat does, except the percent sign and the codes below 256 that occur in
// `specials` (null: none): \b \t \n \v \r as the C escape in double quotes, the blank and the
// no-break space as themselves in double quotes, anything else as % followed by the character.
int append_fat_escaped(std::string &text, const uint32_t *fs, const char *specials);

}  // namespace kora
