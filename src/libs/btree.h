// Unbalanced binary search trees whose nodes come from a cell heap, used as find-or-insert
// indexes (pairs of states, states by position).
//
// A node carries a key and a data word that the caller fills. There is no rebalancing: an
// insertion costs O(depth), which is O(log n) for keys in random order and O(n) for sorted
// ones. Insertion walks down with a loop, so deep trees do not exhaust the call stack. A
// tree never owns its keys or data.
#pragma once

#include "heap.h"

namespace kora {

struct BTREE {
  void *key;
  BTREE *left;   // keys that compare below this one
  BTREE *right;  // keys that compare above this one
  void *data;
};

// A new "Binary trees" heap of 50 nodes per block, owned by the caller (free_heap).
HEAP *make_btree_heap();

// The node of the tree at *root whose key compares equal to `key`; when there is none, a new
// node from `heap` (data 0) hung where the key belongs, or made the root of an empty tree.
// `compare` returns negative, 0 or positive as its first key sorts before, equal to or after
// its second.
BTREE *btree_insert(void *key, BTREE **root, HEAP *heap, int (*compare)(const void *, const void *));

}  // namespace kora
