// Vectors and label vectors: growth arithmetic, truncation, out-of-range reads, tables, rings
// and the messages for bad arguments.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "kora_test.h"
#include "lab-vect.h"
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
  for (auto [capacity, need, grown] : {std::tuple{4, 4, 4}, {4, 5, 8}, {4, 8, 16}, {0, 5, 10}, {0, 0, 0}})
    EXPECT_EQ(kora::grown_capacity(capacity, need, "T"), grown) << capacity << " " << need;
  VECTOR *vector = kora::make_vector(0);
  kora::vector_push(word(1), vector);
  EXPECT_EQ(vector->capacity, 2);
  kora::assure_vector_space(7, vector);
  EXPECT_EQ(vector->capacity, 16);
  for (int i = 1; i < 16; i++) EXPECT_EQ(vector->items[i], nullptr) << "new slots are 0";
  kora::free_vector(vector);
}

TEST_F(VectorTest, SetTruncatesGetAndPopReportOutOfRange) {
  VECTOR *vector = kora::make_vector(4);
  for (uintptr_t i = 1; i <= 5; i++) kora::vector_push(word(i), vector);
  EXPECT_EQ(kora::vector_set(word(9), 0, vector), 1);
  for (int i = 1; i < vector->capacity; i++) EXPECT_EQ(vector->items[i], nullptr) << i;
  EXPECT_EQ(kora::vector_set(word(7), 6, vector), 7) << "setting past the end lengthens";
  void *item = word(1);
  EXPECT_EQ(kora::vector_get(&item, 3, vector), 0);
  EXPECT_EQ(item, nullptr) << "the gap is 0, not the old items";
  EXPECT_EQ(kora::vector_set(word(1), -1, vector), -1);
  EXPECT_EQ(kora::vector_get(&item, 7, vector), 1);
  EXPECT_EQ(kora::vector_get(&item, -1, vector), 1);
  kora::vector_reset(vector);
  kora::vector_push(word(5), vector);
  EXPECT_EQ(kora::vector_pop(&item, vector), 0);
  EXPECT_EQ(item, word(5));
  EXPECT_EQ(vector->items[0], nullptr) << "a popped slot is cleared";
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
  EXPECT_EQ(a->items[0], nullptr);
  EXPECT_EQ(kora::copy_vector(nullptr), nullptr);
  kora::VECTOR_ENUMERATOR *enumerator = kora::create_vector_enumerator(copy);
  void *item;
  for (uintptr_t i = 1; i <= 4; i++) {
    ASSERT_EQ(kora::next_vector_item(&item, enumerator), 0);
    EXPECT_EQ(item, word(i));
  }
  EXPECT_EQ(kora::next_vector_item(&item, enumerator), 1);
  EXPECT_EQ(item, nullptr);
  kora::free_vector_enumerator(enumerator);
  kora::free_vector(copy);
  kora::free_vector(a);
  kora::free_vector(b);
}

TEST_F(VectorTest, TablesGrowPastTheirCursorAndReset) {
  kora::VECTOR_TABLE *table = kora::make_vector_table(2, 3);
  table->current = 5;
  kora::assure_vector_table_space(0, table);
  EXPECT_EQ(table->count, 8);
  VECTOR *vector = nullptr;
  ASSERT_EQ(kora::vector_table_get(&vector, 7, table), 0);
  EXPECT_EQ(vector->capacity, 3);
  kora::vector_push(word(1), vector);
  kora::reset_vector_table(table);
  EXPECT_EQ(vector->length, 0);
  EXPECT_EQ(table->current, 0);
  EXPECT_EQ(kora::vector_table_get(&vector, 8, table), 1);
  EXPECT_EQ(vector, nullptr);
  kora::free_vector_table(table);

  kora::LAB_VECTOR_TABLE *labels = kora::make_lab_vector_table(3, 2);
  labels->current = 2;
  kora::assure_lab_vector_table_space(1, labels);
  EXPECT_EQ(labels->count, 6) << "3 does not exceed 2 + 1";
  LAB_VECTOR *lab_vector = nullptr;
  ASSERT_EQ(kora::lab_vector_table_get(&lab_vector, 5, labels), 0);
  kora::lab_vector_push(1, lab_vector);
  kora::reset_lab_vector_table(labels);
  EXPECT_EQ(lab_vector->length, 0);
  EXPECT_EQ(kora::lab_vector_table_get(&lab_vector, 6, labels), 1);
  kora::free_lab_vector_table(labels);
}

TEST_F(VectorTest, BadArgumentsAreReported) {
  EXPECT_EQ(kora::make_vector(-3), nullptr);
  EXPECT_EQ(kora::make_vector_table(2, 0), nullptr);
  EXPECT_EQ(kora::make_lab_vector(-1), nullptr);
  EXPECT_EQ(kora::make_lab_vector_table(0, 4), nullptr);
  EXPECT_EQ(kora::make_lab_vector_ring(0, 4), nullptr);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{
                                   "make_vector: Negative or zero length: -3",
                                   "In make_vector_table: Length is negative or zero: 0",
                                   "make_lab_vector: Negative or zero length: -1",
                                   "In make_lab_vector_table: Length is negative or zero: 0",
                                   "In make_lab_vector_ring: Length is negative or zero: 0"}));
  EXPECT_DEATH(kora::create_vector_enumerator(nullptr),
               "Attempting to create an enumerator for a NULL vector.");
}

// Label vectors fill unused slots with kNoLabel and answer out-of-range reads with the dummy
// symbol 128 and status 2.
TEST_F(VectorTest, LabelVectorsGrowReadAndShrink) {
  LAB_VECTOR *vector = kora::make_lab_vector(4);
  for (uint32_t i = 0; i < 9; i++) kora::lab_vector_push(i, vector);
  EXPECT_EQ(LAB_VECTOR_capacity(vector), 16);
  for (int i = 9; i < 16; i++) EXPECT_EQ(LAB_VECTOR_item(vector, i), kNoLabel) << i;
  uint32_t label = 0;
  EXPECT_EQ(kora::lab_vector_get(&label, 9, vector), 2);
  EXPECT_EQ(label, 128u);
  EXPECT_EQ(kora::lab_vector_get(&label, -1, vector), 2);

  EXPECT_EQ(kora::lab_vector_set(7, 1, vector), 2);
  for (int i = 2; i < 9; i++) EXPECT_EQ(vector->items[i], kNoLabel) << "dropped slot " << i;
  EXPECT_EQ(kora::lab_vector_member(7, vector), 1);
  EXPECT_EQ(kora::lab_vector_member(5, vector), 0) << "dropped ids are no members";
  EXPECT_EQ(kora::lab_vector_member(kNoLabel, vector), 0) << "unused slots are not searched";
  EXPECT_EQ(kora::lab_vector_grow(vector), 3);
  EXPECT_EQ(vector->items[2], kNoLabel);
  EXPECT_EQ(kora::lab_vector_shrink(vector), 0);
  EXPECT_EQ(kora::lab_vector_shrink(vector), 0);
  EXPECT_EQ(vector->items[1], kNoLabel);
  kora::lab_vector_reset(vector);
  EXPECT_EQ(kora::lab_vector_shrink(vector), 1);
  EXPECT_EQ(vector->items[0], kNoLabel);
  label = 0;
  EXPECT_EQ(kora::lab_vector_pop(&label, vector), 2);
  EXPECT_EQ(label, 128u);
  kora::free_lab_vector(vector);
}

TEST_F(VectorTest, LabelCopyAppendAndEnumerateToTheEndMark) {
  LAB_VECTOR *a = kora::make_lab_vector(0);
  kora::lab_vector_push(3, a);
  LAB_VECTOR *b = kora::copy_lab_vector(a);
  kora::lab_vector_append(b, a);
  kora::LAB_VECTOR_ENUMERATOR *enumerator = kora::create_lab_vector_enumerator(b);
  uint32_t label;
  for (int i = 0; i < 2; i++) {
    ASSERT_EQ(kora::next_lab_vector_item(&label, enumerator), 0);
    EXPECT_EQ(label, 3u);
  }
  EXPECT_EQ(kora::next_lab_vector_item(&label, enumerator), 1);
  EXPECT_EQ(label, kNoLabel);
  kora::free_lab_vector_enumerator(enumerator);
  kora::free_lab_vector(a);
  kora::free_lab_vector(b);
}

TEST_F(VectorTest, RingWrapsAroundItsSize) {
  kora::LAB_VECTOR_RING *ring = kora::make_lab_vector_ring(3, 5);
  EXPECT_EQ(ring->vector->capacity, 5);
  for (uint32_t i = 1; i <= 4; i++) kora::lab_vector_ring_add(word(i), 100 + i, ring);
  EXPECT_EQ(ring->position, 1);
  EXPECT_EQ(kora::lab_vector_ring_label(0, ring), 104u) << "the oldest slot is overwritten";
  EXPECT_EQ(kora::lab_vector_ring_item(2, ring), word(3));
  EXPECT_EQ(LAB_VECTOR_length(ring->lab_vector), 3);
  EXPECT_DEATH(kora::lab_vector_ring_label(3, ring), "addr < LAB_VECTOR_length\\(lab_vector\\)");
  kora::free_lab_vector_ring(ring);
  kora::LAB_VECTOR_RING *wide = kora::make_lab_vector_ring(6, 2);
  EXPECT_EQ(wide->lab_vector->capacity, 6);
  kora::free_lab_vector_ring(wide);
}

}  // namespace
