// Hash tables and stacks: sorted chains checked against std::map, chunk boundaries and misuse
// messages.

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "hash-tbl.h"
#include "kora_test.h"
#include "stack.h"

namespace {

using kora_test::messages;
using Strings = std::vector<std::string>;

void *word(uintptr_t n) { return reinterpret_cast<void *>(n); }
uintptr_t number(const void *p) { return reinterpret_cast<uintptr_t>(p); }

unsigned hash_mod7(const void *key) { return static_cast<unsigned>(number(key) % 7); }
int compare_numbers(const void *a, const void *b) {
  return number(a) < number(b) ? -1 : number(a) > number(b) ? 1 : 0;
}

class ContainersTest : public kora_test::Library {};

// A seeded random walk of inserts (some replacing) and removes over few buckets, so that chains
// are long; lookups, map_hash and the iterator must agree with a std::map.
TEST_F(ContainersTest, HashChainsStaySortedAndAgreeWithAMap) {
  kora_test::for_seeds(4, [&](unsigned, std::mt19937 &random) {
    kora::HASH_TABLE *table = kora::make_hash_table(7, "Random table");
    std::map<uintptr_t, uintptr_t> reference;
    for (int step = 0; step < 4000; step++) {
      uintptr_t key = random() % 300;
      if (random() % 3 == 0) {
        ASSERT_EQ(kora::hash_remove(table, word(key), hash_mod7, compare_numbers),
                  reference.erase(key) ? 0 : -1) << "step " << step;
      } else {
        reference[key] = step;
        ASSERT_EQ(kora::hash_insert(table, word(key), word(step), hash_mod7, compare_numbers), 0);
      }
    }
    ASSERT_EQ(table->entry_count, static_cast<int>(reference.size()));
    for (uintptr_t key = 0; key < 300; key++) {
      void *value = word(1);
      auto it = reference.find(key);
      ASSERT_EQ(kora::hash_lookup(table, word(key), &value, hash_mod7, compare_numbers),
                it == reference.end() ? -1 : 0) << "key " << key;
      EXPECT_EQ(number(value), it == reference.end() ? 0 : it->second);
    }
    static std::vector<uintptr_t> visited;
    visited.clear();
    kora::map_hash(table, [](void *key, void *) { visited.push_back(number(key)); });
    kora::HASH_ITERATOR iterator;
    kora::start_hash_iterator(&iterator, table);
    for (uintptr_t key : visited) EXPECT_EQ(number(kora::next_hash_entry(&iterator)->key), key);
    EXPECT_EQ(kora::next_hash_entry(&iterator), nullptr);
    EXPECT_EQ(visited.size(), reference.size());
    kora::free_hash_table(table);
  });
}

// 51 items span two chunks; popping crosses back into the first. The stack is left unfreed:
// reclaim_kora frees it, and LeakSanitizer checks that nothing remains.
TEST_F(ContainersTest, StackAcrossChunksAndMisuse) {
  kora::STACK *stack = kora::create_stack("Numbers");
  for (uintptr_t i = 1; i <= 51; i++) ASSERT_EQ(kora::kora_push(word(i), stack), 1);
  EXPECT_EQ(kora::pop(stack), word(51));
  EXPECT_EQ(kora::peek(stack), word(50)) << "the top is at the end of the chunk below";
  for (uintptr_t i = 50; i >= 1; i--) ASSERT_EQ(kora::pop(stack), word(i));
  EXPECT_EQ(kora::pop(stack), nullptr);
  kora::kora_push(word(1), stack);
  EXPECT_EQ(kora::kora_push(word(1), nullptr), 0);
  EXPECT_EQ(kora::pop(nullptr), nullptr);
  EXPECT_EQ(kora::make_hash_table(0, "None"), nullptr);
  EXPECT_EQ(messages().errors, (Strings{"kora_push: can't push onto NULL stack",
                                        "In make_hash_table: Length is negative or zero: 0"}));
}

}  // namespace
