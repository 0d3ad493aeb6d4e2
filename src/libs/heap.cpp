// Cell heaps. A heap keeps a list of blocks and cuts cells from the current block in order;
// freed cells form an intrusive list through their first word and are reused first.

#include "heap.h"

#include <cstdlib>
#include <cstring>

#include "error.h"
#include "memory-budget.h"
#include "platform.h"

namespace kora {
namespace {

size_t block_bytes_of(const HEAP *heap) {
  return static_cast<size_t>(heap->cells_per_block) * heap->cell_size;
}

// Blocks of this many bytes or more are mapped straight from the system, so their cells are
// zero without being written (calloc would zero memory that the allocator had handed out
// before). The first block of a heap takes memory page by page as its cells are used; a heap
// that needs another block is building something large, and gets the block's pages at once.
constexpr size_t kMappedBlockBytes = 256 * 1024;
// A first block with at most this many bytes used is kept when the heap is cleared.
constexpr size_t kRewrittenBytes = 64 * 1024;

// The block's bytes are charged to the memory budget first, which may abandon the call.
std::byte *new_block_memory(const HEAP *heap, bool first, const char *what) {
  const size_t bytes = block_bytes_of(heap);
  charge_memory(bytes);
  void *memory = bytes >= kMappedBlockBytes ? map_zeroed(bytes, !first)
                                            : std::calloc(heap->cells_per_block, heap->cell_size);
  if (memory == nullptr) out_of_memory(what);
  return static_cast<std::byte *>(memory);
}

void free_block_memory(const HEAP *heap, std::byte *cells) {
  const size_t bytes = block_bytes_of(heap);
  release_memory(bytes);
  if (bytes >= kMappedBlockBytes)
    unmap_zeroed(cells, bytes);
  else
    std::free(cells);
}

void unlink_heap(HEAP *heap) {
  for (HEAP **link = &all_heaps; *link != nullptr; link = &(*link)->next_heap) {
    if (*link == heap) {
      *link = heap->next_heap;
      return;
    }
  }
}

// Frees the memory of the blocks from `block` on and, but for `kept`, their records.
void release_blocks(HEAP *heap, HEAP_BLOCK *block, const HEAP_BLOCK *kept) {
  while (block != nullptr) {
    HEAP_BLOCK *next = block->next;
    if (block->cells != nullptr) free_block_memory(heap, block->cells);
    if (block != kept) std::free(block);
    block = next;
  }
}

void release_heap(HEAP *heap) {
  release_blocks(heap, heap->first_block, nullptr);
  std::free(heap);
}

}  // namespace

HEAP *init_heap(unsigned cell_size, unsigned cells_per_block, const char *name) {
  if (cells_per_block == 0) {
    error("init_heap: Block size is <=0");
    return nullptr;
  }
  auto *heap = static_cast<HEAP *>(std::calloc(1, sizeof(HEAP)));
  auto *block = static_cast<HEAP_BLOCK *>(std::calloc(1, sizeof(HEAP_BLOCK)));
  if (heap == nullptr || block == nullptr) out_of_memory("INIT_HEAP");
  std::strncpy(heap->name, name != nullptr ? name : "", sizeof heap->name - 1);
  heap->first_block = block;
  heap->current_block = block;
  heap->cell_size = cell_size;
  heap->cells_per_block = cells_per_block;
  heap->next_heap = all_heaps;
  all_heaps = heap;
  return heap;
}

namespace {

// The first block's memory, on the heap's first allocation.
void open_first_block(HEAP *heap) {
  if (heap->next_cell != nullptr) return;
  heap->first_block->cells = new_block_memory(heap, true, "Fst_cell_alloc");
  heap->next_cell = heap->first_block->cells;
}

// Moves to the next block (made if there is none) when the current one is used up.
void leave_full_block(HEAP *heap) {
  if (heap->used_in_block < heap->cells_per_block) return;
  HEAP_BLOCK *block = heap->current_block;
  if (block->next == nullptr) {
    std::byte *cells = new_block_memory(heap, false, "ADD_BLOCK");
    auto *added = static_cast<HEAP_BLOCK *>(std::calloc(1, sizeof(HEAP_BLOCK)));
    if (added == nullptr) out_of_memory("ADD_BLOCK");
    added->cells = cells;
    block->next = added;
  }
  heap->current_block = block->next;
  heap->next_cell = heap->current_block->cells;
  heap->used_in_block = 0;
}

}  // namespace

void *cell_alloc_slow(HEAP *heap) {
  if (heap == nullptr) {
    error("cell_alloc: can't allocate from null heap (did you forget to call initialize_kora()?)");
    return nullptr;
  }
  open_first_block(heap);
  if (heap->free_list != nullptr) {
    void *cell = heap->free_list;
    std::memcpy(&heap->free_list, cell, sizeof(void *));
    std::memset(cell, 0, sizeof(void *));
    heap->cells_in_use++;
    return cell;
  }
  leave_full_block(heap);
  void *cell = heap->next_cell;
  heap->next_cell += heap->cell_size;
  heap->used_in_block++;
  heap->cells_in_use++;
  return cell;
}

void *cell_run(HEAP *heap, unsigned wanted, unsigned *count) {
  *count = 0;
  if (heap == nullptr) return cell_alloc_slow(heap);
  open_first_block(heap);
  leave_full_block(heap);
  const unsigned left = heap->cells_per_block - heap->used_in_block;
  const unsigned run = wanted == 0 ? 1 : wanted < left ? wanted : left;
  void *cells = heap->next_cell;
  heap->next_cell += static_cast<size_t>(run) * heap->cell_size;
  heap->used_in_block += run;
  heap->cells_in_use += static_cast<int>(run);
  *count = run;
  return cells;
}

// A too-small cell cannot hold the free-list link; such a cell is reported and not reused.
void free_cell(void *cell, HEAP *heap) {
  if (heap->cell_size < sizeof(void *)) {
    error_printf("free_cell: cell_size must be larger than a pointer. cell size=%d, sizeof(void*)=%d",
                 static_cast<int>(heap->cell_size), static_cast<int>(sizeof(void *)));
    return;
  }
  std::memcpy(cell, &heap->free_list, sizeof(void *));
  heap->free_list = cell;
  heap->cells_in_use--;
}

void free_heap(HEAP *heap) {
  if (heap == nullptr) return;
  unlink_heap(heap);
  release_heap(heap);
}

// Gives every block back, but for a first block of which little was used, zeroed again and
// kept: a program that makes and frees one small network at a time (a word at a time, say)
// would otherwise map and unmap a block for each.
void clear_heap(HEAP *heap) {
  if (heap == nullptr) return;
  HEAP_BLOCK *first = heap->first_block;
  const size_t used = static_cast<size_t>(heap->used_in_block) * heap->cell_size;
  if (heap->current_block == first && first->cells != nullptr && used <= kRewrittenBytes) {
    release_blocks(heap, first->next, nullptr);
    first->next = nullptr;
    std::memset(first->cells, 0, used);
    heap->next_cell = first->cells;
  } else {
    release_blocks(heap, first, first);
    *first = HEAP_BLOCK{};
    heap->next_cell = nullptr;
  }
  heap->current_block = first;
  heap->free_list = nullptr;
  heap->used_in_block = 0;
  heap->cells_in_use = 0;
}

void free_all_heaps() {
  while (all_heaps != nullptr) {
    HEAP *heap = all_heaps;
    all_heaps = heap->next_heap;
    release_heap(heap);
  }
}

size_t heap_size(const HEAP *heap, int count_all, size_t *block_bytes) {
  size_t one_block = block_bytes_of(heap) + sizeof(HEAP_BLOCK);
  if (block_bytes != nullptr) *block_bytes = one_block;
  size_t size = sizeof(HEAP);
  if (heap->next_cell == nullptr) return size;
  for (const HEAP_BLOCK *block = heap->first_block; block != nullptr; block = block->next) {
    if (!count_all && block == heap->current_block) {
      size += static_cast<size_t>(heap->used_in_block) * heap->cell_size;
      break;
    }
    size += one_block;
  }
  if (!count_all) {
    for (void *cell = heap->free_list; cell != nullptr;) {
      size -= heap->cell_size;
      std::memcpy(&cell, cell, sizeof(void *));
    }
  }
  return size;
}

void for_each_cell(HEAP *heap, void (*visit)(void *cell, void *data), void *data) {
  if (heap == nullptr || heap->next_cell == nullptr) return;
  for (HEAP_BLOCK *block = heap->first_block; block != nullptr; block = block->next) {
    unsigned used = block == heap->current_block ? heap->used_in_block : heap->cells_per_block;
    for (unsigned i = 0; i < used; i++) visit(block->cells + static_cast<size_t>(i) * heap->cell_size, data);
    if (block == heap->current_block) break;
  }
}

}  // namespace kora
