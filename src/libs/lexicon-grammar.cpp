// The parser of lexicon source files (see lexicon-grammar.h for the grammar and the recovery).

#include "lexicon-grammar.h"

#include <cstdio>

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
    if (have_lookahead_) {
      current_ = lookahead_;
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
      std::fprintf(stderr, "\nline %lld: %s\n", token.line, token.value.c_str());
      errors_++;
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

  // Reports a syntax error at the current token and skips to where parsing can resume; with
  // `consume`, the current token is skipped even when a section could start there.
  void syntax_error(bool consume = false) {
    std::fprintf(stderr, "\nline %lld: %s at '%s'\n", current_.line, "syntax error",
                 current_.text.c_str());
    errors_++;
    if (consume && !at(LexToken::end_of_input)) advance();
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
  bool lower_and_class(const std::string &upper);
  bool entry_end(const std::string &class_name);

  LexiconScanner scanner_;
  LexiconBuilder &builder_;
  Token current_;
  Token lookahead_;
  bool have_lookahead_ = false;
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
      continue;
    }
    advance();
    if (!at(LexToken::regex_text)) {
      syntax_error();
      continue;
    }
    std::string text = current_.value;
    long long line = current_.line;
    advance();
    if (!at(LexToken::semicolon)) {
      syntax_error();
      continue;
    }
    advance();
    builder_.definition(name, text, line);
  }
}

// The end of an entry after its class word: an optional info string and ";".
bool Parser::entry_end(const std::string &class_name) {
  bool info = at(LexToken::quoted);
  if (info) advance();
  if (!at(LexToken::semicolon)) return false;
  advance();
  if (info) builder_.info_string();
  (void)class_name;
  return true;
}

// After "U:" (U possibly empty): "L Class", "0 Class" or "Class".
bool Parser::lower_and_class(const std::string &upper) {
  if (at(LexToken::epsilon_zero)) {
    advance();
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end(class_name)) return false;
    builder_.pair_entry(upper, "0", class_name);
    return true;
  }
  if (!at(LexToken::word)) return false;
  std::string first = current_.value;
  if (peek_next().kind == LexToken::word) {
    advance();
    std::string class_name = current_.value;
    advance();
    if (!entry_end(class_name)) return false;
    builder_.pair_entry(upper, first, class_name);
    return true;
  }
  advance();
  if (!entry_end(first)) return false;
  builder_.pair_entry(upper, "", first);
  return true;
}

// One entry; false (nothing reported yet) on a syntax error.
bool Parser::entry() {
  if (at(LexToken::open_angle)) {
    advance();
    if (!at(LexToken::regex_text)) return false;
    std::string text = current_.value;
    advance();
    if (!at(LexToken::close_angle)) return false;
    long long line = current_.line;
    advance();
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end(class_name)) return false;
    builder_.regex_entry(text, class_name, line);
    return true;
  }
  if (at(LexToken::colon)) {
    advance();
    return lower_and_class("");
  }
  if (at(LexToken::epsilon_zero)) {
    advance();
    if (at(LexToken::colon)) {
      advance();
      return lower_and_class("0");
    }
    if (!at(LexToken::word)) return false;
    std::string class_name = current_.value;
    advance();
    if (!entry_end(class_name)) return false;
    builder_.simple_entry("0", class_name);
    return true;
  }
  // A word: the upper word, the entry word or the class itself.
  std::string first = current_.value;
  advance();
  if (at(LexToken::colon)) {
    advance();
    return lower_and_class(first);
  }
  if (at(LexToken::word)) {
    std::string class_name = current_.value;
    advance();
    if (!entry_end(class_name)) return false;
    builder_.simple_entry(first, class_name);
    return true;
  }
  if (!entry_end(first)) return false;
  builder_.simple_entry("", first);
  return true;
}

void Parser::sublexicon() {
  advance();
  if (!at(LexToken::word)) {
    syntax_error();
    return;
  }
  builder_.begin_sublexicon(current_.value);
  advance();
  if (!at_entry_start()) {
    syntax_error();
  } else {
    while (at_entry_start())
      if (!entry()) syntax_error();
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
      syntax_error(true);
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
