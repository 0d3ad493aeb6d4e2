// Corrupt and truncated files: each damage is refused with its message, nothing crashes or leaks,
// and the networks the damage does not touch still load.

#include <set>
#include <string>
#include <vector>

#include "bin-in.h"
#include "files.h"
#include "kora_test.h"
#include "language.h"
#include "networks.h"

namespace {

using kora_test::Bytes;
using kora_test::messages;

class CorruptTest : public kora_test::QuietLibrary {};

NV *load(const Bytes &bytes) {
  return kora::load_nets_from_bytes(bytes.data(), bytes.size(), "damaged");
}

// The offset of the location table and the location of record `i`.
size_t table_of(const Bytes &bytes) { return static_cast<size_t>(bytes[11]) << 8 | bytes[12]; }
size_t record(const Bytes &bytes, int i) {
  return kora_test::u32_at(bytes, table_of(bytes) + 4 * static_cast<size_t>(i));
}

bool has_error(const std::string &text) {
  for (const std::string &error : messages().errors)
    if (error == text) return true;
  return false;
}

TEST_F(CorruptTest, ARecordWhoseTrailingLengthIsOffByOneLoadsEmptyAndTheOthersStillLoad) {
  NET *nets[3] = {symbol_net("a"), symbol_net("b"), symbol_net("c")};
  Bytes bytes = kora_test::saved_bytes({nets[0], nets[1], nets[2]});
  size_t end_of_second = record(bytes, 2);
  uint8_t length = bytes[end_of_second - 1];
  bytes[end_of_second - 1] = static_cast<uint8_t>(length + 1);
  NV *nv = load(bytes);
  ASSERT_NE(nv, nullptr);
  ASSERT_EQ(nv->len, 3);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"network_from_stream: Byte count mismatch. Expected " +
                                      std::to_string(length + 1) + ", got " +
                                      std::to_string(length) + "."}));
  EXPECT_EQ(nv->nets[1]->num_states, 1u);
  EXPECT_EQ(nv->nets[1]->num_arcs, 0u);
  EXPECT_EQ(kora_test::words(nv->nets[0], 2), (std::set<std::string>{"a"}));
  EXPECT_EQ(kora_test::words(nv->nets[2], 2), (std::set<std::string>{"c"}));
  free_nv_and_nets(nv);
  for (NET *net : nets) free_network(net);
}

TEST_F(CorruptTest, EveryNegativeLabelIndexIsRefused) {
  // An automaton's label table: count, arity 1, then one number per label.
  NET *net = symbol_net("a");
  Bytes bytes = kora_test::saved_bytes({net});
  const size_t start = record(bytes, 0);
  // S A flags P; atoms: 1, 2, the string "a" (3 bytes); labels: 3, 1, then 2 0 1.
  const size_t labels = start + 4 + 2 + 3 + 2;
  ASSERT_EQ(Bytes(bytes.begin() + labels, bytes.begin() + labels + 3), (Bytes{2, 0, 1}));
  for (int index = 1; index < 64; index++) {
    messages().clear();
    Bytes damaged = bytes;
    damaged[labels + static_cast<size_t>(index % 3)] = static_cast<uint8_t>(0x40 | index);
    EXPECT_EQ(load(damaged), nullptr);
    EXPECT_TRUE(has_error("get_alphabet: Illegal negative label -" + std::to_string(index)))
        << index;
  }
  free_network(net);
  // A transducer's table: -1 only in the pair -1, -1.
  NET *pair = pair_net('a', 'b');
  bytes = kora_test::saved_bytes({pair});
  // The label entries are pairs; a lone -1 after a non-negative index is refused.
  const size_t entries = record(bytes, 0) + 4 + 2 + 6 + 2;
  ASSERT_EQ(bytes[entries], 2);
  ASSERT_EQ(bytes[entries + 1], 3);
  for (size_t side : {0, 1}) {
    messages().clear();
    Bytes damaged = bytes;
    damaged[entries + side] = 0x41;
    EXPECT_EQ(load(damaged), nullptr);
    EXPECT_TRUE(has_error("get_alphabet: Illegal negative label -1")) << side;
  }
  free_network(pair);
}

TEST_F(CorruptTest, EveryTruncationIsRefusedAndWhatPrecedesItLoads) {
  NET *first = kora_test::chain_net(6, true);
  NET *second = symbol_net("b");
  add_string_property(second, "NETWORKNAME", "second");
  Bytes bytes = kora_test::saved_bytes({first, second});
  const size_t end_of_first = record(bytes, 1);
  for (size_t cut = 0; cut < bytes.size(); cut++) {
    messages().clear();
    NV *nv = load(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    EXPECT_FALSE(messages().errors.empty()) << cut;
    if (cut >= end_of_first) {
      ASSERT_NE(nv, nullptr) << cut;
      EXPECT_EQ(nv->len, 1) << cut;
    } else {
      EXPECT_EQ(nv, nullptr) << cut;
    }
    free_nv_and_nets(nv);
  }
  free_network(first);
  free_network(second);
}

TEST_F(CorruptTest, FilesThatAreNoNetworkFilesAreRefusedByTheirTypeByte) {
  std::string path = kora_test::scratch_path("text.txt");
  kora_test::write_bytes(path, Bytes{'a', 'b', 'c', 'd', 'a', '\n'});
  EXPECT_EQ(load_nets(path.c_str(), nullptr), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"This looks like a text file. Cannot load it."}));
  std::remove(path.c_str());

  NET *net = symbol_net("a");
  Bytes bytes = kora_test::saved_bytes({net});
  struct Case {
    size_t offset;
    uint8_t value;
    std::string message;
  } cases[] = {
      {4, 7, "Unknown file type 7"},
      {4, 1, "Unsupported file format; cannot load this network."},
      {17, 3, "Bad file header. 'damaged' cannot be loaded."},
      {18, 1, "Bad file header. 'damaged' cannot be loaded."},
      {0, 0, "Bad file header. 'damaged' cannot be loaded."},
  };
  for (const Case &c : cases) {
    messages().clear();
    Bytes damaged = bytes;
    damaged[c.offset] = c.value;
    if (c.offset == 0) damaged[1] = damaged[2] = damaged[3] = 0;
    EXPECT_EQ(load(damaged), nullptr);
    EXPECT_EQ(messages().errors, (std::vector<std::string>{c.message})) << c.offset;
  }
  free_network(net);
}

// A mark the arcs of a record contradict is cleared on loading; one they agree with is kept.
// Each network is saved claiming the mark (by its bit in the flag word).
TEST_F(CorruptTest, AMarkTheArcsContradictIsClearedAndOneTheyAgreeWithKept) {
  enum : uint32_t { kDeterministic = 0x1, kCompleted = 0x4, kMinimized = 0x8, kEpsilonFree = 0x10,
                    kLoopFree = 0x20 };
  using Arcs = std::vector<kora_test::Arc>;
  const Arcs chain{{0, 'a', 1}, {1, 'b', 2}};
  const Arcs diamond{{0, 'a', 1}, {1, 'd', 3}, {0, 'b', 2}, {2, 'c', 1}};  // 1 done before 2
  const Arcs back_to_start{{0, 'a', 1}, {1, 'b', 0}};  // 0 read whole when 1 leads back
  const Arcs loop_below{{0, 'a', 1}, {1, 'b', 2}, {2, 'c', 1}};
  const Arcs a_loop{{0, 'a', 0}};
  const Arcs twice_a{{0, 'a', 1}, {0, 'a', 2}};
  const Arcs epsilon{{0, KORA_EPSILON, 1}};
  struct Case {
    int states;
    const Arcs &arcs;
    uint32_t mark;
    bool kept;
  } cases[] = {
      {3, chain, kLoopFree, true},          {4, diamond, kLoopFree, true},
      {2, back_to_start, kLoopFree, false}, {3, loop_below, kLoopFree, false},
      {1, a_loop, kLoopFree, false},        {3, chain, kDeterministic, true},
      {3, twice_a, kDeterministic, false},  {2, epsilon, kDeterministic, false},
      {3, chain, kMinimized, true},         {3, twice_a, kMinimized, false},
      {3, chain, kEpsilonFree, true},       {2, epsilon, kEpsilonFree, false},
      {1, a_loop, kCompleted, true},        {3, chain, kCompleted, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << &c - cases);
    NET *net = kora_test::build_net(c.states, {c.states - 1}, c.arcs);
    kora::set_file_flags(net, kora::file_flag_word(net) | c.mark);
    NV *nv = load(kora_test::saved_bytes({net}));
    ASSERT_NE(nv, nullptr);
    EXPECT_EQ((kora::file_flag_word(nv->nets[0]) & c.mark) != 0, c.kept);
    for (STATE *state = nv->nets[0]->states; state != nullptr; state = state->next)
      EXPECT_EQ(state->flags.visit_mark, 0);
    free_nv_and_nets(nv);
    free_network(net);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(CorruptTest, HostileCountsAndNestingDoNotExhaustMemoryOrStack) {
  NET *net = symbol_net("a");
  Bytes bytes = kora_test::saved_bytes({net});
  const size_t start = record(bytes, 0);
  // A state count of 2^40 is refused as a count mismatch without allocating for it.
  Bytes huge(bytes.begin(), bytes.begin() + static_cast<long>(start));
  Bytes count{0x80, 0xA0, 0x80, 0x80, 0x80, 0x80, 0x00};  // 2^40
  huge.insert(huge.end(), count.begin(), count.end());
  huge.insert(huge.end(), bytes.begin() + static_cast<long>(start) + 1, bytes.end());
  EXPECT_EQ(load(huge), nullptr);
  EXPECT_FALSE(messages().errors.empty());
  // A property nested a thousand lists deep.
  Bytes nested(bytes.begin(), bytes.begin() + static_cast<long>(start) + 3);
  nested.insert(nested.end(), {1, 1, 0, 'k'});  // one property, its key "k"
  for (int i = 0; i < 1000; i++)
    nested.insert(nested.end(), {5, 1, 0x41});  // a list object of one element of objects
  messages().clear();
  EXPECT_EQ(load(nested), nullptr);
  EXPECT_TRUE(has_error("get_sequence: Sequences nested too deeply."));
  free_network(net);
}

}  // namespace
