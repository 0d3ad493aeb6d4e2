// Label vectors: growable vectors of label ids, and rings of the last labels added.
//
// Slots at or above the length hold the no-label id 0xFFFFFF. Reads out of range give the
// id of the DUMMY symbol with status 2 rather than touching memory outside the items. Growth
// doubles the capacity (amortized O(1) per push); member tests are linear.
#pragma once

#include <cstdint>
#include <cstdio>

#include "kora.h"
#include "vector.h"

// Declared in kora.h, where the library context holds one as scratch.
struct LAB_VECTOR {
  int capacity;
  int length;
  uint32_t *items;  // capacity label ids; null while the capacity is 0
};

#define LAB_VECTOR_capacity(vector) ((vector)->capacity)
#define LAB_VECTOR_length(vector) ((vector)->length)
#define LAB_VECTOR_items(vector) ((vector)->items)
#define LAB_VECTOR_item(vector, index) ((vector)->items[index])

namespace kora {

// The filler of unused slots: the id that names no label.
constexpr uint32_t kLabVectorFiller = 0xFFFFFF;
// The id of the DUMMY symbol, handed out for reads out of range.
constexpr uint32_t kLabVectorDummy = 128;

// A window of the last `size` (item, label) pairs added: slot `position` is written next,
// then the position moves on and wraps to 0 after size - 1.
struct LAB_VECTOR_RING {
  int position;
  int size;
  VECTOR *vector;          // the items
  LAB_VECTOR *lab_vector;  // the labels, slot for slot
};

// A new empty label vector with room for `capacity` ids, owned by the caller
// (free_lab_vector). A negative capacity is reported and gives null.
LAB_VECTOR *make_lab_vector(int capacity);

// Frees the label vector and its items. Null is ignored.
void free_lab_vector(LAB_VECTOR *vector);

// Makes room for `extra` more ids past the length; new slots hold 0xFFFFFF.
void assure_lab_vector_space(int extra, LAB_VECTOR *vector);

// 0 and the id at `index` when 0 <= index < length; otherwise 2 and the DUMMY id.
int lab_vector_get(uint32_t *out, int index, const LAB_VECTOR *vector);

// Stores the id at `index` and makes index + 1 the length, dropping any ids above it.
// Returns the new length; a negative index changes nothing and returns -1.
int lab_vector_set(uint32_t label, int index, LAB_VECTOR *vector);

// Appends the id; returns the new length.
int lab_vector_push(uint32_t label, LAB_VECTOR *vector);

// Lengthens the vector by one slot (holding 0xFFFFFF); returns the new length.
int lab_vector_grow(LAB_VECTOR *vector);

// Drops the last slot and returns 0, or returns 1 when the vector is empty.
int lab_vector_shrink(LAB_VECTOR *vector);

// 0 and the last id (which leaves the vector), or 2 and the DUMMY id when it is empty.
int lab_vector_pop(uint32_t *out, LAB_VECTOR *vector);

// Drops all ids; the capacity stays.
void lab_vector_reset(LAB_VECTOR *vector);

// 1 when the id is among the first `length` slots, else 0.
int lab_vector_member(uint32_t label, const LAB_VECTOR *vector);

// A ring of `size` slots whose vectors have the larger of `size` and `capacity` as capacity,
// owned by the caller. A size below 1 is reported and gives null.
LAB_VECTOR_RING *make_lab_vector_ring(int size, int capacity);

// Writes the pair into the slot at the ring's position and moves the position on.
void lab_vector_ring_add(void *item, uint32_t label, LAB_VECTOR_RING *ring);

// The label and the item of slot `addr`; a slot never written is an assertion failure.
uint32_t lab_vector_ring_label(int addr, const LAB_VECTOR_RING *ring);
void *lab_vector_ring_item(int addr, const LAB_VECTOR_RING *ring);

// Frees the ring and its two vectors, not the items. Null is ignored.
void free_lab_vector_ring(LAB_VECTOR_RING *ring);

}  // namespace kora
