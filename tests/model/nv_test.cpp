// Net vectors: order of entries under pushes, appends and reversal (against std::vector),
// refusals of nv_get, and who frees what.

#include <vector>

#include "kora_test.h"
#include "nv.h"

namespace {

using kora_test::messages;

class NvTest : public kora_test::Library {};

std::vector<NET *> entries(const NV *nv) { return {nv->nets, nv->nets + NV_len(nv)}; }

TEST_F(NvTest, PushesAppendsAndReversalKeepTheOrderOfAReferenceVector) {
  NET *nets[5] = {null_net(), epsilon_net(), symbol_net("a"), symbol_net("b"), symbol_net("c")};
  NV *nv = nullptr;
  std::vector<NET *> reference;
  nv = kora::nv_push_back(nets[0], nv);
  reference.push_back(nets[0]);
  nv = kora::nv_push_front(nets[1], nv);
  reference.insert(reference.begin(), nets[1]);
  nv = kora::nv_push_back(nets[2], nv);
  reference.push_back(nets[2]);
  EXPECT_EQ(entries(nv), reference);

  NV *tail = kora::nv_push_front(nets[3], kora::nv_of_net(nets[4]));
  nv = kora::nv_append(nv, tail);
  reference.insert(reference.end(), {nets[3], nets[4]});
  EXPECT_EQ(entries(nv), reference);

  kora::nv_reverse(nv);
  EXPECT_EQ(entries(nv), std::vector<NET *>(reference.rbegin(), reference.rend()));
  for (int i = 0; i < NV_len(nv); ++i) EXPECT_EQ(kora::nv_get(nv, i), NV_net(nv, i));
  kora::free_nv_and_nets(nv);
}

TEST_F(NvTest, NvGetRefusesPositionsOutOfRange) {
  NV *nv = kora::make_nv(2);
  EXPECT_EQ(kora::nv_get(nv, -1), nullptr);
  EXPECT_EQ(kora::nv_get(nv, 2), nullptr);
  EXPECT_EQ(kora::nv_get(nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{"No net at position -1.",
                                                          "No net at position 2.",
                                                          "No net at position 0."}));
  EXPECT_EQ(kora::nv_get(nv, 1), nullptr) << "a new vector's entries are null";
  kora::free_nv(nv);
}

TEST_F(NvTest, ExpandingAddsNullEntries) {
  NV *nv = kora::nv_of_net(null_net());
  kora::expand_nv(nv, 3);
  ASSERT_EQ(NV_len(nv), 4);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(NV_net(nv, i), nullptr);
  kora::expand_nv(nv, -2);
  EXPECT_EQ(NV_len(nv), 4);
  kora::free_nv_and_nets(nv);
}

TEST_F(NvTest, FreeingNetsKeepsTheRecordAndFreeNvKeepsTheNets) {
  NET *kept = symbol_net("k");
  NV *nv = kora::nv_push_back(symbol_net("x"), kora::nv_of_net(symbol_net("y")));
  kora::free_nets_of_nv(nv);
  EXPECT_EQ(entries(nv), (std::vector<NET *>{nullptr, nullptr}));
  NV_net(nv, 0) = kept;
  kora::free_nv(nv);
  EXPECT_TRUE(kept->flags2.live);
  free_network(kept);

  kora::NVV *nvv = kora::make_nvv(3);
  NVV_nv(nvv, 0) = kora::nv_of_net(symbol_net("p"));
  NVV_nv(nvv, 2) = kora::nv_push_back(symbol_net("q"), kora::make_nv(1));
  kora::free_nvv(nvv);
  EXPECT_TRUE(messages().errors.empty());
}

}  // namespace
