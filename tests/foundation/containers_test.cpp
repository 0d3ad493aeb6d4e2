// Label vectors: the filler of unused slots.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "kora_test.h"
#include "lab-vect.h"
#include "vector-table.h"
#include "vector.h"

namespace {


class VectorTest : public kora_test::Library {};

// Label vectors fill unused slots with the no-label id, also after a reset.
TEST_F(VectorTest, LabelVectorsFillUnusedSlots) {
  const uint32_t kNoLabel = 0xFFFFFF;
  LAB_VECTOR *vector = kora::make_lab_vector(4);
  for (uint32_t i = 0; i < 9; i++) EXPECT_EQ(kora::lab_vector_push(i, vector), static_cast<int>(i) + 1);
  EXPECT_EQ(LAB_VECTOR_item(vector, 9), kNoLabel);
  kora::lab_vector_reset(vector);
  EXPECT_EQ(LAB_VECTOR_length(vector), 0);
  EXPECT_EQ(vector->items[3], kNoLabel);
  kora::free_lab_vector(vector);
}

}  // namespace
