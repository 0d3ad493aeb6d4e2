// The standard order of the state list, and the numbering of states for listings.
//
// The breadth-first walk keeps its queue in the vector that also ends up holding the order, so
// one pass gives the relinked list. A visit mark of 1 means "met"; the walk leaves every mark
// at 0.

#include "state-order.h"

#include <vector>

#include "scratch.h"

namespace kora {
namespace {

// Whether the network has a start state and its states and arcs are plain linked lists.
bool walkable(const NET *net) {
  return net != nullptr && net->start != nullptr && !net->flags.compacted &&
         !net->flags2.has_arc_vectors;
}

// Fills `order` with every state of the network: first those reached breadth-first from the
// start state (states whose arcs belong to a transition table are not expanded), then the others
// in state-list order. Marks are 0 before and after.
void breadth_first_order(NET *net, std::vector<STATE *> &order) {
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
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.visit_mark == 0) order.push_back(s);
    s->flags.visit_mark = 0;
  }
  net->flags.visit_marks_dirty = 0;
}

}  // namespace

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

}  // namespace kora
