// Net vectors: order of entries under pushes and appends across the capacities of the array
// (against std::vector), and who frees what.

#include <vector>

#include "kora_test.h"
#include "net-vector.h"

namespace {

using Nets = std::vector<NET *>;

class NetVectorTest : public kora_test::Library {};

Nets entries(const NV *nv) { return {nv->nets, nv->nets + NV_len(nv)}; }

// The array grows in powers of two: lengths that cross many of them, by pushes, appends and
// expansions, must keep every entry (AddressSanitizer watches the writes).
TEST_F(NetVectorTest, GrowingAcrossCapacitiesKeepsEveryEntry) {
  NET *n[3] = {null_net(), epsilon_net(), symbol_net("a")};
  NV *nv = kora::make_nv(3);
  Nets reference(3, nullptr);
  for (int i = 0; i < 70; i++) {
    NET *net = n[i % 3];
    if (i % 7 == 0) {
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
  kora::expand_nv(nv, -2);
  EXPECT_EQ(entries(nv), reference) << "a count below 1 changes nothing";
  kora::free_nv(nv);
  for (NET *net : n) free_network(net);
}

TEST_F(NetVectorTest, FreeingNetsKeepsTheRecordAndFreeNvKeepsTheNets) {
  NET *kept = symbol_net("k");
  NV *nv = kora::nv_push_back(symbol_net("x"), kora::nv_of_net(symbol_net("y")));
  kora::free_nets_of_nv(nv);
  EXPECT_EQ(entries(nv), Nets(2, nullptr));
  NV_net(nv, 0) = kept;
  kora::free_nv(nv);
  EXPECT_TRUE(kept->flags2.live);
  free_network(kept);
}

}  // namespace
