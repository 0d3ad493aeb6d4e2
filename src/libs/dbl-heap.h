// A pool of link records for doubly linked lists of objects, sized once for a known number
// of objects (minimization uses one link per state for its blocks of equivalent states).
//
// The links are one array allocated up front, handed out in order and freed together with
// the pool, so taking a link is O(1) and no link is freed singly. The pool also carries a
// cons-cell heap for lists its user hangs from the links; as reclaim_kora frees every heap,
// a pool must be freed before the library is reclaimed.
#pragma once

#include "heap.h"

namespace kora {

struct DBL_LINK {
  void *owner;     // the object this link stands for
  void *data;      // the user's word; 0 when handed out
  DBL_LINK *head;  // the head link of the list this link is in; 0 when handed out
  DBL_LINK *prev;
  DBL_LINK *next;
};

struct DBL_HEAP {
  DBL_LINK *links;  // `capacity` records
  int count;        // records handed out
  int capacity;
  int value;        // the caller's value, kept as given
  HEAP *cons_heap;  // a "Cons cells" heap that goes with the pool
};

// A pool of `capacity` links and its cons heap, owned by the caller (free_dbl_heap).
// A negative capacity is a programming error.
DBL_HEAP *init_dbl_heap(int capacity, int value);

// Frees the links, the cons heap and the record. Null is ignored.
void free_dbl_heap(DBL_HEAP *pool);

// The link of `object`, whose link pointer is *link_slot: returned as it is when the object
// has one; otherwise the pool's next unused link, which gets `object` as owner and is stored
// in *link_slot. When every link of the pool is in use, the failure is reported and null
// given (the slot stays null).
DBL_LINK *dbl_allocate(void *object, void **link_slot, DBL_HEAP *pool);

// Puts `link` between `before` and `after`, either of which may be null, setting the links
// of all three.
void dbl_link(DBL_LINK *before, DBL_LINK *link, DBL_LINK *after);

}  // namespace kora
