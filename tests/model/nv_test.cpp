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
