// Growable vectors of machine words.
//
// A vector holds pointers (or integers cast to pointers); it never owns what they point to.
// Slots at or above the length are always 0. Growth doubles the capacity, so a run of n
// pushes costs O(n) amortized.
#pragma once

namespace kora {

struct VECTOR {
  int capacity;
  int length;
  void **items;  // capacity slots; null while the capacity is 0
};

// A new empty vector with room for `capacity` items, owned by the caller (free_vector).
// A negative capacity is reported and gives null.
VECTOR *make_vector(int capacity);

// Frees the vector and its slots, not the items. Null is ignored.
void free_vector(VECTOR *vector);

// Appends the item; returns the new length.
int vector_push(void *item, VECTOR *vector);

}  // namespace kora
