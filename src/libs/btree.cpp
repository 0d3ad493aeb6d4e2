// Binary search trees: find-or-insert without recursion.

#include "btree.h"

#include <functional>

#include "error.h"

namespace kora {
HEAP *make_btree_heap() { return init_heap(sizeof(BTREE), 50, "Binary trees"); }

BTREE *btree_insert(void *key, BTREE **root, HEAP *heap, int (*compare)(const void *, const void *)) {
  BTREE **link = root;
  while (*link != nullptr) {
    int order = compare(key, (*link)->key);
    if (order == 0) return *link;
    link = order < 0 ? &(*link)->left : &(*link)->right;
  }
  auto *node = static_cast<BTREE *>(cell_alloc(heap));
  if (node == nullptr) out_of_memory("BTREE_INSERT");
  node->key = key;
  node->left = nullptr;
  node->right = nullptr;
  node->data = nullptr;
  *link = node;
  return node;
}

}  // namespace kora
