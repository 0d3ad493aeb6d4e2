// The two ways minimization finds the classes of equivalent states of a deterministic network,
// and the working arrays they share.
//
// Both methods see the network through a numbering: the states are states[0 .. count-1], each
// state's client cell holds its own number, and every arc label is a dense label index below
// label_count. They fill class_of[i] with the class of state i (classes are numbered from 0)
// and return the number of classes; they change neither states nor arcs. Two states share a
// class exactly when they are equivalent: same finality and, label by label, arcs to states of
// one class (a missing arc differs from any arc).
//
// acyclic_classes (minimize-acyclic.cpp) is Revuz's linear method for networks without cycles;
// cyclic_classes (minimize-cyclic.cpp) is the partition refinement of Valmari and Lehtinen,
// O(E log V), for any network. The frame that numbers the states, picks one state per class and
// rebuilds the network is in minimize.cpp.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "error.h"
#include "kora.h"

namespace kora {

// The number a numbering left in the state's client cell.
inline uint32_t state_index(const STATE *state) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(state->client_cell));
}

// An array of `count` items of T that lives for one scope, taken from malloc without being
// filled (`zeroed` fills it with zero bytes). Failure to get the memory is the fatal
// out-of-memory report "MINIMIZE".
template <typename T>
class WorkArray {
 public:
  explicit WorkArray(size_t count, bool zeroed = false)
      : items_(static_cast<T *>(zeroed ? std::calloc(count + 1, sizeof(T))
                                       : std::malloc((count + 1) * sizeof(T)))) {
    if (items_ == nullptr) out_of_memory("MINIMIZE");
  }
  ~WorkArray() { std::free(items_); }
  WorkArray(const WorkArray &) = delete;
  WorkArray &operator=(const WorkArray &) = delete;

  T &operator[](size_t i) { return items_[i]; }
  const T &operator[](size_t i) const { return items_[i]; }
  T *get() { return items_; }

 private:
  T *items_;
};

// Revuz's method. Returns the number of classes, or -1 as soon as it meets a cycle (class_of is
// then meaningless and the caller turns to cyclic_classes).
int64_t acyclic_classes(STATE *const *states, uint32_t count, uint32_t label_count,
                        uint32_t *class_of);

// Partition refinement; works for every network, cyclic or not.
uint32_t cyclic_classes(STATE *const *states, uint32_t count, uint32_t label_count,
                        uint32_t *class_of);

}  // namespace kora
