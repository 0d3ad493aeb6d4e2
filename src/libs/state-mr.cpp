// Pair index, pair-state manager and label table of the walks over pairs of states.

#include "state-mr.h"

#include <cstdlib>

#include "error.h"
#include "platform.h"
#include "struct.h"
#include "vector-table.h"

namespace kora {
namespace {

constexpr int kInitialQueue = 20;

uint64_t pair_hash(const STATE *a, const STATE *b) {
  return hash_word(hash_mix(reinterpret_cast<uintptr_t>(a)), reinterpret_cast<uintptr_t>(b));
}

}  // namespace

// --- Pair index -------------------------------------------------------------------------------

void init_pair_index(PAIR_INDEX *index, const char *tag) {
  index->pairs = new FlatHash<PAIR_SLOT>(tag);
}

void **pair_index_slot(PAIR_INDEX *index, STATE *a, STATE *b, bool *added) {
  PAIR_SLOT *slot = index->pairs->insert(
      pair_hash(a, b), [a, b](const PAIR_SLOT &held) { return held.a == a && held.b == b; },
      added);
  if (*added) *slot = PAIR_SLOT{a, b, nullptr};
  return &slot->value;
}

void free_pair_index(PAIR_INDEX *index) {
  delete index->pairs;
  index->pairs = nullptr;
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

namespace {

// The entry of `label` for the current state, made (empty, unmatched) when the label was not
// entered or noted since the last clear.
LABEL_ENTRY &touch(LABEL_TABLE *table, uint32_t label) {
  uint32_t number = plain_label_index(&table->numbers, label);
  table->touched.widen(number + 1);
  bool added;
  uint32_t at = table->touched.insert(number, &added);
  if (!added) return table->entries[at];
  if (at == table->entries.size()) table->entries.emplace_back();
  LABEL_ENTRY &entry = table->entries[at];
  entry = LABEL_ENTRY{0, false, nullptr, -1, -1};
  return entry;
}

}  // namespace

void enter_arc(LABEL_TABLE *table, ARC *arc) {
  LABEL_ENTRY &entry = touch(table, arc->label);
  if (entry.count == 0) {
    entry.count = 1;
    entry.arc = arc;
    return;
  }
  int added = static_cast<int>(table->more.size());
  table->more.push_back(LABEL_MORE{arc, -1});
  if (entry.last < 0)
    entry.more = added;
  else
    table->more[entry.last].next = added;
  entry.last = added;
  entry.count = 2;
}

bool note_label(LABEL_TABLE *table, uint32_t label) {
  LABEL_ENTRY &entry = touch(table, label);
  if (entry.matched) return true;
  entry.matched = true;
  return false;
}

LABEL_ENTRY *label_entry(LABEL_TABLE *table, uint32_t label) {
  uint32_t at = table->touched.position(find_label_index(&table->numbers, label));
  if (at == SparseSet::kAbsent || table->entries[at].count == 0) return nullptr;
  return &table->entries[at];
}

ARC *next_entry_arc(const LABEL_TABLE *table, const LABEL_ENTRY *entry, int *cursor) {
  if (*cursor == -2) {
    *cursor = entry->more;
    return entry->arc;
  }
  if (*cursor < 0) return nullptr;
  const LABEL_MORE &more = table->more[*cursor];
  *cursor = more.next;
  return more.arc;
}

void clear_label_table(LABEL_TABLE *table) {
  table->touched.clear();
  table->more.clear();
}

// --- Pair walk --------------------------------------------------------------------------------

void init_pair_walk(PAIR_WALK *walk, NET *a, NET *b, const char *tag, const char *stack_name) {
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
}

}  // namespace kora
