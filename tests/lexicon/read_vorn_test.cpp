// read_vorn: lexicon files compiled into networks. The edge cases of entries, classes and
// multi-character symbols; every warning and error with its text; and a small inflecting
// language whose relation is compared with the relation expanded in the test from the same
// entries.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::messages;
using kora_test::Relation;
using kora_test::Symbols;

class ReadVorn : public kora_test::QuietLibrary {
 protected:
  // Compiles `source` from a file; what went to standard error is kept in printed_.
  NET *compile(const std::string &source, const std::string &name = "lexicon.txt") {
    std::string path = files_.write(name, source);
    testing::internal::CaptureStderr();
    NET *net = read_vorn(path.c_str());
    printed_ = testing::internal::GetCapturedStderr();
    return net;
  }

  // The words (up to 12 symbols) of the lexicon `source`.
  std::set<std::string> words_of(const std::string &source) {
    NET *net = compile(source);
    EXPECT_NE(net, nullptr);
    if (net == nullptr) return {};
    std::set<std::string> result = kora_test::words(net, 12);
    free_network(net);
    return result;
  }

  kora_test::ScratchFiles files_;
  std::string printed_;
};

bool is_null_network(const NET *net) {
  return net != nullptr && net->num_states == 1 && net->num_arcs == 0 &&
         !STATE_final(net->start);
}

uint32_t id_of(const std::string &name) {
  uint32_t id = kora::symbol_id(name.c_str());
  EXPECT_NE(id, kora::ID_NO_SYMBOL) << name;
  return id;
}

// Lexicons that compile without a word of warning, and their words: the edge cases beside the
// classes and continuations of inflection_test.cpp.
TEST_F(ReadVorn, EntriesContinueThroughTheirClassesToTheEnd) {
  std::set<std::string> loop;  // b after up to eleven a
  for (std::string word = "b"; word.size() <= 12; word.insert(0, 1, 'a')) loop.insert(word);
  const struct {
    const char *source;
    std::set<std::string> words;
  } cases[] = {
      {"LEXICON Root\ncat #;\n", {"cat"}},  // no blank before the ";"
      // An entry without a word, and "0" words.
      {"LEXICON Root\nNoun ;\n0 # ;\nLEXICON Noun\nx # ;", {"", "x"}},
      // Continuation back into a sublexicon already passed: a loop.
      {"LEXICON Root\na Root ;\nb # ;", loop},
      // The root is Root (in either spelling of the keyword) or else the first sublexicon.
      {"LEXICON A\na # ;\nLEXICON Root\nA ;\nr A ;\n", {"a", "ra"}},
      {"LEXICON A\na # ;\nLEXICON ROOT\nR A ;\n", {"Ra"}},
      {"LEXICON First\nf Second ;\nLEXICON Second\ns # ;\nEND\n! trailing comment\n", {"fs"}},
      // Escapes (the escaped colon: PairEntriesAlignFromTheLeft), a 0 inside a word.
      {"LEXICON Root\na0b # ;\n%0 # ;\n%!%;%< # ;\n", {"ab", "0", "!;<"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(words_of(c.source), c.words);
    EXPECT_TRUE(messages().warnings.empty());
    EXPECT_EQ(printed_, "");
  }
}

TEST_F(ReadVorn, MulticharSymbolsAreCutByLongestMatch) {
  NET *net = compile("LEXICON Root\ncat+Noun # ;");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::words(net, 10).count("cat+Noun"), 1u);  // eight one-character symbols
  free_network(net);
  net = compile("MULTICHAR_SYMBOLS +N +Noun\nLEXICON Root\ncat+Noun # ;\ncat+N # ;");
  ASSERT_NE(net, nullptr);
  Symbols noun = {'c', 'a', 't', id_of("+Noun")};
  Symbols n = {'c', 'a', 't', id_of("+N")};
  Relation relation = kora_test::enumerate(net, {'c', 'a', 't'}, 8);
  EXPECT_EQ(relation, (Relation{{noun, noun}, {n, n}}));
  free_network(net);
  // Declared symbols lose their escapes; entry words are read with theirs.
  net = compile("Multichar_Symbols %+%!x\nLEXICON Root\na%+%!x # ;");
  ASSERT_NE(net, nullptr);
  Symbols word = {'a', id_of("+!x")};
  EXPECT_EQ(kora_test::enumerate(net, {'a'}, 4), (Relation{{word, word}}));
  free_network(net);
}

TEST_F(ReadVorn, PairEntriesAlignFromTheLeft) {
  NET *net = compile("LEXICON Root\ncats:cat # ;\n:x # ;\ny: # ;\n0:0 # ;\nab:0 # ;\n: # ;\n0:t # ;\n"
                     "s : c # ;\n");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(NET_arity(net), 2);
  Relation relation = kora_test::enumerate(net, {'a', 'b', 'c', 's', 't', 'x', 'y'}, 5);
  EXPECT_EQ(relation, (Relation{{{'c', 'a', 't', 's'}, {'c', 'a', 't'}},
                                {{}, {'x'}},
                                {{'y'}, {}},
                                {{}, {}},
                                {{'a', 'b'}, {}},
                                {{}, {'t'}},
                                {{'s'}, {'c'}}}));
  // s is paired with EPSILON at the end: the pair label s:0 is on an arc.
  uint32_t s_to_epsilon = kora::pair_id('s', kora::EPSILON);
  bool found = false;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      found = found || ARC_label(arc) == s_to_epsilon;
  EXPECT_TRUE(found);
  free_network(net);
  // "0" holds a place in the alignment; an escaped colon stays in the upper word.
  net = compile("LEXICON Root\na0c:xyz # ;\na%:b:c # ;");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::enumerate(net, {'a', 'b', 'c', 'x', 'y', 'z'}, 4),
            (Relation{{{'a', 'c'}, {'x', 'y', 'z'}}, {{'a', ':', 'b'}, {'c'}}}));
  free_network(net);
}

// Lexicons that compile with warnings, each with the line it concerns: info strings (once per
// compilation), classes never defined and sublexicons nothing leads to (with the symbols of the
// entries lost), a sublexicon declared twice (which keeps all its entries).
TEST_F(ReadVorn, WarningsNameTheirLines) {
  const struct {
    const char *source;
    std::set<std::string> words;
    std::vector<std::string> warnings;
  } cases[] = {
      {"LEXICON Root\ncat Noun \"a pet\" ;\ndog Noun \"another\" ;\nLEXICON Noun\n0 # ;",
       {"cat", "dog"},
       {"line 2: Ignoring info strings."}},
      {"LEXICON Root\n\ncat # \"x\" ;", {"cat"}, {"line 3: Ignoring info strings."}},
      {"LEXICON Root\ncat # ;\nxyz Verb ;\nbig Verb ;\n",
       {"cat"},
       {"line 3: Sublexicon is mentioned but not defined. (Verb)",
        "line 3: Lost all entries containing the following symbols:\n    b g i x y z"}},
      {"LEXICON Root\na # ;\nLEXICON Orphan\nb # ;\nLEXICON Lonely\nc Orphan ;\n",
       {"a"},
       {"line 3: Sublexicons defined but not used: Orphan",
        "line 5: Sublexicons defined but not used: Lonely",
        "line 4: Lost all entries containing the following symbols:\n    b c"}},
      {"LEXICON Root\nx Noun ;\nLEXICON Noun\na # ;\nLEXICON Noun\nb # ;\n",
       {"xa", "xb"},
       {"line 5: Sublexicon is declared more than once. (Noun)"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    messages().clear();
    EXPECT_EQ(words_of(c.source), c.words);
    EXPECT_EQ(messages().warnings, c.warnings);
    EXPECT_EQ(printed_, "");
  }
  // Without a callback, the unused sublexicons are printed in a list.
  set_warning_function(nullptr);
  free_network(compile("LEXICON Root\na # ;\nLEXICON Orphan\nb # ;\nLEXICON Lonely\nc Orphan ;\n"));
  EXPECT_EQ(printed_,
            "\n*** Warning:  Sublexicons defined but not used:\n      Orphan\n      Lonely\n"
            "\n*** Warning: Lost all entries containing the following symbols:\n    b c\n");
}

// Each source has syntax errors, reported with the line of the fault (the line before, with
// what is missing, when a ";" or the entries of a sublexicon are left off at the end of a line);
// parsing resumes at the next entry, so that each error is reported once; nothing is compiled.
TEST_F(ReadVorn, ParseErrorsAbortTheCompilation) {
  const struct {
    const char *source;
    std::vector<std::string> errors;
  } cases[] = {
      {"LEXICON Root\ncat Noun\n", {"line 2: syntax error at ''\n    missing ';' after 'Noun'"}},
      {"LEXICON Root\n\ncat : : Noun ;\n", {"line 3: syntax error at ':'"}},
      // A ";" left off: the next line is the next entry.
      {"LEXICON Root\ncat Noun\ndog Noun ;\nLEXICON Noun\n0 # ;\n",
       {"line 2: syntax error at 'dog'\n    missing ';' after 'Noun'"}},
      {"LEXICON Root\na X\nLEXICON X\nb # ;",
       {"line 2: syntax error at 'LEXICON'\n    missing ';' after 'X'"}},
      {"LEXICON Root\na b c ;\nok # ;\nd : : ;\nLEXICON X\n: ; fine # ;\n",
       {"line 2: syntax error at 'c'", "line 4: syntax error at ':'", "line 6: syntax error at ';'"}},
      // A second ";", and a run of tokens no entry starts with, are one error each.
      {"LEXICON Root\na # ; ;\nb # ;\nc # ;\n", {"line 2: syntax error at ';'"}},
      {"LEXICON Root\n; ; \"x\" ;\na # ;\n; b : : ;", {"line 2: syntax error at ';'",
                                                    "line 4: syntax error at ';'",
                                                    "line 4: syntax error at ':'"}},
      // A sublexicon without entries; a file without sublexicons; entries before the first.
      {"LEXICON Root\nLEXICON Noun\na # ;",
       {"line 1: syntax error at 'LEXICON'\n    no entry in the sublexicon 'Root'"}},
      {"MULTICHAR_SYMBOLS +N\n", {"line 2: syntax error at ''"}},
      {"a # ;\nb # ;\nLEXICON Root\nc # ;", {"line 1: syntax error at 'a'"}},
      // Anything but comments after END.
      {"LEXICON Root\na # ;\nEND\n! fine\nb # ;\nc # ;", {"line 5: syntax error at 'b'"}},
      // A class must be a word, and an info string comes after it.
      {"LEXICON Root\na 0 ;", {"line 2: syntax error at '0'"}},
      {"LEXICON Root\na \"info\" C ;", {"line 2: syntax error at 'C'"}},
      // A regular expression without its end, an empty one.
      {"LEXICON Root\n< a b C ;\n", {"line 3: syntax error at ''"}},
      {"LEXICON Root\n<> C ;\n", {"line 2: syntax error at '>'"}},
      // Sections out of order.
      {"LEXICON Root\na # ;\nMULTICHAR_SYMBOLS x\n", {"line 3: syntax error at 'MULTICHAR_SYMBOLS'"}},
      {"DEFINITIONS\nV a ;\nLEXICON Root\na # ;", {"line 2: syntax error at 'a'"}},
      // An info string without its closing quote; a control character.
      {"LEXICON Root\ncat \"x ;\n", {"line 2: info string without its closing quote"}},
      {"LEXICON Root\n\x02 a # ;\n", {"line 2: unexpected character 0x02"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    messages().clear();
    NET *net = compile(c.source);
    EXPECT_TRUE(is_null_network(net));
    free_network(net);
    EXPECT_EQ(printed_, "");
    std::vector<std::string> errors = c.errors;
    errors.push_back("Compilation aborted because of " + std::to_string(errors.size()) +
                     (errors.size() == 1 ? " parse error." : " parse errors."));
    EXPECT_EQ(messages().errors, errors);
  }
}

// Without an error callback, each syntax error is printed on lines of its own after an empty
// one.
TEST_F(ReadVorn, ParseErrorsArePrintedWithoutACallback) {
  set_error_function(nullptr);
  free_network(compile("LEXICON Root\ncat Noun\ndog Noun ;\nLEXICON Noun\n0 # ; ;\n"));
  EXPECT_EQ(printed_,
            "\nline 2: syntax error at 'dog'\n    missing ';' after 'Noun'\n"
            "\nline 5: syntax error at ';'\n"
            "\n*** ERROR: Compilation aborted because of 2 parse errors. ***\n");
}

// A long list of entries needs no deep parse stack.
TEST_F(ReadVorn, LongFilesNeedNoDeepStack) {
  std::string source = "LEXICON Root\n";
  for (int i = 0; i < 20000; ++i) source.append("w").append(std::to_string(i)).append(" # ;\n");
  NET *net = compile(source);
  ASSERT_NE(net, nullptr);
  EXPECT_TRUE(kora_test::words(net, 6).count("w19999"));
  EXPECT_EQ(printed_, "");
  free_network(net);
}

TEST_F(ReadVorn, FilesThatCannotBeRead) {
  std::string missing = files_.path("missing.txt");
  EXPECT_EQ(read_vorn(missing.c_str()), nullptr);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"Cannot open '" + missing + "'."});
  messages().clear();
  std::string binary = files_.write("binary", std::string("LEX\0\0\0ICON\n", 11));
  EXPECT_EQ(read_vorn(binary.c_str()), nullptr);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"'" + binary + "' appears not to be a text file."});
  EXPECT_EQ(read_vorn(nullptr), nullptr);
}

TEST_F(ReadVorn, InvalidUtf8DropsTheEntry) {
  EXPECT_EQ(words_of("LEXICON Root\nok # ;\nb\xff # ;\nc\xfe # ;\n"),
            (std::set<std::string>{"ok"}));
  ASSERT_GE(messages().warnings.size(), 3u);
  EXPECT_EQ(messages().warnings[0], "line 3: Cannot parse 'b\xff'.");
  EXPECT_EQ(messages().warnings[2], "line 4: Cannot parse 'c\xfe'.");
  // The note comes once, after the first.
  EXPECT_EQ(messages().warnings[1].rfind("NOTE:  If you declare MULTICHAR_SYMBOLS", 0), 0u);
  EXPECT_EQ(printed_, "");
}

TEST_F(ReadVorn, Latin1FilesAreReadInTheirEncoding) {
  NET *net = compile("! -*- coding: latin-1 -*-\nLEXICON Root\ncaf\xe9 # ;\n");
  ASSERT_NE(net, nullptr);
  Symbols word = {'c', 'a', 'f', id_of("\xc3\xa9")};
  EXPECT_EQ(kora_test::enumerate(net, {'c', 'a', 'f'}, 5), (Relation{{word, word}}));
  free_network(net);
  EXPECT_EQ(get_default_kora_context()->in_char_encoding, KORA_UTF8);
}

TEST_F(ReadVorn, LongClassNamesAreRefused) {
  std::string name(94, 'N');
  EXPECT_EQ(words_of("LEXICON Root\na " + name + " ;\nb # ;\nLEXICON " + name + "\nc # ;"),
            (std::set<std::string>{"b"}));
  ASSERT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(messages().errors[0], "line 2: Sublexicon name '" + name +
                                      "' is too long: names must be shorter than 94 bytes.");
  // 93 characters are fine.
  messages().clear();
  name.pop_back();
  EXPECT_EQ(words_of("LEXICON Root\na " + name + " ;\nLEXICON " + name + "\nc # ;"),
            (std::set<std::string>{"ac"}));
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(ReadVorn, RegularExpressionEntriesAndDefinitions) {
  NET *net = compile("DEFINITIONS\nV = a | e | i ;\nLEXICON Root\n< V+ > Noun ;\nx # ;\n"
                     "LEXICON Noun\n0 # ;\ns # ;\n");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::words(net, 2), (std::set<std::string>{"x", "a", "e", "i", "as", "es", "is",
                                                              "aa", "ae", "ai", "ea", "ee", "ei",
                                                              "ia", "ie", "ii"}));
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_EQ(printed_, "");
  free_network(net);
  // The definition stays after the compilation.
  NET *defined = get_net("V", 0);
  ASSERT_NE(defined, nullptr);
  EXPECT_EQ(kora_test::alph_members(defined->sigma), (std::set<uint32_t>{'a', 'e', 'i'}));
}

TEST_F(ReadVorn, RegularExpressionErrorsLoseTheirSublexicon) {
  NET *net = compile("DEFINITIONS\nBad = [ a ;\nLEXICON Root\nx # ;\nr Broken ;\n"
                     "LEXICON Broken\nb # ;\n< a | > # ;\n< a\n | ] > # ;\n");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::words(net, 4), std::set<std::string>{"x"});
  free_network(net);
  EXPECT_EQ(printed_, "");
  // Each after the regex compiler's own report; the line is that of the error in the text.
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"Regex error (syntax error) at ;",
                                      "line 2: Regular expression error: ' [ a '",
                                      "Regex error (syntax error) at ;",
                                      "line 8: Regular expression error: ' a | '",
                                      "Regex error (syntax error) at ]",
                                      "line 10: Regular expression error: ' a\n | ] '"}));
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"line 5: Lost all entries containing the following "
                                     "symbols:\n    b r *** regex error ***"});
  // The placeholder is defined under the name.
  NET *defined = get_net("Bad", 0);
  ASSERT_NE(defined, nullptr);
  uint32_t placeholder = kora::symbol_id("*** regex error ***");
  EXPECT_EQ(kora_test::alph_members(defined->sigma), std::set<uint32_t>{placeholder});
}

}  // namespace
