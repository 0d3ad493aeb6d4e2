// Label vectors, their enumerators, tables and rings.

#include "lab-vect.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "context.h"
#include "error.h"
#include "label.h"

namespace kora {
namespace {

void *allocate(size_t bytes, const char *what) {
  void *memory = std::calloc(1, bytes);
  if (memory == nullptr) out_of_memory(what);
  return memory;
}

// Grows the id array to `capacity` slots; the new slots hold the filler.
void resize_items(LAB_VECTOR *vector, int capacity, const char *what) {
  void *items = std::realloc(vector->items, sizeof(uint32_t) * static_cast<size_t>(capacity));
  if (items == nullptr) out_of_memory(what);
  vector->items = static_cast<uint32_t *>(items);
  std::fill(vector->items + vector->capacity, vector->items + capacity, kLabVectorFiller);
  vector->capacity = capacity;
}

// Refills the slots from `length` up to the old length, so that unused slots hold the filler.
void truncate(LAB_VECTOR *vector, int length) {
  if (length < vector->length)
    std::fill(vector->items + length, vector->items + vector->length, kLabVectorFiller);
  vector->length = length;
}

LAB_VECTOR *new_lab_vector(int capacity, const char *what) {
  auto *vector = static_cast<LAB_VECTOR *>(allocate(sizeof(LAB_VECTOR), what));
  if (capacity > 0) resize_items(vector, capacity, what);
  return vector;
}

}  // namespace

LAB_VECTOR *make_lab_vector(int capacity) {
  if (capacity < 0) {
    error_printf("make_lab_vector: Negative or zero length: %d", capacity);
    return nullptr;
  }
  return new_lab_vector(capacity, "MAKE_LAB_VECTOR");
}

void free_lab_vector(LAB_VECTOR *vector) {
  if (vector == nullptr) return;
  std::free(vector->items);
  std::free(vector);
}

void assure_lab_vector_space(int extra, LAB_VECTOR *vector) {
  const char *what = "ASSURE_LAB_VECT_SPACE";
  int capacity = grown_capacity(vector->capacity, vector->length + extra, what);
  if (capacity > vector->capacity) resize_items(vector, capacity, what);
}

int lab_vector_get(uint32_t *out, int index, const LAB_VECTOR *vector) {
  if (index < 0 || index >= vector->length) {
    *out = kLabVectorDummy;
    return 2;
  }
  *out = vector->items[index];
  return 0;
}

int lab_vector_set(uint32_t label, int index, LAB_VECTOR *vector) {
  if (index < 0) return -1;
  if (index < vector->length)
    truncate(vector, index);
  else
    vector->length = index;
  assure_lab_vector_space(1, vector);
  vector->items[index] = label;
  vector->length = index + 1;
  return vector->length;
}

int lab_vector_push(uint32_t label, LAB_VECTOR *vector) {
  assure_lab_vector_space(1, vector);
  vector->items[vector->length++] = label;
  return vector->length;
}

int lab_vector_grow(LAB_VECTOR *vector) {
  assure_lab_vector_space(1, vector);
  return ++vector->length;
}

int lab_vector_shrink(LAB_VECTOR *vector) {
  if (vector->length <= 0) return 1;
  truncate(vector, vector->length - 1);
  return 0;
}

int lab_vector_pop(uint32_t *out, LAB_VECTOR *vector) {
  if (vector->length <= 0) {
    vector->length = 0;
    *out = kLabVectorDummy;
    return 2;
  }
  *out = vector->items[vector->length - 1];
  truncate(vector, vector->length - 1);
  return 0;
}

void lab_vector_reset(LAB_VECTOR *vector) { truncate(vector, 0); }

int lab_vector_member(uint32_t label, const LAB_VECTOR *vector) {
  return std::find(vector->items, vector->items + vector->length, label) !=
         vector->items + vector->length;
}

int print_lab_vector(const LAB_VECTOR *vector, FILE *stream, int escape) {
  if (vector == nullptr) return 0;
  if (stream == nullptr) stream = stdout;
  bool spaced = parameter(KORA_SPACE_LABEL_VECTORS) != 0;
  int columns = 0;
  bool first = true;
  for (int i = 0; i < vector->length; i++) {
    if (vector->items[i] == kLabVectorFiller) continue;
    if (spaced && !first) columns += std::fputs(" ", stream) >= 0 ? 1 : 0;
    columns += print_label(vector->items[i], stream, escape);
    first = false;
  }
  return columns;
}

void lab_vector_append(LAB_VECTOR *to, const LAB_VECTOR *from) {
  if (from->length == 0) return;
  assure_lab_vector_space(from->length, to);
  std::copy(from->items, from->items + from->length, to->items + to->length);
  to->length += from->length;
}

LAB_VECTOR *copy_lab_vector(const LAB_VECTOR *vector) {
  if (vector == nullptr) return nullptr;
  LAB_VECTOR *copy = new_lab_vector(vector->capacity, "COPY_LAB_VECTOR");
  std::copy(vector->items, vector->items + vector->length, copy->items);
  copy->length = vector->length;
  return copy;
}

LAB_VECTOR_ENUMERATOR *create_lab_vector_enumerator(LAB_VECTOR *vector) {
  if (vector == nullptr)
    programming_error("create_lab_vector_enumerator",
                      "Attempting to create an enumerator for a NULL vector.\n");
  auto *enumerator = static_cast<LAB_VECTOR_ENUMERATOR *>(
      allocate(sizeof(LAB_VECTOR_ENUMERATOR), "CREATE_LAB_VECTOR_ENUMERATOR"));
  enumerator->vector = vector;
  return enumerator;
}

int next_lab_vector_item(uint32_t *out, LAB_VECTOR_ENUMERATOR *enumerator) {
  if (enumerator->next >= enumerator->vector->length) {
    *out = kLabVectorFiller;
    return 1;
  }
  *out = enumerator->vector->items[enumerator->next++];
  return 0;
}

void free_lab_vector_enumerator(LAB_VECTOR_ENUMERATOR *enumerator) { std::free(enumerator); }

LAB_VECTOR_TABLE *make_lab_vector_table(int count, int capacity) {
  if (count < 1 || capacity < 1) {
    check_length(count, "make_lab_vector_table");
    check_length(capacity, "make_lab_vector_table");
    return nullptr;
  }
  const char *what = "MAKE_LAB_VECTOR_TABLE";
  auto *table = static_cast<LAB_VECTOR_TABLE *>(allocate(sizeof(LAB_VECTOR_TABLE), what));
  table->vectors =
      static_cast<LAB_VECTOR **>(allocate(sizeof(LAB_VECTOR *) * static_cast<size_t>(count), what));
  table->count = count;
  table->vector_capacity = capacity;
  for (int i = 0; i < count; i++) table->vectors[i] = new_lab_vector(capacity, what);
  return table;
}

void reset_lab_vector_table(LAB_VECTOR_TABLE *table) {
  for (int i = 0; i < table->count; i++) lab_vector_reset(table->vectors[i]);
  table->current = 0;
}

int lab_vector_table_get(LAB_VECTOR **out, int index, const LAB_VECTOR_TABLE *table) {
  if (index < 0 || index >= table->count) {
    *out = nullptr;
    return 1;
  }
  *out = table->vectors[index];
  return 0;
}

void assure_lab_vector_table_space(int extra, LAB_VECTOR_TABLE *table) {
  const char *what = "ASSURE_LAB_VECTOR_TABLE_SPACE";
  long long last = static_cast<long long>(table->current) + extra;
  if (table->count > last) return;
  long long count = table->count;
  while (count <= last) count *= 2;
  if (count > INT_MAX) out_of_memory(what);
  void *vectors = std::realloc(table->vectors, sizeof(LAB_VECTOR *) * static_cast<size_t>(count));
  if (vectors == nullptr) out_of_memory(what);
  table->vectors = static_cast<LAB_VECTOR **>(vectors);
  for (int i = table->count; i < count; i++)
    table->vectors[i] = new_lab_vector(table->vector_capacity, what);
  table->count = static_cast<int>(count);
}

void free_lab_vector_table(LAB_VECTOR_TABLE *table) {
  if (table == nullptr) return;
  for (int i = 0; i < table->count; i++) free_lab_vector(table->vectors[i]);
  std::free(table->vectors);
  std::free(table);
}

LAB_VECTOR_RING *make_lab_vector_ring(int size, int capacity) {
  if (size < 1) {
    check_length(size, "make_lab_vector_ring");
    return nullptr;
  }
  const char *what = "MAKE_LAB_VECTOR_RING";
  auto *ring = static_cast<LAB_VECTOR_RING *>(allocate(sizeof(LAB_VECTOR_RING), what));
  ring->size = size;
  ring->vector = make_vector(std::max(size, capacity));
  ring->lab_vector = new_lab_vector(std::max(size, capacity), what);
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
