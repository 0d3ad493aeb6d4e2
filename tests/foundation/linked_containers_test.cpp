// Hash tables, stacks, cons lists, binary trees and the link pool: sorted chains checked
// against std::map, chunk boundaries, sharing of tails, find-or-insert, and misuse messages.

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "cons.h"
#include "dbl-heap.h"
#include "hash-tbl.h"
#include "kora_test.h"
#include "stack.h"

namespace {

using kora::HASH_ENTRY;
using kora::HEAP;
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

TEST_F(ContainersTest, AppendCopySharesTheTailAndCopiesTheRest) {
  HEAP *heap = kora::make_cons_heap();
  kora::CONS *tail = kora::cons(word(3), nullptr, heap);
  kora::CONS *list = kora::cons(word(1), kora::cons(word(2), nullptr, heap), heap);
  kora::CONS *joined = kora::append_copy(list, tail, heap);
  ASSERT_EQ(kora::list_length(joined), 3);
  EXPECT_EQ(joined->rest->first, word(2));
  EXPECT_EQ(joined->rest->rest, tail);
  EXPECT_EQ(list->rest->rest, nullptr) << "the original is unchanged";
  EXPECT_EQ(kora::append_copy(nullptr, tail, heap), tail);
  kora::free_cons_list(joined, heap);
  EXPECT_EQ(heap->cells_in_use, 2) << "only the original list is left";
  kora::free_heap(heap);
}

void in_order(const kora::BTREE *node, std::vector<uintptr_t> &keys) {
  if (node == nullptr) return;
  in_order(node->left, keys);
  keys.push_back(number(node->key));
  in_order(node->right, keys);
}

// Shuffled keys inserted twice: in order the tree gives each key once, and the second round
// finds the nodes instead of allocating.
TEST_F(ContainersTest, BtreeKeepsTheSearchOrder) {
  kora_test::for_seeds(10, [&](unsigned, std::mt19937 &random) {
    HEAP *heap = kora::make_btree_heap();
    kora::BTREE *root = nullptr;
    std::vector<uintptr_t> keys;
    for (uintptr_t k = 0; k < 200; k++) keys.push_back(k);
    std::shuffle(keys.begin(), keys.end(), random);
    for (uintptr_t k : keys) kora::btree_insert(word(k), &root, heap, compare_numbers)->data = word(k);
    for (uintptr_t k : keys) EXPECT_EQ(kora::btree_insert(word(k), &root, heap, compare_numbers)->data, word(k));
    std::vector<uintptr_t> walked;
    in_order(root, walked);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(walked, keys);
    EXPECT_EQ(heap->cells_in_use, 200);
    kora::free_heap(heap);
  });
}

struct Member {
  void *link = nullptr;
};

TEST_F(ContainersTest, DblLinksOnePerObjectAndAFullPoolIsReported) {
  kora::DBL_HEAP *pool = kora::init_dbl_heap(3, 17);
  Member m[4];
  kora::DBL_LINK *l[3];
  for (int i = 0; i < 3; i++) l[i] = kora::dbl_allocate(&m[i], &m[i].link, pool);
  EXPECT_EQ(kora::dbl_allocate(&m[0], &m[0].link, pool), l[0]) << "an object gets one link";
  EXPECT_EQ(kora::dbl_allocate(&m[3], &m[3].link, pool), nullptr);
  EXPECT_EQ(messages().errors, Strings{"DBLALLOCATE could ot allocate a DBL_LINK."});
  // Linking 1 between 0 and 2 gives the chain 0, 1, 2.
  kora::dbl_link(nullptr, l[0], nullptr);
  kora::dbl_link(l[0], l[2], nullptr);
  kora::dbl_link(l[0], l[1], l[2]);
  EXPECT_EQ(l[0]->next, l[1]);
  EXPECT_EQ(l[2]->prev, l[1]);
  kora::free_dbl_heap(pool);
}

}  // namespace
