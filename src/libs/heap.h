// Cell heaps: allocators of fixed-size cells cut from large zero-filled blocks.
//
// Networks are made of very many small records of a few sizes. Each record kind has a heap
// that hands out cells from blocks and keeps freed cells on a free list (last freed, first
// reused). Allocation and freeing are constant-time pointer operations; memory goes back to the
// system only when the whole heap is freed. Every heap is on one global list, so that the
// library can report its memory use and release everything when it is reclaimed.
#pragma once

#include <cstddef>

namespace kora {

struct HEAP_BLOCK {
  std::byte *cells;  // cells_per_block * cell_size bytes, or null before the first allocation
  HEAP_BLOCK *next;
};

struct HEAP {
  char name[24];                // at most 23 characters, for statistics
  HEAP_BLOCK *first_block;
  HEAP_BLOCK *current_block;    // the block whose cells are being handed out
  std::byte *next_cell;         // next never-used cell of the current block
  void *free_list;              // the first word of a free cell links to the next one
  unsigned cell_size;
  unsigned cells_per_block;
  unsigned used_in_block;
  int cells_in_use;
  HEAP *next_heap;              // the global list of heaps, newest first
};

// Every heap made and not yet freed, newest first, linked through next_heap. Defined in
// globals.cpp with the rest of the library's state.
extern HEAP *all_heaps;

// A new heap at the head of the global list. A block count of 0 is reported and gives null.
HEAP *init_heap(unsigned cell_size, unsigned cells_per_block, const char *name);

// A cell of the heap: a reused cell has its first word cleared and keeps its other words;
// a fresh cell is all zero. A null heap is reported and gives null.
void *cell_alloc_slow(HEAP *heap);
// The common case inline: no freed cell to reuse and room left in the current block.
inline void *cell_alloc(HEAP *heap) {
  if (heap != nullptr && heap->free_list == nullptr && heap->next_cell != nullptr &&
      heap->used_in_block < heap->cells_per_block) {
    void *cell = heap->next_cell;
    heap->next_cell += heap->cell_size;
    heap->used_in_block++;
    heap->cells_in_use++;
    return cell;
  }
  return cell_alloc_slow(heap);
}

// A run of fresh (never handed out, so all-zero) cells in a row, for a caller that knows how
// many it will need: `wanted` of them (at least one), or fewer when the current block has fewer
// left; *count receives how many, all counted as in use. Freed cells are not reused. A null
// heap is reported and gives null with *count 0.
void *cell_run(HEAP *heap, unsigned wanted, unsigned *count);

// Puts the cell back on the heap's free list.
void free_cell(void *cell, HEAP *heap);

// Frees the heap's blocks and record and takes it off the global list; null is ignored.
void free_heap(HEAP *heap);

// Frees every cell of the heap at once, freed or not: its blocks go back to the system and the
// heap is as it was made (its next cell comes zero-filled from a new block), except that a
// first block with at most 64 KiB used is kept, zeroed again, for the next cells. For a caller
// that knows that nothing points into the heap any more; null is ignored.
void clear_heap(HEAP *heap);

// Frees every heap on the global list.
void free_all_heaps();

// Bytes used by the heap. With count_all 0, only cells handed out and not freed count (plus
// the bookkeeping); with count_all 1, every block counts whole. When block_bytes is given it
// receives the bytes of one block.
size_t heap_size(const HEAP *heap, int count_all, size_t *block_bytes = nullptr);

// Calls visit(cell, data) for every cell ever handed out, freed ones included, in allocation
// order; a null heap has none.
void for_each_cell(HEAP *heap, void (*visit)(void *cell, void *data), void *data);

}  // namespace kora
