// Pair index, pair-state manager and label table of the walks over pairs of states.

#include "state-mr.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "error.h"
#include "platform.h"
#include "struct.h"
#include "vector-table.h"

namespace kora {
namespace {

constexpr uint64_t kInitialPairSlots = 64;
constexpr int kInitialQueue = 20;

// Mixes the two addresses into a well-spread 64-bit hash (a multiply-xorshift finalizer).
uint64_t pair_hash(const STATE *a, const STATE *b) {
  uint64_t h = reinterpret_cast<uintptr_t>(a) * 0x9E3779B97F4A7C15ull;
  h ^= reinterpret_cast<uintptr_t>(b) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return h;
}

PAIR_SLOT *allocate_slots(uint64_t capacity, const char *tag) {
  auto *slots = static_cast<PAIR_SLOT *>(std::calloc(capacity, sizeof(PAIR_SLOT)));
  if (slots == nullptr) out_of_memory(tag);
  return slots;
}

PAIR_SLOT *find_slot(PAIR_SLOT *slots, uint64_t capacity, const STATE *a, const STATE *b) {
  uint64_t mask = capacity - 1;
  for (uint64_t i = pair_hash(a, b) & mask;; i = (i + 1) & mask) {
    PAIR_SLOT *slot = &slots[i];
    if (slot->a == nullptr || (slot->a == a && slot->b == b)) return slot;
  }
}

void grow_pair_index(PAIR_INDEX *index) {
  uint64_t capacity = index->capacity * 2;
  PAIR_SLOT *slots = allocate_slots(capacity, index->tag);
  for (uint64_t i = 0; i < index->capacity; i++) {
    const PAIR_SLOT &old = index->slots[i];
    if (old.a != nullptr) *find_slot(slots, capacity, old.a, old.b) = old;
  }
  std::free(index->slots);
  index->slots = slots;
  index->capacity = capacity;
}

// Grows an array of `count` used items of `size` bytes so that one more fits.
void *room_for_one_more(void *items, int count, int *capacity, size_t size, const char *tag) {
  if (count < *capacity) return items;
  int grown = grown_capacity(*capacity, count + 1, tag);
  void *moved = std::realloc(items, size * static_cast<size_t>(grown));
  if (moved == nullptr) out_of_memory(tag);
  *capacity = grown;
  return moved;
}

// Records that the entry of `label` must be emptied at the next clear.
void touch(LABEL_TABLE *table, uint32_t label) {
  table->touched = static_cast<uint32_t *>(room_for_one_more(
      table->touched, table->touched_count, &table->touched_capacity, sizeof(uint32_t), table->tag));
  table->touched[table->touched_count++] = label;
}

}  // namespace

// --- Pair index -------------------------------------------------------------------------------

void init_pair_index(PAIR_INDEX *index, const char *tag) {
  index->tag = tag;
  index->capacity = kInitialPairSlots;
  index->count = 0;
  index->slots = allocate_slots(index->capacity, tag);
}

void **pair_index_slot(PAIR_INDEX *index, STATE *a, STATE *b, bool *added) {
  if (2 * (index->count + 1) > index->capacity) grow_pair_index(index);
  PAIR_SLOT *slot = find_slot(index->slots, index->capacity, a, b);
  *added = slot->a == nullptr;
  if (*added) {
    slot->a = a;
    slot->b = b;
    slot->value = nullptr;
    index->count++;
  }
  return &slot->value;
}

void free_pair_index(PAIR_INDEX *index) {
  std::free(index->slots);
  index->slots = nullptr;
  index->capacity = index->count = 0;
}

// --- Pair-state manager -----------------------------------------------------------------------

STATE_MANAGER *make_state_manager(NET *a, NET *b, NET *result) {
  auto *manager = static_cast<STATE_MANAGER *>(std::calloc(1, sizeof(STATE_MANAGER)));
  if (manager == nullptr) out_of_memory("INIT_STATE_MANAGER");
  manager->a = a;
  manager->b = b;
  manager->result = result;
  init_pair_index(&manager->index, "INIT_STATE_MANAGER");
  manager->pairs = init_heap(sizeof(STATE_PAIR), page_size() / sizeof(STATE_PAIR), "State pairs");
  manager->queue = make_vector(kInitialQueue);
  return manager;
}

STATE *pair_state(STATE_MANAGER *manager, STATE *p, STATE *q) {
  bool added = false;
  void **value = pair_index_slot(&manager->index, p, q, &added);
  if (!added) return static_cast<STATE_PAIR *>(*value)->state;
  auto *pair = static_cast<STATE_PAIR *>(cell_alloc(manager->pairs));
  if (pair == nullptr) out_of_memory("INIT_STATE_MANAGER");
  pair->state = make_state(nullptr, manager->result);
  pair->a = p;
  pair->b = q;
  *value = pair;
  vector_push(pair, manager->queue);
  return pair->state;
}

const STATE_PAIR *next_pair(STATE_MANAGER *manager) {
  if (manager->next >= manager->queue->length) return nullptr;
  return static_cast<const STATE_PAIR *>(manager->queue->items[manager->next++]);
}

void free_state_manager(STATE_MANAGER *manager) {
  if (manager == nullptr) return;
  free_pair_index(&manager->index);
  free_heap(manager->pairs);
  free_vector(manager->queue);
  std::free(manager);
}

// --- Label table ------------------------------------------------------------------------------

void init_label_table(LABEL_TABLE *table, uint32_t size, const char *tag) {
  *table = LABEL_TABLE{};
  table->tag = tag;
  table->size = size;
  table->entries = static_cast<LABEL_ENTRY *>(std::calloc(size == 0 ? 1 : size, sizeof(LABEL_ENTRY)));
  if (table->entries == nullptr) out_of_memory(tag);
}

void enter_arc(LABEL_TABLE *table, ARC *arc) {
  LABEL_ENTRY &entry = table->entries[arc->label];
  if (entry.count == 0) {
    if (!entry.matched) touch(table, arc->label);
    entry.count = 1;
    entry.arc = arc;
    entry.more = entry.last = -1;
    return;
  }
  table->more = static_cast<LABEL_TABLE::More *>(room_for_one_more(
      table->more, table->more_count, &table->more_capacity, sizeof(LABEL_TABLE::More), table->tag));
  int added = table->more_count++;
  table->more[added] = {arc, -1};
  if (entry.last < 0)
    entry.more = added;
  else
    table->more[entry.last].next = added;
  entry.last = added;
  entry.count = 2;
}

bool note_label(LABEL_TABLE *table, uint32_t label) {
  LABEL_ENTRY &entry = table->entries[label];
  if (entry.matched) return true;
  if (entry.count == 0) touch(table, label);
  entry.matched = true;
  return false;
}

LABEL_ENTRY *label_entry(LABEL_TABLE *table, uint32_t label) {
  if (label >= table->size || table->entries[label].count == 0) return nullptr;
  return &table->entries[label];
}

ARC *next_entry_arc(const LABEL_TABLE *table, const LABEL_ENTRY *entry, int *cursor) {
  if (*cursor == -2) {
    *cursor = entry->more;
    return entry->arc;
  }
  if (*cursor < 0) return nullptr;
  const LABEL_TABLE::More &more = table->more[*cursor];
  *cursor = more.next;
  return more.arc;
}

void clear_label_table(LABEL_TABLE *table) {
  for (int i = 0; i < table->touched_count; i++) table->entries[table->touched[i]] = LABEL_ENTRY{};
  table->touched_count = 0;
  table->more_count = 0;
}

void free_label_table(LABEL_TABLE *table) {
  std::free(table->entries);
  std::free(table->more);
  std::free(table->touched);
  *table = LABEL_TABLE{};
}

uint32_t arc_label_bound(const NET *net) {
  uint32_t bound = 1;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label >= bound) bound = arc->label + 1;
  return bound;
}

void init_label_table_for(LABEL_TABLE *table, const NET *a, const NET *b, const char *tag) {
  init_label_table(table, std::max(arc_label_bound(a), arc_label_bound(b)), tag);
}

// --- Pair walk --------------------------------------------------------------------------------

void init_pair_walk(PAIR_WALK *walk, NET *a, NET *b, const char *tag, const char *stack_name) {
  init_label_table_for(&walk->table, a, b, tag);
  init_pair_index(&walk->seen, tag);
  walk->stack = create_stack(stack_name);
  walk_to(walk, a->start, b->start);
}

void walk_to(PAIR_WALK *walk, STATE *p, STATE *q) {
  bool added = false;
  pair_index_slot(&walk->seen, p, q, &added);
  if (!added) return;
  kora_push(p, walk->stack);
  kora_push(q, walk->stack);
}

bool next_walk_pair(PAIR_WALK *walk, STATE **p, STATE **q) {
  if (walk->stack->depth <= 0) return false;
  *q = static_cast<STATE *>(pop(walk->stack));
  *p = static_cast<STATE *>(pop(walk->stack));
  return true;
}

void free_pair_walk(PAIR_WALK *walk) {
  free_stack(walk->stack);
  free_pair_index(&walk->seen);
  free_label_table(&walk->table);
}

}  // namespace kora
