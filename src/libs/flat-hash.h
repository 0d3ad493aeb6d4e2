// Flat hash tables: open addressing over one array of slots, for the sets and maps that the
// algorithms keep while they run (pair indexes, signature tables, label maps, copy sets), and
// hash_mix, the library's one mixer for the hashes these tables are given.
//
// Foundation layer: this module includes only foundation headers and knows nothing of labels,
// alphabets or networks. Its users hash their own keys and say which entry holds a key.
//
// A FlatHash<Entry> holds entries of a trivially copyable type. Entries are found by a key's
// 64-bit hash and a predicate that tells whether an entry holds that key, so one table type
// serves keys kept inside the entries as well as keys kept elsewhere (member sequences in a
// pool, arc fields, label records). Each slot keeps the high 32 bits of its entry's hash as a
// tag (0 marks an empty slot): the tag picks the first slot to probe, lets most other entries
// be passed over without calling the predicate, and is all that growth needs to place an entry
// again (so a table holds fewer than 2^31 entries). Probing is linear; the capacity is a power
// of two, at least 16, and the table is kept at most half full by doubling it before an
// insertion would pass that. There is no removal of single entries; clear() empties the table.
//
// Cost: find and insert O(1) expected, growth amortized O(1) per insertion (none up to the count
// given to reserve); clear O(entries),
// since a table left mostly empty is reallocated small rather than zeroed. Space: between 2 and
// 4 slots per entry, each of 4 bytes of tag plus the entry (padded to the entry's alignment).
// Tested in tests/foundation/flat_hash_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kora {

// Spreads every bit of `x` over every bit of the result (the splitmix64 finalizer, a bijection).
inline uint64_t hash_mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  x ^= x >> 31;
  return x;
}

// The hash of a sequence of words: start from any seed and add the words one by one. The
// result depends on their order.
inline uint64_t hash_word(uint64_t hash, uint64_t word) {
  return hash_mix(hash ^ (word + 0x9E3779B97F4A7C15ULL));
}

// The part of a flat table that does not depend on the entry type: an array of slots of
// `slot_size` bytes, each starting with its 32-bit tag, and the count of filled ones.
class FlatSlots {
 public:
  // Out of memory is the fatal report named `what`.
  FlatSlots(size_t slot_size, const char *what);
  ~FlatSlots();
  FlatSlots(const FlatSlots &) = delete;
  FlatSlots &operator=(const FlatSlots &) = delete;

  size_t size() const { return count_; }
  size_t capacity() const { return mask_ + 1; }
  size_t mask() const { return mask_; }
  void *data() const { return bytes_; }

  // Makes room for one more entry, doubling the array when it would pass half full. Pointers
  // into the slots do not survive it.
  void reserve_one() {
    if ((count_ + 1) * 2 > capacity()) grow();
  }
  void count_filled() { ++count_; }
  // Makes room for `entries` entries in all without growing again, in one step.
  void reserve(size_t entries);

  // Empties every slot.
  void clear();

 private:
  void grow();
  void resize(size_t capacity);
  unsigned char *allocate(size_t capacity) const;
  void release(unsigned char *bytes, size_t capacity) const;

  size_t slot_size_;
  const char *what_;
  unsigned char *bytes_;
  size_t mask_;
  size_t count_ = 0;
};

template <typename Entry>
class FlatHash {
  static_assert(std::is_trivially_copyable_v<Entry>, "entries are moved as bytes");

  struct Slot {
    uint32_t tag;
    Entry entry;
  };

 public:
  // Out of memory is the fatal report named `what`.
  explicit FlatHash(const char *what) : slots_(sizeof(Slot), what) {}

  size_t size() const { return slots_.size(); }
  size_t capacity() const { return slots_.capacity(); }

  // The entry with `hash` for which same(entry) holds, or null.
  template <typename Same>
  Entry *find(uint64_t hash, Same same) {
    Slot *slots = static_cast<Slot *>(slots_.data());
    const size_t mask = slots_.mask();
    uint32_t tag = tag_of(hash);
    for (size_t i = tag & mask;; i = (i + 1) & mask) {
      if (slots[i].tag == 0) return nullptr;
      if (slots[i].tag == tag && same(slots[i].entry)) return &slots[i].entry;
    }
  }
  template <typename Same>
  const Entry *find(uint64_t hash, Same same) const {
    return const_cast<FlatHash *>(this)->find(hash, same);
  }

  // The entry with `hash` for which same(entry) holds; when there is none, a new entry of zero
  // bytes for the caller to fill, with *added set. The pointer is valid until the next insert
  // or clear.
  template <typename Same>
  Entry *insert(uint64_t hash, Same same, bool *added) {
    slots_.reserve_one();
    Slot *slots = static_cast<Slot *>(slots_.data());
    const size_t mask = slots_.mask();
    uint32_t tag = tag_of(hash);
    for (size_t i = tag & mask;; i = (i + 1) & mask) {
      if (slots[i].tag == 0) {
        slots[i].tag = tag;
        slots_.count_filled();
        *added = true;
        return &slots[i].entry;
      }
      if (slots[i].tag == tag && same(slots[i].entry)) {
        *added = false;
        return &slots[i].entry;
      }
    }
  }

  void clear() { slots_.clear(); }

  // Makes room for `entries` entries in all, so that inserting up to that many costs no growth.
  void reserve(size_t entries) { slots_.reserve(entries); }

  // Asks the processor to load the slot where the search for `hash` begins, for a caller that
  // knows a key's hash well before it looks the key up. Changes nothing.
  void prefetch(uint64_t hash) const {
    const Slot *slots = static_cast<const Slot *>(slots_.data());
    __builtin_prefetch(&slots[tag_of(hash) & slots_.mask()]);
  }

 private:
  static uint32_t tag_of(uint64_t hash) {
    uint32_t tag = static_cast<uint32_t>(hash >> 32);
    return tag != 0 ? tag : 1;
  }

  FlatSlots slots_;
};

}  // namespace kora
