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
using kora::HASH_TABLE;
using kora::HEAP;
using kora_test::messages;

void *word(uintptr_t n) { return reinterpret_cast<void *>(n); }
uintptr_t number(const void *p) { return reinterpret_cast<uintptr_t>(p); }

unsigned hash_mod7(const void *key) { return static_cast<unsigned>(number(key) % 7); }
unsigned hash_zero(const void *) { return 0; }

int comparisons = 0;
int compare_numbers(const void *a, const void *b) {
  comparisons++;
  return number(a) < number(b) ? -1 : number(a) > number(b) ? 1 : 0;
}

class HashTableTest : public kora_test::Library {};

TEST_F(HashTableTest, InsertingAnExistingKeyReplacesItsValue) {
  HASH_TABLE *table = kora::make_hash_table(5, "Test table");
  EXPECT_STREQ(table->entry_heap->name, "Test table");
  EXPECT_EQ(kora::hash_insert(table, word(3), word(30), hash_mod7, compare_numbers), 0);
  EXPECT_EQ(kora::hash_insert(table, word(3), word(31), hash_mod7, compare_numbers), 0);
  EXPECT_EQ(table->entry_count, 1);
  EXPECT_EQ(table->entry_heap->cells_in_use, 1);
  void *value = nullptr;
  EXPECT_EQ(kora::hash_lookup(table, word(3), &value, hash_mod7, compare_numbers), 0);
  EXPECT_EQ(value, word(31));
  EXPECT_EQ(kora::hash_remove(table, word(4), hash_mod7, compare_numbers), -1);
  EXPECT_EQ(kora::hash_lookup(table, word(4), &value, hash_mod7, compare_numbers), -1);
  EXPECT_EQ(value, nullptr);
  kora::free_hash_table(table);
}

TEST_F(HashTableTest, LookupStopsAtTheFirstGreaterKey) {
  HASH_TABLE *table = kora::make_hash_table(1, "One chain");
  for (uintptr_t key : {40, 10, 30, 20}) kora::hash_insert(table, word(key), word(key), hash_zero, compare_numbers);
  comparisons = 0;
  void *value;
  EXPECT_EQ(kora::hash_lookup(table, word(15), &value, hash_zero, compare_numbers), -1);
  EXPECT_EQ(comparisons, 2) << "10 is passed, 20 ends the walk";
  kora::free_hash_table(table);
}

// A seeded random walk of inserts and removes over few buckets, so that chains are long.
TEST_F(HashTableTest, ChainsStaySortedAndAgreeWithAMap) {
  const unsigned seed = 20240611;
  std::mt19937 random(seed);
  HASH_TABLE *table = kora::make_hash_table(7, "Random table");
  std::map<uintptr_t, uintptr_t> reference;
  for (int step = 0; step < 4000; step++) {
    uintptr_t key = random() % 300;
    if (random() % 3 == 0) {
      int expected = reference.erase(key) ? 0 : -1;
      ASSERT_EQ(kora::hash_remove(table, word(key), hash_mod7, compare_numbers), expected)
          << "seed " << seed << " step " << step;
    } else {
      reference[key] = step;
      ASSERT_EQ(kora::hash_insert(table, word(key), word(step), hash_mod7, compare_numbers), 0);
    }
  }
  ASSERT_EQ(table->entry_count, static_cast<int>(reference.size())) << "seed " << seed;
  EXPECT_EQ(table->entry_heap->cells_in_use, table->entry_count);
  for (int b = 0; b < table->bucket_count; b++)
    for (HASH_ENTRY *e = table->buckets[b]; e != nullptr; e = e->next) {
      EXPECT_EQ(hash_mod7(e->key), static_cast<unsigned>(b));
      if (e->next != nullptr) {
        EXPECT_LT(number(e->key), number(e->next->key)) << "seed " << seed;
      }
    }
  for (uintptr_t key = 0; key < 300; key++) {
    void *value;
    int found = kora::hash_lookup(table, word(key), &value, hash_mod7, compare_numbers);
    auto it = reference.find(key);
    ASSERT_EQ(found, it == reference.end() ? -1 : 0) << "key " << key << " seed " << seed;
    if (found == 0) {
      EXPECT_EQ(number(value), it->second);
    }
  }

  static std::vector<uintptr_t> visited;
  visited.clear();
  kora::map_hash(table, [](void *key, void *) { visited.push_back(number(key)); });
  std::vector<uintptr_t> iterated;
  kora::HASH_ITERATOR iterator;
  kora::start_hash_iterator(&iterator, table);
  while (HASH_ENTRY *entry = kora::next_hash_entry(&iterator)) iterated.push_back(number(entry->key));
  EXPECT_EQ(visited.size(), reference.size());
  EXPECT_EQ(iterated, visited) << "the iterator follows the order of map_hash";
  kora::free_hash_table(table);
}

TEST_F(HashTableTest, EmptyTableIteratesNothingAndBadSizeIsReported) {
  HASH_TABLE *table = kora::make_hash_table(3, "Empty");
  kora::HASH_ITERATOR iterator;
  kora::start_hash_iterator(&iterator, table);
  EXPECT_EQ(kora::next_hash_entry(&iterator), nullptr);
  kora::free_hash_table(table);
  EXPECT_EQ(kora::make_hash_table(0, "None"), nullptr);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"In make_hash_table: Length is negative or zero: 0"});
}

class StackTest : public kora_test::Library {};

TEST_F(StackTest, FiftyOneItemsSpanTwoChunksAndComeBackReversed) {
  kora::STACK *stack = kora::create_stack("States to reach");
  for (uintptr_t i = 1; i <= 51; i++) ASSERT_EQ(kora::kora_push(word(i), stack), 1);
  EXPECT_EQ(stack->full_chunks, 1);
  ASSERT_NE(stack->chunk->previous, nullptr);
  EXPECT_EQ(stack->chunk->previous->previous, nullptr);
  kora::STACK_CHUNK *second = stack->chunk;

  EXPECT_EQ(kora::pop(stack), word(51));
  EXPECT_EQ(kora::peek(stack), word(50)) << "the top is at the end of the chunk below";
  for (uintptr_t i = 50; i >= 1; i--) ASSERT_EQ(kora::pop(stack), word(i));
  EXPECT_EQ(kora::pop(stack), nullptr);
  EXPECT_EQ(kora::peek(stack), nullptr);
  EXPECT_EQ(stack->depth, 0);
  EXPECT_EQ(stack->max_depth, 51);

  for (uintptr_t i = 1; i <= 51; i++) kora::kora_push(word(i), stack);
  EXPECT_EQ(stack->chunk, second) << "an emptied chunk is reused";
  EXPECT_EQ(kora::peek(stack), word(51));
  kora::free_stack(stack);
}

TEST_F(StackTest, NamesAndTheGlobalList) {
  kora::STACK *unnamed = kora::create_stack(nullptr);
  kora::STACK *longer = kora::create_stack("A name longer than twenty-three");
  EXPECT_STREQ(unnamed->name, "Unknown");
  EXPECT_STREQ(longer->name, "A name longer than twen");
  EXPECT_EQ(longer->next, unnamed) << "newest first";
  kora::free_stack(longer);
  kora::STACK *third = kora::create_stack("Third");
  EXPECT_EQ(third->next, unnamed) << "a freed stack leaves the list";
  for (int i = 0; i < 120; i++) kora::kora_push(word(i), third);
  // The stacks left over are freed by reclaim_kora; LeakSanitizer checks that nothing remains.
}

TEST_F(StackTest, PushingOntoNullIsReported) {
  EXPECT_EQ(kora::kora_push(word(1), nullptr), 0);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"kora_push: can't push onto NULL stack"});
  EXPECT_EQ(kora::pop(nullptr), nullptr);
}

class ConsTest : public kora_test::Library {};

TEST_F(ConsTest, AppendCopySharesTheTailAndCopiesTheRest) {
  HEAP *heap = kora::make_cons_heap();
  EXPECT_STREQ(heap->name, "Cons cells");
  kora::CONS *tail = kora::cons(word(3), nullptr, heap);
  kora::CONS *list = kora::cons(word(1), kora::cons(word(2), nullptr, heap), heap);
  kora::CONS *joined = kora::append_copy(list, tail, heap);
  ASSERT_EQ(kora::list_length(joined), 3);
  EXPECT_NE(joined, list);
  EXPECT_EQ(joined->first, word(1));
  EXPECT_EQ(joined->rest->first, word(2));
  EXPECT_EQ(joined->rest->rest, tail);
  EXPECT_EQ(list->rest->rest, nullptr) << "the original is unchanged";
  EXPECT_EQ(kora::append_copy(nullptr, tail, heap), tail);
  EXPECT_EQ(kora::copy_list(nullptr, heap), nullptr);

  kora::CONS *copy = kora::copy_list(list, heap);
  EXPECT_EQ(kora::list_length(copy), 2);
  EXPECT_EQ(heap->cells_in_use, 7);
  EXPECT_EQ(kora::pop_cons(copy, heap), copy->rest);
  kora::free_cons(copy->rest, heap);
  kora::free_cons_list(joined, heap);
  EXPECT_EQ(heap->cells_in_use, 2) << "only the original list is left";
  kora::free_heap(heap);
}

class BtreeTest : public kora_test::Library {};

TEST_F(BtreeTest, InsertingAPresentKeyFindsItAndAllocatesNothing) {
  HEAP *heap = kora::make_btree_heap();
  EXPECT_STREQ(heap->name, "Binary trees");
  kora::BTREE *root = nullptr;
  kora::BTREE *five = kora::btree_insert(word(5), &root, heap, compare_numbers);
  EXPECT_EQ(root, five);
  five->data = word(55);
  kora::BTREE *three = kora::btree_insert(word(3), &root, heap, compare_numbers);
  kora::BTREE *eight = kora::btree_insert(word(8), &root, heap, compare_numbers);
  EXPECT_EQ(root->left, three);
  EXPECT_EQ(root->right, eight);
  EXPECT_EQ(three->data, nullptr);
  int in_use = heap->cells_in_use;
  EXPECT_EQ(kora::btree_insert(word(5), &root, heap, compare_numbers), five);
  EXPECT_EQ(five->data, word(55));
  EXPECT_EQ(heap->cells_in_use, in_use);
  kora::free_heap(heap);
}

// In-order traversal of a tree built from shuffled keys must give the keys sorted, once each.
void in_order(const kora::BTREE *node, std::vector<uintptr_t> &keys) {
  if (node == nullptr) return;
  in_order(node->left, keys);
  keys.push_back(number(node->key));
  in_order(node->right, keys);
}

TEST_F(BtreeTest, ShuffledInsertsKeepTheSearchOrder) {
  const unsigned seed = 7;
  std::mt19937 random(seed);
  HEAP *heap = kora::make_btree_heap();
  kora::BTREE *root = nullptr;
  std::vector<uintptr_t> keys;
  for (uintptr_t k = 0; k < 200; k++) keys.push_back(k);
  std::shuffle(keys.begin(), keys.end(), random);
  for (uintptr_t k : keys) kora::btree_insert(word(k), &root, heap, compare_numbers);
  for (uintptr_t k : keys) kora::btree_insert(word(k), &root, heap, compare_numbers);
  std::vector<uintptr_t> walked;
  in_order(root, walked);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(walked, keys) << "seed " << seed;
  EXPECT_EQ(heap->cells_in_use, 200);
  kora::free_heap(heap);
}

TEST_F(BtreeTest, PointerKeysAreOrderedByAddress) {
  HEAP *heap = kora::make_btree_heap();
  int cells[3];
  kora::BTREE *root = nullptr;
  kora::btree_insert_pointer(&cells[1], &root, heap);
  kora::BTREE *low = kora::btree_insert_pointer(&cells[0], &root, heap);
  kora::BTREE *high = kora::btree_insert_pointer(&cells[2], &root, heap);
  EXPECT_EQ(root->left, low);
  EXPECT_EQ(root->right, high);
  EXPECT_EQ(kora::btree_insert_pointer(&cells[2], &root, heap), high);
  kora::free_heap(heap);
}

class DblHeapTest : public kora_test::Library {};

struct Member {
  void *link = nullptr;
};

TEST_F(DblHeapTest, AnObjectGetsOneLinkAndAFullPoolIsReported) {
  kora::DBL_HEAP *pool = kora::init_dbl_heap(2, 17);
  EXPECT_EQ(pool->value, 17);
  EXPECT_STREQ(pool->cons_heap->name, "Cons cells");
  Member a, b, c;
  kora::DBL_LINK *link = kora::dbl_allocate(&a, &a.link, pool);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->owner, &a);
  EXPECT_EQ(a.link, link);
  EXPECT_EQ(kora::dbl_allocate(&a, &a.link, pool), link);
  EXPECT_EQ(pool->count, 1);
  ASSERT_NE(kora::dbl_allocate(&b, &b.link, pool), nullptr);
  EXPECT_EQ(kora::dbl_allocate(&c, &c.link, pool), nullptr);
  EXPECT_EQ(c.link, nullptr);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"DBLALLOCATE could ot allocate a DBL_LINK."});
  kora::free_dbl_heap(pool);
}

TEST_F(DblHeapTest, LinkingSetsAllFourPointers) {
  kora::DBL_HEAP *pool = kora::init_dbl_heap(3, 0);
  Member m[3];
  kora::DBL_LINK *l[3];
  for (int i = 0; i < 3; i++) l[i] = kora::dbl_allocate(&m[i], &m[i].link, pool);
  kora::dbl_link(nullptr, l[0], nullptr);
  kora::dbl_link(l[0], l[2], nullptr);
  kora::dbl_link(l[0], l[1], l[2]);
  EXPECT_EQ(l[0]->prev, nullptr);
  EXPECT_EQ(l[0]->next, l[1]);
  EXPECT_EQ(l[1]->prev, l[0]);
  EXPECT_EQ(l[1]->next, l[2]);
  EXPECT_EQ(l[2]->prev, l[1]);
  EXPECT_EQ(l[2]->next, nullptr);
  kora::free_dbl_heap(pool);
}

}  // namespace
