// Hash tables with sorted chains.

#include "hash-tbl.h"

#include <cstdlib>

#include "error.h"
#include "platform.h"

namespace kora {
namespace {

unsigned hash_id_key(const void *key) { return key_id(key); }

int compare_id_keys(const void *a, const void *b) {
  uint32_t x = key_id(a), y = key_id(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

HASH_ENTRY **bucket_of(HASH_TABLE *table, const void *key, hash_function hash) {
  return &table->buckets[hash(key) % static_cast<unsigned>(table->bucket_count)];
}

// Walks the key's chain past the entries that compare below the key and returns the link that
// points at the first entry that does not: where the key is (*found true) or where it belongs.
// Each entry is compared once.
HASH_ENTRY **find_link(HASH_TABLE *table, const void *key, hash_function hash,
                       compare_function compare, bool *found) {
  HASH_ENTRY **link = bucket_of(table, key, hash);
  int order = -1;
  while (*link != nullptr && (order = compare(key, (*link)->key)) > 0) link = &(*link)->next;
  *found = *link != nullptr && order == 0;
  return link;
}

// Moves the iterator to the first entry of the first non-empty bucket from `bucket` on.
void settle(HASH_ITERATOR *iterator, int bucket) {
  const HASH_TABLE *table = iterator->table;
  while (bucket < table->bucket_count && table->buckets[bucket] == nullptr) bucket++;
  iterator->bucket = bucket;
  iterator->next = bucket < table->bucket_count ? table->buckets[bucket] : nullptr;
}

}  // namespace

HASH_TABLE *make_hash_table(int bucket_count, const char *name) {
  if (bucket_count < 1) {
    check_length(bucket_count, "make_hash_table");
    return nullptr;
  }
  auto *table = static_cast<HASH_TABLE *>(std::calloc(1, sizeof(HASH_TABLE)));
  auto *buckets = static_cast<HASH_ENTRY **>(std::calloc(bucket_count, sizeof(HASH_ENTRY *)));
  if (table == nullptr || buckets == nullptr) out_of_memory("MAKE_HASH_TABLE");
  table->buckets = buckets;
  table->bucket_count = bucket_count;
  table->entry_heap = init_heap(sizeof(HASH_ENTRY), 2 * page_size() / sizeof(HASH_ENTRY), name);
  return table;
}

int hash_insert(HASH_TABLE *table, void *key, void *value, hash_function hash,
                compare_function compare) {
  bool found;
  HASH_ENTRY **link = find_link(table, key, hash, compare, &found);
  if (found) {
    (*link)->value = value;
    return 0;
  }
  auto *entry = static_cast<HASH_ENTRY *>(cell_alloc(table->entry_heap));
  if (entry == nullptr) return -1;
  entry->key = key;
  entry->value = value;
  entry->next = *link;
  *link = entry;
  table->entry_count++;
  return 0;
}

int hash_lookup(HASH_TABLE *table, const void *key, void **out, hash_function hash,
                compare_function compare) {
  bool found;
  HASH_ENTRY **link = find_link(table, key, hash, compare, &found);
  if (!found) {
    *out = nullptr;
    return -1;
  }
  *out = (*link)->value;
  return 0;
}

int hash_remove(HASH_TABLE *table, const void *key, hash_function hash, compare_function compare) {
  bool found;
  HASH_ENTRY **link = find_link(table, key, hash, compare, &found);
  if (!found) return -1;
  HASH_ENTRY *entry = *link;
  *link = entry->next;
  free_cell(entry, table->entry_heap);
  table->entry_count--;
  return 0;
}

void map_hash(HASH_TABLE *table, void (*visit)(void *key, void *value)) {
  for (int i = 0; i < table->bucket_count; i++)
    for (HASH_ENTRY *entry = table->buckets[i]; entry != nullptr; entry = entry->next)
      visit(entry->key, entry->value);
}

void start_hash_iterator(HASH_ITERATOR *iterator, HASH_TABLE *table) {
  iterator->table = table;
  settle(iterator, 0);
}

HASH_ENTRY *next_hash_entry(HASH_ITERATOR *iterator) {
  HASH_ENTRY *entry = iterator->next;
  if (entry == nullptr) return nullptr;
  if (entry->next != nullptr)
    iterator->next = entry->next;
  else
    settle(iterator, iterator->bucket + 1);
  return entry;
}

void free_hash_table(HASH_TABLE *table) {
  if (table == nullptr) return;
  free_heap(table->entry_heap);
  std::free(table->buckets);
  std::free(table);
}

std::vector<void *> hash_values(HASH_TABLE *table) {
  std::vector<void *> values;
  for (int i = 0; i < table->bucket_count; i++)
    for (HASH_ENTRY *entry = table->buckets[i]; entry != nullptr; entry = entry->next)
      values.push_back(entry->value);
  return values;
}

void *id_key(uint32_t id) { return reinterpret_cast<void *>(static_cast<uintptr_t>(id)); }

uint32_t key_id(const void *key) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)); }

void *id_table_lookup(HASH_TABLE *table, uint32_t id) {
  void *value = nullptr;
  if (table != nullptr) hash_lookup(table, id_key(id), &value, hash_id_key, compare_id_keys);
  return value;
}

int id_table_insert(HASH_TABLE *table, uint32_t id, void *value) {
  return hash_insert(table, id_key(id), value, hash_id_key, compare_id_keys);
}

int id_table_remove(HASH_TABLE *table, uint32_t id) {
  return hash_remove(table, id_key(id), hash_id_key, compare_id_keys);
}

}  // namespace kora
