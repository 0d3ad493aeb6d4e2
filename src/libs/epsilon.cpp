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
// a hash set of (destination, label, user pointer), so no arc list is scanned per arc. Tested in
// tests/calculus/epsilon_test.cpp.

#include "epsilon.h"

#include <cstdint>
#include <vector>

#include "label.h"
#include "prune.h"
#include "scratch.h"
#include "struct.h"

namespace kora {

namespace {

constexpr unsigned kEnterable = 2;     // visit mark: the start state or entered by a symbol
constexpr unsigned kInClosure = 0x80;  // visit mark bit: in the closure being walked

// The copies made for one rebuilt state, as a set keyed by (destination, label, user pointer):
// open addressing over a power-of-two table, emptied after each state through the list of the
// slots it filled.
class CopySet {
 public:
  // The slot of the arc's key: it holds the copy already made with the arc's destination, label
  // and user pointer, or is empty where such a copy goes (then fill it).
  ARC **slot_for(const ARC *arc) {
    if ((filled_.size() + 1) * 2 > slots_.size()) grow();
    size_t mask = slots_.size() - 1;
    size_t i = hash(arc) & mask;
    while (slots_[i] != nullptr && !same_key(slots_[i], arc)) i = (i + 1) & mask;
    return &slots_[i];
  }

  void fill(ARC **slot, ARC *copy) {
    *slot = copy;
    filled_.push_back(static_cast<size_t>(slot - slots_.data()));
  }

  void clear() {
    for (size_t i : filled_) slots_[i] = nullptr;
    filled_.clear();
  }

 private:
  static size_t hash(const ARC *arc) {
    uint64_t h = reinterpret_cast<uintptr_t>(arc->destination);
    h = (h ^ arc->label) * 0x9E3779B97F4A7C15ull;
    h = (h ^ reinterpret_cast<uintptr_t>(arc_user_pointer(arc))) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(h ^ (h >> 29));
  }

  static bool same_key(const ARC *a, const ARC *b) {
    return a->destination == b->destination && a->label == b->label &&
           arc_user_pointer(a) == arc_user_pointer(b);
  }

  void grow() {
    std::vector<ARC *> old(slots_.size() < 64 ? 64 : slots_.size() * 2, nullptr);
    old.swap(slots_);
    std::vector<size_t> filled;
    filled.swap(filled_);
    size_t mask = slots_.size() - 1;
    for (size_t j : filled) {
      ARC *held = old[j];
      size_t i = hash(held) & mask;
      while (slots_[i] != nullptr) i = (i + 1) & mask;
      slots_[i] = held;
      filled_.push_back(i);
    }
  }

  std::vector<ARC *> slots_;
  std::vector<size_t> filled_;
};

ARC *copy_arc(const ARC *arc, NET *net) {
  return arc->flags.big ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), net)
                        : alloc_arc(arc->label, arc->destination, net);
}

bool has_epsilon_arc(const STATE *state) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == EPSILON) return true;
  return false;
}

// The working storage of one removal, reused from state to state.
class EpsilonRemoval {
 public:
  explicit EpsilonRemoval(NET *net) : net_(net) {}

  // Replaces the arcs of `state` by the copies of its closure's non-EPSILON arcs, grouped by
  // destination, and makes it final when a closure state is. Its old arcs are freed. While this
  // runs, a destination's client cell holds its copies, newest first.
  void rebuild(STATE *state) {
    walk_closure(state);
    bool final = false;
    for (STATE *member : closure_) {
      member->flags.visit_mark &= ~kInClosure;
      final = final || member->flags.final;
    }
    ARC *head = nullptr;
    ARC **tail = &head;
    for (STATE *dest : destinations_) {
      ARC *copies = static_cast<ARC *>(dest->client_cell);
      dest->client_cell = nullptr;
      ARC *reversed = nullptr;
      while (copies != nullptr) {
        ARC *next = copies->next;
        copies->next = reversed;
        reversed = copies;
        copies = next;
      }
      *tail = reversed;
      while (*tail != nullptr) tail = &(*tail)->next;
    }
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
             (arc->label != EPSILON || (arc->destination->flags.visit_mark & kInClosure)))
        arc = arc->next;
      if (arc == nullptr) {
        cursors_.pop_back();
        continue;
      }
      cursors_.back() = arc->next;
      enter(arc->destination);
    }
  }

  void enter(STATE *state) {
    state->flags.visit_mark |= kInClosure;
    closure_.push_back(state);
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label == EPSILON) continue;
      ARC **slot = copies_.slot_for(arc);
      if (*slot != nullptr) continue;
      ARC *copy = copy_arc(arc, net_);
      copies_.fill(slot, copy);
      STATE *dest = arc->destination;
      if (dest->client_cell == nullptr) destinations_.push_back(dest);
      copy->next = static_cast<ARC *>(dest->client_cell);
      dest->client_cell = copy;
    }
    cursors_.push_back(state->arcs);
  }

  NET *net_;
  CopySet copies_;
  std::vector<ARC *> cursors_;       // per closure state on the walk, the next arc to look at
  std::vector<STATE *> closure_;     // the closure in the order entered
  std::vector<STATE *> destinations_;  // destinations of copies in the order first met
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
  clear_client_cells(net);
  if (net->start != nullptr) net->start->flags.visit_mark = kEnterable;
  EpsilonRemoval removal(net);
  for (STATE *state = net->states; state != nullptr; state = state->next)
    if (state->flags.visit_mark == kEnterable && has_epsilon_arc(state)) removal.rebuild(state);

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
