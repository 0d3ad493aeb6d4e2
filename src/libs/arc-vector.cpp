// Arc vectors: the records of vectorized states and their heap; see arc-vector.h.

#include "arc-vector.h"

#include "alph.h"
#include "error.h"

namespace kora {

namespace {
// As many records per block as the library has always made of them.
constexpr unsigned kVectorsPerBlock = 1638;
}  // namespace

ARC_VECTOR *alloc_arc_vector() {
  if (ARC_VECTOR_HEAP == nullptr)
    ARC_VECTOR_HEAP = init_heap(sizeof(ARC_VECTOR), kVectorsPerBlock, "Arc vectors");
  auto *vector = static_cast<ARC_VECTOR *>(cell_alloc(ARC_VECTOR_HEAP));
  if (vector == nullptr) out_of_memory("make_vector_state");
  *vector = ARC_VECTOR{};
  return vector;
}

void free_arc_vector(ARC_VECTOR *vector, NET *net) {
  if (vector == nullptr) return;
  free_alph(vector->upper_epsilon);
  free_alph(vector->lower_epsilon);
  free_alph(vector->upper_flags);
  free_alph(vector->lower_flags);
  if (vector->destinations != nullptr && net->arc_vector_heap != nullptr)
    free_cell(vector->destinations, static_cast<HEAP *>(net->arc_vector_heap));
  free_cell(vector, ARC_VECTOR_HEAP);
}

void forget_arc_vector_heap() { ARC_VECTOR_HEAP = nullptr; }

}  // namespace kora
