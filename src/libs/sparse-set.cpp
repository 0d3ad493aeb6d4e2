// Sparse sets: the universe and insertion.

#include "sparse-set.h"

#include <algorithm>

#include "error.h"

namespace kora {

SparseSet::SparseSet(uint32_t universe) : sparse_(universe), dense_(universe) {}

void SparseSet::widen(uint32_t universe) {
  if (universe <= sparse_.size()) return;
  size_t size = std::max<size_t>(universe, std::min<size_t>(2 * sparse_.size(), UINT32_MAX));
  sparse_.resize(size);
  dense_.resize(size);
}

uint32_t SparseSet::insert(uint32_t k, bool *added) {
  KORA_ASSERT(k < sparse_.size());
  uint32_t at = sparse_[k];
  *added = !(at < size_ && dense_[at] == k);
  if (!*added) return at;
  sparse_[k] = size_;
  dense_[size_] = k;
  return size_++;
}

}  // namespace kora
