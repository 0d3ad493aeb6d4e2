// Vectors of words, their enumerators and tables of vectors.

#include "vector.h"

#include <climits>
#include <cstdlib>

#include "error.h"
#include "vector-table.h"

namespace kora {
namespace {

using Words = VectorKind<VECTOR, nullptr>;

constexpr const char *kSpace = "ASSURE_VECTOR_SPACE";

}  // namespace

VECTOR *make_vector(int capacity) { return Words::make(capacity, "make_vector", "MAKE_VECTOR"); }

void free_vector(VECTOR *vector) { Words::destroy(vector); }

int vector_get(void **out, int index, const VECTOR *vector) {
  return get_slot(out, index, vector->length, vector->items, nullptr, 1);
}

int vector_set(void *item, int index, VECTOR *vector) { return Words::set(item, index, vector, kSpace); }

int vector_push(void *item, VECTOR *vector) { return Words::push(item, vector, kSpace); }

int vector_pop(void **out, VECTOR *vector) { return Words::pop(out, vector, nullptr, 1); }

void vector_reset(VECTOR *vector) { Words::truncate(vector, 0); }

void vector_append(VECTOR *to, const VECTOR *from) { Words::append(to, from, kSpace); }

VECTOR *copy_vector(const VECTOR *vector) { return Words::copy(vector, "COPY_VECTOR"); }

VECTOR_ENUMERATOR *create_vector_enumerator(VECTOR *vector) {
  return Words::enumerate<VECTOR_ENUMERATOR>(vector, "create_vector_enumerator",
                                             "CREATE_VECTOR_ENUMERATOR");
}

int next_vector_item(void **out, VECTOR_ENUMERATOR *enumerator) { return Words::next(out, enumerator); }

void free_vector_enumerator(VECTOR_ENUMERATOR *enumerator) { std::free(enumerator); }

}  // namespace kora
