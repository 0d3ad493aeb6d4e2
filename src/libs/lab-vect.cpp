// Label vectors.

#include "lab-vect.h"

#include "vector-table.h"

namespace kora {
namespace {

using Labels = VectorKind<LAB_VECTOR, kLabVectorFiller>;

}  // namespace

LAB_VECTOR *make_lab_vector(int capacity) {
  return Labels::make(capacity, "make_lab_vector", "MAKE_LAB_VECTOR");
}

void free_lab_vector(LAB_VECTOR *vector) { Labels::destroy(vector); }

int lab_vector_push(uint32_t label, LAB_VECTOR *vector) {
  return Labels::push(label, vector, "ASSURE_LAB_VECT_SPACE");
}

void lab_vector_reset(LAB_VECTOR *vector) { Labels::truncate(vector, 0); }

}  // namespace kora
