// Label vectors, their enumerators, tables and rings.

#include "lab-vect.h"

#include <algorithm>
#include <cstdlib>

#include "error.h"
#include "vector-table.h"

namespace kora {
namespace {

using Labels = VectorKind<LAB_VECTOR, kLabVectorFiller>;

constexpr const char *kSpace = "ASSURE_LAB_VECT_SPACE";

}  // namespace

LAB_VECTOR *make_lab_vector(int capacity) {
  return Labels::make(capacity, "make_lab_vector", "MAKE_LAB_VECTOR");
}

void free_lab_vector(LAB_VECTOR *vector) { Labels::destroy(vector); }

void assure_lab_vector_space(int extra, LAB_VECTOR *vector) { Labels::assure_space(extra, vector, kSpace); }

int lab_vector_get(uint32_t *out, int index, const LAB_VECTOR *vector) {
  return get_slot(out, index, vector->length, vector->items, kLabVectorDummy, 2);
}

int lab_vector_set(uint32_t label, int index, LAB_VECTOR *vector) {
  return Labels::set(label, index, vector, kSpace);
}

int lab_vector_push(uint32_t label, LAB_VECTOR *vector) { return Labels::push(label, vector, kSpace); }

int lab_vector_grow(LAB_VECTOR *vector) {
  assure_lab_vector_space(1, vector);
  return ++vector->length;
}

int lab_vector_shrink(LAB_VECTOR *vector) {
  if (vector->length <= 0) return 1;
  Labels::truncate(vector, vector->length - 1);
  return 0;
}

int lab_vector_pop(uint32_t *out, LAB_VECTOR *vector) {
  return Labels::pop(out, vector, kLabVectorDummy, 2);
}

void lab_vector_reset(LAB_VECTOR *vector) { Labels::truncate(vector, 0); }

int lab_vector_member(uint32_t label, const LAB_VECTOR *vector) {
  return std::find(vector->items, vector->items + vector->length, label) !=
         vector->items + vector->length;
}

LAB_VECTOR_RING *make_lab_vector_ring(int size, int capacity) {
  if (size < 1) {
    check_length(size, "make_lab_vector_ring");
    return nullptr;
  }
  const char *what = "MAKE_LAB_VECTOR_RING";
  auto *ring = static_cast<LAB_VECTOR_RING *>(allocate_or_die(sizeof(LAB_VECTOR_RING), what));
  ring->size = size;
  ring->vector = make_vector(std::max(size, capacity));
  ring->lab_vector = Labels::create(std::max(size, capacity), what);
  return ring;
}

void lab_vector_ring_add(void *item, uint32_t label, LAB_VECTOR_RING *ring) {
  LAB_VECTOR *lab_vector = ring->lab_vector;
  VECTOR *vector = ring->vector;
  int slot = ring->position;
  lab_vector->items[slot] = label;
  vector->items[slot] = item;
  lab_vector->length = std::max(lab_vector->length, slot + 1);
  vector->length = lab_vector->length;
  ring->position = (slot + 1) % ring->size;
}

uint32_t lab_vector_ring_label(int addr, const LAB_VECTOR_RING *ring) {
  const LAB_VECTOR *lab_vector = ring->lab_vector;
  KORA_ASSERT(addr >= 0);
  KORA_ASSERT(addr < LAB_VECTOR_length(lab_vector));
  return lab_vector->items[addr];
}

void *lab_vector_ring_item(int addr, const LAB_VECTOR_RING *ring) {
  const LAB_VECTOR *lab_vector = ring->lab_vector;
  KORA_ASSERT(addr >= 0);
  KORA_ASSERT(addr < LAB_VECTOR_length(lab_vector));
  return ring->vector->items[addr];
}

void free_lab_vector_ring(LAB_VECTOR_RING *ring) {
  if (ring == nullptr) return;
  free_vector(ring->vector);
  free_lab_vector(ring->lab_vector);
  std::free(ring);
}

}  // namespace kora
