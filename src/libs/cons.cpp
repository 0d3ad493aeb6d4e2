// Cons cells and list operations.

#include "cons.h"

#include "error.h"
#include "platform.h"

namespace kora {

HEAP *make_cons_heap() { return init_heap(sizeof(CONS), page_size(), "Cons cells"); }

CONS *cons(void *first, CONS *rest, HEAP *heap) {
  auto *cell = static_cast<CONS *>(cell_alloc(heap));
  if (cell == nullptr) out_of_memory("CONS");
  cell->first = first;
  cell->rest = rest;
  return cell;
}

CONS *append_copy(const CONS *list, CONS *tail, HEAP *heap) {
  CONS *head = tail;
  CONS **end = &head;
  for (; list != nullptr; list = list->rest) {
    *end = cons(list->first, tail, heap);
    end = &(*end)->rest;
  }
  return head;
}

int list_length(const CONS *list) {
  int length = 0;
  for (; list != nullptr; list = list->rest) length++;
  return length;
}

void free_cons_list(CONS *list, HEAP *heap) {
  while (list != nullptr) list = pop_cons(list, heap);
}

CONS *pop_cons(CONS *cell, HEAP *heap) {
  CONS *rest = cell->rest;
  free_cell(cell, heap);
  return rest;
}

}  // namespace kora
