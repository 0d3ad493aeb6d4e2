// Sparse sets (Briggs and Torczon 1993): sets of the integers below a universe size with
// constant-time insertion, membership and clearing, iterated in the order of insertion. They
// take the place of per-item marks that an algorithm sets while it works on one thing (a state,
// a closure, a comparison) and must clear before the next.
//
// Foundation layer: this module includes only foundation headers.
//
// The members sit in insertion order in a dense array; a sparse array indexed by integer holds
// each member's position in the dense array. k is a member when sparse[k] < size and
// dense[sparse[k]] == k, whatever sparse[k] holds otherwise, so clearing sets the size to 0 and
// touches neither array. Users keep what they know about a member in arrays of their own
// indexed by its position, which clearing the set empties as well.
//
// Cost: O(1) per operation; allocating or widening the universe costs its size once. Space:
// 8 bytes per integer of the universe. Tested in tests/foundation/sparse_set_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

namespace kora {

class SparseSet {
 public:
  static constexpr uint32_t kAbsent = UINT32_MAX;

  explicit SparseSet(uint32_t universe = 0);

  // Makes the universe at least `universe` (doubling it at least, so that widening one by one
  // stays O(1) amortized); members stay.
  void widen(uint32_t universe);

  uint32_t size() const { return size_; }

  // The position of `k` among the members, 0 for the first inserted, or kAbsent. Any k may be
  // asked about, also one beyond the universe.
  uint32_t position(uint32_t k) const {
    if (k >= sparse_.size()) return kAbsent;
    uint32_t at = sparse_[k];
    return at < size_ && dense_[at] == k ? at : kAbsent;
  }
  bool contains(uint32_t k) const { return position(k) != kAbsent; }

  // Adds `k`, which must be below the universe, and returns its position; *added tells whether
  // it was new.
  uint32_t insert(uint32_t k, bool *added);

  // The member at `position` (below size()).
  uint32_t operator[](uint32_t position) const { return dense_[position]; }
  const uint32_t *begin() const { return dense_.data(); }
  const uint32_t *end() const { return dense_.data() + size_; }

  void clear() { size_ = 0; }

 private:
  std::vector<uint32_t> sparse_;
  std::vector<uint32_t> dense_;
  uint32_t size_ = 0;
};

}  // namespace kora
