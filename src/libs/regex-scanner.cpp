// The regular-expression scanner: a hand-written longest-match lexer over a stack of sources.
//
// Each source keeps the text read so far in a buffer and a read position in it. Files and the
// terminal are read a line at a time (so that reading the terminal never waits for more
// than the line typed); the buffer's consumed part is dropped once it passes 16384 bytes, so a
// long file costs memory for one line, not for the file. A string is scanned from a copy.
//
// In the EXPRESSION state a token is the longest of: a fixed spelling of kSpellings, a symbol
// (a run of symbol characters), a function name (a symbol directly followed by "("), a quoted
// string and a braced string; a fixed spelling wins a tie. Time per token is linear in its
// length times the number of spellings that share its first character.
// Tested in tests/regex/scanner_test.cpp.

#include "regex-scanner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bin-header.h"
#include "context.h"
#include "error.h"
#include "label.h"
#include "symbol-names.h"
#include "text-input.h"

namespace kora {

void free_token_value(RegexTokenValue *value) {
  std::free(value->text);
  std::free(value->fat);
  value->text = nullptr;
  value->fat = nullptr;
  value->code = 0;
}

struct REGEX_INPUT {
  std::string buffer;        // text read and not yet dropped
  size_t pos = 0;            // read position in buffer
  bool at_end = false;       // nothing more to read
  FILE *stream = nullptr;    // file or standard input
  int type = SOURCE_TERMINAL;
  char *name = nullptr;      // file name, owned
  long long line = 0;        // newlines consumed
  size_t dropped = 0;        // bytes dropped from the front of buffer
  size_t line_start = 0;     // offset of the current line from the source's start
  int saved_encoding = 0;    // input encoding before a file was pushed
  int detected_encoding = 0;
  ScannerState state = ScannerState::BETWEEN_EXPRESSIONS;  // state of this source
  REGEX_INPUT *previous = nullptr;
};

namespace {

constexpr size_t kScanBufferSize = 16384;
constexpr size_t kOpeningTextSize = 120;

struct Scanner {
  REGEX_INPUT *source = nullptr;    // null: the terminal
  REGEX_INPUT terminal;             // the bottom source
  ScannerState state = ScannerState::BETWEEN_EXPRESSIONS;
  ScannerState state_before_error = ScannerState::BETWEEN_EXPRESSIONS;
  bool last_ended_expression = false;  // the last token was ";" or the end of input
  int echo = 1;
  int missing_semicolon_warning = 1;
  bool quiet = false;               // skipping after an error: no warnings
  std::string token_text;
  RegexPlace token_place;
  bool error_place_known = false;
  RegexPlace error_place;
  long long expression_line = 0;
  char opening[kOpeningTextSize + 8] = "";
};

Scanner &scanner() {
  static Scanner s;
  return s;
}

REGEX_INPUT &input() {
  Scanner &s = scanner();
  if (s.source != nullptr) return *s.source;
  if (s.terminal.stream == nullptr) s.terminal.stream = stdin;
  return s.terminal;
}

// Reads one more line (at most kScanBufferSize bytes) of a stream source into its buffer.
// False at the end of the source.
bool refill(REGEX_INPUT &in) {
  if (in.at_end) return false;
  if (in.type == SOURCE_STRING || in.stream == nullptr) {
    in.at_end = true;
    return false;
  }
  if (in.pos > kScanBufferSize) {
    in.buffer.erase(0, in.pos);
    in.dropped += in.pos;
    in.pos = 0;
  }
  size_t got = 0;
  int c;
  while (got < kScanBufferSize && (c = std::getc(in.stream)) != EOF) {
    in.buffer.push_back(static_cast<char>(c));
    got++;
    if (c == '\n') break;
  }
  if (got == 0) {
    in.at_end = true;
    return false;
  }
  return true;
}

// The byte k places after the read position, or -1 at the end of the source.
int peek(size_t k = 0) {
  REGEX_INPUT &in = input();
  while (in.pos + k >= in.buffer.size())
    if (!refill(in)) return -1;
  return static_cast<unsigned char>(in.buffer[in.pos + k]);
}

// Consumes n bytes, counting newlines.
void advance(size_t n) {
  REGEX_INPUT &in = input();
  for (size_t i = 0; i < n && in.pos < in.buffer.size(); i++) {
    in.pos++;
    if (in.buffer[in.pos - 1] == '\n') {
      in.line++;
      in.line_start = in.dropped + in.pos;
    }
  }
}

bool is_blank(int c) { return c == ' ' || c == '\t' || c == 3 || c == '\r'; }
bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// The control characters that "%" cannot escape.
bool is_excluded_control(int c) {
  return c >= 1 && c <= 0x1F && c != '\t' && c != '\n' && c != '\r' && c != 3;
}
bool is_symbol_start(int c) {
  return is_letter(c) || (c >= '1' && c <= '9') || c == '\'' || c == '=' || c >= 0x7F;
}
bool is_symbol_char(int c) {
  return is_letter(c) || (c >= '0' && c <= '9') || c == '#' || c == '\'' || c == '=' ||
         c == '?' || c >= 0x7F;
}
bool percent_escape_at(size_t k) {
  if (peek(k) != '%') return false;
  int next = peek(k + 1);
  return next > 0 && !is_excluded_control(next);
}

// The length of the symbol starting at the read position, or 0.
size_t symbol_length() {
  int c = peek(0);
  size_t n;
  if (c == '%') {
    if (!percent_escape_at(0)) return 0;
    n = 2;
  } else if (is_symbol_start(c) || c == '0' || c == '?') {
    n = 1;
  } else {
    return 0;
  }
  for (;;) {
    int d = peek(n);
    if (d == '%' && percent_escape_at(n))
      n += 2;
    else if (d >= 0 && is_symbol_char(d))
      n++;
    else
      break;
  }
  if (n == 1 && (c == '0' || c == '?')) return 0;  // alone: the epsilon and any-symbol tokens
  return n;
}

struct Spelling {
  const char *text;
  RegexToken token;
  int code;
};

constexpr int kNoCode = 0;

// Every fixed spelling of the EXPRESSION state.
const Spelling kSpellings[] = {
    {";", RegexToken::END_OF_EXPRESSION, kNoCode},
    {"(", RegexToken::LPAREN, kNoCode},
    {")", RegexToken::RPAREN, kNoCode},
    {"[", RegexToken::LBRACKET, kNoCode},
    {"]", RegexToken::RBRACKET, kNoCode},
    {",", RegexToken::COMMA, kNoCode},
    {",,", RegexToken::PARALLEL, kNoCode},
    {"|", RegexToken::UNION, kNoCode},
    {"&", RegexToken::INTERSECT, kNoCode},
    {"-", RegexToken::MINUS, kNoCode},
    {".-u.", RegexToken::UPPER_MINUS, kNoCode},
    {".-l.", RegexToken::LOWER_MINUS, kNoCode},
    {".P.", RegexToken::UPPER_PRIORITY, kNoCode},
    {".|u.", RegexToken::UPPER_PRIORITY, kNoCode},
    {".p.", RegexToken::LOWER_PRIORITY, kNoCode},
    {".|l.", RegexToken::LOWER_PRIORITY, kNoCode},
    {".<m.", RegexToken::LEFT_MERGE, kNoCode},
    {".m>.", RegexToken::RIGHT_MERGE, kNoCode},
    {"<>", RegexToken::SHUFFLE, kNoCode},
    {"<", RegexToken::BEFORE, kNoCode},
    {">", RegexToken::AFTER, kNoCode},
    {".x.", RegexToken::CROSS, kNoCode},
    {":", RegexToken::PAIR, kNoCode},
    {".o.", RegexToken::COMPOSE, kNoCode},
    {".O.", RegexToken::LENIENT_COMPOSE, kNoCode},
    {"/", RegexToken::IGNORE, kNoCode},
    {"./.", RegexToken::IGNORE_INSIDE, kNoCode},
    {"*", RegexToken::STAR, kNoCode},
    {"+", RegexToken::PLUS, kNoCode},
    {"^", RegexToken::POWER, kNoCode},
    {"^<", RegexToken::POWER_LESS, kNoCode},
    {"^>", RegexToken::POWER_MORE, kNoCode},
    {"}", RegexToken::RBRACE, kNoCode},
    {"~", RegexToken::COMPLEMENT, kNoCode},
    {"\\", RegexToken::TERM_COMPLEMENT, kNoCode},
    {"$", RegexToken::CONTAINS, kNoCode},
    {"$?", RegexToken::CONTAINS_AT_MOST_ONE, kNoCode},
    {"$.", RegexToken::CONTAINS_ONE, kNoCode},
    {".1", RegexToken::UPPER, kNoCode},
    {".u", RegexToken::UPPER, kNoCode},
    {".2", RegexToken::LOWER, kNoCode},
    {".l", RegexToken::LOWER, kNoCode},
    {".i", RegexToken::INVERT, kNoCode},
    {".r", RegexToken::REVERSE, kNoCode},
    {"`", RegexToken::SUBSTITUTE, kNoCode},
    {"0", RegexToken::EPSILON_SYMBOL, kNoCode},
    {"?", RegexToken::ANY_SYMBOL, kNoCode},
    {".#.", RegexToken::BOUNDARY_SYMBOL, kNoCode},
    {"->", RegexToken::REPLACE_ARROW, 0},
    {"<-", RegexToken::LEFTWARD_ARROW, 1},
    {"<->", RegexToken::REPLACE_ARROW, 2},
    {"@->", RegexToken::REPLACE_ARROW, 3},
    {"->@", RegexToken::REPLACE_ARROW, 4},
    {"@>", RegexToken::REPLACE_ARROW, 5},
    {">@", RegexToken::REPLACE_ARROW, 6},
    {"@<-", RegexToken::LEFTWARD_ARROW, 7},
    {"<-@", RegexToken::LEFTWARD_ARROW, 8},
    {"@<", RegexToken::LEFTWARD_ARROW, 9},
    {"<@", RegexToken::LEFTWARD_ARROW, -1},
    {"(->)", RegexToken::REPLACE_ARROW, 10},
    {"(<-)", RegexToken::LEFTWARD_ARROW, 11},
    {"(<->)", RegexToken::REPLACE_ARROW, 12},
    {"(@->)", RegexToken::REPLACE_ARROW, 13},
    {"(->@)", RegexToken::REPLACE_ARROW, 14},
    {"(@>)", RegexToken::REPLACE_ARROW, 15},
    {"(>@)", RegexToken::REPLACE_ARROW, 16},
    {"(@<-)", RegexToken::LEFTWARD_ARROW, 17},
    {"(<-@)", RegexToken::LEFTWARD_ARROW, 18},
    {"(@<)", RegexToken::LEFTWARD_ARROW, 19},
    {"(<@)", RegexToken::LEFTWARD_ARROW, -11},
    {"...", RegexToken::INSERT, kNoCode},
    {"[.", RegexToken::EPS_BRACKET_OPEN, kNoCode},
    {".]", RegexToken::EPS_BRACKET_CLOSE, kNoCode},
    {"||", RegexToken::CONTEXT_SEPARATOR, 0},
    {"//", RegexToken::CONTEXT_SEPARATOR, 1},
    {"\\\\", RegexToken::CONTEXT_SEPARATOR, 2},
    {"\\/", RegexToken::CONTEXT_SEPARATOR, 3},
    {"_", RegexToken::CONTEXT_MARK, kNoCode},
    {"=>", RegexToken::RESTRICT_ARROW, 0},
    {"<=", RegexToken::RESTRICT_ARROW, 1},
    {"<=>", RegexToken::RESTRICT_ARROW, 2},
    {"@bin", RegexToken::FILE_OPERATOR, 0},
    {"@", RegexToken::FILE_OPERATOR, 0},
    {"@re", RegexToken::FILE_OPERATOR, 1},
    {"@txt", RegexToken::FILE_OPERATOR, 2},
    {"@stxt", RegexToken::FILE_OPERATOR, 3},
    {"@pl", RegexToken::FILE_OPERATOR, 4},
    {"@lx", RegexToken::FILE_OPERATOR, 5},
    {".RE2N_VAR.", RegexToken::VARIABLE_REFERENCE, kNoCode},
    {"Sigma(", RegexToken::SIGMA_OPEN, kNoCode},
    {"Labels(", RegexToken::LABELS_OPEN, kNoCode},
    {"Lit(", RegexToken::LIT_OPEN, kNoCode},
    {"Implode(", RegexToken::IMPLODE_OPEN, kNoCode},
    {"Explode(", RegexToken::EXPLODE_OPEN, kNoCode},
    {"EndTag(", RegexToken::ENDTAG_OPEN, kNoCode},
    {"LC(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(LEFT_CONTEXT)},
    {"RC(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(RIGHT_CONTEXT)},
    {"NLC(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(NON_LEFT_CONTEXT)},
    {"NRC(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(NON_RIGHT_CONTEXT)},
    {"AND(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(AND_CHECK)},
    {"OR(", RegexToken::CONTEXT_FUNCTION, static_cast<int>(OR_CHECK)},
};

const char *const kCaseFunctions[] = {"UpCase(", "DownCase(", "OptUpCase(", "OptDownCase(",
                                      "Cap(",    "OptCap(",   "AnyCase("};

bool matches_at(const char *text) {
  for (size_t k = 0; text[k] != '\0'; k++)
    if (peek(k) != static_cast<unsigned char>(text[k])) return false;
  return true;
}

// The text of the n bytes at the read position.
std::string text_at(size_t n) {
  peek(n == 0 ? 0 : n - 1);
  REGEX_INPUT &in = input();
  return in.buffer.substr(in.pos, n);
}

char *duplicate(const std::string &text) {
  char *copy = static_cast<char *>(allocate_or_die(text.size() + 1, "REGEX_TOKEN"));
  std::memcpy(copy, text.data(), text.size());
  return copy;
}

uint32_t *duplicate_fat(const uint32_t *codes) {
  size_t n = 0;
  while (codes[n] != 0) n++;
  auto *copy = static_cast<uint32_t *>(allocate_or_die((n + 1) * sizeof(uint32_t), "REGEX_TOKEN"));
  std::memcpy(copy, codes, n * sizeof(uint32_t));
  return copy;
}

// Records the read position as the place of the current token.
void mark_token_place() {
  REGEX_INPUT &in = input();
  RegexPlace &place = scanner().token_place;
  place.offset = static_cast<long long>(in.dropped + in.pos);
  place.line = in.line;
  place.column = static_cast<long long>(in.dropped + in.pos - in.line_start);
}

// Starts a token of n bytes at the read position: records its text and place, consumes it.
void take(size_t n) {
  mark_token_place();
  scanner().token_text = text_at(n);
  advance(n);
}

// Records the first line of the expression that begins at the read position.
void record_opening_text() {
  Scanner &s = scanner();
  std::string line;
  for (size_t k = 0;; k++) {
    int c = peek(k);
    if (c < 0 || c == '\n') break;
    line.push_back(static_cast<char>(c));
    if (line.size() > kOpeningTextSize) break;
  }
  size_t end = line.size();
  while (end > 0 && is_blank(static_cast<unsigned char>(line[end - 1]))) end--;
  // A line read whole that ends with ";" is kept whole; any other is cut to leave room for " ...".
  const bool complete = end > 0 && line[end - 1] == ';' && line.size() <= kOpeningTextSize;
  if (complete) {
    line.resize(end);
  } else {
    line.resize(std::min(end, kOpeningTextSize - 4));
    line += " ...";
  }
  std::snprintf(s.opening, sizeof s.opening, "%s", line.c_str());
  s.expression_line = input().line;
}

void skip_comment() {
  for (int c = peek(); c >= 0 && c != '\n'; c = peek()) advance(1);
}

RegexToken between_expressions() {
  Scanner &s = scanner();
  for (;;) {
    int c = peek();
    if (c < 0) return RegexToken::END_OF_INPUT;
    if (is_blank(c) || c == '\n') {
      advance(1);
    } else if (c == '!' || c == '#') {
      skip_comment();
    } else if (matches_at("END;")) {
      size_t k = 4;
      while (peek(k) >= 0 && is_blank(peek(k))) k++;
      if (peek(k) == '\n' || peek(k) < 0) {
        take(k);
        s.state = ScannerState::FINISHED;
        return RegexToken::END_OF_INPUT;
      }
      break;
    } else {
      break;
    }
  }
  record_opening_text();
  s.state = ScannerState::EXPRESSION;
  return RegexToken::ERROR_SYNC;  // not a token: go on in EXPRESSION
}

// The quoted string at the read position: QUOTED_SYMBOL or RANGE_STRING, or ERROR_SYNC when it
// is not closed on its line.
RegexToken quoted_string(RegexTokenValue *value) {
  size_t n = 1;
  for (;;) {
    int c = peek(n);
    if (c < 0 || c == '\n') {
      take(1);
      return RegexToken::ERROR_SYNC;
    }
    if (c == '"') break;
    if (c == '\\') {
      int d = peek(n + 1);
      if (d < 0 || d == '\n') {
        take(1);
        return RegexToken::ERROR_SYNC;
      }
      n += 2;
    } else {
      n++;
    }
  }
  take(n + 1);
  const uint32_t *codes = parse_quoted_string(scanner().token_text.c_str());
  value->fat = duplicate_fat(codes);
  size_t length = 0;
  while (codes[length] != 0) length++;
  bool range = length > 0 && length % 3 == 0;
  for (size_t i = 1; range && i < length; i += 3)
    if (codes[i] != '-') range = false;
  return range ? RegexToken::RANGE_STRING : RegexToken::QUOTED_SYMBOL;
}

RegexToken braced_string(RegexTokenValue *value) {
  size_t n = 1;
  for (int c = peek(n); c != '}'; c = peek(++n))
    if (c < 0) break;
  if (peek(n) != '}' || n == 1) {  // unterminated, or "{}"
    take(1);
    return RegexToken::ERROR_SYNC;
  }
  take(n + 1);
  const std::string &text = scanner().token_text;
  value->text = duplicate(text.substr(1, text.size() - 2));
  return RegexToken::BRACED_STRING;
}

RegexToken expression_token(RegexTokenValue *value) {
  Scanner &s = scanner();
  for (;;) {
    int c = peek();
    if (c < 0) {
      s.state = ScannerState::FINISHED;
      s.token_text.clear();
      mark_token_place();
      if (s.missing_semicolon_warning && !s.quiet) {
        // A callback gets its own label for a warning, and the file.
        std::string message = "missing semicolon.";
        if (input().name != nullptr)
          message.append(" (at the end of '").append(input().name).append("')");
        warning_or_print(message.c_str(), "Warning: missing semicolon.\n");
      }
      return RegexToken::END_OF_EXPRESSION;
    }
    if (is_blank(c) || c == '\n') {
      advance(1);
      continue;
    }
    if (c == '!' || c == '#') {
      skip_comment();
      continue;
    }
    if (c == '"') return quoted_string(value);

    const Spelling *best = nullptr;
    size_t best_length = 0;
    for (const Spelling &spelling : kSpellings) {
      if (static_cast<unsigned char>(spelling.text[0]) != c) continue;
      size_t length = std::strlen(spelling.text);
      if (length > best_length && matches_at(spelling.text)) {
        best = &spelling;
        best_length = length;
      }
    }
    if (best != nullptr && best->token == RegexToken::EPS_BRACKET_OPEN && peek(2) < 0) {
      best = &kSpellings[3];  // "[." at the very end is "[" and then "."
      best_length = 1;
    }
    if (c == '^') {  // "^" blanks "{" opens a range power
      size_t k = 1;
      while (peek(k) >= 0 && is_blank(peek(k))) k++;
      if (peek(k) == '{') {
        take(k + 1);
        return RegexToken::POWER_RANGE;
      }
    }
    size_t symbol = symbol_length();
    bool function = symbol > 0 && peek(symbol) == '(';
    size_t general = function ? symbol + 1 : symbol;
    if (general > best_length) {
      take(general);
      std::string name = s.token_text;
      if (function) {
        value->text = duplicate(unpercent(name.c_str(), 0));
        for (const char *known : kCaseFunctions)
          if (name == known) return RegexToken::CASE_FUNCTION_NAME;
        return RegexToken::FUNCTION_NAME;
      }
      value->text = duplicate(unpercent(name.c_str(), 0));
      return RegexToken::SYMBOL;
    }
    if (best != nullptr) {
      take(best_length);
      value->code = best->code;
      if (best->token == RegexToken::END_OF_EXPRESSION) s.state = ScannerState::BETWEEN_EXPRESSIONS;
      return best->token;
    }
    if (c == '{') return braced_string(value);
    take(1);
    if (!s.quiet) {
      if (c >= 0x20 && c < 0x7F)
        warning_printf(
            "Character '%c' (0x%x) does not belong to any character group.\nIt may cause "
            "unexpected results.",
            c, c);
      else
        warning_printf("warning: non-printable character 0x%x encountered.", c);
    }
  }
}

}  // namespace

RegexToken next_regex_token(RegexTokenValue *value) {
  Scanner &s = scanner();
  *value = RegexTokenValue{};
  RegexToken token = RegexToken::END_OF_INPUT;
  for (;;) {
    switch (s.state) {
      case ScannerState::FINISHED:
        s.token_text.clear();
        mark_token_place();
        token = RegexToken::END_OF_INPUT;
        break;
      case ScannerState::ERROR_SYNC:
        s.state = ScannerState::EXPRESSION;
        return RegexToken::ERROR_SYNC;  // the character stays to be read
      case ScannerState::FILE_START:
        s.state = ScannerState::BETWEEN_EXPRESSIONS;
        continue;
      case ScannerState::BETWEEN_EXPRESSIONS:
        token = between_expressions();
        if (token == RegexToken::ERROR_SYNC) continue;  // an expression begins
        break;
      case ScannerState::EXPRESSION:
        token = expression_token(value);
        break;
    }
    break;
  }
  s.last_ended_expression =
      token == RegexToken::END_OF_EXPRESSION || token == RegexToken::END_OF_INPUT;
  return token;
}

ScannerState scanner_state() { return scanner().state; }

void set_scanner_state(ScannerState state) {
  Scanner &s = scanner();
  if (state == ScannerState::ERROR_SYNC && s.state != ScannerState::ERROR_SYNC)
    s.state_before_error = s.state;
  s.state = state;
}

void recover_from_error() {
  Scanner &s = scanner();
  if (s.state == ScannerState::FINISHED) return;
  if (s.state == ScannerState::ERROR_SYNC) s.state = s.state_before_error;
  if (s.last_ended_expression) {
    if (s.state == ScannerState::EXPRESSION) s.state = ScannerState::BETWEEN_EXPRESSIONS;
    return;
  }
  s.state = ScannerState::EXPRESSION;
  s.quiet = true;
  for (;;) {
    RegexTokenValue value;
    RegexToken token = next_regex_token(&value);
    free_token_value(&value);
    if (token == RegexToken::END_OF_EXPRESSION || token == RegexToken::END_OF_INPUT) break;
  }
  s.quiet = false;
}

int set_echo(int on) {
  int old = scanner().echo;
  scanner().echo = on;
  return old;
}

int set_missing_semicolon_warning(int on) {
  int old = scanner().missing_semicolon_warning;
  scanner().missing_semicolon_warning = on;
  return old;
}

const char *current_token_text() { return scanner().token_text.c_str(); }
RegexPlace current_token_place() { return scanner().token_place; }
long long current_line() { return input().line; }
long long expression_start_line() { return scanner().expression_line; }
const char *current_source_name() { return input().name; }
const char *opening_text() { return scanner().opening; }

int source_depth() {
  int depth = 0;
  for (REGEX_INPUT *in = scanner().source; in != nullptr; in = in->previous) depth++;
  return depth;
}

bool file_source_open(const char *file_name) {
  char *wanted = realpath(file_name, nullptr);
  bool open = false;
  for (REGEX_INPUT *in = scanner().source; in != nullptr && in->type == SOURCE_FILE && !open;
       in = in->previous) {
    char *name = realpath(in->name, nullptr);
    open = wanted != nullptr && name != nullptr ? std::strcmp(wanted, name) == 0
                                                : std::strcmp(file_name, in->name) == 0;
    std::free(name);
  }
  std::free(wanted);
  return open;
}

void record_error_place() {
  Scanner &s = scanner();
  if (source_depth() != 1) return;
  s.error_place = s.token_place;
  s.error_place_known = true;
}

void forget_error_place() { scanner().error_place_known = false; }

bool last_error_place(RegexPlace *place) {
  const Scanner &s = scanner();
  if (s.error_place_known) *place = s.error_place;
  return s.error_place_known;
}

namespace {

// Makes `in` the current source, remembering the state of the one it interrupts.
void push(REGEX_INPUT *in, ScannerState state) {
  Scanner &s = scanner();
  if (s.source != nullptr) s.source->state = s.state;
  else s.terminal.state = s.state;
  in->previous = s.source;
  s.source = in;
  s.state = state;
}

}  // namespace

REGEX_INPUT *push_string_source(const char *text) {
  REGEX_INPUT *previous = scanner().source;
  auto *in = new REGEX_INPUT;
  in->type = SOURCE_STRING;
  in->buffer = text != nullptr ? text : "";
  in->at_end = true;
  push(in, ScannerState::BETWEEN_EXPRESSIONS);
  return previous;
}

bool push_file_source(const char *file_name) {
  if (file_name == nullptr) return false;
  FILE *stream = std::fopen(file_name, "rb");
  if (stream == nullptr) {
    error_printf("%s: %s", file_name, std::strerror(errno != 0 ? errno : ENOENT));
    return false;
  }
  return push_stream_source(stream, file_name);
}

bool push_stream_source(FILE *stream, const char *file_name) {
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Opening file %s...\n", file_name);
  unsigned char head[HEADER_TYPE_OFFSET + 1];
  size_t got = std::fread(head, 1, sizeof head, stream);
  std::rewind(stream);
  if (got == sizeof head && head[0] == 0 && head[1] == 0) {
    int type = head[HEADER_TYPE_OFFSET];
    if (type == FILE_TYPE_UNSUPPORTED || type == FILE_TYPE_OLD || type == FILE_TYPE_STANDARD ||
        type == FILE_TYPE_COMPACTED || type == FILE_TYPE_NO_TABLE) {
      error_printf("The file %s is probably in a binary format.", file_name);
      std::fclose(stream);
      return false;
    }
  }
  auto *in = new REGEX_INPUT;
  in->type = SOURCE_FILE;
  in->stream = stream;
  in->name = duplicate(file_name);
  if (set_input_encoding_for_file(&in->saved_encoding, &in->detected_encoding, stream, nullptr,
                                  parameter(KORA_VERBOSE)) != TEXT_OK) {
    error("Error in match_input_encoding.");
    std::fclose(stream);
    std::free(in->name);
    delete in;
    return false;
  }
  push(in, ScannerState::FILE_START);
  return true;
}

void pop_source() {
  Scanner &s = scanner();
  REGEX_INPUT *in = s.source;
  if (in == nullptr) return;
  if (parameter(KORA_VERBOSE) && in->name != nullptr)
    std::fprintf(stderr, "Closing file %s...\n", in->name);
  if (in->type == SOURCE_FILE) {
    std::fclose(in->stream);
    restore_input_encoding(in->saved_encoding, in->detected_encoding, 0);
  }
  s.source = in->previous;
  s.state = s.source != nullptr ? s.source->state : s.terminal.state;
  std::free(in->name);
  delete in;
}

void reset_regex_scanner() {
  while (scanner().source != nullptr) pop_source();
  Scanner &s = scanner();
  s.state = ScannerState::BETWEEN_EXPRESSIONS;
  s.terminal.buffer.clear();
  s.terminal.pos = 0;
  s.terminal.at_end = false;
  s.terminal.dropped = 0;
  s.terminal.line_start = 0;
  s.token_text.clear();
  s.token_place = RegexPlace();
  s.error_place_known = false;
  s.opening[0] = '\0';
}

}  // namespace kora
