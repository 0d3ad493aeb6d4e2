// Cons cells: singly linked lists of words whose cells come from a cell heap.
//
// Each user of lists makes a heap of its own (make_cons_heap) and frees it whole when done,
// which also frees every cell still in use. Making or freeing a cell is O(1); copying and
// measuring a list are linear in its length. A list never owns its items.
#pragma once

#include "heap.h"

namespace kora {

struct CONS {
  void *first;
  CONS *rest;
};

// A new "Cons cells" heap with one page's worth of cells per block, owned by the caller
// (free_heap).
HEAP *make_cons_heap();

// A new cell of `heap` holding `first` and pointing at `rest`.
CONS *cons(void *first, CONS *rest, HEAP *heap);

// A copy of the list's cells from `heap` whose last cell points at `tail`, which is shared,
// not copied. An empty list gives `tail` itself.
CONS *append_copy(const CONS *list, CONS *tail, HEAP *heap);

// The number of cells of the list.
int list_length(const CONS *list);

// Gives every cell of the list back to `heap`.
void free_cons_list(CONS *list, HEAP *heap);

// Gives the cell back to `heap` and returns its rest.
CONS *pop_cons(CONS *cell, HEAP *heap);

}  // namespace kora
