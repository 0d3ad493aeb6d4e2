// Cell heaps: zero-filled cells and runs, clearing and visiting.

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "heap.h"
#include "kora_test.h"

namespace {

using kora::HEAP;
using kora_test::messages;

class HeapTest : public kora_test::Library {};

// Cells come zero-filled whether fresh, cut as a run (which stays within one block and gives at
// least one cell) or handed out again after a clear, which frees every cell at once and gives
// back every block but a first one little used.
TEST_F(HeapTest, CellsRunsAndClearing) {
  const unsigned cells = 10, size = 16;
  auto zeroed = [&](const void *cell) {
    return std::all_of(static_cast<const char *>(cell), static_cast<const char *>(cell) + size,
                       [](char byte) { return byte == 0; });
  };
  HEAP *heap = kora::init_heap(size, cells, "Runs");
  for (int i = 0; i < 3; i++) std::memset(kora::cell_alloc(heap), 0x66, size);
  kora::clear_heap(heap);  // a first block little used is kept, zeroed again
  for (int i = 0; i < 3; i++) EXPECT_TRUE(zeroed(kora::cell_alloc(heap))) << i;
  kora::clear_heap(heap);
  std::memset(kora::cell_alloc(heap), 0x77, size);
  unsigned count = 0;
  auto *run = static_cast<char *>(kora::cell_run(heap, 4, &count));
  EXPECT_EQ(count, 4u);
  auto *rest = static_cast<char *>(kora::cell_run(heap, 100, &count));
  EXPECT_EQ(count, cells - 5) << "up to the end of the block";
  auto *next = static_cast<char *>(kora::cell_run(heap, 0, &count));
  EXPECT_EQ(count, 1u) << "at least one, from a new block";
  for (char *cell : {run, run + 3 * size, rest, rest + (cells - 6) * size, next}) EXPECT_TRUE(zeroed(cell));
  EXPECT_EQ(heap->cells_in_use, static_cast<int>(cells + 1));
  std::memset(run, 0x5A, 4 * size);
  kora::clear_heap(heap);
  EXPECT_EQ(heap->cells_in_use, 0);
  EXPECT_EQ(kora::heap_size(heap, 1), sizeof(HEAP)) << "no block left";
  for (unsigned i = 0; i < 2 * cells + 1; i++) EXPECT_TRUE(zeroed(kora::cell_alloc(heap))) << i;
  kora::clear_heap(nullptr);
  EXPECT_EQ(kora::cell_run(nullptr, 3, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(messages().errors.size(), 1u);
  kora::free_heap(heap);
}

void count_cell(void *, void *data) { ++*static_cast<int *>(data); }

// A thousand cells over many small blocks are distinct (written over in full), and a visit sees
// each one, freed ones included.
TEST_F(HeapTest, CellsAreDistinctAndAVisitSeesEach) {
  HEAP *heap = kora::init_heap(16, 7, "Many");
  int visited = 0;
  std::set<void *> seen;
  for (int i = 0; i < 1000; i++) {
    auto *cell = static_cast<char *>(kora::cell_alloc(heap));
    ASSERT_TRUE(seen.insert(cell).second);
    std::memset(cell, 0xAB, 16);
  }
  kora::free_cell(*seen.begin(), heap);
  kora::for_each_cell(heap, count_cell, &visited);
  EXPECT_EQ(visited, 1000);
  kora::free_heap(heap);
}

}  // namespace
