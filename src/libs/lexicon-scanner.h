// The scanner of lexicon source files: cuts the text of a lexicon into tokens.
//
// A lexicon file has optional MULTICHAR_SYMBOLS and DEFINITIONS sections and LEXICON sections of
// entries. The scanner has four states: ENTRIES (keywords, words and punctuation; the initial
// state), ENTRY_REGEX (inside "<" ... ">"), DEFINITION_NAMES (after DEFINITIONS) and
// DEFINITION_BODY (after "=" in DEFINITION_NAMES, up to an unescaped ";" outside quotes).
//
// Rules, longest match first:
//   - Keywords in exactly two spellings each: MULTICHAR_SYMBOLS / Multichar_Symbols, LEXICON /
//     Lexicon (switches to ENTRIES), END / End, DEFINITIONS / Definitions (switches to
//     DEFINITION_NAMES). A keyword followed by more word characters is a word.
//   - Blanks and tabs are skipped; LF, CR and CR LF end a line; "!" starts a comment.
//   - A word runs over characters other than 0x01-0x20, DEL, the double quote and ! : ; < >
//     (and = in DEFINITION_NAMES); "%" takes the next character into the word, whatever it is.
//     A word "0" alone is EPSILON_ZERO.
//   - A double-quoted info string ends at the next double quote not escaped by "%".
//   - In ENTRY_REGEX the text runs to the first ">" that is outside a double-quoted string and
//     does not follow one of % - < = @ ^ or ".m", so that arrows such as "->" can be written.
//   - Any other character (a control character, DEL, or a double quote with no closing quote
//     after it) is an INVALID token, whose value says what is wrong; scanning goes on after it.
// Line numbers count every line end, inside regular-expression text too. Scanning is one pass
// over the text: O(bytes). Tested in tests/lexicon/lexicon_scanner_test.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kora {

enum class LexToken {
  end_of_input,
  multichar_keyword,
  definitions_keyword,
  lexicon_keyword,
  end_keyword,
  word,
  quoted,        // an info string; its value is the text between the quotes
  regex_text,    // the text of a regular expression, between "<" and ">" or "=" and ";"
  epsilon_zero,  // "0"
  colon,
  semicolon,
  open_angle,
  close_angle,
  equals,
  invalid,       // a character no rule takes; its value is the message for it
};

struct Token {
  LexToken kind = LexToken::end_of_input;
  std::string text;   // the characters as written (empty at the end of the input)
  std::string value;  // the word, the info string without quotes, or the expression
  long long line = 1;        // the line the token ends on
  long long first_line = 1;  // the line it begins on
};

class LexiconScanner {
 public:
  // Scans `source`, which must outlive the scanner.
  explicit LexiconScanner(std::string_view source) : source_(source) {}

  // The next token; LexToken::end_of_input at the end, again on every later call.
  Token next();

  // The current line, from 1.
  long long line() const { return line_; }

 private:
  enum class State { entries, entry_regex, definition_names, definition_body };

  bool at_end() const { return position_ >= source_.size(); }
  char peek(size_t ahead = 0) const {
    return position_ + ahead < source_.size() ? source_[position_ + ahead] : '\0';
  }
  // Consumes one character, counting a line end (CR LF counts once).
  char advance();
  bool is_word_character(unsigned char c) const;
  // The token of the text from `start` (where the line was start_line_) to the position.
  Token make(LexToken kind, size_t start);
  // Marks the position as the start of a token.
  size_t token_start() {
    start_line_ = line_;
    return position_;
  }
  Token scan_word(size_t start);
  Token scan_quoted(size_t start, bool *matched);
  Token scan_regex_text(bool entry);

  std::string_view source_;
  size_t position_ = 0;
  long long line_ = 1;
  long long start_line_ = 1;  // the line of the token being scanned
  State state_ = State::entries;
  bool close_pending_ = false;  // an ENTRY_REGEX text was returned; its ">" comes next
};

}  // namespace kora
