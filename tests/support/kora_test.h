// Test helpers: a fixture that runs each test in a freshly initialized library and records
// every warning and error the library reports, and the seed loop of the randomized tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "kora.h"

namespace kora_test {

// The messages reported since the last clear().
struct Messages {
  std::vector<std::string> warnings;
  std::vector<std::string> errors;
  void clear() {
    warnings.clear();
    errors.clear();
  }
};

// Messages captured by the callbacks that Library installs.
Messages &messages();

// Each test starts with initialize_kora(), capturing callbacks and the default parameters, and
// ends with reclaim_kora(), so that LeakSanitizer sees whatever a test left behind.
class Library : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  FST_CONTEXT *context_ = nullptr;
};

// The same with the verbose notes of operations off.
class QuietLibrary : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    int_parameters()->word[KORA_VERBOSE] = 0;
  }
};

// Quiet, and each result of an applyer or a listing ending with "\n".
class LineFeedLibrary : public QuietLibrary {
 protected:
  void SetUp() override {
    QuietLibrary::SetUp();
    context_->eol_string = "\n";
  }
};

// The members of a binary or a label alphabet, read straight from its items.
std::set<uint32_t> alph_members(const ALPH *alph);

// The results of applying `net` from `side` (0 upper, 1 lower) to `input`, one per line of the
// output, sorted: the representations of a network may find them in another order.
std::vector<std::string> sorted_results(NET *net, int side, const std::string &input);

// The seeds of a randomized test: 1 to `count`; 1 to N with KORA_TEST_SEEDS=N in the
// environment (for long runs); only S with KORA_TEST_SEED=S (to run a failure again).
std::vector<unsigned> seeds(unsigned count);

// Runs f(seed, random) for each of seeds(count), `random` seeded with the seed, which every
// failure names. Stops after the first seed that fails. Returns the number of seeds run.
template <typename F>
unsigned for_seeds(unsigned count, F &&f) {
  unsigned run = 0;
  for (unsigned seed : seeds(count)) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    f(seed, random);
    run++;
    if (::testing::Test::HasFailure()) break;
  }
  return run;
}

// What `action` prints on the standard output.
template <typename Action>
std::string stdout_of(Action action) {
  ::testing::internal::CaptureStdout();
  action();
  return ::testing::internal::GetCapturedStdout();
}

// What `print` writes on the stream it is given.
template <typename Print>
std::string written_by(Print print) {
  char *text = nullptr;
  size_t length = 0;
  FILE *stream = open_memstream(&text, &length);
  print(stream);
  std::fclose(stream);
  std::string result(text, length);
  std::free(text);
  return result;
}

// What print_net lists for the network.
inline std::string listing(NET *net) {
  return written_by([net](FILE *stream) { print_net(net, stream); });
}

}  // namespace kora_test
