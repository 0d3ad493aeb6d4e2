// Reachability marks, arc reversal, pruning, and the start-loop and epsilon-only tests.

#include "prune.h"

#include "error.h"
#include "label-check.h"
#include "label.h"
#include "scratch.h"
#include "struct.h"

namespace kora {
namespace {

bool has_visit_mark_0(STATE *state) { return state->flags.visit_mark == 0; }

}  // namespace

void mark_reachable(STATE *start, unsigned mark, STACK *stack) {
  mark &= 0xFF;
  if (start == nullptr || start->flags.visit_mark == mark) return;
  STACK *own = stack == nullptr ? create_stack("States to reach") : nullptr;
  STACK *arcs = stack != nullptr ? stack : own;
  start->flags.visit_mark = mark;
  if (start->arcs != nullptr) kora_push(start->arcs, arcs);
  // The stack holds arcs still to follow; the rest of a list is pushed before descending.
  while (auto *cur_arc = static_cast<ARC *>(pop(arcs))) {
    if (cur_arc->next != nullptr) kora_push(cur_arc->next, arcs);
    KORA_ASSERT(ARC_destination(cur_arc));
    STATE *dest = cur_arc->destination;
    if (dest->flags.visit_mark == mark) continue;
    dest->flags.visit_mark = mark;
    if (dest->arcs != nullptr) kora_push(dest->arcs, arcs);
  }
  free_stack(own);
}

void reverse_arcs_in_place(NET *net, int direction) {
  const unsigned moved = direction != 0 ? 1 : 0;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arc->flags.unused = !moved;
  // An arc moved onto a list already carries `moved`, so it is skipped when its new state's
  // list is walked.
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    ARC **link = &state->arcs;
    while (*link != nullptr) {
      ARC *arc = *link;
      if (arc->flags.unused == moved) {
        link = &arc->next;
        continue;
      }
      arc->flags.unused = moved;
      STATE *dest = arc->destination;
      if (dest == state) {
        link = &arc->next;
        continue;
      }
      *link = arc->next;
      arc->next = dest->arcs;
      dest->arcs = arc;
      arc->destination = state;
    }
  }
}

void connect_fsm(NET *net, ConnectMode mode) {
  STACK *stack = create_stack("States to connect");
  set_visit_marks(net, 1);
  if (mode == CONNECT_CO_REACHABLE) {
    for (STATE *state = net->states; state != nullptr; state = state->next)
      if (state->flags.final) mark_reachable(state, 0, stack);
    STATE *start = net->start;
    if (start->flags.visit_mark == 1) {
      // Nothing is accepted: the start state stays, alone and without arcs.
      free_state_arcs(start, net);
      start->flags.visit_mark = 0;
      net->flags.loop_free = 1;
      empty_label_set(net);
    }
  } else {
    mark_reachable(net->start, 0, stack);
  }
  free_stack(stack);
  delete_states(net, has_visit_mark_0);
  if (mode == CONNECT_CO_REACHABLE) {
    net->flags.pruned = 1;
    net->flags.completed = 0;
  }
  net->flags.visit_marks_dirty = 0;
}

NET *prune_fsm(NET *net, int copy) {
  if (net == nullptr) return nullptr;
  if (copy == 1 && (net = copy_fsm(net)) == nullptr) return nullptr;
  if (net->flags.pruned || net->start == nullptr || check_plain_net(net)) return net;
  const uint32_t arcs_before = net->num_arcs;
  reverse_arcs_in_place(net, 1);
  connect_fsm(net, CONNECT_CO_REACHABLE);
  reverse_arcs_in_place(net, 0);
  connect_fsm(net, CONNECT_REACHABLE);
  net->flags2.sorted_arcs = 0;
  if (net->start->arcs == nullptr)
    empty_label_set(net);
  else if (net->num_arcs < arcs_before)
    label_check(net);
  return net;
}

int start_loops_p(NET *net) {
  if (net == nullptr || net->start == nullptr) return 0;
  if ((net->flags.compacted || net->flags2.is_virtual) && check_plain_net(net)) return 0;
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  int loops = 0;
  for (STATE *state = net->states; state != nullptr && !loops; state = state->next) {
    ARC *cursor = nullptr;
    bool done = false;
    start_state_arcs(&iterator, state, &cursor, &done);
    while (!done && !loops) {
      const ARC *arc = next_arc(&iterator, &cursor, &done);
      loops = arc != nullptr && arc->destination == net->start;
    }
  }
  free_arc_iterator(&iterator);
  if (loops && net->flags.loop_free) {
    warning("start_loops_p: Net incorrectly marked as loopfree.");
    net->flags.loop_free = 0;
  }
  return loops;
}

int epsilon_only_p(NET *net) {
  if (net == nullptr || net->start == nullptr || check_plain_net(net)) return 0;
  prune_fsm(net, 0);
  // Mark 1: not reached yet; 0: reached. The walk stops at the first state that disqualifies.
  set_visit_marks(net, 1);
  STACK *stack = create_stack("States to reach");
  net->start->flags.visit_mark = 0;
  kora_push(net->start, stack);
  int only_epsilon = 1;
  while (only_epsilon) {
    auto *state = static_cast<STATE *>(pop(stack));
    if (state == nullptr) break;
    if (state->arcs == nullptr && !state->flags.final) only_epsilon = 0;
    for (const ARC *arc = state->arcs; arc != nullptr && only_epsilon; arc = arc->next) {
      if (arc->label != EPSILON) {
        only_epsilon = 0;
      } else if (arc->destination->flags.visit_mark == 1) {
        arc->destination->flags.visit_mark = 0;
        kora_push(arc->destination, stack);
      }
    }
  }
  free_stack(stack);
  set_visit_marks(net, 0);
  return only_epsilon;
}

int null_fsm_p(NET *net) {
  if (!net->flags.pruned) prune_fsm(net, 0);
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    if (s->flags.final) return 0;
  return 1;
}

}  // namespace kora
