// The working storage of walks over pairs of states: the pair-state manager that product
// constructions (intersection, difference) use to make one result state per reachable pair,
// the pair index behind it, the label table in which one state's arcs are looked up by label
// while it is paired, and the pair walk that the tests on two networks use.
//
// Pair index: an open-addressing hash table keyed by the two states (linear probing, at most
// half full, doubled when it fills), so finding or adding a pair is O(1) on average whatever
// the sizes of the networks, and the states' client cells stay free for their owners. Pair
// records come from a cell heap of the manager's own and are queued in a VECTOR in the order
// they are made; the manager hands them out in that order (breadth first from the start pair).
//
// Label table: one entry per label id up to the largest label on the arcs of the networks
// walked, so a lookup is one array read. Entering and clearing cost O(1) per arc: only the
// entries touched for one state are cleared afterwards.
#pragma once

#include <cstdint>

#include "heap.h"
#include "kora.h"
#include "stack.h"
#include "vector.h"

namespace kora {

// --- Pair index -------------------------------------------------------------------------------

struct PAIR_SLOT {
  STATE *a;      // null in an empty slot
  STATE *b;
  void *value;   // the owner's word for the pair
};

struct PAIR_INDEX {
  PAIR_SLOT *slots;
  uint64_t capacity;  // a power of two
  uint64_t count;
  const char *tag;    // names the owner in the fatal report when memory runs out
};

// Prepares an empty index; `tag` names the operation for the out-of-memory report.
void init_pair_index(PAIR_INDEX *index, const char *tag);

// The value word of the pair (a, b), which must not have a null `a`. A pair met for the first
// time is added with value null and *added set to true. The pointer is valid until the next
// call.
void **pair_index_slot(PAIR_INDEX *index, STATE *a, STATE *b, bool *added);

// Frees the slots; the index may be prepared again.
void free_pair_index(PAIR_INDEX *index);

// --- Pair-state manager -----------------------------------------------------------------------

// A result state and the pair of argument states it stands for.
struct STATE_PAIR {
  STATE *state;  // the state of the result network
  STATE *a;      // the state of the first network
  STATE *b;      // the state of the second network
};

struct STATE_MANAGER {
  NET *a;
  NET *b;
  NET *result;
  PAIR_INDEX index;
  HEAP *pairs;     // the STATE_PAIR records
  VECTOR *queue;   // every STATE_PAIR made, in the order made
  int next;        // the position in `queue` of the next pair to expand
};

// A manager for the product of `a` and `b` into `result`, owned by the caller
// (free_state_manager). Allocation failure is fatal ("INIT_STATE_MANAGER").
STATE_MANAGER *make_state_manager(NET *a, NET *b, NET *result);

// The result state made for (p, q): the existing one, or a new non-final state without arcs,
// put at the head of the result's state list and queued for expansion.
STATE *pair_state(STATE_MANAGER *manager, STATE *p, STATE *q);

// The next pair to expand, or null when every pair made has been handed out. The record stays
// the manager's.
const STATE_PAIR *next_pair(STATE_MANAGER *manager);

// Frees the manager's index, records and queue; the networks are untouched. Null is ignored.
void free_state_manager(STATE_MANAGER *manager);

// --- Label table ------------------------------------------------------------------------------

// The arcs entered under one label.
struct LABEL_ENTRY {
  uint32_t count;   // 0, 1, or 2 for two or more
  bool matched;     // a caller's mark: the label was matched or seen once already
  ARC *arc;         // the first arc entered
  int more;         // index in the table's list of the second arc, or -1
  int last;         // index of the last arc of that list, or -1
};

struct LABEL_TABLE {
  LABEL_ENTRY *entries;  // `size` entries
  uint32_t size;
  struct More {
    ARC *arc;
    int next;  // -1 at the end
  } *more;               // the second and later arcs of entries, for the current state
  int more_count;
  int more_capacity;
  uint32_t *touched;     // the labels entered since the last clear
  int touched_count;
  int touched_capacity;
  const char *tag;
};

// A table for labels 0 .. size - 1. Allocation failure is fatal with `tag`.
void init_label_table(LABEL_TABLE *table, uint32_t size, const char *tag);

// Enters the arc under its label, after the arcs entered before it. The label must be below
// the table's size.
void enter_arc(LABEL_TABLE *table, ARC *arc);

// The entry of `label`, or null when no arc was entered under it (or the label is beyond the
// table, which then holds no arc of it).
LABEL_ENTRY *label_entry(LABEL_TABLE *table, uint32_t label);

// Marks `label` as seen for the current state and tells whether it had been seen (or matched)
// since the last clear. The label must be below the table's size.
bool note_label(LABEL_TABLE *table, uint32_t label);

// The arcs of an entry in the order entered: call with *cursor = -2 to get the first arc, then
// again until null.
ARC *next_entry_arc(const LABEL_TABLE *table, const LABEL_ENTRY *entry, int *cursor);

// Empties the entries touched since the last clear.
void clear_label_table(LABEL_TABLE *table);

void free_label_table(LABEL_TABLE *table);

// One more than the largest label on the network's arcs (at least 1). O(arcs).
uint32_t arc_label_bound(const NET *net);

// A table for every label on the arcs of `a` and `b`. Allocation failure is fatal with `tag`.
void init_label_table_for(LABEL_TABLE *table, const NET *a, const NET *b, const char *tag);

// --- Pair walk --------------------------------------------------------------------------------

// A depth-first walk over the pairs of states of two networks reachable from the start pair,
// each pair visited once, with a label table for the arcs of both. The caller takes pairs with
// next_walk_pair and queues the pairs they lead to with walk_to.
struct PAIR_WALK {
  LABEL_TABLE table;
  PAIR_INDEX seen;
  STACK *stack;  // the pairs queued and not yet taken, two states each
};

// Prepares a walk over `a` and `b` with their start pair queued. `tag` names the operation in
// the fatal report when memory runs out; `stack_name` names the stack of pairs.
void init_pair_walk(PAIR_WALK *walk, NET *a, NET *b, const char *tag, const char *stack_name);

// Queues (p, q) unless it has been queued before.
void walk_to(PAIR_WALK *walk, STATE *p, STATE *q);

// Takes the pair queued last into *p and *q; false when none is left.
bool next_walk_pair(PAIR_WALK *walk, STATE **p, STATE **q);

void free_pair_walk(PAIR_WALK *walk);

}  // namespace kora
