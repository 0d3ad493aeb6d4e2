// Compaction: the variable-length codes; compacting and uncompacting random networks keeps the
// relation, the states and the arcs (one state without arcs among them); printing, copying and
// the size summary of a compacted network; saving and loading it, read and mapped; damaged
// blocks refused when read, and walked within their bounds when mapped; one applyer's lookups,
// in order, against the uncompacted network. Lookup on compacted networks is checked with the
// other forms in forms_test.cpp.

#include <string>
#include <vector>

#include "apply.h"
#include "compact-arcs.h"
#include "print.h"
#include "struct.h"
#include "files.h"
#include "kora_test.h"
#include "language.h"
#include "networks.h"

namespace {

using kora_test::Bytes;

class CompactTest : public kora_test::LineFeedLibrary {};

TEST(CompactCodes, LengthsAndBytes) {
  struct Case {
    uint32_t value;
    int field;
    uint8_t flags;
    Bytes bytes;
  };
  const Case cases[] = {
      {0, 5, 0, {0x00}},
      {31, 5, 0x40, {0x5F}},                // one byte, the final flag beside it
      {32, 5, 0x20, {0xA0, 0x20}},          // two: 128 + last flag + 0, then 32
      {4095, 5, 0, {0x9F, 0x7F}},           // 31 << 7 | 127
      {4096, 5, 0, {0x80, 0xA0, 0x00}},     // 13 bits: the leading part does not fit 5
      {127, 7, 0, {0x7F}},
      {128, 7, 0, {0x81, 0x00}},
      {16383, 7, 0, {0x80, 0xFF, 0x7F}},    // 14 bits: a shift of 14
      {0xFFFFFFFF, 7, 0, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    Bytes out;
    kora::put_compact_code(out, c.value, c.field, c.flags);
    EXPECT_EQ(out, c.bytes);
    EXPECT_EQ(kora::compact_code_length(c.value, c.field), static_cast<int>(c.bytes.size()));
  }
}

TEST_F(CompactTest, CompactingAndUncompactingKeepsRelationStatesAndArcs) {
  kora_test::RandomNetOptions options;
  options.max_states = 7;
  options.max_arcs = 16;
  options.other = true;
  size_t compacted = 0;
  kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
    options.transducer = seed % 2 == 0;
    // The first two seeds: one state without arcs, not final and final.
    NET *plain = seed > 2 ? kora_test::random_net(random, options)
                          : seed == 1 ? null_net() : epsilon_net();
    NET *net = copy_net(plain);
    compact_net(net, nullptr);
    ASSERT_TRUE(net->flags.compacted);
    EXPECT_EQ(net->num_states, plain->num_states);
    EXPECT_EQ(net->num_arcs, plain->num_arcs);
    NET *copy = copy_net(net);  // a copy of the block
    compacted++;
    for (NET *back : {net, copy}) {
      uncompact_net(back);
      EXPECT_FALSE(back->flags.compacted);
      EXPECT_EQ(back->num_states, plain->num_states);
      EXPECT_EQ(back->num_arcs, plain->num_arcs);
      EXPECT_EQ(back->start->flags.final, plain->start->flags.final);
      EXPECT_TRUE(kora_test::same_relation(plain, back, 4));
    }
    EXPECT_TRUE(kora_test::messages().errors.empty());
    free_network(copy);
    free_network(net);
    free_network(plain);
  });
  EXPECT_EQ(compacted, 60u);
}

// One applyer over a compacted network indexes its states as lookups first reach them; over a
// run of inputs it writes what one applyer over the uncompacted network (the same arcs in the
// same order, indexed whole) writes, in the same order, even when a state with a flag or OTHER
// is met only after lookups that needed none ("cz" is the first to reach the "?" of the first
// network).
TEST_F(CompactTest, LookupsInOrderAsOnTheUncompactedNetwork) {
  auto lookups = [](NET *net, int side, const std::vector<std::string> &inputs) {
    std::string written;
    APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
    for (const std::string &input : inputs)
      written.append(apply_to_string(input.c_str(), applyer)).append("|");
    free_applyer(applyer);
    return written;
  };
  auto check = [&](NET *net, const std::vector<std::string> &inputs) {
    compact_net(net, nullptr);
    NET *uncompacted = copy_net(net);
    uncompact_net(uncompacted);
    for (int side = 0; side < 2; side++)
      EXPECT_EQ(lookups(net, side, inputs), lookups(uncompacted, side, inputs)) << "side " << side;
    free_network(uncompacted);
    free_network(net);
  };
  check(read_regex("a b | c ?"), {"ab", "cz", "cb", "c"});
  std::vector<std::string> inputs{""};
  const std::string characters = "abcdefgz";
  for (char first : characters) {
    inputs.push_back({first});
    for (char second : characters) inputs.push_back({first, second});
  }
  kora_test::for_seeds(40, [&](unsigned, std::mt19937 &random) {
    check(kora_test::twinned_net(random), inputs);
  });
}

// A state whose only special arc is an epsilon move to a state without arcs reads one arc at
// most while symbols remain, as in the index of the whole network, once a lookup has taken the
// move: its marks wait for the move's destination.
TEST_F(CompactTest, AStateGetsItsMarksOnceItsMovesArrive) {
  NET *net = read_regex("a b 0:x | a c");
  compact_net(net, nullptr);
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  const kora::ApplyIndex &index = *applyer->index[0];
  auto after_ab = [&index] {
    uint32_t s = 0;
    for (uint32_t c : {'a', 'b'}) s = index.arc(index.only_arc(s, index.state(s), c)).destination;
    return index.state(s);
  };
  EXPECT_STREQ(apply_to_string("ab", applyer), "abx\n");
  EXPECT_TRUE(after_ab().reads_one);
  EXPECT_TRUE(after_ab().move_ends);
  free_applyer(applyer);
  free_network(net);
}

TEST_F(CompactTest, FrequentLabelsAndStatesGetTheShortestCodes) {
  // Many states lead to the final one with 'a'; 'b' appears once.
  NET *net = read_regex("[a | b a | c a | d a | e a | b b]");
  compact_net(net, nullptr);
  EXPECT_EQ(net->auxiliary_alph->items[0], static_cast<uint32_t>('a'));
  // The most referenced state, the final one, comes first.
  STATE *final = nullptr;
  kora::ARC_ITERATOR iterator;
  kora::start_arc_iterator(net, &iterator);
  ARC *cursor;
  bool done;
  kora::start_state_arcs(&iterator, net->start, &cursor, &done);
  while (ARC *arc = kora::next_arc(&iterator, &cursor, &done))
    if (arc->label == 'a') final = arc->destination;
  kora::free_arc_iterator(&iterator);
  ASSERT_NE(final, nullptr);
  EXPECT_TRUE(final->flags.final);
  EXPECT_EQ(kora::compact_record(final)->position, 1u);
  free_network(net);
}

// (The calculus's refusals of a compacted network are in operations/calculus_frame_test.cpp.)
TEST_F(CompactTest, PrintingAndSize) {
  NET *net = read_regex("a b | a c");
  compact_net(net, nullptr);
  const std::string listing = kora_test::stdout_of([&] { print_net(net, stdout); });
  EXPECT_NE(listing.find("compacted"), std::string::npos) << listing;
  EXPECT_NE(listing.find("a -> "), std::string::npos) << listing;
  EXPECT_NE(listing.find("fs0:  (no arcs)"), std::string::npos) << listing;  // final, read off arcs
  const std::string size = kora_test::stdout_of([&] { kora::print_net_size(net, stdout, "\n"); });
  EXPECT_NE(size.find(". Compacted.\n"), std::string::npos) << size;
  free_network(net);
}

class CompactFileTest : public CompactTest {
 protected:
  kora_test::ScratchFiles files_;
};

TEST_F(CompactFileTest, SavedCompactedNetworksLoadReadAndMapped) {
  NET *plain = read_regex("[c a t | c a t s | d o g | d o g s]:[x]");
  NET *net = copy_net(plain);
  compact_net(net, nullptr);
  const std::string path = files_.path("compacted.fst");
  ASSERT_EQ(save_net(net, path.c_str(), nullptr), 0);
  for (int mapped : {0, 1}) {
    SCOPED_TRACE(mapped);
    context_->map_arc_blocks = mapped;
    NET *loaded = load_net(path.c_str(), nullptr);
    ASSERT_NE(loaded, nullptr);
    ASSERT_TRUE(loaded->flags.compacted);
    const kora::CompactNet *block = kora::compact_of(loaded);
    EXPECT_EQ(block->mapping != nullptr, mapped == 1);
    EXPECT_EQ(block->owned == nullptr, mapped == 1);
    EXPECT_EQ(kora_test::sorted_results(loaded, 0, "cats"), kora_test::sorted_results(plain, 0, "cats"));
    EXPECT_EQ(kora_test::sorted_results(loaded, 1, "x").size(), 4u);
    uncompact_net(loaded);  // gives the mapping back
    EXPECT_TRUE(kora_test::same_relation(plain, loaded, 6));
    free_network(loaded);
  }
  // The mapping outlives the load and goes with the last network over it.
  NV *both = make_nv(2);
  both->nets[0] = net;
  both->nets[1] = copy_net(net);
  ASSERT_EQ(save_nets(both, path.c_str(), nullptr), 0);
  NV *loaded = load_nets(path.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->len, 2);
  const kora::SharedMapping *mapping = kora::compact_of(loaded->nets[0])->mapping;
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->users, 2);
  free_network(loaded->nets[0]);
  EXPECT_EQ(mapping->users, 1);
  EXPECT_EQ(kora_test::sorted_results(loaded->nets[1], 0, "dogs"), kora_test::sorted_results(plain, 0, "dogs"));
  free_nv_and_nets(loaded);
  free_nv_and_nets(both);
  EXPECT_TRUE(kora_test::messages().errors.empty());
  free_network(plain);
}

TEST_F(CompactFileTest, DamagedBlocksAreRefused) {
  NET *net = read_regex("a b c | a d");
  compact_net(net, nullptr);
  const Bytes good = kora_test::saved_bytes({net});
  const uint32_t size = net->block_size;
  free_network(net);
  ASSERT_FALSE(good.empty());
  // The block lies just before the trailing length (one byte): change each of its bytes.
  const std::string path = files_.path("damaged.fst");
  size_t refused = 0;
  for (size_t k = 0; k < size; ++k) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}, uint8_t{0x3F}}) {
      Bytes bad = good;
      const size_t at = good.size() - 1 - size + k;
      if (bad[at] == value) continue;
      bad[at] = value;
      kora_test::messages().clear();
      NET *loaded = load_net_from_memory(bad.data(), bad.size(), nullptr);
      refused += loaded == nullptr || !loaded->flags.compacted;
      if (loaded != nullptr && loaded->flags.compacted) {
        // Whatever was accepted can be walked whole.
        kora_test::stdout_of([&] { print_net(loaded, stdout); });
        uncompact_net(loaded);
      }
      free_network(loaded);
      // Mapped, the block is not checked whole: whatever loads is walked within its bounds.
      kora_test::write_bytes(path, bad);
      context_->map_arc_blocks = 1;
      if (NET *mapped = load_net(path.c_str(), nullptr)) {
        kora_test::stdout_of([&] { print_net(mapped, stdout); });
        kora_test::sorted_results(mapped, 0, "abc");
        uncompact_net(mapped);
        free_network(mapped);
      }
      context_->map_arc_blocks = 0;
    }
  }
  EXPECT_GT(refused, size);
}

}  // namespace
