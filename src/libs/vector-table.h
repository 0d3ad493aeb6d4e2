// The code that word vectors (VECTOR) and label vectors (LAB_VECTOR) share: growing, setting,
// copying and enumerating, written once for both element types.
//
// `Vector` is a struct { int capacity; int length; Item *items; } whose slots at or above the
// length always hold `kFiller`. Enumerators are structs { int next; Vector *vector; }. The `what`
// arguments name the operation in the fatal report when memory runs out.
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

// 0 and items[index] in *out when 0 <= index < length; otherwise `status` and `missing`.
template <typename Item>
int get_slot(Item *out, int index, int length, Item const *items, std::type_identity_t<Item> missing,
             int status) {
  if (index < 0 || index >= length) {
    *out = missing;
    return status;
  }
  *out = items[index];
  return 0;
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

  // Stores the item at `index` and makes index + 1 the length, dropping any items above it.
  // Returns the new length; a negative index changes nothing and returns -1.
  static int set(Item item, int index, Vector *vector, const char *what) {
    if (index < 0) return -1;
    if (index < vector->length)
      truncate(vector, index);
    else
      vector->length = index;
    assure_space(1, vector, what);
    vector->items[index] = item;
    vector->length = index + 1;
    return vector->length;
  }

  // Appends the item; returns the new length.
  static int push(Item item, Vector *vector, const char *what) {
    assure_space(1, vector, what);
    vector->items[vector->length++] = item;
    return vector->length;
  }

  // 0 and the last item (which leaves the vector), or `status` and `missing` when it is empty.
  static int pop(Item *out, Vector *vector, Item missing, int status) {
    if (vector->length <= 0) {
      vector->length = 0;
      *out = missing;
      return status;
    }
    *out = vector->items[vector->length - 1];
    truncate(vector, vector->length - 1);
    return 0;
  }

  static void append(Vector *to, const Vector *from, const char *what) {
    if (from->length == 0) return;
    assure_space(from->length, to, what);
    std::copy(from->items, from->items + from->length, to->items + to->length);
    to->length += from->length;
  }

  // A new vector with the same capacity and items, owned by the caller; null gives null.
  static Vector *copy(const Vector *vector, const char *what) {
    if (vector == nullptr) return nullptr;
    Vector *copy = create(vector->capacity, what);
    std::copy(vector->items, vector->items + vector->length, copy->items);
    copy->length = vector->length;
    return copy;
  }

  // An enumerator from the first item; a null vector is a programming error reported under `name`.
  template <typename Enumerator>
  static Enumerator *enumerate(Vector *vector, const char *name, const char *what) {
    if (vector == nullptr)
      programming_error(name, "Attempting to create an enumerator for a NULL vector.\n");
    auto *enumerator = static_cast<Enumerator *>(allocate_or_die(sizeof(Enumerator), what));
    enumerator->vector = vector;
    return enumerator;
  }

  // 0 and the next item, or 1 and the filler when all items have been given.
  template <typename Enumerator>
  static int next(Item *out, Enumerator *enumerator) {
    if (enumerator->next >= enumerator->vector->length) {
      *out = kFiller;
      return 1;
    }
    *out = enumerator->vector->items[enumerator->next++];
    return 0;
  }
};

}  // namespace kora
