// Vectors of words, their enumerators and tables of vectors.

#include "vector.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "error.h"

namespace kora {
namespace {

void *allocate(size_t bytes, const char *what) {
  void *memory = std::calloc(1, bytes);
  if (memory == nullptr) out_of_memory(what);
  return memory;
}

// Grows the slot array to `capacity` slots; the new slots are 0.
void resize_items(VECTOR *vector, int capacity, const char *what) {
  void *items = std::realloc(vector->items, sizeof(void *) * static_cast<size_t>(capacity));
  if (items == nullptr) out_of_memory(what);
  vector->items = static_cast<void **>(items);
  std::memset(vector->items + vector->capacity, 0,
              sizeof(void *) * static_cast<size_t>(capacity - vector->capacity));
  vector->capacity = capacity;
}

// Clears the slots from `length` up to the old length, so that unused slots stay 0.
void truncate(VECTOR *vector, int length) {
  if (length < vector->length)
    std::memset(vector->items + length, 0,
                sizeof(void *) * static_cast<size_t>(vector->length - length));
  vector->length = length;
}

VECTOR *new_vector(int capacity, const char *what) {
  auto *vector = static_cast<VECTOR *>(allocate(sizeof(VECTOR), what));
  if (capacity > 0) resize_items(vector, capacity, what);
  return vector;
}

}  // namespace

int grown_capacity(int capacity, int needed, const char *what) {
  if (needed <= capacity) return capacity;
  long long grown = capacity > 0 ? capacity : needed;
  while (grown <= needed) grown *= 2;
  if (grown > INT_MAX) out_of_memory(what);
  return static_cast<int>(grown);
}

VECTOR *make_vector(int capacity) {
  if (capacity < 0) {
    error_printf("make_vector: Negative or zero length: %d", capacity);
    return nullptr;
  }
  return new_vector(capacity, "MAKE_VECTOR");
}

void free_vector(VECTOR *vector) {
  if (vector == nullptr) return;
  std::free(vector->items);
  std::free(vector);
}

void assure_vector_space(int extra, VECTOR *vector) {
  const char *what = "ASSURE_VECTOR_SPACE";
  int capacity = grown_capacity(vector->capacity, vector->length + extra, what);
  if (capacity > vector->capacity) resize_items(vector, capacity, what);
}

int vector_get(void **out, int index, const VECTOR *vector) {
  if (index < 0 || index >= vector->length) {
    *out = nullptr;
    return 1;
  }
  *out = vector->items[index];
  return 0;
}

int vector_set(void *item, int index, VECTOR *vector) {
  if (index < 0) return -1;
  if (index < vector->length)
    truncate(vector, index);
  else
    vector->length = index;
  assure_vector_space(1, vector);
  vector->items[index] = item;
  vector->length = index + 1;
  return vector->length;
}

int vector_push(void *item, VECTOR *vector) {
  assure_vector_space(1, vector);
  vector->items[vector->length++] = item;
  return vector->length;
}

int vector_pop(void **out, VECTOR *vector) {
  if (vector->length <= 0) {
    vector->length = 0;
    *out = nullptr;
    return 1;
  }
  *out = vector->items[vector->length - 1];
  truncate(vector, vector->length - 1);
  return 0;
}

void vector_reset(VECTOR *vector) { truncate(vector, 0); }

void vector_append(VECTOR *to, const VECTOR *from) {
  if (from->length == 0) return;
  assure_vector_space(from->length, to);
  std::memcpy(to->items + to->length, from->items, sizeof(void *) * static_cast<size_t>(from->length));
  to->length += from->length;
}

VECTOR *copy_vector(const VECTOR *vector) {
  if (vector == nullptr) return nullptr;
  VECTOR *copy = new_vector(vector->capacity, "COPY_VECTOR");
  if (vector->length > 0)
    std::memcpy(copy->items, vector->items, sizeof(void *) * static_cast<size_t>(vector->length));
  copy->length = vector->length;
  return copy;
}

VECTOR_ENUMERATOR *create_vector_enumerator(VECTOR *vector) {
  if (vector == nullptr)
    programming_error("create_vector_enumerator",
                      "Attempting to create an enumerator for a NULL vector.\n");
  auto *enumerator = static_cast<VECTOR_ENUMERATOR *>(
      allocate(sizeof(VECTOR_ENUMERATOR), "CREATE_VECTOR_ENUMERATOR"));
  enumerator->vector = vector;
  return enumerator;
}

int next_vector_item(void **out, VECTOR_ENUMERATOR *enumerator) {
  if (enumerator->next >= enumerator->vector->length) {
    *out = nullptr;
    return 1;
  }
  *out = enumerator->vector->items[enumerator->next++];
  return 0;
}

void free_vector_enumerator(VECTOR_ENUMERATOR *enumerator) { std::free(enumerator); }

VECTOR_TABLE *make_vector_table(int count, int capacity) {
  if (count < 1 || capacity < 1) {
    check_length(count, "make_vector_table");
    check_length(capacity, "make_vector_table");
    return nullptr;
  }
  const char *what = "MAKE_VECTOR_TABLE";
  auto *table = static_cast<VECTOR_TABLE *>(allocate(sizeof(VECTOR_TABLE), what));
  table->vectors = static_cast<VECTOR **>(allocate(sizeof(VECTOR *) * static_cast<size_t>(count), what));
  table->count = count;
  table->vector_capacity = capacity;
  for (int i = 0; i < count; i++) table->vectors[i] = new_vector(capacity, what);
  return table;
}

void reset_vector_table(VECTOR_TABLE *table) {
  for (int i = 0; i < table->count; i++) vector_reset(table->vectors[i]);
  table->current = 0;
}

int vector_table_get(VECTOR **out, int index, const VECTOR_TABLE *table) {
  if (index < 0 || index >= table->count) {
    *out = nullptr;
    return 1;
  }
  *out = table->vectors[index];
  return 0;
}

void assure_vector_table_space(int extra, VECTOR_TABLE *table) {
  const char *what = "ASSURE_VECTOR_TABLE_SPACE";
  long long last = static_cast<long long>(table->current) + extra;
  if (table->count > last) return;
  long long count = table->count;
  while (count <= last) count *= 2;
  if (count > INT_MAX) out_of_memory(what);
  void *vectors = std::realloc(table->vectors, sizeof(VECTOR *) * static_cast<size_t>(count));
  if (vectors == nullptr) out_of_memory(what);
  table->vectors = static_cast<VECTOR **>(vectors);
  for (int i = table->count; i < count; i++) table->vectors[i] = new_vector(table->vector_capacity, what);
  table->count = static_cast<int>(count);
}

void free_vector_table(VECTOR_TABLE *table) {
  if (table == nullptr) return;
  for (int i = 0; i < table->count; i++) free_vector(table->vectors[i]);
  std::free(table->vectors);
  std::free(table);
}

}  // namespace kora
