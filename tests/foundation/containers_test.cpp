// Vectors and label vectors: growth arithmetic, the filler of unused slots and the messages for
// bad arguments.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "kora_test.h"
#include "lab-vect.h"
#include "vector-table.h"
#include "vector.h"

namespace {

using kora_test::messages;

class VectorTest : public kora_test::Library {};

TEST_F(VectorTest, GrowthDoublesUntilTheNeedIsExceeded) {
  // {capacity, need, grown}: no growth while the need fits; 8 does not exceed 8; from 0 the need
  // itself is doubled.
  for (auto [capacity, need, grown] : {std::tuple{4, 4, 4}, {4, 5, 8}, {4, 8, 16}, {0, 5, 10}})
    EXPECT_EQ(kora::grown_capacity(capacity, need, "T"), grown) << capacity << " " << need;
}

TEST_F(VectorTest, BadArgumentsAreReported) {
  EXPECT_EQ(kora::make_vector(-3), nullptr);
  EXPECT_EQ(kora::make_lab_vector(-1), nullptr);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{
                                   "make_vector: Negative or zero length: -3",
                                   "make_lab_vector: Negative or zero length: -1"}));
}

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
