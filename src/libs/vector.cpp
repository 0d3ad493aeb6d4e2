// Vectors of words.

#include "vector.h"

#include "vector-table.h"

namespace kora {
namespace {

using Words = VectorKind<VECTOR, nullptr>;

constexpr const char *kSpace = "ASSURE_VECTOR_SPACE";

}  // namespace

VECTOR *make_vector(int capacity) { return Words::make(capacity, "make_vector", "MAKE_VECTOR"); }

void free_vector(VECTOR *vector) { Words::destroy(vector); }

int vector_push(void *item, VECTOR *vector) { return Words::push(item, vector, kSpace); }

}  // namespace kora
