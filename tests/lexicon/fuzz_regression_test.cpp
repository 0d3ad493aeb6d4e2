// The fuzzer's seeds and the inputs it found (tests/data/fuzz-read-vorn): each compiles to a
// network, in both input encodings, and the library stays usable afterwards.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "language.h"

namespace {

using kora_test::files_in;

class ReadVornFuzzInputs : public kora_test::Library {};

TEST_F(ReadVornFuzzInputs, EveryInputCompiles) {
  int_parameters()->word[KORA_VERBOSE] = 0;
  std::vector<std::string> inputs = files_in(KORA_TEST_DATA "/fuzz-read-vorn/seeds");
  for (const std::string &file : files_in(KORA_TEST_DATA "/fuzz-read-vorn/regressions"))
    inputs.push_back(file);
  ASSERT_GE(inputs.size(), 3u);
  for (int encoding : {KORA_UTF8, KORA_LATIN1}) {
    set_char_encoding(get_default_kora_context(), encoding);
    for (const std::string &input : inputs) {
      SCOPED_TRACE(input);
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      NET *net = read_vorn(input.c_str());
      testing::internal::GetCapturedStderr();
      testing::internal::GetCapturedStdout();
      ASSERT_NE(net, nullptr);
      if (NET_num_arcs(net) > 0) {
        EXPECT_TRUE(NET_minimized(net));
      }
      free_network(net);
    }
  }
  // Still usable: a plain lexicon compiles as it should.
  set_char_encoding(get_default_kora_context(), KORA_UTF8);
  NET *net = read_vorn(KORA_TEST_DATA "/fuzz-read-vorn/seeds/animals.vorn");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::enumerate(net, kora_test::universe_of({net}), 16).size(), 14u);
  free_network(net);
}

}  // namespace
