// Chunked stacks and the global list that holds them.

#include "stack.h"

#include <cstdlib>
#include <cstring>

#include "error.h"

namespace kora {
namespace {

STACK_CHUNK *new_chunk(STACK_CHUNK *previous, const char *what) {
  auto *chunk = static_cast<STACK_CHUNK *>(std::calloc(1, sizeof(STACK_CHUNK)));
  if (chunk == nullptr) out_of_memory(what);
  chunk->previous = previous;
  return chunk;
}

void release_stack(STACK *stack) {
  STACK_CHUNK *chunk = stack->chunk;
  while (chunk->previous != nullptr) chunk = chunk->previous;
  while (chunk != nullptr) {
    STACK_CHUNK *next = chunk->next;
    std::free(chunk);
    chunk = next;
  }
  std::free(stack);
}

}  // namespace

STACK *create_stack(const char *name) {
  auto *stack = static_cast<STACK *>(std::calloc(1, sizeof(STACK)));
  if (stack == nullptr) out_of_memory("CREATE_STACK");
  std::strncpy(stack->name, name != nullptr ? name : "Unknown", sizeof stack->name - 1);
  stack->chunk = new_chunk(nullptr, "CREATE_STACK");
  stack->next = all_stacks;
  all_stacks = stack;
  return stack;
}

int kora_push(void *item, STACK *stack) {
  if (stack == nullptr) {
    error("kora_push: can't push onto NULL stack");
    return 0;
  }
  if (stack->index == kStackChunkSize) {
    if (stack->chunk->next == nullptr) stack->chunk->next = new_chunk(stack->chunk, "kora_push");
    stack->chunk = stack->chunk->next;
    stack->full_chunks++;
    stack->index = 0;
  }
  stack->chunk->items[stack->index++] = item;
  if (++stack->depth > stack->max_depth) stack->max_depth = stack->depth;
  return 1;
}

void *pop(STACK *stack) {
  if (stack == nullptr || stack->depth == 0) return nullptr;
  if (stack->index == 0) {
    stack->chunk = stack->chunk->previous;
    stack->full_chunks--;
    stack->index = kStackChunkSize;
  }
  stack->depth--;
  return stack->chunk->items[--stack->index];
}

void *peek(const STACK *stack) {
  if (stack == nullptr || stack->depth == 0) return nullptr;
  if (stack->index == 0) return stack->chunk->previous->items[kStackChunkSize - 1];
  return stack->chunk->items[stack->index - 1];
}

void free_stack(STACK *stack) {
  if (stack == nullptr) return;
  for (STACK **link = &all_stacks; *link != nullptr; link = &(*link)->next) {
    if (*link == stack) {
      *link = stack->next;
      break;
    }
  }
  release_stack(stack);
}

void free_all_stacks() {
  while (all_stacks != nullptr) {
    STACK *stack = all_stacks;
    all_stacks = stack->next;
    release_stack(stack);
  }
}

}  // namespace kora
