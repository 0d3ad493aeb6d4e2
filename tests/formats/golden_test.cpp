// Exact bytes of network files: the header of a file written at a fixed time, and the records of
// the small networks whose encoding is fully determined (an empty network, a final start state
// without arcs, a fan of seventeen labels).

#include <string>
#include <vector>

#include "bin-header.h"
#include "files.h"
#include "kora_test.h"

namespace {

using kora_test::Bytes;
using kora_test::saved_bytes;

class GoldenTest : public kora_test::Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    kora::set_fixed_time(0);  // January 01, 1970 00:00:00 GMT
  }
};

void append(Bytes &bytes, const std::string &text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// The header of a file written at Unix time 0 by the default copyright holder, with its location
// table of `count` entries, the first `first` (the others 0).
Bytes header_at_epoch(int count, uint32_t total, std::vector<uint32_t> locations) {
  Bytes bytes;
  auto put_u32 = [&bytes](uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<uint8_t>(value >> shift));
  };
  put_u32(total);
  const Bytes rest{19, 0, 50, 0x83, 0xAA, 0x7E, 0x80, 0x00, 92, 0, 0, static_cast<uint8_t>(count),
                   0, 0, 0, 0};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  append(bytes, "January 01, 1970 00:00:00 GMT");  // 29 characters
  bytes.push_back(0);
  append(bytes, "Copyright (c) 1970 by the kora developers");  // 41 characters
  bytes.push_back(0);
  for (uint32_t location : locations) put_u32(location);
  return bytes;
}

// A network whose flags are only deterministic and minimized (flag word 0x09).
NET *with_plain_flags(NET *net) {
  net->flags = {};
  net->flags.deterministic = 1;
  net->flags.minimized = 1;
  net->flags2.sorted_arcs = 0;
  net->flags2.upper_sequentialized = net->flags2.lower_sequentialized = 0;
  return net;
}

TEST_F(GoldenTest, TheTimeTextAndTheNoticeArePaddedToEvenLengths) {
  kora::set_fixed_time(86400 * 9);  // January 10, 1970: the time text has 29 characters too
  copyright_holder("x");            // notice "Copyright (c) 1970 by x": 23 characters
  Bytes bytes = saved_bytes({});
  ASSERT_EQ(bytes.size(), 20u + 30 + 24);
  EXPECT_EQ(bytes[6], 50);
  EXPECT_EQ(bytes[12], 74);
  EXPECT_EQ(bytes[49], 0);
  EXPECT_EQ(bytes[73], 0);
  copyright_holder("xy");  // 24 characters: no padding
  bytes = saved_bytes({});
  EXPECT_EQ(bytes.size(), 20u + 30 + 24);
  EXPECT_EQ(bytes[73], 'y');
}

// One state without arcs, not final and final (which the flag word alone carries): S=1 A=0, the
// flags, P=0; atoms: 0 of type 2; labels: 2 of arity 1 (EPSILON, OTHER); no body; the length.
TEST_F(GoldenTest, OneStateWithoutArcsIsCountsFlagsAndTheTwoReservedLabels) {
  const Bytes records[] = {{0x01, 0x00, 0x09, 0x00, 0x00, 0x02, 0x02, 0x01, 0x00, 0x01, 0x0B},
                           {0x01, 0x00, 0x82, 0x09, 0x00, 0x00, 0x02, 0x02, 0x01, 0x00, 0x01, 0x0C}};
  for (int final : {0, 1}) {
    NET *net = with_plain_flags(null_net());
    net->start->flags.final = final;
    Bytes expected = header_at_epoch(1, 96 + static_cast<uint32_t>(records[final].size()), {96});
    expected.insert(expected.end(), records[final].begin(), records[final].end());
    EXPECT_EQ(saved_bytes({net}), expected) << final;
    free_network(net);
  }
}

TEST_F(GoldenTest, TheSeventeenthMostFrequentLabelTakesTwoBytes) {
  // A start state with one arc for each of a..q (each used once, so numbered by id: a is 0,
  // q is 16) to a final state of its own.
  NET *net = with_plain_flags(make_empty_net());
  STATE *start = add_state_to_net(net, 0);
  net->start = start;
  for (char c = 'q'; c >= 'a'; c--)
    add_arc_to_state(net, start, static_cast<uint32_t>(c), add_state_to_net(net, 1), nullptr, 0);
  with_plain_flags(net);
  Bytes record{0x12, 0x11, 0x09, 0x00, 0x11, 0x02};
  for (char c = 'a'; c <= 'q'; c++) {
    Bytes atom{0x01, 0x00, static_cast<uint8_t>(c)};
    record.insert(record.end(), atom.begin(), atom.end());
  }
  record.push_back(0x13);  // 17 labels, EPSILON, OTHER
  record.push_back(0x01);
  for (int atom = 2; atom <= 18; atom++) record.push_back(static_cast<uint8_t>(atom));
  record.push_back(0x00);
  record.push_back(0x01);
  // The arcs in list order (a first), each to a new final state without arcs, named by number.
  for (int i = 0; i < 17; i++) {
    uint8_t flags = 0x10 | (i == 16 ? 0x20 : 0);
    if (i < 16) {
      record.push_back(static_cast<uint8_t>(0x40 | flags | i));
    } else {
      record.push_back(static_cast<uint8_t>(0xC0 | flags));
      record.push_back(0x10);
    }
    record.push_back(static_cast<uint8_t>(i + 1));
  }
  // The record's length, 115, with its own two bytes.
  size_t length = record.size() + 2;
  record.push_back(static_cast<uint8_t>(0x80 | length >> 7));
  record.push_back(static_cast<uint8_t>(length & 0x7F));
  Bytes bytes = saved_bytes({net});
  ASSERT_GT(bytes.size(), 96u);
  EXPECT_EQ(Bytes(bytes.begin() + 96, bytes.end()), record);
  free_network(net);
}

}  // namespace
