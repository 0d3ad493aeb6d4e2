// Arc vectors: the records of vectorized states; see arc-vector.h.

#include "arc-vector.h"

#include <cstring>

#include "alph.h"
#include "error.h"

namespace kora {

ARC_VECTOR *alloc_arc_vector(NET *net) {
  auto *vector = static_cast<ARC_VECTOR *>(cell_alloc(static_cast<HEAP *>(net->arc_vector_heap)));
  if (vector == nullptr) out_of_memory("make_vector_state");
  std::memset(static_cast<void *>(vector), 0, arc_vector_cell_size(arc_vector_length(net)));
  vector->destinations = arc_vector_slots(vector);
  return vector;
}

void free_arc_vector(ARC_VECTOR *vector, NET *net) {
  if (vector == nullptr) return;
  free_alph(vector->upper_epsilon);
  free_alph(vector->lower_epsilon);
  free_alph(vector->upper_flags);
  free_alph(vector->lower_flags);
  free_cell(vector, static_cast<HEAP *>(net->arc_vector_heap));
}

}  // namespace kora
