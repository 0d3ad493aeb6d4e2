// Cell heaps: reuse order, block accounting, visiting, and the messages for misuse.

#include <cstring>
#include <set>
#include <vector>

#include "heap.h"
#include "kora_test.h"

namespace {

using kora::HEAP;
using kora_test::messages;

class HeapTest : public kora_test::Library {};

// Freed cells come back last freed first, with only the first (free-list) word cleared.
TEST_F(HeapTest, FreedCellsComeBackLastFreedFirst) {
  HEAP *heap = kora::init_heap(4 * sizeof(void *), 8, "Reused");
  auto *a = static_cast<uintptr_t *>(kora::cell_alloc(heap));
  void *c = kora::cell_alloc(heap);
  a[0] = 11, a[1] = 22;
  kora::free_cell(a, heap);
  kora::free_cell(c, heap);
  EXPECT_EQ(kora::cell_alloc(heap), c);
  EXPECT_EQ(kora::cell_alloc(heap), a);
  EXPECT_EQ(a[0], 0u);
  EXPECT_EQ(a[1], 22u);
  kora::free_heap(heap);
}

// Whole blocks count; without them, the cells on the free list are subtracted.
TEST_F(HeapTest, SizeCountsBlocksAndSubtractsFreeCells) {
  const unsigned cells = 16, size = 24;
  HEAP *heap = kora::init_heap(size, cells, "Sized");
  size_t block = 0;
  EXPECT_EQ(kora::heap_size(heap, 1, &block), sizeof(HEAP)) << "no block memory yet";
  EXPECT_EQ(block, cells * size + sizeof(kora::HEAP_BLOCK));
  std::vector<void *> handed;
  for (unsigned i = 0; i < cells + 1; i++) handed.push_back(kora::cell_alloc(heap));
  kora::free_cell(handed[3], heap);
  kora::free_cell(handed[5], heap);
  EXPECT_EQ(kora::heap_size(heap, 0), sizeof(HEAP) + block - size);
  EXPECT_EQ(kora::heap_size(heap, 1), sizeof(HEAP) + 2 * block);
  kora::free_heap(heap);
}

// Clearing frees every cell at once, freed ones too: the heap is as new, and its next cells
// come zero-filled from a new block.
TEST_F(HeapTest, ClearingFreesEveryCellAtOnce) {
  const unsigned cells = 8, size = 32;
  HEAP *heap = kora::init_heap(size, cells, "Cleared");
  std::vector<char *> handed;
  for (unsigned i = 0; i < 3 * cells + 2; i++) {
    handed.push_back(static_cast<char *>(kora::cell_alloc(heap)));
    std::memset(handed.back(), 0x5A, size);
  }
  kora::free_cell(handed[4], heap);
  kora::clear_heap(heap);
  EXPECT_EQ(heap->cells_in_use, 0);
  EXPECT_EQ(kora::heap_size(heap, 1), sizeof(HEAP)) << "no block left";
  for (unsigned i = 0; i < 2 * cells + 1; i++) {
    auto *cell = static_cast<char *>(kora::cell_alloc(heap));
    for (unsigned byte = 0; byte < size; byte++) ASSERT_EQ(cell[byte], 0) << i;
  }
  EXPECT_EQ(heap->cells_in_use, static_cast<int>(2 * cells + 1));
  kora::clear_heap(heap);
  kora::clear_heap(heap);
  kora::clear_heap(nullptr);
  EXPECT_EQ(heap->cells_in_use, 0);
  kora::free_heap(heap);
  EXPECT_TRUE(messages().errors.empty());
}

// A run is cut from the current block's fresh cells only (never from freed ones), stops at the
// block's end, and starts a new block when the current one is full; every cell of it is zero
// and counted as in use.
TEST_F(HeapTest, RunsAreFreshCellsInARowWithinOneBlock) {
  const unsigned cells = 10, size = 16;
  HEAP *heap = kora::init_heap(size, cells, "Runs");
  auto *first = static_cast<char *>(kora::cell_alloc(heap));
  std::memset(first, 0x77, size);
  kora::free_cell(first, heap);
  unsigned count = 0;
  auto *run = static_cast<char *>(kora::cell_run(heap, 4, &count));
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(run, first + size) << "after the cell handed out before, not the freed one";
  auto *rest = static_cast<char *>(kora::cell_run(heap, 100, &count));
  EXPECT_EQ(count, cells - 5) << "up to the end of the block";
  EXPECT_EQ(rest, run + 4 * size);
  auto *next = static_cast<char *>(kora::cell_run(heap, 0, &count));
  EXPECT_EQ(count, 1u) << "at least one, from a new block";
  EXPECT_TRUE(next < first || next >= first + cells * size);
  for (char *cell : {run, run + 3 * size, rest, rest + (cells - 6) * size, next})
    for (unsigned byte = 0; byte < size; byte++) ASSERT_EQ(cell[byte], 0);
  EXPECT_EQ(heap->cells_in_use, static_cast<int>(cells));
  EXPECT_EQ(kora::cell_alloc(heap), first) << "the freed cell is still there for cell_alloc";
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

TEST_F(HeapTest, MisuseIsReportedNotFatal) {
  EXPECT_EQ(kora::init_heap(8, 0, "Empty"), nullptr);
  EXPECT_EQ(kora::cell_alloc(nullptr), nullptr);
  HEAP *tiny = kora::init_heap(4, 8, "Tiny");
  kora::free_cell(kora::cell_alloc(tiny), tiny);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "init_heap: Block size is <=0",
                "cell_alloc: can't allocate from null heap (did you forget to call "
                "initialize_kora()?)",
                "free_cell: cell_size must be larger than a pointer. cell size=4, "
                "sizeof(void*)=8"}));
  kora::free_heap(tiny);
  kora::free_heap(nullptr);
}

}  // namespace
