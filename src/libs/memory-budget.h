// The memory budget: the bytes that the library's heaps and working tables hold, counted
// against the limit a caller sets with set_memory_limit (none by default).
//
// The big consumers charge what they take and release what they give back: the blocks of the
// cell heaps (states, arcs, ...), string buffers (the applyer's results among them), the flat
// hash tables, and the working tables of determinization, minimization and composition through
// a MemoryCharge each. Inside an exported call, a charge that would pass the limit throws
// CallAbandoned (boundary.h) instead of being taken: the call reports "Memory limit exceeded",
// frees what it made and fails. Outside a call, charges are only counted. The count is shared
// by every thread (applyers run on several at once) and costs one atomic add per charge.
#pragma once

#include <atomic>
#include <cstddef>

namespace kora {

// The bytes counted now: atomic, since applyers on several threads charge at once. Defined in
// globals.cpp with the rest of the library's state.
extern std::atomic<size_t> bytes_held;

// Counts `bytes` more; inside an exported call, throws CallAbandoned when that would pass
// the limit (the bytes are then not counted).
void charge_memory(size_t bytes);
void release_memory(size_t bytes);

// A working table's share of the budget, given back when the charge dies.
class MemoryCharge {
 public:
  MemoryCharge() = default;
  ~MemoryCharge() { release_memory(bytes_); }
  MemoryCharge(const MemoryCharge &) = delete;
  MemoryCharge &operator=(const MemoryCharge &) = delete;

  // The table now takes `bytes`: its growth since the last call is charged (a smaller size
  // keeps what was charged, as tables rarely give memory back).
  void grow_to(size_t bytes) {
    if (bytes > bytes_) {
      charge_memory(bytes - bytes_);
      bytes_ = bytes;
    }
  }

 private:
  size_t bytes_ = 0;
};

}  // namespace kora
