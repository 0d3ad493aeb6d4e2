// Sparse sets: a seeded random run against std::set with clears and widening, and positions in
// insertion order that survive neither a clear nor stale array contents.

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "kora_test.h"
#include "sparse-set.h"

namespace {

TEST(SparseSetTest, AgreesWithASetThroughClearsAndWidening) {
  kora_test::for_seeds(2, [&](unsigned, std::mt19937 &random) {
    kora::SparseSet set(8);
    std::set<uint32_t> reference;
    std::vector<uint32_t> order;
    for (int step = 0; step < 10000; step++) {
      uint32_t k = random() % 600;
      if (random() % 300 == 0) {
        set.clear();
        reference.clear();
        order.clear();
      } else if (random() % 2 == 0) {
        set.widen(k + 1);
        bool added;
        uint32_t at = set.insert(k, &added);
        ASSERT_EQ(added, reference.insert(k).second) << "step " << step;
        if (added) order.push_back(k);
        ASSERT_EQ(set[at], k);
      }
      ASSERT_EQ(set.contains(k), reference.count(k) == 1) << "step " << step;
      ASSERT_EQ(std::vector<uint32_t>(set.begin(), set.end()), order);
    }
    EXPECT_EQ(set.position(1u << 30), kora::SparseSet::kAbsent) << "beyond the universe";
  });
}

TEST(SparseSetTest, ClearForgetsMembersWhoseSlotsStillPointRight) {
  kora::SparseSet set(10);
  bool added;
  for (uint32_t k : {7u, 3u, 9u}) set.insert(k, &added);
  EXPECT_EQ(set.position(3), 1u);
  set.clear();
  EXPECT_FALSE(set.contains(7)) << "dense[0] still holds 7 and sparse[7] still holds 0";
  EXPECT_EQ(set.insert(9, &added), 0u);
  EXPECT_TRUE(added);
  EXPECT_FALSE(set.contains(7));
  set.widen(1000);
  EXPECT_EQ(set.insert(999, &added), 1u) << "999 is inside the widened universe";
  EXPECT_EQ(set.position(9), 0u) << "members stay when the universe widens";
}

}  // namespace
