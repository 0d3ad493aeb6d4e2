// Determinization by the subset construction (Rabin and Scott 1959), done in place.
//
// determinize_fsm removes the EPSILON arcs (epsilon.h), renumbers the arc labels to dense
// indexes (label-index.h) so that per-label tables have one entry per label of the network,
// runs the subset construction and maps the labels back. Labels are atomic; arcs whose user
// pointers differ, and the second and later *AND_CHECK* arcs of a state, carry different
// indexes and so are never merged.
//
// The construction starts from the start state. An input state (a state of the network as it
// was) is regrouped in place: its arcs are gathered by label in the order each label first
// occurs, reusing the arc records; an arc repeating a (label, destination) is freed, and a label
// with several destinations gets one arc to the state standing for the set of them. A set state
// is made only for a set of two or more input states; its arcs are fresh copies of its members'
// arcs, in member order (members are kept in ascending address order), gathered the same way.
// A set whose member states have been regrouped already may list set states as destinations;
// those contribute their members. A set is found again through a hash table of member
// sequences, and a set {S, X1 .. Xk} met while regrouping S, whose other members have no arcs
// and add no finality S lacks, is S itself (a loop rather than a new state). States whose
// `deterministic` mark is already set are only traversed. Input states never reached are
// deleted at the end.
//
// Traversal is depth first with a recursion budget of 20 calls; a state met with the budget
// spent goes on the explicit stack "States to determinize" and is processed from there, so the
// call stack never grows with the input.
//
// Cost: regrouping an input state is linear in its arcs; a set state costs the arcs of its
// members plus sorting the destination sets it produces, O(A log A) for A such arcs. The number
// of set states is exponential in the worst case, as for any determinization. Space: a sparse
// set of the n label indexes with two entries per index (the labels met while one state is
// regrouped, emptied in constant time), the member lists of the set states and the flat hash
// table over them. Tested in tests/operations/determinize_test.cpp.

#include "determinize.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include "epsilon.h"
#include "error.h"
#include "flat-hash.h"
#include "label-index.h"
#include "label.h"
#include "memory-budget.h"
#include "optimized-operands.h"
#include "scratch.h"
#include "sparse-set.h"
#include "stack.h"
#include "struct.h"

namespace kora {

namespace {

constexpr int kDepthBudget = 20;
constexpr unsigned kUnseen = 1;    // visit mark of an input state not yet processed
constexpr unsigned kSetState = 2;  // visit mark of a set state while the construction runs

// The input states a set state stands for: `length` states at `first` in the member pool.
struct MemberSet {
  size_t first;
  uint32_t length;
  STATE *state;
};

uint64_t hash_members(const std::vector<STATE *> &members) {
  uint64_t h = hash_mix(members.size());
  for (STATE *member : members) h = hash_word(h, reinterpret_cast<uintptr_t>(member));
  return h;
}

class SubsetConstruction {
 public:
  SubsetConstruction(NET *net, uint32_t label_count)
      : net_(net), labels_(label_count), single_destination_(label_count),
        destination_set_(label_count) {
    deferred_ = create_stack("States to determinize");
  }

  ~SubsetConstruction() { free_stack(deferred_); }

  void run() {
    set_visit_marks(net_, kUnseen);
    clear_client_cells(net_);
    net_->flags.sorted_states = 0;
    if (net_->start != nullptr) process(net_->start, kDepthBudget);
    while (STATE *state = static_cast<STATE *>(pop(deferred_))) process(state, kDepthBudget);

    for (MemberSet &set : sets_) set.state->flags.visit_mark = 0;
    delete_states(net_, [](STATE *state) { return state->flags.visit_mark == 0; });
    clear_client_cells(net_);
    net_->flags.visit_marks_dirty = 0;
    net_->flags.deterministic = 1;
  }

 private:
  // Makes `state` deterministic and goes on with its destinations while `budget` lasts.
  void process(STATE *state, int budget) {
    if (budget == 1) {
      kora_push(state, deferred_);
      return;
    }
    if (state->flags.deterministic) {
      if (state->flags.visit_mark != kUnseen) return;
      state->flags.visit_mark = 0;
    } else if (state->flags.visit_mark == 0) {
      return;
    } else if (state->flags.visit_mark == kUnseen &&
               (state->arcs == nullptr || state->arcs->next == nullptr)) {
      state->flags.visit_mark = 0;
      state->flags.deterministic = 1;
    } else {
      regroup(state);
      state->flags.deterministic = 1;
    }
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      process(arc->destination, budget - 1);
  }

  // Replaces the arcs of `state` by one arc per label, leading to the destination or to the
  // state standing for the set of destinations of that label.
  void regroup(STATE *state) {
    ARC *head = nullptr;
    ARC **tail = &head;
    if (state->flags.visit_mark == kUnseen) {
      state->flags.visit_mark = 0;
      ARC *arc = state->arcs;
      while (arc != nullptr) {
        ARC *next = arc->next;
        if (gather(arc->label, arc->destination)) {
          *tail = arc;
          tail = &arc->next;
        } else {
          free_arc(arc);
          net_->num_arcs--;
        }
        arc = next;
      }
    } else {
      const MemberSet *set = static_cast<const MemberSet *>(state->client_cell);
      for (uint32_t i = 0; i < set->length; i++) {
        STATE *member = members_[set->first + i];
        if (member->flags.final) state->flags.final = 1;
        for (ARC *arc = member->arcs; arc != nullptr; arc = arc->next) {
          if (!gather(arc->label, arc->destination)) continue;
          ARC *copy = arc->flags.big
                          ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), net_)
                          : alloc_arc(arc->label, arc->destination, net_);
          *tail = copy;
          tail = &copy->next;
        }
      }
    }
    *tail = nullptr;
    // Every destination set is put in order and hashed first, and the slot of the table where
    // its search begins is asked for, so that the lookups below wait for memory together
    // rather than one after the other.
    if (set_hashes_.size() < buffers_used_) set_hashes_.resize(buffers_used_);
    for (size_t i = 0; i < buffers_used_; ++i) {
      std::vector<STATE *> &set = buffers_[i];
      std::sort(set.begin(), set.end(), std::less<STATE *>());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      set_hashes_[i] = hash_members(set);
      table_.prefetch(set_hashes_[i]);
    }
    for (ARC *arc = head; arc != nullptr; arc = arc->next) {
      uint32_t set = destination_set_[labels_.position(arc->label)];
      if (set != 0) arc->destination = state_for_set(buffers_[set - 1], set_hashes_[set - 1], state);
    }
    labels_.clear();
    buffers_used_ = 0;
    state->arcs = head;
  }

  // Notes an arc with `label` to `dest` of the state being regrouped. True when it is the first
  // arc with that label, which stays; false when it repeats one or adds to a set of
  // destinations.
  bool gather(uint32_t label, STATE *dest) {
    bool added;
    uint32_t at = labels_.insert(label, &added);
    if (added) {
      single_destination_[at] = dest;
      destination_set_[at] = 0;
      return true;
    }
    if (destination_set_[at] == 0) {
      if (single_destination_[at] == dest) return false;
      if (buffers_used_ == buffers_.size()) buffers_.emplace_back();
      buffers_[buffers_used_].clear();
      add_members(buffers_[buffers_used_], single_destination_[at]);
      destination_set_[at] = static_cast<uint32_t>(++buffers_used_);
    }
    add_members(buffers_[destination_set_[at] - 1], dest);
    return false;
  }

  // Adds the input states `dest` stands for (unsorted, possibly repeated).
  void add_members(std::vector<STATE *> &set, STATE *dest) {
    if (dest->flags.visit_mark != kSetState) {
      set.push_back(dest);
      return;
    }
    const MemberSet *members = static_cast<const MemberSet *>(dest->client_cell);
    set.insert(set.end(), members_.begin() + static_cast<ptrdiff_t>(members->first),
               members_.begin() + static_cast<ptrdiff_t>(members->first + members->length));
  }

  // The state standing for the set of input states `set` (sorted, without duplicates, two or
  // more, of hash `hash`), met while regrouping `current`: one found again, `current` itself,
  // or a new set state.
  STATE *state_for_set(const std::vector<STATE *> &set, uint64_t hash, STATE *current) {
    auto same = [&](const MemberSet *held) {
      return held->length == set.size() &&
             std::equal(set.begin(), set.end(),
                        members_.begin() + static_cast<ptrdiff_t>(held->first));
    };
    if (MemberSet *const *found = table_.find(hash, same)) return (*found)->state;
    if (stands_for_itself(set, current)) return current;

    STATE *made = make_state(nullptr, net_);
    made->flags.deterministic = 0;
    made->flags.visit_mark = kSetState;
    sets_.push_back(MemberSet{members_.size(), static_cast<uint32_t>(set.size()), made});
    members_.insert(members_.end(), set.begin(), set.end());
    charge_.grow_to(members_.capacity() * sizeof(STATE *) + sets_.size() * sizeof(MemberSet));
    made->client_cell = &sets_.back();
    bool added;
    *table_.insert(hash, same, &added) = &sets_.back();
    return made;
  }

  // Whether `set` is `current` plus states without arcs that make it no more final.
  static bool stands_for_itself(const std::vector<STATE *> &set, const STATE *current) {
    if (!std::binary_search(set.begin(), set.end(), current, std::less<const STATE *>()))
      return false;
    bool other_final = false;
    for (const STATE *member : set) {
      if (member == current) continue;
      if (member->arcs != nullptr) return false;
      other_final = other_final || member->flags.final;
    }
    return current->flags.final || !other_final;
  }

  NET *net_;
  // The label indexes met while one state is regrouped and, by position in labels_, the
  // destination of the first arc with the label and, once a second destination turned up,
  // 1 + the number of the buffer holding the destination set (else 0).
  SparseSet labels_;
  std::vector<STATE *> single_destination_;
  std::vector<uint32_t> destination_set_;
  std::vector<std::vector<STATE *>> buffers_;
  size_t buffers_used_ = 0;
  std::vector<uint64_t> set_hashes_;  // of the sets in buffers_, once they are in order
  std::deque<MemberSet> sets_;    // every set state made; a deque keeps the records in place
  std::vector<STATE *> members_;  // the member pool
  FlatHash<MemberSet *> table_{"DETERMINIZE"};  // the set states by member sequence
  MemoryCharge charge_;           // the budget's share of the sets and the member pool
  STACK *deferred_;
};

}  // namespace

int subset_construction(NET *net, uint32_t label_count) {
  if (net->flags2.optimized) {
    net->flags.deterministic = 0;
    return 1;
  }
  SubsetConstruction construction(net, label_count);
  construction.run();
  return 0;
}

NET *determinize_fsm(NET *net, int copy_mode) {
  if (net == nullptr) return nullptr;
  if (copy_mode == 1) net = copy_fsm(net);
  if (net == nullptr) return nullptr;
  if (net->flags.deterministic && net->flags.epsilon_free) return net;
  if (!net->flags2.optimized && check_plain_net(net)) return net;
  unoptimize_operand(net, "determinize_fsm: Can't determinize an optimized network. "
                          "Un-optimizing and determinizing.");
  if (copy_mode == 2) net = copy_fsm(net);
  if (net == nullptr) return nullptr;
  if (net->flags.deterministic && net->flags.epsilon_free) return net;

  remove_epsilons(net, 0);
  if (net->num_arcs < 2) {
    net->flags.deterministic = 1;
    if (net->start != nullptr) net->start->flags.deterministic = 1;
    net->flags2.sorted_arcs = 0;
    return net;
  }
  LABEL_INDEX index;
  uint32_t label_count = renumber_arc_labels(net, &index);
  subset_construction(net, label_count);
  restore_arc_labels(net, &index);
  net->flags2.sorted_arcs = 0;
  return net;
}

}  // namespace kora
