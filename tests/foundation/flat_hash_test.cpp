// Flat hash tables: a seeded random run against std::map through growth, reservations and
// clears, with a hash so poor that tags collide and one with its tag bits zero.

#include <cstdint>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "flat-hash.h"
#include "kora_test.h"

namespace {

struct Item {
  uint32_t key;
  uint32_t value;
};

// Keys below 2^32 with three kinds of hash: well mixed, 64 values only (long probe runs of one
// tag), and below 2^32 (an all-zero tag, which must not read as an empty slot).
uint64_t hash_of(uint32_t key, int kind) {
  if (kind == 0) return kora::hash_mix(key);
  if (kind == 1) return static_cast<uint64_t>(key % 64) << 40;
  return key;
}

TEST(FlatHashTest, AgreesWithAMapThroughGrowthReservationsAndClears) {
  for (int kind = 0; kind < 3; kind++) {
    SCOPED_TRACE(::testing::Message() << "kind " << kind);
    kora_test::for_seeds(2, [&](unsigned, std::mt19937 &random) {
      kora::FlatHash<Item> table("TEST");
      std::map<uint32_t, uint32_t> reference;
      for (int step = 0; step < 10000; step++) {
        uint32_t key = random() % 3000;
        auto holds = [key](const Item &item) { return item.key == key; };
        if (random() % 5000 == 0) {
          table.clear();
          reference.clear();
        } else if (random() % 2000 == 0) {
          const size_t entries = random() % 4000;
          table.reserve(entries);
          ASSERT_LE(2 * entries, table.capacity()) << "step " << step;
        } else if (random() % 2 == 0) {
          bool added;
          Item *item = table.insert(hash_of(key, kind), holds, &added);
          ASSERT_EQ(added, reference.count(key) == 0) << "step " << step;
          if (added) {
            EXPECT_EQ(item->key, 0u) << "a new entry is zero";
            *item = Item{key, static_cast<uint32_t>(step)};
            reference[key] = static_cast<uint32_t>(step);
          }
        } else {
          const Item *item = table.find(hash_of(key, kind), holds);
          auto expected = reference.find(key);
          ASSERT_EQ(item != nullptr, expected != reference.end()) << "step " << step;
          if (item != nullptr) {
            EXPECT_EQ(item->value, expected->second);
          }
        }
        ASSERT_EQ(table.size(), reference.size());
        ASSERT_LE(2 * table.size(), table.capacity());
      }
    });
  }
}

}  // namespace
