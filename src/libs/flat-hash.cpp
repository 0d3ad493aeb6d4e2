// The slot array of the flat hash tables: allocation, growth by tags and emptying.

#include "flat-hash.h"

#include <bit>
#include <cstdlib>
#include <cstring>

#include "error.h"
#include "memory-budget.h"

namespace kora {
namespace {

constexpr size_t kMinimumCapacity = 16;

uint32_t tag_at(const void *slot) {
  uint32_t tag;
  std::memcpy(&tag, slot, sizeof tag);
  return tag;
}

}  // namespace

FlatSlots::FlatSlots(size_t slot_size, const char *what)
    : slot_size_(slot_size), what_(what), bytes_(allocate(kMinimumCapacity)),
      mask_(kMinimumCapacity - 1) {}

FlatSlots::~FlatSlots() { release(bytes_, mask_ + 1); }

// Slot arrays are charged to the memory budget, which may abandon the call.
unsigned char *FlatSlots::allocate(size_t capacity) const {
  charge_memory(capacity * slot_size_);
  auto *bytes = static_cast<unsigned char *>(std::calloc(capacity, slot_size_));
  if (bytes == nullptr) out_of_memory(what_);
  return bytes;
}

void FlatSlots::release(unsigned char *bytes, size_t capacity) const {
  release_memory(capacity * slot_size_);
  std::free(bytes);
}

void FlatSlots::reserve(size_t entries) {
  if (entries * 2 > capacity()) resize(std::bit_ceil(entries * 2));
}

void FlatSlots::grow() { resize(2 * capacity()); }

// Each filled slot moves to the first empty slot from its tag on in an array of `capacity`
// slots, a larger power of two.
void FlatSlots::resize(size_t capacity) {
  unsigned char *larger = allocate(capacity);
  size_t mask = capacity - 1;
  for (size_t i = 0; i <= mask_; ++i) {
    const unsigned char *old = bytes_ + i * slot_size_;
    uint32_t tag = tag_at(old);
    if (tag == 0) continue;
    size_t j = tag & mask;
    while (tag_at(larger + j * slot_size_) != 0) j = (j + 1) & mask;
    std::memcpy(larger + j * slot_size_, old, slot_size_);
  }
  release(bytes_, mask_ + 1);
  bytes_ = larger;
  mask_ = mask;
}

// Zeroing costs the capacity, so a table less than an eighth full is replaced by one just large
// enough for as many entries as it held: either way the cost is O(entries).
void FlatSlots::clear() {
  if (count_ == 0) return;
  size_t capacity = mask_ + 1;
  if (capacity > kMinimumCapacity && count_ * 8 < capacity) {
    size_t fitting = std::bit_ceil(2 * count_);
    if (fitting < kMinimumCapacity) fitting = kMinimumCapacity;
    unsigned char *smaller = allocate(fitting);
    release(bytes_, mask_ + 1);
    bytes_ = smaller;
    mask_ = fitting - 1;
  } else {
    std::memset(bytes_, 0, capacity * slot_size_);
  }
  count_ = 0;
}

}  // namespace kora
