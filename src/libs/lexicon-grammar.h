// The grammar of lexicon source files: a parser that reads the tokens of lexicon-scanner.h and
// reports each construct, in document order, to a LexiconBuilder.
//
//   lexicon_file  = [MULTICHAR_SYMBOLS word*] [DEFINITIONS (word "=" text ";")*]
//                   sublexicon+ [END]
//   sublexicon    = LEXICON word entry+
//   entry         = form word [info] ";"            (the word is the continuation class)
//   form          = | U | 0 | 0:0 | U:L | U: | U:0 | :L | 0:L | : | "<" text ">"
//
// The parser is hand-written, one token of lookahead except after "U:" and ":" where a second
// token tells a lower word from the class. A syntax error prints "\nline %lld: syntax error at
// '%s'\n" on standard error with the line and the token's text, counts one parse error, and
// parsing resumes after the next ";" (or at the next LEXICON, DEFINITIONS or END, or the end of
// the input), so that one run reports every independent error. Nothing after END but blanks
// and comments is allowed. A character the scanner cannot take (an INVALID token) prints
// "\nline %lld: %s\n" with the scanner's message, counts one parse error and is skipped. The
// parser keeps no stack that grows with the input. Cost: O(tokens).
// Tested in tests/lexicon/lexicon_grammar_test.cpp.
#pragma once

#include <string>
#include <string_view>

namespace kora {

// What the parser reports. Words of entries are handed over as written (escapes included);
// the names of symbols, definitions and classes too: stripping their escapes is the builder's.
class LexiconBuilder {
 public:
  virtual ~LexiconBuilder() = default;
  virtual void begin_multichar_symbols() = 0;
  virtual void multichar_symbol(const std::string &word) = 0;
  virtual void end_multichar_symbols() = 0;
  virtual void no_multichar_symbols() = 0;
  virtual void definition(const std::string &name, const std::string &regex, long long line) = 0;
  virtual void begin_lexicons() = 0;
  virtual void begin_sublexicon(const std::string &name) = 0;
  virtual void simple_entry(const std::string &word, const std::string &class_name) = 0;
  virtual void pair_entry(const std::string &upper, const std::string &lower,
                          const std::string &class_name) = 0;
  virtual void regex_entry(const std::string &regex, const std::string &class_name,
                           long long line) = 0;
  virtual void info_string() = 0;
  virtual void end_sublexicon() = 0;
  virtual void end_lexicons() = 0;
};

struct ParseResult {
  long long errors = 0;  // syntax errors reported
  long long lines = 0;   // the line the input ended on
};

// Parses the lexicon `source`, calling `builder` in document order. begin_lexicons and
// end_lexicons are called only when a LEXICON section is reached.
ParseResult parse_lexicon(std::string_view source, LexiconBuilder &builder);

}  // namespace kora
