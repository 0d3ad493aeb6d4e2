// The fuzzer's seeds (saved files of every kind of network) and the inputs it found: each loads
// without a crash or a leak, a seed loads whole, and a network loaded from any of them is
// consistent and can be saved again.

#include <string>
#include <vector>

#include "bin-in.h"
#include "files.h"
#include "kora_test.h"

namespace {

class FuzzRegressionTest : public kora_test::QuietLibrary {};

using kora_test::files_in;

// Loads the bytes; returns the number of networks read (-1 for none).
int load_and_check(const kora_test::Bytes &bytes) {
  NV *nv = kora::load_nets_from_bytes(bytes.data(), bytes.size(), "input");
  if (nv == nullptr) return -1;
  EXPECT_FALSE(kora_test::saved_bytes(std::vector<NET *>(nv->nets, nv->nets + nv->len)).empty());
  for (int i = 0; i < nv->len; i++) {
    NET *net = nv->nets[i];
    uncompact_net(net);  // a compacted network's block is walked whole
    uint32_t states = 0, arcs = 0;
    for (STATE *state = net->states; state != nullptr; state = state->next, states++)
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arcs++;
    EXPECT_EQ(states, net->num_states);
    EXPECT_EQ(arcs, net->num_arcs);
  }
  int count = nv->len;
  free_nv_and_nets(nv);
  return count;
}

TEST_F(FuzzRegressionTest, EverySeedLoadsWhole) {
  std::vector<std::string> seeds = files_in(std::string(KORA_TEST_DATA) + "/fuzz-load-nets/seeds");
  ASSERT_GE(seeds.size(), 10u);
  for (const std::string &seed : seeds) {
    kora_test::Bytes bytes = kora_test::read_bytes(seed);
    int count = load_and_check(bytes);
    EXPECT_TRUE(kora_test::messages().errors.empty())
        << seed << ": " << kora_test::messages().errors.front();
    int expected = bytes[13] << 16 | bytes[14] << 8 | bytes[15];
    EXPECT_EQ(count, expected == 0 ? -1 : expected) << seed;
    kora_test::messages().clear();
  }
}

TEST_F(FuzzRegressionTest, EveryInputTheFuzzerFoundLoadsWithoutHarm) {
  for (const std::string &input :
       files_in(std::string(KORA_TEST_DATA) + "/fuzz-load-nets/regressions")) {
    SCOPED_TRACE(input);
    load_and_check(kora_test::read_bytes(input));
  }
}

}  // namespace
