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
// token tells a lower word from the class. Nothing after END but blanks and comments is allowed.
// The parser keeps no stack that grows with the input. Cost: O(tokens).
//
// Syntax errors. Each is reported as "line %lld: syntax error at '%s'" with the token's text, to
// the error callback or, without one, printed on standard error as "\nline %lld: syntax error
// at '%s'\n", and counts one parse error. The line is the one where the fault is: that of the
// token, but when something is missing and the next token stands on a later line (a ";" left
// off at the end of a line, a sublexicon without entries), the line of the token before. A
// second line then says what is missing ("    missing ';' after 'Noun'"). Parsing resumes at
// the next entry, so that one run reports each independent error once:
//   - after a ";" left off at the end of a line, at the next token;
//   - after a token that no entry starts with (a second ";"), at the next token; a run of such
//     tokens is reported once;
//   - after any other error inside an entry, after the next ";";
//   - outside a sublexicon, at the next LEXICON, DEFINITIONS, MULTICHAR_SYMBOLS or END.
// A character the scanner cannot take (an INVALID token) is reported the same way as "line
// %lld: %s" with the scanner's message, counted, and skipped.
// Tested in tests/lexicon/read_vorn_test.cpp.
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
  // The lines are where the construct begins; that of a regular expression is where its text
  // begins.
  virtual void definition(const std::string &name, const std::string &regex, long long line) = 0;
  virtual void begin_lexicons() = 0;
  virtual void begin_sublexicon(const std::string &name, long long line) = 0;
  virtual void simple_entry(const std::string &word, const std::string &class_name,
                            long long line) = 0;
  virtual void pair_entry(const std::string &upper, const std::string &lower,
                          const std::string &class_name, long long line) = 0;
  virtual void regex_entry(const std::string &regex, const std::string &class_name,
                           long long line) = 0;
  virtual void info_string(long long line) = 0;
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
