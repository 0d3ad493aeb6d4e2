// Hash tables of word keys and values, with chained buckets kept sorted by the caller's
// comparison, and an iterator over their entries.
//
// Entries are cells of a heap of the table's own, named after the table. Keeping each chain
// sorted lets a lookup of an absent key stop at the first larger entry. Insert, lookup and
// remove cost O(1 + chain length); iteration visits the buckets in order and each chain in
// order. The table never owns its keys or values. Since reclaim_kora frees every heap, a
// table must be freed before the library is reclaimed.
#pragma once

#include <cstdint>
#include <vector>

#include "heap.h"

namespace kora {

struct HASH_ENTRY {
  void *key;
  void *value;
  HASH_ENTRY *next;  // next entry of the same bucket, which compares greater
};

struct HASH_TABLE {
  HEAP *entry_heap;
  HASH_ENTRY **buckets;
  int bucket_count;
  int entry_count;
};

struct HASH_ITERATOR {
  HASH_TABLE *table;
  int bucket;        // the bucket of `next`
  HASH_ENTRY *next;  // the entry the next call returns, null at the end
};

// A key's hash; the bucket is the hash modulo the bucket count.
using hash_function = unsigned (*)(const void *key);
// Negative, 0 or positive as the first key sorts before, equal to or after the second.
using compare_function = int (*)(const void *a, const void *b);

// A table of `bucket_count` empty buckets, owned by the caller (free_hash_table); its entry
// heap is named `name`. A bucket count below 1 is reported and gives null.
HASH_TABLE *make_hash_table(int bucket_count, const char *name);

// Enters key -> value. An entry whose key compares equal gets the new value (the entry count
// stays); otherwise a new entry goes to its sorted place in the key's chain. Returns 0, or -1
// when no entry cell can be had.
int hash_insert(HASH_TABLE *table, void *key, void *value, hash_function hash,
                compare_function compare);

// 0 and the key's value in *out, or -1 and null when the key is absent.
int hash_lookup(HASH_TABLE *table, const void *key, void **out, hash_function hash,
                compare_function compare);

// Removes the key's entry: 0, or -1 when the key is absent.
int hash_remove(HASH_TABLE *table, const void *key, hash_function hash, compare_function compare);

// Calls visit(key, value) for every entry, buckets in order, each chain in order. The visit
// must not change the table.
void map_hash(HASH_TABLE *table, void (*visit)(void *key, void *value));

// Points the iterator (the caller's record) at the table's first entry.
void start_hash_iterator(HASH_ITERATOR *iterator, HASH_TABLE *table);

// The next entry in the order of map_hash, or null at the end. The table must not change
// while it is iterated.
HASH_ENTRY *next_hash_entry(HASH_ITERATOR *iterator);

// Frees the entries, the buckets and the record, not the keys and values. Null is ignored.
void free_hash_table(HASH_TABLE *table);

// The values of every entry, in the order of map_hash.
std::vector<void *> hash_values(HASH_TABLE *table);

// Tables keyed by 32-bit ids (such as label ids): the id itself is the key word and its hash,
// and keys sort as numbers.
void *id_key(uint32_t id);
uint32_t key_id(const void *key);

// The value of `id`, or null when it is absent or the table is null.
void *id_table_lookup(HASH_TABLE *table, uint32_t id);

// hash_insert and hash_remove for the key of `id`.
int id_table_insert(HASH_TABLE *table, uint32_t id, void *value);
int id_table_remove(HASH_TABLE *table, uint32_t id);

}  // namespace kora
