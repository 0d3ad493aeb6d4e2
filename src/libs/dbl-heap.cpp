// The link pool of doubly linked object lists.

#include "dbl-heap.h"

#include <cstdlib>

#include "cons.h"
#include "error.h"

namespace kora {

DBL_HEAP *init_dbl_heap(int capacity, int value) {
  if (capacity < 0) programming_error("init_dbl_heap", "Negative capacity %d\n", capacity);
  auto *pool = static_cast<DBL_HEAP *>(std::calloc(1, sizeof(DBL_HEAP)));
  if (pool == nullptr) out_of_memory("INIT_DBL_HEAP");
  // One record more than asked, so that an empty pool still has an array to point at.
  pool->links = static_cast<DBL_LINK *>(std::calloc(static_cast<size_t>(capacity) + 1, sizeof(DBL_LINK)));
  if (pool->links == nullptr) out_of_memory("INIT_DBL_MEMORY");
  pool->capacity = capacity;
  pool->value = value;
  pool->cons_heap = make_cons_heap();
  return pool;
}

void free_dbl_heap(DBL_HEAP *pool) {
  if (pool == nullptr) return;
  free_heap(pool->cons_heap);
  std::free(pool->links);
  std::free(pool);
}

DBL_LINK *dbl_allocate(void *object, void **link_slot, DBL_HEAP *pool) {
  if (*link_slot != nullptr) return static_cast<DBL_LINK *>(*link_slot);
  if (pool->count >= pool->capacity) {
    error("DBLALLOCATE could ot allocate a DBL_LINK.");
    return nullptr;
  }
  DBL_LINK *link = &pool->links[pool->count++];
  *link = DBL_LINK{object, nullptr, nullptr, nullptr, nullptr};
  *link_slot = link;
  return link;
}

void dbl_link(DBL_LINK *before, DBL_LINK *link, DBL_LINK *after) {
  link->prev = before;
  link->next = after;
  if (before != nullptr) before->next = link;
  if (after != nullptr) after->prev = link;
}

}  // namespace kora
