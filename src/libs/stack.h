// Stacks of words made of fixed chunks of 50 slots, the explicit stacks of the library's
// depth-first walks.
//
// A stack grows by chained chunks, so pushing never moves the items already pushed; chunks
// emptied by popping are kept for the next pushes and freed with the stack. Push, pop and peek
// are O(1). Every stack is on one global list (newest first), so that reclaiming the library
// can free the stacks its callers left behind. A stack never owns its items.
#pragma once

namespace kora {

constexpr int kStackChunkSize = 50;

struct STACK_CHUNK {
  void *items[kStackChunkSize];
  STACK_CHUNK *previous;
  STACK_CHUNK *next;
};

struct STACK {
  char name[24];       // at most 23 characters, for reports
  int depth;           // items on the stack
  int max_depth;       // the greatest depth reached
  int full_chunks;     // chunks below the current one, all full
  int index;           // items in the current chunk
  STACK_CHUNK *chunk;  // the chunk the top item is in
  STACK *next;         // the global list of stacks
};

// Every stack made and not yet freed, newest first, linked through next. Defined in
// globals.cpp with the rest of the library's state.
extern STACK *all_stacks;

// A new empty stack named `name` ("Unknown" when null), owned by the caller (free_stack).
STACK *create_stack(const char *name);

// Pushes the item and returns 1; a null stack is reported and gives 0.
int kora_push(void *item, STACK *stack);

// Takes the top item off and returns it; null when the stack is empty or null.
void *pop(STACK *stack);

// The top item, left in place; null when the stack is empty or null.
void *peek(const STACK *stack);

// Frees the chunks and the record and takes the stack off the global list. Null is ignored.
void free_stack(STACK *stack);

// Frees every stack on the global list.
void free_all_stacks();

}  // namespace kora
