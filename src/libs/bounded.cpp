// The boundedness tests: depth-first search for cycles that read nothing on one side.

#include "bounded.h"

#include "boundary.h"
#include "error.h"
#include "label.h"
#include "scratch.h"
#include "struct.h"

namespace kora {
namespace {

// Whether an arc labelled `label` reads nothing on `side`; a label of another arity than 1 or 2
// is reported and counts as reading something.
bool silent_on_side(uint32_t label, int side) {
  const int arity = label_arity(label);
  if (arity == 1) return label == ALTCHAIN_SYMBOL || label == DET_EPSILON;
  if (arity == 2) return (side == 0 ? upper_id(label) : lower_id(label)) == EPSILON;
  error_printf("epsilon_loop_state_p: Arity should be 1 or 2, got %d", arity);
  return false;
}

void report_bad_mark(const STATE *state) {
  error_printf("epsilon_loop_state_p: Shouldn't happen: visit mark somehow set to %d",
               static_cast<int>(state->flags.visit_mark));
}

}  // namespace

int epsilon_loop_state_p(STATE *state, int side, ARC_ITERATOR *iterator, STACK *stack) {
  switch (state->flags.visit_mark) {
    case 0:
      return 0;
    case 1:
      return 1;
    case 2:
      break;
    default:
      report_bad_mark(state);
      return 0;
  }
  STACK *own = stack == nullptr ? create_stack("Epsilon loop states") : nullptr;
  STACK *frames = stack != nullptr ? stack : own;
  // A frame is two items: a state on the current path, and above it the cursor of its arcs.
  auto enter = [&](STATE *entered) {
    ARC *cursor = nullptr;
    bool done = false;
    entered->flags.visit_mark = 1;
    start_state_arcs(iterator, entered, &cursor, &done);
    kora_push(entered, frames);
    kora_push(cursor, frames);
  };
  enter(state);
  int depth = 1;
  int cycle = 0;
  while (depth > 0 && !cycle) {
    auto *cursor = static_cast<ARC *>(pop(frames));
    auto *current = static_cast<STATE *>(peek(frames));
    bool done = false;
    const ARC *arc = next_arc(iterator, &cursor, &done);
    if (arc == nullptr) {
      current->flags.visit_mark = 0;
      pop(frames);
      depth--;
      continue;
    }
    kora_push(cursor, frames);
    if (!silent_on_side(arc->label, side)) continue;
    STATE *dest = arc->destination;
    switch (dest->flags.visit_mark) {
      case 0:
        break;
      case 1:
        cycle = 1;
        break;
      case 2:
        enter(dest);
        depth++;
        break;
      default:
        report_bad_mark(dest);
        break;
    }
  }
  for (int i = 0; i < 2 * depth; i++) pop(frames);
  free_stack(own);
  return cycle;
}

int linearbounded_p(NET *net, int side) {
  if (net->flags.compacted) {
    warning("linearbounded_p: Can't check loops on a compacted network.");
    return 1;
  }
  const bool known = side == 0 ? net->flags2.upper_bounded_known : net->flags2.lower_bounded_known;
  if (net->flags.loop_free || known) return 1;
  set_visit_marks(net, 2);
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  STACK *stack = create_stack("Epsilon loop states");
  int bounded = 1;
  for (STATE *state = net->states; state != nullptr && bounded; state = state->next)
    if (epsilon_loop_state_p(state, side, &iterator, stack)) bounded = 0;
  free_stack(stack);
  free_arc_iterator(&iterator);
  set_visit_marks(net, 0);
  if (side == 0)
    net->flags2.upper_bounded_known = bounded;
  else
    net->flags2.lower_bounded_known = bounded;
  return bounded;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int test_upper_bounded(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    if (net == nullptr) {
      error("Unexpected NULL argument in test_upper_bounded().");
      return 0;
    }
    if (check_not_virtual(net)) return 0;
    return linearbounded_p(net, 0);
  });
}

KORA_API int test_lower_bounded(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    if (net == nullptr) {
      error("Unexpected NULL argument in test_lower_bounded().");
      return 0;
    }
    if (check_not_virtual(net)) return 0;
    return linearbounded_p(net, 1);
  });
}

}  // extern "C"
