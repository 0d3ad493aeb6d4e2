// Arc vectors: the record that holds the arcs of a vectorized state.
//
// A vectorized network (has_arc_vectors) numbers its labels 0 .. arc_vector_count - 1: position
// p stands for label ALPH_item(vectorized_alph, p), the network's label copy in label form. A
// vectorized state (its `vectorized` mark set) has in place of its arc list an ARC_VECTOR: a
// destination array with one slot per label position (null where the state has no arc with
// that label) and the four side lists that the applyer tries without reading the slots of every
// label: the labels of the state's arcs whose upper (lower) side is epsilon-like, and those
// whose upper (lower) side is a flag diacritic. The lists are label-form alphabets owned by the
// record, or null when empty. The record and its destination array are one cell of the
// network's heap of arc vectors (arc_vector_heap), the array right after the record, so that
// the applyer reaches a slot from the state without reading the record first.
//
// This module keeps the records' heap and presents a vectorized state's arcs one at a time, so
// that copying, printing, saving and freeing see a vectorized network as arc lists. Building
// and undoing vectors is vectorize.h's. Walking a state's arcs is O(L) for L labels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap.h"
#include "kora.h"

namespace kora {

struct ARC_VECTOR {
  STATE **destinations;  // one slot per label position, right after the record
  ALPH *upper_epsilon;   // labels whose upper side is EPSILON, ALTCHAIN or GUARDEDEPSILON
  ALPH *lower_epsilon;   // labels whose lower side is, when the upper one is not
  ALPH *upper_flags;     // labels whose upper side is a flag diacritic
  ALPH *lower_flags;     // labels whose lower side is a flag diacritic
};

// The bytes of one cell of a network's heap of arc vectors: a record and `labels` slots.
inline size_t arc_vector_cell_size(uint32_t labels) {
  return sizeof(ARC_VECTOR) + size_t{labels} * sizeof(STATE *);
}

// A new record of the network's heap, with empty slots and lists ("make_vector_state" when
// memory runs out).
ARC_VECTOR *alloc_arc_vector(NET *net);

// The slots of a record, found without reading it.
inline STATE **arc_vector_slots(const ARC_VECTOR *vector) {
  return reinterpret_cast<STATE **>(const_cast<ARC_VECTOR *>(vector) + 1);
}

// The record of a vectorized state.
inline ARC_VECTOR *state_arc_vector(const STATE *state) {
  return reinterpret_cast<ARC_VECTOR *>(state->arcs);
}

// Frees the record's lists and gives the record back to the network's heap. The state keeps its
// mark; the caller clears or frees it.
void free_arc_vector(ARC_VECTOR *vector, NET *net);

// The number of labels positions of the network's arc vectors (0 for a network without).
inline uint32_t arc_vector_length(const NET *net) {
  return net->flags2.has_arc_vectors ? static_cast<uint32_t>(net->arc_vector_count) : 0;
}

// The position of the next filled slot of `vector` at or after `position`, or `length`.
inline uint32_t next_filled_slot(const ARC_VECTOR *vector, uint32_t position, uint32_t length) {
  while (position < length && vector->destinations[position] == nullptr) ++position;
  return position;
}

}  // namespace kora
