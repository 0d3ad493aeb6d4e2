// Single-byte changes of saved files, each loaded and whatever loads used as a user would
// (written as text, its words listed and its paths counted, saved again, a compacted one
// listed, looked up in and uncompacted, and minimized). A hang is a
// failure by the test's timeout; the sanitizers see the rest.
// Each byte takes each of its one-bit changes and the values at the edges of the number code
// (0, 0x3F and 0x40 for the sign, 0x7F and 0x80 for the continuation, 0xFF): every value of
// every byte would take minutes under the sanitizers for little more.

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "bin-in.h"
#include "files.h"
#include "kora_test.h"
#include "networks.h"
#include "print.h"

namespace {

class MutationTest : public kora_test::QuietLibrary {
 protected:
  void SetUp() override {
    QuietLibrary::SetUp();
    null_ = std::fopen("/dev/null", "w");
    ASSERT_NE(null_, nullptr);
  }
  void TearDown() override {
    std::fclose(null_);
    Library::TearDown();
  }

  // Loads the bytes and uses every network read as a user would.
  void load_and_use(const kora_test::Bytes &bytes) {
    NV *nv = kora::load_nets_from_bytes(bytes.data(), bytes.size(), "mutated");
    for (int i = 0; nv != nullptr && i < nv->len; i++) {
      NET *net = nv->nets[i];
      write_spaced_text(net, "/dev/null");
      kora::print_net_size(net, null_, "\n");
      size_t length = 0;
      std::free(save_net_to_memory(net, &length, nullptr));
      if (net->flags.compacted) {
        print_net(net, null_);
        APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
        apply_to_string("abc", applyer);
        free_applyer(applyer);
        uncompact_net(net);
      }
      minimize_net(net);
    }
    free_nv_and_nets(nv);
  }

  FILE *null_ = nullptr;
};

TEST_F(MutationTest, EachByteChangeOfSavedFilesEndsWithinItsBound) {
  const std::string seeds = std::string(KORA_TEST_DATA) + "/fuzz-load-nets/seeds/";
  std::vector<std::string> files;
  for (const char *name : {"cycle.fst", "transducer.fst", "several.fst", "lists.fst", "compacted.fst"})
    files.push_back(seeds + name);
  int cases = 0;
  for (const std::string &file : files) {
    const kora_test::Bytes bytes = kora_test::read_bytes(file);
    ASSERT_FALSE(bytes.empty()) << file;
    for (size_t offset = 0; offset < bytes.size(); offset++) {
      kora_test::Bytes changed = bytes;
      std::set<uint8_t> values = {0x00, 0x3F, 0x40, 0x7F, 0x80, 0xFF};
      for (int bit = 0; bit < 8; bit++) values.insert(static_cast<uint8_t>(bytes[offset] ^ 1 << bit));
      values.erase(bytes[offset]);
      for (uint8_t value : values) {
        SCOPED_TRACE(file + " with byte " + std::to_string(offset) + " set to " + std::to_string(value));
        changed[offset] = static_cast<uint8_t>(value);
        load_and_use(changed);
        kora_test::messages().clear();
        // A fresh library now and then, so that the symbols the changes intern do not pile up.
        if (++cases % 2000 == 0) {
          reclaim_kora(context_);
          context_ = initialize_kora();
          int_parameters()->word[KORA_VERBOSE] = 0;
        }
      }
    }
  }
}

}  // namespace
