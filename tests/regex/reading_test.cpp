// Reading expressions: read_regex's steps, the error report and recovery, the limit on errors,
// files of expressions, and nesting far deeper than the parse stack allows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "regex-in.h"
#include "regex-scanner.h"
#include "language.h"

namespace kora_test {
namespace {

class RegexReading : public kora_test::QuietLibrary {
 protected:
  ScratchFiles files_;
};

TEST_F(RegexReading, SemicolonIsOptionalAndOnlyOneExpressionIsRead) {
  Compiled with("a b;"), without("a b"), blank("a b ;  \n");
  EXPECT_TRUE(same_relation(with.net, without.net, 3));
  EXPECT_TRUE(same_relation(with.net, blank.net, 3));
  Compiled first("a; b;");
  EXPECT_EQ(words(first.net, 2), std::set<std::string>{"a"});
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_TRUE(messages().warnings.empty());
}

// A syntax error is reported once, with the token where the parser stopped; its place is
// recorded as an offset into the text and as a line and a column from 1 (the ";" that
// read_regex adds is at the end of the text).
TEST_F(RegexReading, SyntaxErrorsAreReportedWithTheTokenAndPlace) {
  struct Case {
    const char *text, *error;
    long long offset, line, column;
  } cases[] = {
      {"a | | b", "Regex error (syntax error) at |", 4, 1, 5},
      {"[a", "Regex error (syntax error) at ;", 2, 1, 3},
      {"a\n  b | )", "Regex error (syntax error) at )", 8, 2, 7},
      {"\"ab", nullptr, 0, 1, 1},
      {"{ab", nullptr, 0, 1, 1},
      {"%\xc3%\xa4 | ]", "Regex error (syntax error) at ]", 7, 1, 8},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    messages().clear();
    EXPECT_EQ(read_regex(c.text), nullptr);
    ASSERT_EQ(messages().errors.size(), 1u);
    if (c.error != nullptr) {
      EXPECT_EQ(messages().errors[0], c.error);
    }
    EXPECT_EQ(int_parameters()->word[KORA_ERROR_COUNT], 1);
    long long line = 0, column = 0;
    EXPECT_EQ(regex_error_position(&line, &column), c.offset);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(column, c.column);
  }
  // A compilation without an error forgets the place, and leaves the line and column alone; the
  // library is fine afterwards.
  Compiled fine("a b");
  EXPECT_NE(fine.net, nullptr);
  long long line = 7;
  EXPECT_EQ(regex_error_position(&line, nullptr), -1);
  EXPECT_EQ(line, 7);
}

namespace {
std::vector<long long> places_seen;
void note_place(const char *, const char *, int) {
  long long line = 0;
  regex_error_position(&line, nullptr);
  places_seen.push_back(line);
}
}  // namespace

// An error callback may ask for the place of the error it reports: in a file, its line.
TEST_F(RegexReading, TheCallbackOfEachErrorInAFileSeesItsPlace) {
  std::string path = files_.write("places.re", "a |;\nb;\n\n  [c;\n");
  places_seen.clear();
  set_error_function(note_place);
  EXPECT_EQ(read_regex_file(path.c_str()), nullptr);
  set_error_function(nullptr);
  EXPECT_EQ(places_seen, (std::vector<long long>{1, 4}));
  long long line = 0, column = 0;
  EXPECT_EQ(regex_error_position(&line, &column), 13);
  EXPECT_EQ(column, 5);
}

// A replace rule written before ".o." or ".O." without brackets is a syntax error there, the
// error followed by a warning with a hint; rules inside brackets, or after the operator, are not.
TEST_F(RegexReading, ARuleBeforeCompositionGetsAHintToBracketIt) {
  const std::string hint =
      "Hint: a replace rule (or a list of them) before .o. must be in brackets: "
      "[A -> B || L _ R] .o. C";
  for (const char *text : {"a -> b || c _ d .o. b -> e", "a -> b, c -> d .o. e",
                           "x .o. a -> b .o. e", "[x] .o. (a) -> b || _ c .o. e"}) {
    SCOPED_TRACE(text);
    messages().clear();
    EXPECT_EQ(read_regex(text), nullptr);
    ASSERT_EQ(messages().errors.size(), 1u);
    EXPECT_EQ(messages().errors[0], "Regex error (syntax error) at .o.");
    EXPECT_EQ(messages().warnings, std::vector<std::string>{hint});
  }
  messages().clear();
  EXPECT_EQ(read_regex("a -> b .O. c"), nullptr);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_NE(messages().warnings[0].find("before .O. must be in brackets: [A -> B || L _ R] .O. C"),
            std::string::npos);
  for (const char *text : {"[a -> b || c _ d] .o. b -> e", "x .o. a -> b",
                           "[a -> b] .o. [b -> c] .o. c -> d"}) {
    Compiled fine(text);
    EXPECT_NE(fine.net, nullptr) << text;
  }
  // Other errors after a bracketed rule, and errors at .o. without a rule, have no hint.
  for (const char *text : {"[a -> b] .o. .o. c", "a | .o. b", "[a -> b] | .o. c"}) {
    SCOPED_TRACE(text);
    messages().clear();
    EXPECT_EQ(read_regex(text), nullptr);
    ASSERT_EQ(messages().errors.size(), 1u);
    EXPECT_TRUE(messages().warnings.empty());
  }
}

TEST_F(RegexReading, SwitchesAreRestored) {
  int_parameters()->word[KORA_VERBOSE] = 1;
  EXPECT_EQ(read_regex("a |"), nullptr);
  EXPECT_EQ(int_parameters()->word[KORA_VERBOSE], 1);
  EXPECT_EQ(kora::set_missing_semicolon_warning(1), 1);
  EXPECT_EQ(kora::set_echo(1), 1);
  EXPECT_EQ(kora::source_depth(), 0);
}

TEST_F(RegexReading, FilesOfExpressionsRecoverAfterEachError) {
  std::string path = files_.write("recover.re", "a;\nb | ;\nc;\n[d;\ne f\n");
  int_parameters()->word[KORA_RECORD_REGEX_SOURCE] = 1;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(kora::push_file_source(path.c_str()));
  int_parameters()->word[KORA_ERROR_COUNT] = 0;
  std::vector<std::string> results;
  std::vector<std::string> sources;
  for (;;) {
    bool at_end = false;
    NET *net = kora::compile_next_regex(&at_end);
    if (at_end) break;
    if (net == nullptr) {
      results.push_back("-");
      continue;
    }
    results.push_back(*words(net, 2).begin());
    char *source = get_string_property(net, "SOURCE");
    sources.push_back(source != nullptr ? source : "");
    free(source);
    free_network(net);
  }
  kora::pop_source();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"missing semicolon. (at the end of '" + path + "')"});
  EXPECT_EQ(results, (std::vector<std::string>{"a", "-", "c", "-", "ef"}));
  EXPECT_EQ(sources, (std::vector<std::string>{path + ":1", path + ":3", path + ":5"}));
  ASSERT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(messages().errors[0], std::string("Regex error at ; on line 2 in '") + path + "'");
  EXPECT_EQ(messages().errors[1], std::string("Regex error at ; on line 4 in '") + path + "'");
}

TEST_F(RegexReading, TooManyErrorsStopTheFile) {
  std::string text;
  for (int i = 0; i < 14; i++) text += "a |;\n";
  std::string path = files_.write("errors.re", text);
  EXPECT_EQ(kora::read_regexes(path.c_str(), -1), nullptr);
  ASSERT_EQ(messages().errors.size(), 12u);
  EXPECT_EQ(messages().errors[10], std::string("Regex error at ; on line 11 in '") + path + "'");
  EXPECT_EQ(messages().errors[11], "too many errors (11): trying to terminate processing");
  EXPECT_EQ(int_parameters()->word[KORA_ERROR_COUNT], 11);
}

TEST_F(RegexReading, ReadingAFileGivesOneNetworkPerExpression) {
  std::string path = files_.write("three.re", "# -*- coding: utf-8 -*-\na;\nb c;\nEND;\nd;\n");
  NV *nets = kora::read_regexes(path.c_str(), -1);
  ASSERT_NE(nets, nullptr);
  ASSERT_EQ(NV_len(nets), 2);
  EXPECT_EQ(words(NV_net(nets, 1), 2), std::set<std::string>{"bc"});
  free_nv_and_nets(nets);
  nets = kora::read_regexes(path.c_str(), 1);
  ASSERT_NE(nets, nullptr);
  EXPECT_EQ(NV_len(nets), 1);
  free_nv_and_nets(nets);
  EXPECT_EQ(kora::read_regexes("/no/such/file.re", -1), nullptr);
}

TEST_F(RegexReading, DeepNestingExhaustsTheParseStackNotTheProcess) {
  for (const char *open : {"[", "(", "~", "\\ ", "$"}) {
    SCOPED_TRACE(open);
    std::string text;
    for (int i = 0; i < 100000; i++) text += open;
    text += "a";
    if (open[0] == '[' || open[0] == '(')
      for (int i = 0; i < 100000; i++) text += open[0] == '[' ? "]" : ")";
    messages().clear();
    with_small_stack([&] { EXPECT_EQ(read_regex(text.c_str()), nullptr); });
    ASSERT_FALSE(messages().errors.empty());
    EXPECT_EQ(messages().errors[0], std::string("Regex error (memory exhausted) at ") + open[0]);
  }
  Compiled after("a b");
  EXPECT_NE(after.net, nullptr);
}

}  // namespace
}  // namespace kora_test
