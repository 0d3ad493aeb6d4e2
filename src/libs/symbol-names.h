// Readers of symbol names written in source text: percent escapes and double-quoted
// strings with backslash escapes. The regex scanner and the lexicon compiler call them on the
// tokens they have cut out.
//
// Each result lives in a buffer of its function (symbol_name_results), valid until that
// function is called again. Each call is one pass over its text. Tested in tests/networks/symbol_names_test.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace kora {

// The longest decoded quoted string, in codes.
constexpr int kQuotedStringSize = 1023;

// The results of the last calls, which the readers hand out. Defined in globals.cpp with the
// rest of the library's state.
struct SymbolNameResults {
  std::string unpercented;                // of unpercent
  uint32_t quoted[kQuotedStringSize + 1];  // of parse_quoted_string
};
extern SymbolNameResults symbol_name_results;

// `text` with each "%" removed and the character after it kept as it is; with `strip`, the
// first and last characters (the delimiters) are dropped first. A "%" that ends the text stays.
// Null gives "".
const char *unpercent(const char *text, int strip);

// Decodes a double-quoted string of the context's input encoding into codes. The string ends
// at the first double quote that no backslash escapes; the rest of the text is ignored. Escapes:
// \u and \x followed by hexadecimal digits, a backslash followed by octal digits, \a \b \f \n \r
// \t \v, and a backslash followed by any other character for that character. Problems are
// reported and decoding goes on:
//   - a text longer than kQuotedStringSize bytes: error, and the result is empty;
//   - no opening quote (decoding starts at the first character) or no closing quote: warning;
//   - a number beyond 32 bits: error, U+FFFD; \u beyond U+10FFFF: warning, U+FFFD;
//   - \u or \x without a digit: error ("Bad character in atomnum: %c."), the escape gives nothing;
//   - invalid UTF-8 in UTF-8 mode: error, U+FFFD for the byte;
//   - the code 0: error, dropped; 0x80-0x9F: U+FFFD with an error in UTF-8 mode, otherwise their
//     Windows-1252 characters when parameter word 10 is set.
// Null gives the empty string.
const uint32_t *parse_quoted_string(const char *text);

}  // namespace kora
