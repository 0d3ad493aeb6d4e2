// Breadth-first and depth-first numbering of states, and the standard order of the state list.
//
// The breadth-first walk keeps its queue in the vector that also ends up holding the order, so
// one pass gives both the numbers and the relinked list. A visit mark of 1 means "numbered"
// (breadth-first) or "not yet numbered" (depth-first); both walks leave every mark at 0.

#include "state-order.h"

#include <algorithm>
#include <vector>

#include "error.h"
#include "scratch.h"
#include "stack.h"

namespace kora {
namespace {

// Whether the network has a start state and its states and arcs are plain linked lists.
bool walkable(const NET *net) {
  return net != nullptr && net->start != nullptr && !net->flags.compacted &&
         !net->flags2.has_arc_vectors;
}

// Fills `order` with every state of the network: first those reached breadth-first from the
// start state (states whose arcs belong to a transition table are not expanded), then the others
// in state-list order. Returns the number reached. Marks are 0 before and after.
int breadth_first_order(NET *net, std::vector<STATE *> &order) {
  set_visit_marks(net, 0);
  net->flags.visit_marks_dirty = 1;
  order.clear();
  order.reserve(net->num_states);
  order.push_back(net->start);
  net->start->flags.visit_mark = 1;
  for (size_t next = 0; next < order.size(); next++) {
    const STATE *state = order[next];
    if (state->flags.table_arcs) continue;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      STATE *dest = arc->destination;
      if (dest->flags.visit_mark == 0) {
        dest->flags.visit_mark = 1;
        order.push_back(dest);
      }
    }
  }
  int reached = static_cast<int>(order.size());
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.visit_mark == 0) order.push_back(s);
    s->flags.visit_mark = 0;
  }
  net->flags.visit_marks_dirty = 0;
  return reached;
}

void set_number(STATE *state, intptr_t number) {
  state->client_cell = reinterpret_cast<void *>(number);
}

}  // namespace

int top_sort_net(NET *net) {
  if (!walkable(net)) return 0;
  std::vector<STATE *> order;
  int reached = breadth_first_order(net, order);
  for (size_t i = 0; i < order.size(); i++) set_number(order[i], static_cast<intptr_t>(i));
  if (!net->flags2.is_virtual) {
    long long difference = static_cast<long long>(reached) - net->num_states;
    if (difference > 0 || (net->flags.pruned && difference != 0))
      warning_printf("top_sort_net: Incorrect state count. Difference is %d.",
                     static_cast<int>(difference));
  }
  return reached;
}

void sort_states(NET *net) {
  if (!walkable(net)) return;
  std::vector<STATE *> order;
  breadth_first_order(net, order);
  for (size_t i = 0; i + 1 < order.size(); i++) order[i]->next = order[i + 1];
  order.back()->next = nullptr;
  net->states = order.front();
  net->flags.sorted_states = 1;
}

intptr_t number_states_for_listing(NET *net) {
  sort_states(net);
  intptr_t number = 0;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    s->client_cell = reinterpret_cast<void *>(number++);
  return number;
}

void reorder_states(NET *net, int (*compare)(const STATE *a, const STATE *b)) {
  if (net == nullptr || net->states == nullptr) return;
  std::vector<STATE *> order;
  for (STATE *state = net->states; state != nullptr; state = state->next) order.push_back(state);
  long long difference = static_cast<long long>(order.size()) - net->num_states;
  if (difference > 0)
    warning_printf("reorder_states: State count too low. Difference is %d.",
                   static_cast<int>(difference));
  else if (difference < 0)
    warning_printf("reorder_states: State count too high. Difference is %d.",
                   static_cast<int>(-difference));
  net->num_states = static_cast<uint32_t>(order.size());
  std::stable_sort(order.begin(), order.end(),
                   [compare](const STATE *a, const STATE *b) { return compare(a, b) < 0; });
  for (size_t i = 0; i + 1 < order.size(); i++) order[i]->next = order[i + 1];
  order.back()->next = nullptr;
  net->states = order.front();
}

int renumber_states(NET *net) {
  if (!walkable(net)) return 0;
  set_visit_marks(net, 1);
  intptr_t next_number = 0;
  net->start->flags.visit_mark = 0;
  set_number(net->start, next_number++);
  // Arcs still to follow; the top is the next one. Popping an arc pushes its successor first,
  // then the arcs of a newly numbered destination above it, so the walk goes deep first.
  STACK *arcs = create_stack("States to rename");
  if (net->start->arcs != nullptr) kora_push(net->start->arcs, arcs);
  while (ARC *arc = static_cast<ARC *>(pop(arcs))) {
    if (arc->next != nullptr) kora_push(arc->next, arcs);
    STATE *dest = arc->destination;
    if (dest->flags.visit_mark != 1) continue;
    dest->flags.visit_mark = 0;
    set_number(dest, next_number++);
    if (dest->arcs != nullptr) kora_push(dest->arcs, arcs);
  }
  free_stack(arcs);
  int reached = static_cast<int>(next_number);
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.visit_mark == 1) set_number(s, next_number++);
    s->flags.visit_mark = 0;
  }
  net->flags.visit_marks_dirty = 0;
  return reached;
}

}  // namespace kora
