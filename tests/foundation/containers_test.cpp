// Vectors and label vectors: growth arithmetic, truncation, out-of-range reads, rings
// and the messages for bad arguments.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "kora_test.h"
#include "lab-vect.h"
#include "vector-table.h"
#include "vector.h"

namespace {

using kora::VECTOR;
using kora_test::messages;

void *word(uintptr_t n) { return reinterpret_cast<void *>(n); }
const uint32_t kNoLabel = 0xFFFFFF;

class VectorTest : public kora_test::Library {};

TEST_F(VectorTest, GrowthDoublesUntilTheNeedIsExceeded) {
  // {capacity, need, grown}: no growth while the need fits; 8 does not exceed 8; from 0 the need
  // itself is doubled.
  for (auto [capacity, need, grown] : {std::tuple{4, 4, 4}, {4, 5, 8}, {4, 8, 16}, {0, 5, 10}})
    EXPECT_EQ(kora::grown_capacity(capacity, need, "T"), grown) << capacity << " " << need;
}

// Setting truncates, or lengthens with 0 in the gap; reads outside the length and pops from an
// empty vector return 1.
TEST_F(VectorTest, SetTruncatesGetAndPopReportOutOfRange) {
  VECTOR *vector = kora::make_vector(4);
  for (uintptr_t i = 1; i <= 5; i++) kora::vector_push(word(i), vector);
  EXPECT_EQ(kora::vector_set(word(9), 0, vector), 1);
  EXPECT_EQ(kora::vector_set(word(7), 6, vector), 7);
  void *item = word(1);
  EXPECT_EQ(kora::vector_get(&item, 3, vector), 0);
  EXPECT_EQ(item, nullptr) << "the gap is 0, not the old items";
  EXPECT_EQ(kora::vector_set(word(1), -1, vector), -1);
  EXPECT_EQ(kora::vector_get(&item, 7, vector), 1);
  EXPECT_EQ(kora::vector_get(&item, -1, vector), 1);
  kora::vector_reset(vector);
  EXPECT_EQ(kora::vector_pop(&item, vector), 1);
  EXPECT_EQ(item, nullptr);
  kora::free_vector(vector);
}

TEST_F(VectorTest, AppendCopyAndEnumerate) {
  VECTOR *a = kora::make_vector(1);
  VECTOR *b = kora::make_vector(3);
  kora::vector_push(word(1), a);
  for (uintptr_t i = 2; i <= 4; i++) kora::vector_push(word(i), b);
  kora::vector_append(a, b);
  VECTOR *copy = kora::copy_vector(a);
  kora::vector_reset(a);
  kora::VECTOR_ENUMERATOR *enumerator = kora::create_vector_enumerator(copy);
  void *item;
  for (uintptr_t i = 1; i <= 4; i++) {
    ASSERT_EQ(kora::next_vector_item(&item, enumerator), 0);
    EXPECT_EQ(item, word(i));
  }
  EXPECT_EQ(kora::next_vector_item(&item, enumerator), 1);
  kora::free_vector_enumerator(enumerator);
  for (VECTOR *v : {copy, a, b}) kora::free_vector(v);
}

TEST_F(VectorTest, BadArgumentsAreReported) {
  EXPECT_EQ(kora::make_vector(-3), nullptr);
  EXPECT_EQ(kora::make_lab_vector(-1), nullptr);
  EXPECT_EQ(kora::make_lab_vector_ring(0, 4), nullptr);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{
                                   "make_vector: Negative or zero length: -3",
                                   "make_lab_vector: Negative or zero length: -1",
                                   "In make_lab_vector_ring: Length is negative or zero: 0"}));
  EXPECT_DEATH(kora::create_vector_enumerator(nullptr),
               "Attempting to create an enumerator for a NULL vector.");
}

// Label vectors fill unused slots with kNoLabel and answer out-of-range reads with the dummy
// symbol 128 and status 2.
TEST_F(VectorTest, LabelVectorsGrowReadAndShrink) {
  LAB_VECTOR *vector = kora::make_lab_vector(4);
  for (uint32_t i = 0; i < 9; i++) kora::lab_vector_push(i, vector);
  EXPECT_EQ(LAB_VECTOR_item(vector, 9), kNoLabel);
  uint32_t label = 0;
  EXPECT_EQ(kora::lab_vector_get(&label, 9, vector), 2);
  EXPECT_EQ(label, 128u);
  EXPECT_EQ(kora::lab_vector_set(7, 1, vector), 2);
  EXPECT_EQ(kora::lab_vector_member(5, vector), 0) << "dropped ids are no members";
  EXPECT_EQ(kora::lab_vector_grow(vector), 3);
  EXPECT_EQ(vector->items[2], kNoLabel);
  kora::lab_vector_reset(vector);
  EXPECT_EQ(kora::lab_vector_shrink(vector), 1);
  EXPECT_EQ(kora::lab_vector_pop(&label, vector), 2);
  kora::free_lab_vector(vector);
}

TEST_F(VectorTest, RingWrapsAroundItsSize) {
  kora::LAB_VECTOR_RING *ring = kora::make_lab_vector_ring(3, 5);
  for (uint32_t i = 1; i <= 4; i++) kora::lab_vector_ring_add(word(i), 100 + i, ring);
  EXPECT_EQ(kora::lab_vector_ring_label(0, ring), 104u) << "the oldest slot is overwritten";
  EXPECT_EQ(kora::lab_vector_ring_item(2, ring), word(3));
  EXPECT_DEATH(kora::lab_vector_ring_label(3, ring), "addr < LAB_VECTOR_length\\(lab_vector\\)");
  kora::free_lab_vector_ring(ring);
}

}  // namespace
