// Applyers on several threads over one shared network: each thread's results equal those of
// one thread, looking up changes nothing shared (characters the network does not know are not
// entered into the label map), and errors met on several threads at once are all reported.
// Also built with ThreadSanitizer (tests/CMakeLists.txt, target apply_threads_tsan), which
// reports any data race between the threads.

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "alph.h"
#include "apply_support.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using apply_tests::pair;
using apply_tests::sym;
using kora_test::build_net;


class ApplyThreadsTest : public apply_tests::Applying {
 protected:
  void SetUp() override {
    apply_tests::Applying::SetUp();
    define_net("Middle", build_net(3, {2}, {{0, 'x', 1}, {1, pair("+Sg", "z"), 2}}), 0);
    kora_test::define_list("V", {'a', sym("\xC3\xA9")});  // a and é
  }

  // c [@L.V@ | @I.Middle@] [t | OTHER] [+Noun:0 | @P.N.pl@ (0 back) +Pl:s @R.N.pl@]
  // | d OTHER*   | b:ü   (so that ü is in the sigma, on the lower side only)
  static NET *analyser() {
    return build_net(8, {5, 6},
                     {{0, 'c', 1},
                      {1, sym("@L.V@"), 2},
                      {1, sym("@I.Middle@"), 2},
                      {2, 't', 3},
                      {2, kora::OTHER, 3},
                      {3, pair("+Noun", ""), 5},
                      {3, sym("@P.N.pl@"), 4},
                      {4, pair("+Pl", "s"), 7},
                      {4, kora::EPSILON, 3},
                      {7, sym("@R.N.pl@"), 5},
                      {0, 'd', 6},
                      {6, kora::OTHER, 6},
                      {0, pair("b", "\xC3\xBC"), 6}});
  }
};

// Inputs made of the network's symbols, characters it does not know (ö, ß, 中) and ü, which is
// in its sigma but not on its upper side.
std::vector<std::string> inputs(size_t count) {
  const std::vector<std::string> pieces = {
      "c", "a", "\xC3\xA9", "t", "x", "+Noun", "+Pl", "+Sg", "+No", "d",
      "\xC3\xB6", "\xC3\xBC", "\xC3\x9F", "\xE4\xB8\xAD", "s", "z", "0", "?", "b"};
  std::mt19937 random(13);
  std::vector<std::string> made = {"", "cat+Noun", "cat+Pl", "cx+Sgt+Pl", "d\xC3\xB6\xC3\x9F"};
  while (made.size() < count) {
    std::string text;
    for (size_t n = random() % 6; n > 0; --n) text += pieces[random() % pieces.size()];
    made.push_back(text);
  }
  return made;
}

std::vector<std::string> one_thread(NET *net, int side, const std::vector<std::string> &texts) {
  APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
  std::vector<std::string> results;
  for (const std::string &text : texts) results.push_back(apply_to_string(text.c_str(), applyer));
  free_applyer(applyer);
  return results;
}

// What one worker saw: how many records differed from the expected ones, and the first.
struct Outcome {
  size_t records = 0;
  size_t wrong = 0;
  std::string first_wrong;
};

// Looks every text up with an applyer of the worker's own, from strings or from one stream of
// lines.
void work(NET *net, int side, bool stream, const std::vector<std::string> &texts,
          const std::vector<std::string> &expected, Outcome *outcome) {
  auto check = [&](size_t i, const char *output) {
    outcome->records++;
    std::string got = output == nullptr ? "(null)" : output;
    if (i < expected.size() && got == expected[i]) return;
    if (outcome->wrong++ == 0) outcome->first_wrong = "record " + std::to_string(i) + ": " + got;
  };
  APPLY_CONTEXT *applyer = nullptr;
  if (!stream) {
    // Made for the other side and switched, so that the table of this side is built at the
    // first lookup, while other threads already look up.
    applyer = init_apply(net, 1 - side, nullptr);
    switch_input_side(applyer);
    for (size_t i = 0; i < texts.size(); i++) check(i, apply_to_string(texts[i].c_str(), applyer));
  } else {
    std::string joined;
    for (const std::string &text : texts) joined.append(text).append("\n");
    FILE *file = fmemopen(joined.data(), joined.size(), "r");
    applyer = new_applyer(net, nullptr, file, side, nullptr);
    for (size_t i = 0; const char *output = next_apply_output(applyer); i++) check(i, output);
    std::fclose(file);
  }
  free_applyer(applyer);
}

// Four threads, two per side, one from strings and one from a stream, each with an applyer of
// its own over `shared`, find `expected` (the results of one thread, by side).
void expect_four_threads_agree(NET *shared, const std::vector<std::string> &texts,
                               const std::vector<std::string> (&expected)[2]) {
  const uint32_t labels_before = kora::label_count();
  Outcome outcomes[4];
  std::vector<std::thread> threads;
  for (int k = 0; k < 4; k++)
    threads.emplace_back(work, shared, k % 2, k >= 2, std::cref(texts), std::cref(expected[k % 2]),
                         &outcomes[k]);
  for (std::thread &thread : threads) thread.join();
  for (int k = 0; k < 4; k++) {
    SCOPED_TRACE("thread " + std::to_string(k));
    EXPECT_EQ(outcomes[k].records, texts.size());
    EXPECT_EQ(outcomes[k].wrong, 0u) << outcomes[k].first_wrong;
  }
  EXPECT_EQ(kora::label_count(), labels_before);
}

// A fresh network with no parse table yet: the threads make their applyers at once, and the
// two of each side race to build its table. Compacted, it is read by every thread: each
// applyer's index grows by the states its searches first reach, decoded from the shared block.
TEST_F(ApplyThreadsTest, FourThreadsOverOneNetworkGiveTheResultsOfOne) {
  const std::vector<std::string> texts = inputs(3000);
  for (bool compacted : {false, true}) {
    SCOPED_TRACE(compacted ? "compacted" : "plain");
    auto make = [compacted] {
      NET *net = analyser();
      if (compacted) compact_net(net, nullptr);
      return net;
    };
    NET *reference = make();
    ASSERT_EQ(reference->flags.compacted, compacted);
    const std::vector<std::string> expected[2] = {one_thread(reference, 0, texts),
                                                  one_thread(reference, 1, texts)};
    free_network(reference);
    // The results are not all empty: the walk went through lists, insertions, flags and OTHER.
    EXPECT_EQ(expected[0][1], "cat\n");
    EXPECT_EQ(expected[0][2], "cats\n");
    EXPECT_EQ(expected[0][3], "cxzts\n");
    EXPECT_EQ(expected[0][4], "d\xC3\xB6\xC3\x9F\n");
    NET *shared = make();
    expect_four_threads_agree(shared, texts, expected);
    free_network(shared);
  }
}

// Without an error callback, each error goes to standard error and sets the error-seen word;
// four threads meeting bad UTF-8 at once do so without a data race. Under ThreadSanitizer the
// messages are not captured, so that a report of a race, also written there, is seen.
#if defined(__SANITIZE_THREAD__)
constexpr bool kCaptureErrors = false;
#else
constexpr bool kCaptureErrors = true;
#endif

TEST_F(ApplyThreadsTest, ErrorsMetOnSeveralThreadsAtOnceAreAllReported) {
  set_error_function(nullptr);
  int_parameters()->word[KORA_QUIT_ON_ERROR] = 1;
  int_parameters()->word[KORA_INTERACTIVE] = 1;
  NET *net = analyser();
  constexpr int kThreads = 4, kErrors = kCaptureErrors ? 100 : 10;
  if (kCaptureErrors) testing::internal::CaptureStderr();
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; k++)
    threads.emplace_back([net] {
      APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
      for (int i = 0; i < kErrors; i++) apply_to_string("c\xFF", applyer);
      free_applyer(applyer);
    });
  for (std::thread &thread : threads) thread.join();
  if (kCaptureErrors) {
    const std::string written = testing::internal::GetCapturedStderr();
    const std::string message =
        "\n*** ERROR: Cannot parse a symbol starting with 0xFF in UTF8-mode. ***\n";
    size_t count = 0;
    for (size_t at = written.find(message); at != std::string::npos;
         at = written.find(message, at + message.size()))
      count++;
    EXPECT_EQ(count, static_cast<size_t>(kThreads * kErrors));
  }
  EXPECT_EQ(int_parameters()->word[KORA_ERROR_SEEN], 1);
  free_network(net);
}

TEST_F(ApplyThreadsTest, UnknownCharactersAreNotEnteredIntoTheLabelMap) {
  NET *net = analyser();
  const uint32_t labels_before = kora::label_count();
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  // ö and 中 pass OTHER as themselves; ü is in the sigma, so OTHER does not take it.
  EXPECT_STREQ(apply_to_string("d\xC3\xB6\xE4\xB8\xAD\xC3\xB6", applyer),
               "d\xC3\xB6\xE4\xB8\xAD\xC3\xB6\n");
  EXPECT_STREQ(apply_to_string("d\xC3\xBC", applyer), "");
  EXPECT_STREQ(apply_to_string("c\xC3\xB6t+Noun", applyer), "");  // @L.V@ wants a or é
  EXPECT_STREQ(apply_to_string("c\xC3\xA9\xC3\x9F+Noun", applyer), "c\xC3\xA9\xC3\x9F\n");
  free_applyer(applyer);
  EXPECT_EQ(kora::label_count(), labels_before);

  // The same in ISO-8859-1: bytes above 127 are characters of their own.
  set_char_encoding(context_, KORA_LATIN1);
  applyer = init_apply(net, 0, nullptr);
  EXPECT_STREQ(apply_to_string("d\xF6\xDF", applyer), "d\xF6\xDF\n");
  FILE *file = std::tmpfile();
  std::fputs("d\xF6\nd\xFC\n", file);
  std::rewind(file);
  free_applyer(applyer);
  applyer = new_applyer(net, nullptr, file, 0, nullptr);
  EXPECT_STREQ(next_apply_output(applyer), "d\xF6\n");
  EXPECT_STREQ(next_apply_output(applyer), "");
  EXPECT_EQ(next_apply_output(applyer), nullptr);
  std::fclose(file);
  free_applyer(applyer);
  EXPECT_EQ(kora::label_count(), labels_before);

  // Both-sides output writes an unknown character that passed OTHER as itself.
  set_char_encoding(context_, KORA_UTF8);
  int_parameters()->word[KORA_APPLY_BOTH_SIDES] = 1;
  applyer = init_apply(net, 0, nullptr);
  EXPECT_STREQ(apply_to_string("d\xC3\xB6", applyer), "d\xC3\xB6\n");
  free_applyer(applyer);
  free_network(net);
}

}  // namespace
