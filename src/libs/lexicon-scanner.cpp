// The scanner of lexicon source files (see lexicon-scanner.h for the rules).

#include "lexicon-scanner.h"

#include <cstdio>
#include <cstring>

namespace kora {
namespace {

bool is_keyword(std::string_view text, const char *upper, const char *mixed) {
  return text == upper || text == mixed;
}

// Whether ">" at the end of `text` (the expression read so far, escapes included) is part of an
// operator rather than the end of the expression.
bool continues_operator(const std::string &text) {
  if (text.empty()) return false;
  char last = text.back();
  if (std::strchr("%-<=@^", last) != nullptr) return true;
  return text.size() >= 2 && text[text.size() - 2] == '.' && last == 'm';
}

}  // namespace

char LexiconScanner::advance() {
  char c = source_[position_++];
  if (c == '\n') {
    line_++;
  } else if (c == '\r') {
    if (peek() != '\n') line_++;
  }
  return c;
}

bool LexiconScanner::is_word_character(unsigned char c) const {
  if (c <= 0x20 || c == 0x7F) return false;
  if (std::strchr("\"!:;<>", c) != nullptr) return false;
  return !(c == '=' && state_ == State::definition_names);
}

Token LexiconScanner::make(LexToken kind, size_t start) {
  Token token;
  token.kind = kind;
  token.text = std::string(source_.substr(start, position_ - start));
  token.value = token.text;
  token.line = line_;
  token.first_line = start_line_;
  return token;
}

Token LexiconScanner::scan_word(size_t start) {
  while (!at_end()) {
    unsigned char c = static_cast<unsigned char>(peek());
    if (c == '%') {
      advance();
      if (!at_end()) advance();
    } else if (is_word_character(c)) {
      advance();
    } else {
      break;
    }
  }
  Token token = make(LexToken::word, start);
  std::string_view text = token.text;
  if (text == "0") {
    token.kind = LexToken::epsilon_zero;
  } else if (is_keyword(text, "MULTICHAR_SYMBOLS", "Multichar_Symbols")) {
    token.kind = LexToken::multichar_keyword;
  } else if (is_keyword(text, "LEXICON", "Lexicon")) {
    token.kind = LexToken::lexicon_keyword;
    state_ = State::entries;
  } else if (is_keyword(text, "END", "End")) {
    token.kind = LexToken::end_keyword;
  } else if (is_keyword(text, "DEFINITIONS", "Definitions")) {
    token.kind = LexToken::definitions_keyword;
    state_ = State::definition_names;
  }
  return token;
}

Token LexiconScanner::scan_quoted(size_t start, bool *matched) {
  // Look for the closing quote first: an info string that never ends is no token at all.
  size_t end = start + 1;
  while (end < source_.size() && source_[end] != '"') end += source_[end] == '%' ? 2 : 1;
  *matched = end < source_.size();
  if (!*matched) return Token();
  advance();
  std::string value;
  while (position_ < end) {
    char c = advance();
    if (c == '%' && position_ < end) c = advance();
    value.push_back(c);
  }
  advance();
  Token token = make(LexToken::quoted, start);
  token.value = value;
  return token;
}

// The text of a regular expression, up to the ">" that ends an entry's expression (`entry`) or
// up to the ";" that ends a definition. "%" escapes the next character; inside double quotes
// "%" and backslash do, and nothing ends the text. Empty text gives the token that follows.
Token LexiconScanner::scan_regex_text(bool entry) {
  size_t start = token_start();
  bool quoted = false;
  while (!at_end()) {
    char c = peek();
    if (quoted) {
      advance();
      if ((c == '%' || c == '\\') && !at_end()) {
        advance();
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (c == '%') {
      advance();
      if (!at_end()) advance();
      continue;
    }
    if (entry ? c == '>' && !continues_operator(
                                 std::string(source_.substr(start, position_ - start)))
              : c == ';')
      break;
    if (c == '"') quoted = true;
    advance();
  }
  if (entry)
    close_pending_ = true;
  else
    state_ = State::definition_names;
  if (position_ == start) return next();
  return make(LexToken::regex_text, start);
}

Token LexiconScanner::next() {
  if (state_ == State::entry_regex) {
    if (!close_pending_) return scan_regex_text(true);
    close_pending_ = false;
    state_ = State::entries;
    size_t start = token_start();
    if (at_end()) return make(LexToken::end_of_input, start);
    advance();
    return make(LexToken::close_angle, start);
  }
  if (state_ == State::definition_body) return scan_regex_text(false);
  while (!at_end()) {
    size_t start = token_start();
    unsigned char c = static_cast<unsigned char>(peek());
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      advance();
      continue;
    }
    if (c == '!') {
      while (!at_end() && peek() != '\n' && peek() != '\r') advance();
      continue;
    }
    if (c == ':' || c == ';' || c == '<' || c == '>' ||
        (c == '=' && state_ == State::definition_names)) {
      advance();
      switch (c) {
        case ':': return make(LexToken::colon, start);
        case ';': return make(LexToken::semicolon, start);
        case '>': return make(LexToken::close_angle, start);
        case '<':
          if (state_ == State::entries) {
            state_ = State::entry_regex;
            close_pending_ = false;
          }
          return make(LexToken::open_angle, start);
        default:
          state_ = State::definition_body;
          return make(LexToken::equals, start);
      }
    }
    if (c == '"') {
      bool matched = false;
      Token token = scan_quoted(start, &matched);
      if (matched) return token;
    } else if (c == '%' || is_word_character(c)) {
      return scan_word(start);
    }
    // No rule takes this character: an invalid token, which the parser reports.
    advance();
    Token token = make(LexToken::invalid, start);
    if (c == '"') {
      token.value = "info string without its closing quote";
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", c);
      token.value = std::string("unexpected character ") + code;
    }
    return token;
  }
  return make(LexToken::end_of_input, token_start());
}

}  // namespace kora
