// Net vectors: order of entries under pushes, appends and reversal (against std::vector),
// refusals of nv_get, and who frees what.

#include <vector>

#include "kora_test.h"
#include "nv.h"

namespace {

using kora_test::messages;
using Nets = std::vector<NET *>;

class NvTest : public kora_test::Library {};

Nets entries(const NV *nv) { return {nv->nets, nv->nets + NV_len(nv)}; }

TEST_F(NvTest, PushesAppendsAndReversalKeepTheOrderOfAReferenceVector) {
  NET *n[5] = {null_net(), epsilon_net(), symbol_net("a"), symbol_net("b"), symbol_net("c")};
  NV *nv = kora::nv_push_back(n[2], kora::nv_push_front(n[1], kora::nv_push_back(n[0], nullptr)));
  EXPECT_EQ(entries(nv), (Nets{n[1], n[0], n[2]}));
  nv = kora::nv_append(nv, kora::nv_push_front(n[3], kora::nv_of_net(n[4])));
  EXPECT_EQ(entries(nv), (Nets{n[1], n[0], n[2], n[3], n[4]}));
  kora::nv_reverse(nv);
  EXPECT_EQ(entries(nv), (Nets{n[4], n[3], n[2], n[0], n[1]}));
  EXPECT_EQ(kora::nv_get(nv, 1), n[3]);
  kora::free_nv_and_nets(nv);
}

// The array grows in powers of two: lengths that cross many of them, by pushes at both ends,
// appends and expansions, must keep every entry (AddressSanitizer watches the writes).
TEST_F(NvTest, GrowingAcrossCapacitiesKeepsEveryEntry) {
  NET *n[3] = {null_net(), epsilon_net(), symbol_net("a")};
  NV *nv = kora::make_nv(3);
  Nets reference(3, nullptr);
  for (int i = 0; i < 70; i++) {
    NET *net = n[i % 3];
    if (i % 5 == 0) {
      nv = kora::nv_push_front(net, nv);
      reference.insert(reference.begin(), net);
    } else if (i % 7 == 0) {
      nv = kora::nv_append(nv, kora::nv_push_back(net, kora::make_nv(i % 4)));
      reference.insert(reference.end(), i % 4, nullptr);
      reference.push_back(net);
    } else if (i % 11 == 0) {
      kora::expand_nv(nv, i);
      reference.insert(reference.end(), i, nullptr);
    } else {
      nv = kora::nv_push_back(net, nv);
      reference.push_back(net);
    }
    ASSERT_EQ(entries(nv), reference) << "after step " << i;
  }
  kora::free_nv(nv);
  for (NET *net : n) free_network(net);
}

TEST_F(NvTest, NvGetRefusesPositionsOutOfRange) {
  NV *nv = kora::make_nv(2);
  for (int position : {-1, 2}) EXPECT_EQ(kora::nv_get(nv, position), nullptr);
  EXPECT_EQ(kora::nv_get(nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{
                                   "No net at position -1.", "No net at position 2.",
                                   "No net at position 0."}));
  EXPECT_EQ(kora::nv_get(nv, 1), nullptr) << "a new vector's entries are null";
  kora::expand_nv(nv, 2);
  EXPECT_EQ(entries(nv), Nets(4, nullptr));
  kora::expand_nv(nv, -2);
  EXPECT_EQ(NV_len(nv), 4);
  kora::free_nv(nv);
}

TEST_F(NvTest, FreeingNetsKeepsTheRecordAndFreeNvKeepsTheNets) {
  NET *kept = symbol_net("k");
  NV *nv = kora::nv_push_back(symbol_net("x"), kora::nv_of_net(symbol_net("y")));
  kora::free_nets_of_nv(nv);
  EXPECT_EQ(entries(nv), Nets(2, nullptr));
  NV_net(nv, 0) = kept;
  kora::free_nv(nv);
  EXPECT_TRUE(kept->flags2.live);
  free_network(kept);

  kora::NVV *nvv = kora::make_nvv(3);
  NVV_nv(nvv, 0) = kora::nv_of_net(symbol_net("p"));
  NVV_nv(nvv, 2) = kora::nv_push_back(symbol_net("q"), kora::make_nv(1));
  kora::free_nvv(nvv);  // LeakSanitizer checks the nets went with it
  EXPECT_TRUE(messages().errors.empty());
}

}  // namespace
