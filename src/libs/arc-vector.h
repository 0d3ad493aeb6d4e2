// Arc vectors: the record that holds the arcs of a vectorized state.
//
// A vectorized network (has_arc_vectors) numbers its labels 0 .. arc_vector_count - 1: position
// p stands for label ALPH_item(vectorized_alph, p), the network's label copy in label form. A
// vectorized state (its `vectorized` mark set) has in place of its arc list an ARC_VECTOR: a
// destination array with one slot per label position (null where the state has no arc with
// that label), taken from the network's heap of destination arrays (arc_vector_heap, cells of
// arc_vector_count pointers), and the four side lists that the applyer tries without reading
// the slots of every label: the labels of the state's arcs whose upper (lower) side is
// epsilon-like, and those whose upper (lower) side is a flag diacritic. The lists are label-form
// alphabets owned by the record, or null when empty.
//
// This module keeps the records' heap and presents a vectorized state's arcs one at a time, so
// that copying, printing, saving and freeing see a vectorized network as arc lists. Building
// and undoing vectors is vectorize.h's. Walking a state's arcs is O(L) for L labels.
#pragma once

#include <cstdint>

#include "heap.h"
#include "kora.h"

namespace kora {

struct ARC_VECTOR {
  STATE **destinations;  // one slot per label position
  ALPH *upper_epsilon;   // labels whose upper side is EPSILON, ALTCHAIN or GUARDEDEPSILON
  ALPH *lower_epsilon;   // labels whose lower side is, when the upper one is not
  ALPH *upper_flags;     // labels whose upper side is a flag diacritic
  ALPH *lower_flags;     // labels whose lower side is a flag diacritic
};

// The heap of ARC_VECTOR records ("Arc vectors"), made on first use; null until then and after
// reclaim_kora. Defined in globals.cpp with the rest of the library's state.
extern HEAP *ARC_VECTOR_HEAP;

// A new record with no destination array and empty lists ("make_vector_state" when memory
// runs out).
ARC_VECTOR *alloc_arc_vector();

// The record of a vectorized state.
inline ARC_VECTOR *state_arc_vector(const STATE *state) {
  return reinterpret_cast<ARC_VECTOR *>(state->arcs);
}

// Frees the record's lists and the record, and gives its destination array back to the
// network's heap. The state keeps its mark; the caller clears or frees it.
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

// Forgets ARC_VECTOR_HEAP (its memory goes with free_all_heaps).
void forget_arc_vector_heap();

}  // namespace kora
