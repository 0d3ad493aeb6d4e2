// Label vectors: growable vectors of label ids.
//
// Slots at or above the length hold the no-label id 0xFFFFFF. Growth doubles the capacity
// (amortized O(1) per push).
#pragma once

#include <cstdint>

#include "kora.h"

// Declared in kora.h, where the library context holds one as scratch.
struct LAB_VECTOR {
  int capacity;
  int length;
  uint32_t *items;  // capacity label ids; null while the capacity is 0
};

#define LAB_VECTOR_length(vector) ((vector)->length)
#define LAB_VECTOR_item(vector, index) ((vector)->items[index])

namespace kora {

// The filler of unused slots: the id that names no label.
constexpr uint32_t kLabVectorFiller = 0xFFFFFF;

// A new empty label vector with room for `capacity` ids, owned by the caller
// (free_lab_vector). A negative capacity is reported and gives null.
LAB_VECTOR *make_lab_vector(int capacity);

// Frees the label vector and its items. Null is ignored.
void free_lab_vector(LAB_VECTOR *vector);

// Appends the id; returns the new length.
int lab_vector_push(uint32_t label, LAB_VECTOR *vector);

// Drops all ids; the capacity stays.
void lab_vector_reset(LAB_VECTOR *vector);

}  // namespace kora
