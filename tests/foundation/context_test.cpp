// The library's start and end, its settings, and the error channel in both of its modes.

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "context.h"
#include "error.h"
#include "heap.h"
#include "kora_test.h"
#include "struct.h"

namespace {

using kora_test::messages;
using Strings = std::vector<std::string>;

class ContextTest : public kora_test::Library {};

// The parameter positions are public and fixed, so each default is checked where it lives.
TEST_F(ContextTest, DefaultParametersAtTheirPositions) {
  const int32_t *word = int_parameters()->word;
  for (auto [position, value] : {std::pair{1, 10}, {26, 254}, {27, 50}, {37, 5000}})
    EXPECT_EQ(word[position], value) << "word " << position;
  for (int position : {0, 2, 3, 4, 5, 6, 8, 14, 15, 18, 19, 22, 23, 24, 28, 29, 31, 35, 38, 50})
    EXPECT_EQ(word[position], 0) << "word " << position;
  for (int position : {7, 9, 10, 11, 12, 13, 16, 17, 20, 21, 25, 30, 32, 33, 34, 36, 42, 44, 45, 47})
    EXPECT_EQ(word[position], 1) << "word " << position;
}

// A refused code changes nothing; the input encoding ignores codes it does not know.
TEST_F(ContextTest, CharacterEncodings) {
  EXPECT_EQ(set_char_encoding(context_, KORA_LATIN1), 0);
  EXPECT_EQ(set_char_encoding(context_, 3), 1);
  EXPECT_EQ(int_parameters()->word[KORA_CHAR_ENCODING], KORA_LATIN1);
  EXPECT_EQ(messages().errors,
            Strings{"Character encoding code 'd' is not valid.\nOnly 1 (UTF-8) and 2 "
                    "(ISO-8859-1) are currently supported"});
  EXPECT_EQ(set_input_char_encoding(context_, 7), 0);
  EXPECT_EQ(context_->in_char_encoding, KORA_UTF8);
}

TEST_F(ContextTest, IdentificationAndFileNames) {
  EXPECT_STREQ(libkora_version(), "libkora-  date Mon 05/03/2010 ");
  copyright_holder(std::string("Somebody Else Entirely").c_str());
  EXPECT_STREQ(copyright_holder(nullptr), "Somebody Else Entirely") << "the holder is a copy";

  char directory[4096];
  ASSERT_NE(getcwd(directory, sizeof directory), nullptr);
  const char *saved_home = std::getenv("HOME");
  std::string home_before = saved_home != nullptr ? saved_home : "";
  setenv("HOME", "/home/linguist", 1);
  auto expand = [](const char *name) {
    char *expanded = expand_file_name(name);
    std::string result = expanded;
    std::free(expanded);
    return result;
  };
  EXPECT_EQ(expand(""), std::string(directory) + "/");
  EXPECT_EQ(expand("~/lexicons/en.vorn"), "/home/linguist/lexicons/en.vorn");
  EXPECT_EQ(expand("grammar.regex"), "grammar.regex");
  unsetenv("HOME");
  unsetenv("windir");
  EXPECT_EQ(expand("~"), std::string(directory) + "/") << "without a home, ~ is the directory";
  if (saved_home != nullptr) setenv("HOME", home_before.c_str(), 1);
}

// With callbacks installed (the fixture's recorders) each message arrives whole, once, and word
// 4 stays unset.
TEST_F(ContextTest, CallbacksReceiveTheFinishedText) {
  kora::error("plain");
  kora::check_length(0, "somewhere");
  EXPECT_EQ(kora::compacted_net_error("union", 7), 7);
  EXPECT_EQ(kora::check_input_source(nullptr, nullptr), 1);
  EXPECT_EQ(kora::check_input_source("abc", stdin), 1);
  EXPECT_EQ(messages().errors,
            (Strings{"plain", "In somewhere: Length is negative or zero: 0",
                     "Cannot apply 'union' to a compacted net. Please uncompact first.",
                     "Must specify either an input string or\n    an input stream.",
                     "Cannot use an input string and\n    an input stream. Only one should be "
                     "specified."}));
  EXPECT_EQ(int_parameters()->word[KORA_ERROR_SEEN], 0);
  // Text written to the message stream in pieces, longer than its first buffer, is one message.
  std::string long_text(3000, 'x');
  std::fputs(long_text.c_str(), kora::message_stream());
  std::fprintf(kora::message_stream(), " %s.", "end");
  kora::flush_message_as_warning();
  kora::flush_message_as_warning();
  EXPECT_EQ(messages().warnings, Strings{long_text + " end."});
}

// Without callbacks: standard error, word 4, and ending the process.
class StandardErrorTest : public kora_test::Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    set_warning_function(nullptr);
    set_error_function(nullptr);
  }
};

TEST_F(StandardErrorTest, FormatsOnStandardErrorAndSetsWord4) {
  testing::internal::CaptureStderr();
  kora::warning("careful");
  kora::error("broken");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\n*** Warning: careful ***\n\n*** ERROR: broken ***\n");
  EXPECT_EQ(int_parameters()->word[KORA_ERROR_SEEN], 1);
}

TEST_F(StandardErrorTest, ErrorEndsTheProcessWhenNotInteractiveEvenWithACallback) {
  int_parameters()->word[KORA_INTERACTIVE] = 0;
  EXPECT_EXIT(kora::error("fatal now"), testing::ExitedWithCode(1), "ERROR: fatal now");
  set_error_function([](const char *, const char *, int) {});
  EXPECT_EXIT(kora::error("even with a callback"), testing::ExitedWithCode(1), "");
  set_error_function(nullptr);
}

TEST_F(StandardErrorTest, FatalReports) {
  EXPECT_EXIT(kora::out_of_memory("MAKE_NETWORK"), testing::ExitedWithCode(1),
              "Out of memory: MAKE_NETWORK");
  EXPECT_EXIT(kora::programming_error("index_paths", "Not a legal visit_mark %d\n", 300),
              testing::ExitedWithCode(1),
              "PROGRAMMING ERROR in index_paths :\n  Not a legal visit_mark 300\n\n\n  ---- "
              "Please report ----");
}

}  // namespace
