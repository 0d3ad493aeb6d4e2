// The code that word vectors (VECTOR) and label vectors (LAB_VECTOR) share: making, growing,
// pushing and truncating, written once for both element types.
//
// `Vector` is a struct { int capacity; int length; Item *items; } whose slots at or above the
// length always hold `kFiller`. The `what` arguments name the operation in the fatal report when
// memory runs out.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <type_traits>

#include "error.h"

namespace kora {

// The capacity that a container of `capacity` slots grows to so that it can hold `needed`:
// `capacity` itself when it already suffices, else the old capacity (or `needed`, when the old
// one is 0) doubled until it exceeds `needed`. `what` names the operation for the fatal report
// when the result would not fit an int.
inline int grown_capacity(int capacity, int needed, const char *what) {
  if (needed <= capacity) return capacity;
  long long grown = capacity > 0 ? capacity : needed;
  while (grown <= needed) grown *= 2;
  if (grown > INT_MAX) out_of_memory(what);
  return static_cast<int>(grown);
}

template <typename Vector, auto kFiller>
struct VectorKind {
  using Item = std::remove_pointer_t<decltype(Vector::items)>;

  // Grows the item array to `capacity` slots; the new slots hold the filler.
  static void resize_items(Vector *vector, int capacity, const char *what) {
    void *items = std::realloc(vector->items, sizeof(Item) * static_cast<size_t>(capacity));
    if (items == nullptr) out_of_memory(what);
    vector->items = static_cast<Item *>(items);
    std::fill(vector->items + vector->capacity, vector->items + capacity, kFiller);
    vector->capacity = capacity;
  }

  // Refills the slots from `length` up to the old length, so that unused slots hold the filler.
  static void truncate(Vector *vector, int length) {
    if (length < vector->length)
      std::fill(vector->items + length, vector->items + vector->length, kFiller);
    vector->length = length;
  }

  // A new empty vector with room for `capacity` items, owned by the caller.
  static Vector *create(int capacity, const char *what) {
    auto *vector = static_cast<Vector *>(allocate_or_die(sizeof(Vector), what));
    if (capacity > 0) resize_items(vector, capacity, what);
    return vector;
  }

  // As create, but a negative capacity is reported under `name` and gives null.
  static Vector *make(int capacity, const char *name, const char *what) {
    if (capacity < 0) {
      error_printf("%s: Negative or zero length: %d", name, capacity);
      return nullptr;
    }
    return create(capacity, what);
  }

  static void destroy(Vector *vector) {
    if (vector == nullptr) return;
    std::free(vector->items);
    std::free(vector);
  }

  // Makes room for `extra` more items past the length.
  static void assure_space(int extra, Vector *vector, const char *what) {
    int capacity = grown_capacity(vector->capacity, vector->length + extra, what);
    if (capacity > vector->capacity) resize_items(vector, capacity, what);
  }

  // Appends the item; returns the new length.
  static int push(Item item, Vector *vector, const char *what) {
    assure_space(1, vector, what);
    vector->items[vector->length++] = item;
    return vector->length;
  }
};

}  // namespace kora
