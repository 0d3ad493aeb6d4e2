// The parser of lexicon source files (see lexicon-grammar.h for the grammar and the recovery).

#include "lexicon-grammar.h"

#include <string>
#include <utility>

#include "error.h"
#include "lexicon-scanner.h"

namespace kora {
namespace {

class Parser {
 public:
  Parser(std::string_view source, LexiconBuilder &builder) : scanner_(source), builder_(builder) {
    advance();
  }

  ParseResult run();

 private:
  enum Section { before_multichar, after_multichar, after_definitions, in_lexicons, after_end };

  void advance() {
    previous_ = std::move(current_);
    if (have_lookahead_) {
      current_ = std::move(lookahead_);
      have_lookahead_ = false;
    } else {
      current_ = scan();
    }
  }
  const Token &peek_next() {
    if (!have_lookahead_) {
      lookahead_ = scan();
      have_lookahead_ = true;
    }
    return lookahead_;
  }
  // The scanner's next token. A character no rule takes is reported with its line, counted as
  // an error and skipped.
  Token scan() {
    Token token = scanner_.next();
    while (token.kind == LexToken::invalid) {
      report(token.line, token.value);
      token = scanner_.next();
    }
    return token;
  }
  bool at(LexToken kind) const { return current_.kind == kind; }
  bool at_section_start() const {
    return at(LexToken::lexicon_keyword) || at(LexToken::definitions_keyword) ||
           at(LexToken::end_keyword) || at(LexToken::multichar_keyword) ||
           at(LexToken::end_of_input);
  }
  bool at_entry_start() const {
    return at(LexToken::word) || at(LexToken::epsilon_zero) || at(LexToken::colon) ||
           at(LexToken::open_angle);
  }

  // Counts one parse error and reports "line N: TEXT" (printed "\nline N: TEXT\n").
  void report(long long line, const std::string &text) {
    std::string message = "line " + std::to_string(line) + ": " + text;
    error_or_print(message.c_str(), ("\n" + message + "\n").c_str());
    errors_++;
  }
  // Reports a syntax error at the current token.
  void syntax_error() { report(current_.first_line, "syntax error at '" + current_.text + "'"); }
  // Reports a syntax error where `what` may be missing after the token before. When the current
  // token stands on a later line (or is the end of the input), the error is on the line of the
  // token before, with a second line naming what is missing, and true is returned: parsing
  // resumes at the current token. Otherwise it is a syntax error at the current token.
  bool missing(const std::string &what) {
    if (!at(LexToken::end_of_input) && current_.first_line <= previous_.line) {
      syntax_error();
      return false;
    }
    report(previous_.line, "syntax error at '" + current_.text + "'\n    " + what);
    return true;
  }
  // Skips to the next section (the current token first, even when it starts one).
  void skip_section() {
    if (!at(LexToken::end_of_input)) advance();
    while (!at_section_start()) advance();
  }
  // Skips past the next ";" (stopping at the start of a section).
  void skip_entry() {
    while (!at_section_start() && !at(LexToken::semicolon)) advance();
    if (at(LexToken::semicolon)) advance();
  }

  void begin_lexicons(Section *section) {
    if (*section == before_multichar) builder_.no_multichar_symbols();
    if (*section < in_lexicons) builder_.begin_lexicons();
    *section = in_lexicons;
  }

  void multichar_section();
  void definitions_section();
  void sublexicon();
  bool entry();
  bool lower_and_class(const std::string &upper, long long line);
  bool entry_end();

  LexiconScanner scanner_;
  LexiconBuilder &builder_;
  Token previous_;
  Token current_;
  Token lookahead_;
  bool have_lookahead_ = false;
  std::string missing_;  // what the entry just refused lacked ("';' after 'Noun'"), if known
  long long errors_ = 0;
};

void Parser::multichar_section() {
  advance();
  builder_.begin_multichar_symbols();
  while (at(LexToken::word)) {
    builder_.multichar_symbol(current_.value);
    advance();
  }
  builder_.end_multichar_symbols();
}

void Parser::definitions_section() {
  advance();
  while (at(LexToken::word)) {
    std::string name = current_.value;
    advance();
    if (!at(LexToken::equals)) {
      syntax_error();
      skip_entry();
      continue;
    }
    advance();
    if (!at(LexToken::regex_text)) {
      syntax_error();
      skip_entry();
      continue;
    }
    std::string text = current_.value;
    long long line = current_.first_line;
    advance();
    if (!at(LexToken::semicolon)) {
      syntax_error();
      skip_entry();
      continue;
    }
    advance();
    builder_.definition(name, text, line);
  }
}

// The end of an entry after its class word: an optional info string and ";".
bool Parser::entry_end() {
  bool info = at(LexToken::quoted);
  long long info_line = current_.first_line;
  if (info) advance();
  if (!at(LexToken::semicolon)) {
    missing_ = "missing ';' after '" + previous_.text + "'";
    return false;
  }
  advance();
  if (info) builder_.info_string(info_line);
  return true;
}

// After "U:" (U possibly empty): "L Class", "0 Class" or "Class".
bool Parser::lower_and_class(const std::string &upper, long long line) {
  if (at(LexToken::epsilon_zero)) {
    advance();
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end()) return false;
    builder_.pair_entry(upper, "0", class_name, line);
    return true;
  }
  if (!at(LexToken::word)) return false;
  std::string first = current_.value;
  if (peek_next().kind == LexToken::word) {
    advance();
    std::string class_name = current_.value;
    advance();
    if (!entry_end()) return false;
    builder_.pair_entry(upper, first, class_name, line);
    return true;
  }
  advance();
  if (!entry_end()) return false;
  builder_.pair_entry(upper, "", first, line);
  return true;
}

// One entry; false (nothing reported yet, missing_ set when a ";" was left off) on a syntax
// error.
bool Parser::entry() {
  missing_.clear();
  const long long line = current_.first_line;
  if (at(LexToken::open_angle)) {
    advance();
    if (!at(LexToken::regex_text)) return false;
    std::string text = current_.value;
    long long text_line = current_.first_line;
    advance();
    if (!at(LexToken::close_angle)) return false;
    advance();
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end()) return false;
    builder_.regex_entry(text, class_name, text_line);
    return true;
  }
  if (at(LexToken::colon)) {
    advance();
    return lower_and_class("", line);
  }
  if (at(LexToken::epsilon_zero)) {
    advance();
    if (at(LexToken::colon)) {
      advance();
      return lower_and_class("0", line);
    }
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end()) return false;
    builder_.simple_entry("0", class_name, line);
    return true;
  }
  // A word: the upper word, the entry word or the class itself.
  std::string first = current_.value;
  advance();
  if (at(LexToken::colon)) {
    advance();
    return lower_and_class(first, line);
  }
  if (at(LexToken::word)) {
    std::string class_name = current_.value;
    advance();
    if (!entry_end()) return false;
    builder_.simple_entry(first, class_name, line);
    return true;
  }
  if (!entry_end()) return false;
  builder_.simple_entry("", first, line);
  return true;
}

void Parser::sublexicon() {
  advance();
  if (!at(LexToken::word)) {
    syntax_error();
    skip_section();
    return;
  }
  std::string name = current_.value;
  builder_.begin_sublexicon(name, current_.first_line);
  advance();
  if (at_section_start()) missing("no entry in the sublexicon '" + name + "'");
  bool after_stray = false;  // the token before was skipped with an error
  while (!at_section_start()) {
    if (!at_entry_start()) {
      // A token no entry starts with (a second ";"): skipped, reported once in a run.
      if (!after_stray) syntax_error();
      after_stray = true;
      advance();
      continue;
    }
    after_stray = false;
    if (entry()) continue;
    if (missing_.empty()) {
      syntax_error();
    } else if (missing(missing_)) {
      continue;  // a ";" left off at the end of a line: the next entry starts here
    }
    skip_entry();
  }
  builder_.end_sublexicon();
}

ParseResult Parser::run() {
  Section section = before_multichar;
  while (!at(LexToken::end_of_input)) {
    if (at(LexToken::multichar_keyword) && section == before_multichar) {
      multichar_section();
      section = after_multichar;
    } else if (at(LexToken::definitions_keyword) && section <= after_multichar) {
      if (section == before_multichar) builder_.no_multichar_symbols();
      definitions_section();
      section = after_definitions;
    } else if (at(LexToken::lexicon_keyword) && section <= in_lexicons) {
      begin_lexicons(&section);
      sublexicon();
    } else if (at(LexToken::end_keyword) && section == in_lexicons) {
      advance();
      section = after_end;
      if (!at(LexToken::end_of_input)) {
        // Only blanks and comments may follow END: one error, and the rest is not read.
        syntax_error();
        break;
      }
    } else {
      // A section out of order, entries before the first LEXICON, a stray token.
      syntax_error();
      skip_section();
    }
  }
  if (section < in_lexicons && errors_ == 0) {
    // A lexicon needs at least one sublexicon.
    syntax_error();
  }
  if (section >= in_lexicons) builder_.end_lexicons();
  return ParseResult{errors_, scanner_.line()};
}

}  // namespace

ParseResult parse_lexicon(std::string_view source, LexiconBuilder &builder) {
  Parser parser(source, builder);
  return parser.run();
}

}  // namespace kora
