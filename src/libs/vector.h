// Growable vectors of machine words and enumerators over them.
//
// A vector holds pointers (or integers cast to pointers); it never owns what they point to.
// Slots at or above the length are always 0. Growth doubles the capacity, so a run of n
// pushes costs O(n) amortized; all other operations are O(1) except copy, append and reset,
// which are linear in the items touched.
#pragma once

namespace kora {

struct VECTOR {
  int capacity;
  int length;
  void **items;  // capacity slots; null while the capacity is 0
};

struct VECTOR_ENUMERATOR {
  int next;  // index of the item the next call returns
  VECTOR *vector;
};

// A new empty vector with room for `capacity` items, owned by the caller (free_vector).
// A negative capacity is reported and gives null.
VECTOR *make_vector(int capacity);

// Frees the vector and its slots, not the items. Null is ignored.
void free_vector(VECTOR *vector);

// 0 and the item at `index` in *out when 0 <= index < length; otherwise 1 and null.
int vector_get(void **out, int index, const VECTOR *vector);

// Stores the item at `index` and makes index + 1 the length, dropping any items above it.
// Returns the new length; a negative index changes nothing and returns -1.
int vector_set(void *item, int index, VECTOR *vector);

// Appends the item; returns the new length.
int vector_push(void *item, VECTOR *vector);

// 0 and the last item (which leaves the vector), or 1 and null when the vector is empty.
int vector_pop(void **out, VECTOR *vector);

// Drops all items; the capacity stays.
void vector_reset(VECTOR *vector);

// Appends every item of `from` to `to`.
void vector_append(VECTOR *to, const VECTOR *from);

// A new vector with the same capacity and items, owned by the caller; null gives null.
VECTOR *copy_vector(const VECTOR *vector);

// An enumerator from the first item of `vector`, owned by the caller; the vector stays the
// caller's. A null vector is a programming error.
VECTOR_ENUMERATOR *create_vector_enumerator(VECTOR *vector);

// 0 and the next item, or 1 and null when all items have been given.
int next_vector_item(void **out, VECTOR_ENUMERATOR *enumerator);

// Frees the enumerator only. Null is ignored.
void free_vector_enumerator(VECTOR_ENUMERATOR *enumerator);

}  // namespace kora
