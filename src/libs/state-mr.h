// The working storage of walks over pairs of states: the pair-state manager that product
// constructions (intersection, difference) use to make one result state per reachable pair,
// the pair index behind it, the label table in which one state's arcs are looked up by label
// while it is paired, and the pair walk that the tests on two networks use.
//
// Pair index: a flat hash table (flat-hash.h) keyed by the two states, so finding or adding a
// pair is O(1) on average whatever the sizes of the networks, and the states' client cells stay
// free for their owners. Pair records come from a cell heap of the manager's own and are queued
// in a VECTOR in the order they are made; the manager hands them out in that order (breadth
// first from the start pair).
//
// Label table: the labels entered get dense numbers as they are first met (plain_label_index,
// label-index.h), and the numbers entered for the current state form a sparse set
// (sparse-set.h) whose positions index the entries. A lookup is a hash probe and an array read;
// entering is O(1) per arc and clearing is O(1). The table's size follows the number of labels
// met, never the largest label id.
#pragma once

#include <cstdint>
#include <vector>

#include "flat-hash.h"
#include "heap.h"
#include "kora.h"
#include "label-index.h"
#include "sparse-set.h"
#include "stack.h"
#include "vector.h"

namespace kora {

// --- Pair index -------------------------------------------------------------------------------

struct PAIR_SLOT {
  STATE *a;
  STATE *b;
  void *value;   // the owner's word for the pair
};

struct PAIR_INDEX {
  FlatHash<PAIR_SLOT> *pairs;
};

// Prepares an empty index; `tag` names the operation for the out-of-memory report.
void init_pair_index(PAIR_INDEX *index, const char *tag);

// The value word of the pair (a, b). A pair met for the first time is added with value null and *added set to true. The pointer is valid until the next
// call.
void **pair_index_slot(PAIR_INDEX *index, STATE *a, STATE *b, bool *added);

// Frees the table; the index may be prepared again.
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

struct LABEL_MORE {
  ARC *arc;
  int next;  // -1 at the end
};

// The arcs of one state by label, for looking up the arcs of another state. A table starts
// empty and frees its memory when it goes.
struct LABEL_TABLE {
  LABEL_INDEX numbers;               // every label entered or noted, numbered as first met
  SparseSet touched;                 // the numbers entered or noted since the last clear
  std::vector<LABEL_ENTRY> entries;  // by position in `touched`
  std::vector<LABEL_MORE> more;      // the second and later arcs of entries
};

// Enters the arc under its label, after the arcs entered before it.
void enter_arc(LABEL_TABLE *table, ARC *arc);

// The entry of `label`, or null when no arc was entered under it since the last clear. The
// pointer is valid until the next enter_arc or note_label.
LABEL_ENTRY *label_entry(LABEL_TABLE *table, uint32_t label);

// Marks `label` as seen for the current state and tells whether it had been seen (or matched)
// since the last clear.
bool note_label(LABEL_TABLE *table, uint32_t label);

// The arcs of an entry in the order entered: call with *cursor = -2 to get the first arc, then
// again until null.
ARC *next_entry_arc(const LABEL_TABLE *table, const LABEL_ENTRY *entry, int *cursor);

// Empties the entries entered or noted since the last clear.
void clear_label_table(LABEL_TABLE *table);

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
