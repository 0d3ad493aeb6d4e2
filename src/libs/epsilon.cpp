// Epsilon removal, in place.
//
// Only states that can be entered by reading something are rebuilt: the start state and the
// destinations of non-EPSILON arcs (visit mark 2). Such a state S that has EPSILON arcs gets, in
// place of its arcs, a copy of every non-EPSILON arc of every state in its epsilon closure
// (the states reachable from S through EPSILON arcs, S included), and becomes final when a
// closure state is final. The copies are grouped by destination, in the order the destinations
// are first met by a depth-first walk of the closure that takes each state's own arcs before
// descending into its EPSILON successors; a copy equal to one already made (same destination,
// label and user pointer) is not made. States that only EPSILON arcs enter are left to the
// final reachability pass, which deletes them with their EPSILON arcs.
//
// Rebuilding works on the network as it is being rebuilt: a closure state rebuilt earlier
// contributes its new arcs, which already cover its own closure. The result has the same
// relation and no EPSILON arcs.
//
// Cost: time O(sum over rebuilt states of the arcs of their closures) plus O(V + E) for the
// marking passes; a closure walk uses an explicit stack, and duplicate copies are found through
// a flat hash set of (destination, label, user pointer), so no arc list is scanned per arc.
// While the removal runs, the states are numbered through their client cells, and the closure
// and the destinations of one rebuilt state are sparse sets over these numbers, emptied in
// constant time for the next one. Space O(V) for the numbering and the sets. Tested in
// tests/operations/epsilon_test.cpp.

#include "epsilon.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "flat-hash.h"
#include "label.h"
#include "prune.h"
#include "scratch.h"
#include "sparse-set.h"
#include "struct.h"

namespace kora {

namespace {

constexpr unsigned kEnterable = 2;  // visit mark: the start state or entered by a symbol

uint32_t state_number(const STATE *state) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(state->client_cell));
}

uint64_t copy_hash(const ARC *arc) {
  uint64_t h = hash_mix(reinterpret_cast<uintptr_t>(arc->destination));
  h = hash_word(h, arc->label);
  return hash_word(h, reinterpret_cast<uintptr_t>(arc_user_pointer(arc)));
}

bool same_copy(const ARC *a, const ARC *b) {
  return a->destination == b->destination && a->label == b->label &&
         arc_user_pointer(a) == arc_user_pointer(b);
}

ARC *copy_arc(const ARC *arc, NET *net) {
  return arc->flags.big ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), net)
                        : alloc_arc(arc->label, arc->destination, net);
}

bool has_epsilon_arc(const STATE *state) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == EPSILON) return true;
  return false;
}

// The working storage of one removal, reused from state to state. `states` lists the states of
// the network by number.
class EpsilonRemoval {
 public:
  EpsilonRemoval(NET *net, std::vector<STATE *> states)
      : net_(net),
        states_(std::move(states)),
        closure_(static_cast<uint32_t>(states_.size())),
        destinations_(static_cast<uint32_t>(states_.size())) {}

  // Replaces the arcs of `state` by the copies of its closure's non-EPSILON arcs, grouped by
  // destination, and makes it final when a closure state is. Its old arcs are freed.
  void rebuild(STATE *state) {
    walk_closure(state);
    bool final = false;
    for (uint32_t member : closure_) final = final || states_[member]->flags.final;
    ARC *head = nullptr;
    ARC **tail = &head;
    for (uint32_t group = 0; group < destinations_.size(); group++) {
      *tail = first_copy_[group];
      tail = &last_copy_[group]->next;
    }
    *tail = nullptr;
    free_state_arcs(state, net_);
    state->arcs = head;
    state->flags.final = final;
    state->flags.deterministic = 0;
    closure_.clear();
    destinations_.clear();
    copies_.clear();
  }

 private:
  // Depth first over EPSILON arcs from `origin`: each state's own non-EPSILON arcs are copied
  // when the walk enters it, then its EPSILON successors are entered in arc order.
  void walk_closure(STATE *origin) {
    enter(origin);
    while (!cursors_.empty()) {
      ARC *arc = cursors_.back();
      while (arc != nullptr &&
             (arc->label != EPSILON || closure_.contains(state_number(arc->destination))))
        arc = arc->next;
      if (arc == nullptr) {
        cursors_.pop_back();
        continue;
      }
      cursors_.back() = arc->next;
      enter(arc->destination);
    }
  }

  // Copies go to the group of their destination, in the order made.
  void enter(STATE *state) {
    bool added;
    closure_.insert(state_number(state), &added);
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label == EPSILON) continue;
      ARC **copy = copies_.insert(
          copy_hash(arc), [arc](const ARC *made) { return same_copy(made, arc); }, &added);
      if (!added) continue;
      *copy = copy_arc(arc, net_);
      uint32_t group = destinations_.insert(state_number(arc->destination), &added);
      if (!added) {
        last_copy_[group]->next = *copy;
        last_copy_[group] = *copy;
      } else if (group == first_copy_.size()) {
        first_copy_.push_back(*copy);
        last_copy_.push_back(*copy);
      } else {
        first_copy_[group] = last_copy_[group] = *copy;
      }
    }
    cursors_.push_back(state->arcs);
  }

  NET *net_;
  std::vector<STATE *> states_;
  SparseSet closure_;       // the closure being walked, in the order entered
  SparseSet destinations_;  // destinations of its copies, in the order first met
  std::vector<ARC *> first_copy_, last_copy_;  // by position in destinations_
  FlatHash<ARC *> copies_{"REMOVE_EPSILONS"};
  std::vector<ARC *> cursors_;  // per closure state on the walk, the next arc to look at
};

}  // namespace

NET *remove_epsilons(NET *net, int copy_flag) {
  if (net == nullptr) return nullptr;
  if (copy_flag == 1) net = copy_fsm(net);
  if (net == nullptr || net->flags.epsilon_free) return net;
  if (check_plain_net(net)) return net;
  clear_visit_marks_if_dirty(net);

  bool any_epsilon = false;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label == EPSILON)
        any_epsilon = true;
      else
        arc->destination->flags.visit_mark = kEnterable;
    }
  if (!any_epsilon) {
    set_visit_marks(net, 0);
    net->flags.epsilon_free = 1;
    return net;
  }

  net->flags.visit_marks_dirty = 1;
  if (net->start != nullptr) net->start->flags.visit_mark = kEnterable;
  std::vector<STATE *> states;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    state->client_cell = reinterpret_cast<void *>(static_cast<uintptr_t>(states.size()));
    states.push_back(state);
  }
  EpsilonRemoval removal(net, std::move(states));
  for (STATE *state = net->states; state != nullptr; state = state->next)
    if (state->flags.visit_mark == kEnterable && has_epsilon_arc(state)) removal.rebuild(state);
  clear_client_cells(net);

  // The EPSILON arcs left are on states that only EPSILON arcs enter, now unreachable.
  if (net->start != nullptr) {
    connect_fsm(net, CONNECT_REACHABLE);
  } else {
    delete_states(net, [](STATE *) { return false; });
    net->flags.visit_marks_dirty = 0;
  }
  net->flags.deterministic = 0;
  net->flags.minimized = 0;
  net->flags.epsilon_free = 1;
  net->flags2.sorted_arcs = 0;
  return net;
}

}  // namespace kora
