// The lexicon grammar: what each entry form reports to the builder, the order of the builder
// calls, and syntax errors with their line numbers and recovery.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lexicon-grammar.h"

namespace {

// Writes every builder call as one line of text.
class Recorder : public kora::LexiconBuilder {
 public:
  std::vector<std::string> calls;
  void begin_multichar_symbols() override { calls.push_back("begin-multichar"); }
  void multichar_symbol(const std::string &word) override { calls.push_back("symbol " + word); }
  void end_multichar_symbols() override { calls.push_back("end-multichar"); }
  void no_multichar_symbols() override { calls.push_back("no-multichar"); }
  void definition(const std::string &name, const std::string &regex, long long line) override {
    calls.push_back("define " + name + " =" + regex + "@" + std::to_string(line));
  }
  void begin_lexicons() override { calls.push_back("begin-lexicons"); }
  void begin_sublexicon(const std::string &name) override { calls.push_back("LEXICON " + name); }
  void simple_entry(const std::string &word, const std::string &class_name) override {
    calls.push_back("[" + word + "] " + class_name);
  }
  void pair_entry(const std::string &upper, const std::string &lower,
                  const std::string &class_name) override {
    calls.push_back("[" + upper + "]:[" + lower + "] " + class_name);
  }
  void regex_entry(const std::string &regex, const std::string &class_name,
                   long long line) override {
    calls.push_back("<" + regex + "> " + class_name + "@" + std::to_string(line));
  }
  void info_string() override { calls.push_back("info"); }
  void end_sublexicon() override { calls.push_back("end-sublexicon"); }
  void end_lexicons() override { calls.push_back("end-lexicons"); }
};

struct Parsed {
  std::vector<std::string> calls;
  std::string errors;  // what went to standard error
  long long error_count;
};

Parsed parse(const std::string &source) {
  Recorder recorder;
  testing::internal::CaptureStderr();
  kora::ParseResult result = kora::parse_lexicon(source, recorder);
  std::string errors = testing::internal::GetCapturedStderr();
  return {recorder.calls, errors, result.errors};
}

// The entry calls of a one-sublexicon lexicon whose entries are `entries`.
std::vector<std::string> entries_of(const std::string &entries) {
  Parsed parsed = parse("LEXICON Root\n" + entries);
  EXPECT_EQ(parsed.errors, "");
  std::vector<std::string> calls(parsed.calls);
  // no-multichar, begin-lexicons, LEXICON Root ... end-sublexicon, end-lexicons
  EXPECT_GE(calls.size(), 5u);
  return std::vector<std::string>(calls.begin() + 3, calls.end() - 2);
}

TEST(LexiconGrammar, EveryEntryForm) {
  const struct {
    const char *entries;
    std::vector<std::string> calls;
  } cases[] = {
      {"cat Noun ;\ndog Noun ;", {"[cat] Noun", "[dog] Noun"}},
      {"Class ;", {"[] Class"}},
      {"0 # ;", {"[0] #"}},
      {"0:0 C ;", {"[0]:[0] C"}},
      {"a%:b:c Cont ;", {"[a%:b]:[c] Cont"}},
      {"U: C ;", {"[U]:[] C"}},
      {"U:0 C ;", {"[U]:[0] C"}},
      {":L C ;", {"[]:[L] C"}},
      {"0:L C ;", {"[0]:[L] C"}},
      {": C ;", {"[]:[] C"}},
      {"U : L C ;", {"[U]:[L] C"}},
      {"< a -> b > C ;", {"< a -> b > C@2"}},
      {"cat Noun \"a gloss\" ;", {"info", "[cat] Noun"}},
  };
  for (const auto &c : cases) EXPECT_EQ(entries_of(c.entries), c.calls) << c.entries;
}

TEST(LexiconGrammar, SectionsInDocumentOrder) {
  Parsed parsed = parse(
      "MULTICHAR_SYMBOLS +Noun +Pl\nDefinitions\nV = a | e ;\n"
      "LEXICON Root\ncat N ;\nLexicon N\n+Noun # ;\nEND\n! trailing comment\n");
  EXPECT_EQ(parsed.errors, "");
  EXPECT_EQ(parsed.calls,
            (std::vector<std::string>{"begin-multichar", "symbol +Noun", "symbol +Pl",
                                      "end-multichar", "define V = a | e @3", "begin-lexicons",
                                      "LEXICON Root", "[cat] N", "end-sublexicon", "LEXICON N",
                                      "[+Noun] #", "end-sublexicon", "end-lexicons"}));
  // Without a MULTICHAR_SYMBOLS section the builder hears that none were declared.
  parsed = parse("DEFINITIONS\nLEXICON Root\na # ;");
  EXPECT_EQ(parsed.calls.front(), "no-multichar");
  EXPECT_EQ(parsed.error_count, 0);
}

// Each source has one syntax error.
TEST(LexiconGrammar, SyntaxErrorsNameTheLineAndTheToken) {
  const struct {
    const char *source;
    const char *error;
  } cases[] = {
      {"LEXICON Root\ncat Noun\n", "\nline 3: syntax error at ''\n"},
      {"LEXICON Root\n\ncat : : Noun ;\n", "\nline 3: syntax error at ':'\n"},
      // A sublexicon without entries; a file without sublexicons.
      {"LEXICON Root\nLEXICON Noun\na # ;", "\nline 2: syntax error at 'LEXICON'\n"},
      {"MULTICHAR_SYMBOLS +N\n", "\nline 2: syntax error at ''\n"},
      // Anything but comments after END.
      {"LEXICON Root\na # ;\nEND\n! fine\nb # ;\nc # ;", "\nline 5: syntax error at 'b'\n"},
      // A class must be a word, and an info string comes after it.
      {"LEXICON Root\na 0 ;", "\nline 2: syntax error at '0'\n"},
      {"LEXICON Root\na \"info\" C ;", "\nline 2: syntax error at 'C'\n"},
      // A regular expression without its end, an empty one.
      {"LEXICON Root\n< a b C ;\n", "\nline 3: syntax error at ''\n"},
      {"LEXICON Root\n<> C ;\n", "\nline 2: syntax error at '>'\n"},
      // Sections out of order.
      {"LEXICON Root\na # ;\nMULTICHAR_SYMBOLS x\n", "\nline 3: syntax error at 'MULTICHAR_SYMBOLS'\n"},
      {"DEFINITIONS\nV a ;\nLEXICON Root\na # ;", "\nline 2: syntax error at 'a'\n"},
      // An info string without its closing quote; a control character.
      {"LEXICON Root\ncat \"x ;\n", "\nline 2: info string without its closing quote\n"},
      {"LEXICON Root\n\x02 a # ;\n", "\nline 2: unexpected character 0x02\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    Parsed parsed = parse(c.source);
    EXPECT_EQ(parsed.errors, c.error);
    EXPECT_EQ(parsed.error_count, 1);
  }
}

TEST(LexiconGrammar, ParsingResumesAfterTheNextSemicolon) {
  Parsed parsed = parse("LEXICON Root\na b c ;\nok # ;\nd : : ;\nLEXICON X\n: ; fine # ;\n");
  EXPECT_EQ(parsed.errors,
            "\nline 2: syntax error at 'c'\n\nline 4: syntax error at ':'\n"
            "\nline 6: syntax error at ';'\n");
  EXPECT_EQ(parsed.error_count, 3);
  // The entries between the errors were still reported.
  EXPECT_NE(std::find(parsed.calls.begin(), parsed.calls.end(), "[ok] #"), parsed.calls.end());
  EXPECT_NE(std::find(parsed.calls.begin(), parsed.calls.end(), "[fine] #"), parsed.calls.end());
}

TEST(LexiconGrammar, LongFilesNeedNoDeepStack) {
  std::string source = "LEXICON Root\n";
  for (int i = 0; i < 20000; ++i) {
    source += 'w';
    source += std::to_string(i);
    source += " # ;\n";
  }
  Parsed parsed = parse(source);
  EXPECT_EQ(parsed.error_count, 0);
  EXPECT_EQ(parsed.calls.size(), 20000u + 5u);
}

}  // namespace
