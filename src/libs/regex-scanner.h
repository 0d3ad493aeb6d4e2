// The regular-expression scanner: cuts regex text into tokens for the grammar (regex-in.h).
//
// Sources form a stack: strings and text files, and under them all the terminal (standard
// input). An "@re" inclusion pushes a file on top of the source being read and
// pops it at its end, which restores the source below with its scanner state.
//
// Tokens are found by longest match; when a fixed spelling (".o.", "Lit(", "0") and the general
// symbol or function-name rule match the same length, the fixed spelling wins. The scanner is in
// one of five states (ScannerState). Each token costs time linear in its length; a file is read a
// line at a time into a buffer whose consumed part is dropped once it passes 16384 bytes.
// Tested in tests/regex/scanner_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kora {

// The token kinds. Values with a code (arrows, separators, operators) carry it in
// RegexTokenValue::code; symbols and names carry their text.
#define KORA_REGEX_TOKENS(X)                                                               \
  X(END_OF_EXPRESSION) X(LPAREN) X(RPAREN) X(LBRACKET) X(RBRACKET) X(COMMA) X(PARALLEL)     \
  X(UNION) X(INTERSECT) X(MINUS) X(UPPER_MINUS) X(LOWER_MINUS) X(UPPER_PRIORITY)            \
  X(LOWER_PRIORITY) X(LEFT_MERGE) X(RIGHT_MERGE) X(SHUFFLE) X(BEFORE) X(AFTER) X(CROSS)      \
  X(PAIR) X(COMPOSE) X(LENIENT_COMPOSE) X(IGNORE) X(IGNORE_INSIDE) X(STAR) X(PLUS) X(POWER)  \
  X(POWER_LESS) X(POWER_MORE) X(POWER_RANGE) X(RBRACE) X(COMPLEMENT) X(TERM_COMPLEMENT)      \
  X(CONTAINS) X(CONTAINS_AT_MOST_ONE) X(CONTAINS_ONE) X(UPPER) X(LOWER) X(INVERT) X(REVERSE) \
  X(SUBSTITUTE) X(EPSILON_SYMBOL) X(ANY_SYMBOL) X(BOUNDARY_SYMBOL) X(REPLACE_ARROW)          \
  X(LEFTWARD_ARROW) X(INSERT) X(EPS_BRACKET_OPEN) X(EPS_BRACKET_CLOSE) X(CONTEXT_SEPARATOR)  \
  X(CONTEXT_MARK) X(RESTRICT_ARROW) X(FILE_OPERATOR) X(VARIABLE_REFERENCE) X(SIGMA_OPEN)     \
  X(LABELS_OPEN) X(LIT_OPEN) X(IMPLODE_OPEN) X(EXPLODE_OPEN) X(ENDTAG_OPEN)                  \
  X(CONTEXT_FUNCTION) X(CASE_FUNCTION_NAME) X(FUNCTION_NAME) X(SYMBOL) X(QUOTED_SYMBOL)      \
  X(RANGE_STRING) X(BRACED_STRING) X(ERROR_SYNC)

enum class RegexToken {
  END_OF_INPUT = 0,
#define KORA_REGEX_TOKEN_ENUM(name) name,
  KORA_REGEX_TOKENS(KORA_REGEX_TOKEN_ENUM)
#undef KORA_REGEX_TOKEN_ENUM
};

// The value of a token. `text` (malloc'd, the receiver's to free) is set for SYMBOL (escapes
// removed), BRACED_STRING (the characters between the braces), FUNCTION_NAME and
// CASE_FUNCTION_NAME (the name with its "("); `fat` (malloc'd, 0-terminated codes) for
// QUOTED_SYMBOL and RANGE_STRING (the decoded string). `code` is set for REPLACE_ARROW and
// LEFTWARD_ARROW (the arrow code, optional forms 10 beyond), CONTEXT_SEPARATOR ("||" 0, "//" 1,
// "\\" 2, "\/" 3), RESTRICT_ARROW ("=>" 0, "<=" 1, "<=>" 2), FILE_OPERATOR ("@bin" and "@" 0,
// "@re" 1, "@txt" 2, "@stxt" 3, "@pl" 4, "@lx" 5) and CONTEXT_FUNCTION (the specifier symbol id).
struct RegexTokenValue {
  int code = 0;
  char *text = nullptr;
  uint32_t *fat = nullptr;
};

// Frees what a token value owns and empties it.
void free_token_value(RegexTokenValue *value);

enum class ScannerState { EXPRESSION, BETWEEN_EXPRESSIONS, FINISHED, ERROR_SYNC, FILE_START };

// Source types.
enum { SOURCE_TERMINAL = 0, SOURCE_FILE = 1, SOURCE_STRING = 3 };

struct REGEX_INPUT;

// Pushes a copy of `text` as the source to read (no name, line 0) and returns the source it
// interrupts (null when the terminal was being read).
REGEX_INPUT *push_string_source(const char *text);

// Opens `file_name` and pushes it. When verbose, "Opening file %s...\n" goes to standard error.
// A file that cannot be opened is reported with the C library's text for the error; a file that
// starts like a binary network file is reported as "The file %s is probably in a binary
// format." and closed. The input encoding is set from the file (restored by the pop). The
// scanner starts in FILE_START, which looks at nothing but treats the source as text. Returns
// false, with nothing pushed, on failure.
bool push_file_source(const char *file_name);

// push_file_source for a stream already open, named `file_name` in messages; the source owns it
// from now on, also when the push fails.
bool push_stream_source(FILE *stream, const char *file_name);

// Whether the file is the current source or a file source below it, down to the first source
// that is not a file; names are compared as the files they resolve to.
bool file_source_open(const char *file_name);

// Pops the current source: "Closing file %s...\n" when verbose and the source has a name; closes
// the file, frees the record and restores the source below, its state and the input encoding.
// Popping the last source leaves the terminal as the source. Nothing to pop is ignored.
void pop_source();

// The number of sources pushed (the terminal not counted).
int source_depth();

// The next token of the current source; *value receives its value (freed by the caller). Once the
// scanner is FINISHED every call gives END_OF_INPUT.
RegexToken next_regex_token(RegexTokenValue *value);

ScannerState scanner_state();
void set_scanner_state(ScannerState state);

// Error recovery, after the grammar has seen the resynchronization token: when the token before
// the error ended the expression, the state the error interrupted comes back; otherwise tokens are
// skipped up to and including the next ";" or the end of input, quietly. A FINISHED scanner
// stays so.
void recover_from_error();

// Switches; each returns its previous value.
int set_echo(int on);
int set_missing_semicolon_warning(int on);

// Where a token begins in its source: the byte offset from the source's start, the line
// (newlines before it) and the column (bytes from the start of its line).
struct RegexPlace {
  long long offset = 0;
  long long line = 0;
  long long column = 0;
};

// About the current source and token, for messages.
const char *current_token_text();
RegexPlace current_token_place();        // at the end of the source for the end of input
long long current_line();                // newlines consumed
long long expression_start_line();       // newlines consumed before the expression began
const char *current_source_name();       // null for a string or the terminal
const char *opening_text();              // the first line of the expression being read

// The place of the last error of a compilation (regex_error_position of kora.h). Recording
// keeps the current token's place when the source being read is the one the compilation began
// with (not the body of a function that it called); forgetting starts a compilation.
void record_error_place();
void forget_error_place();
bool last_error_place(RegexPlace *place);

// Pops every source and resets the scanner. Part of reclaiming the library.
void reset_regex_scanner();

}  // namespace kora
