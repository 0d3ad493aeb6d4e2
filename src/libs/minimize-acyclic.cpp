// Classes of equivalent states of an acyclic deterministic network, in linear time.
//
// In a network without cycles, states can be classified bottom-up (Revuz 1992): once the
// destinations of a state's arcs are classified, the state's class is fixed by its signature,
// i.e. whether it is final and the set of pairs (label index, class of the destination) of its
// arcs. Revuz takes the states by increasing height to have the destinations classified first;
// here the order is the one in which a depth-first walk leaves the states, which has the same
// property, needs no heights and touches each state while its arcs are still in the cache.
// Signatures are looked up in a hash table that holds one state per class. The walk is
// iterative and gives up as soon as an arc closes a cycle (the caller then uses the partition
// refinement).
//
// Cost: O(V + E) expected time. Space: 24 bytes per step of the longest path for the walk's
// stack, at most 16 bytes per class in the table and 4 bytes per label index, besides the
// caller's class_of. Tested in tests/calculus/minimize_test.cpp.

#include "minimize-classes.h"

namespace kora {
namespace {

// class_of holds these until a state is classified.
constexpr uint32_t kUnvisited = UINT32_MAX;
constexpr uint32_t kOnPath = UINT32_MAX - 1;

uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

// What an arc adds to its source's signature hash. The contributions are added, so the hash
// does not depend on arc order.
uint64_t arc_hash(uint32_t label, uint32_t destination_class) {
  return mix((static_cast<uint64_t>(label) << 32) | destination_class);
}

// One state of the current path: the arc to follow next, the arc whose destination is being
// classified (its contribution is added when that destination is left), and the signature hash
// and arc count gathered so far.
struct PathStep {
  ARC *next;
  ARC *pending;
  uint64_t hash;
  uint32_t state;
  uint32_t arcs;
};

// The steps of the current path, in an array that doubles when it is full (a path is usually
// far shorter than the number of states).
class Path {
 public:
  Path() : steps_(static_cast<PathStep *>(std::malloc(capacity_ * sizeof(PathStep)))) {
    if (steps_ == nullptr) out_of_memory("MINIMIZE");
  }
  ~Path() { std::free(steps_); }
  Path(const Path &) = delete;
  Path &operator=(const Path &) = delete;

  // Makes room for `size` steps; references to steps do not survive it.
  void reserve(uint32_t size) {
    if (size <= capacity_) return;
    capacity_ *= 2;
    auto *larger = static_cast<PathStep *>(std::realloc(steps_, capacity_ * sizeof(PathStep)));
    if (larger == nullptr) out_of_memory("MINIMIZE");
    steps_ = larger;
  }
  PathStep &operator[](uint32_t i) { return steps_[i]; }

 private:
  size_t capacity_ = 256;
  PathStep *steps_;
};

// The classes met so far, by signature. A slot holds the signature's 32-bit tag in its high
// half and one more than the number of a state of the class in its low half; 0 is empty. The
// tag also chooses the slot, so the table can grow without the states.
class SignatureTable {
 public:
  SignatureTable() : slots_(static_cast<uint64_t *>(std::calloc(kInitialSize, sizeof(uint64_t)))) {
    if (slots_ == nullptr) out_of_memory("MINIMIZE");
  }
  ~SignatureTable() { std::free(slots_); }
  SignatureTable(const SignatureTable &) = delete;
  SignatureTable &operator=(const SignatureTable &) = delete;

  // The slot where probing for `tag` starts.
  uint32_t first_slot(uint32_t tag) const { return tag & mask_; }
  uint32_t next_slot(uint32_t slot) const { return (slot + 1) & mask_; }
  uint64_t slot(uint32_t index) const { return slots_[index]; }

  // Fills the empty slot `index` with a class of `state`, growing the table past half full.
  void fill(uint32_t index, uint32_t tag, uint32_t state) {
    slots_[index] = (static_cast<uint64_t>(tag) << 32) | (static_cast<uint64_t>(state) + 1);
    if (++used_ * 2 > mask_ + 1) grow();
  }

 private:
  static constexpr uint32_t kInitialSize = 1024;

  void grow() {
    uint32_t size = (mask_ + 1) * 2;
    auto *larger = static_cast<uint64_t *>(std::calloc(size, sizeof(uint64_t)));
    if (larger == nullptr) out_of_memory("MINIMIZE");
    uint32_t larger_mask = size - 1;
    for (uint32_t i = 0; i <= mask_; ++i) {
      if (slots_[i] == 0) continue;
      uint32_t j = static_cast<uint32_t>(slots_[i] >> 32) & larger_mask;
      while (larger[j] != 0) j = (j + 1) & larger_mask;
      larger[j] = slots_[i];
    }
    std::free(slots_);
    slots_ = larger;
    mask_ = larger_mask;
  }

  uint64_t *slots_;
  uint32_t mask_ = kInitialSize - 1;
  uint32_t used_ = 0;
};

// Classifies states whose destinations are all classified, one at a time.
class Classifier {
 public:
  Classifier(STATE *const *states, uint32_t label_count, uint32_t *class_of)
      : states_(states), class_of_(class_of), target_(label_count, true) {}

  uint32_t classes() const { return classes_; }

  // Gives state s the class of an equivalent state met before, or a new class. `hash` and
  // `arcs` are the sum of its arcs' arc_hash and their number.
  void classify(uint32_t s, uint64_t hash, uint32_t arcs) {
    const STATE *state = states_[s];
    if (state->flags.final) hash += 0x9e3779b97f4a7c15ULL;
    uint32_t tag = static_cast<uint32_t>(mix(hash + arcs) >> 32);
    uint32_t slot = table_.first_slot(tag);
    for (uint64_t held; (held = table_.slot(slot)) != 0; slot = table_.next_slot(slot)) {
      if (static_cast<uint32_t>(held >> 32) != tag) continue;
      uint32_t other = static_cast<uint32_t>(held) - 1;
      if (same_signature(state, states_[other])) {
        class_of_[s] = class_of_[other];
        return;
      }
    }
    class_of_[s] = classes_++;
    table_.fill(slot, tag, s);
  }

 private:
  uint32_t class_of_arc(const ARC *arc) const { return class_of_[state_index(arc->destination)]; }

  // Whether `other` is final as `state` is and has the same (label, class) arcs. The lists are
  // compared pairwise as long as their labels come in one order, the rest through target_,
  // where the state's arcs are entered by label.
  bool same_signature(const STATE *state, const STATE *other) {
    if (other->flags.final != state->flags.final) return false;
    const ARC *a = state->arcs, *b = other->arcs;
    for (; a != nullptr && b != nullptr && a->label == b->label; a = a->next, b = b->next)
      if (class_of_arc(a) != class_of_arc(b)) return false;
    if (a == nullptr || b == nullptr) return a == b;
    for (const ARC *arc = a; arc != nullptr; arc = arc->next)
      target_[arc->label] = class_of_arc(arc) + 1;
    uint32_t matched = 0;
    for (; b != nullptr; b = b->next, ++matched)
      if (target_[b->label] != class_of_arc(b) + 1) break;
    uint32_t rest = 0;
    for (const ARC *arc = a; arc != nullptr; arc = arc->next, ++rest) target_[arc->label] = 0;
    return b == nullptr && matched == rest;
  }

  STATE *const *states_;
  uint32_t *class_of_;
  SignatureTable table_;
  WorkArray<uint32_t> target_;  // per label index, zero between comparisons
  uint32_t classes_ = 0;
};

}  // namespace

int64_t acyclic_classes(STATE *const *states, uint32_t count, uint32_t label_count,
                        uint32_t *class_of) {
  Classifier classifier(states, label_count, class_of);
  Path path;
  for (uint32_t i = 0; i < count; ++i) class_of[i] = kUnvisited;
  // Every state is a root in turn, so states no other state reaches are classified too.
  for (uint32_t root = 0; root < count; ++root) {
    if (class_of[root] != kUnvisited) continue;
    uint32_t depth = 0;
    path.reserve(depth + 1);
    path[depth++] = {states[root]->arcs, nullptr, 0, root, 0};
    class_of[root] = kOnPath;
    while (depth > 0) {
      PathStep &top = path[depth - 1];
      if (ARC *arc = top.next) {
        top.next = arc->next;
        ++top.arcs;
        KORA_ASSERT(arc->label < label_count);
        uint32_t dest = state_index(arc->destination);
        uint32_t seen = class_of[dest];
        if (seen == kOnPath) return -1;
        if (seen != kUnvisited) {
          top.hash += arc_hash(arc->label, seen);
          continue;
        }
        top.pending = arc;
        class_of[dest] = kOnPath;
        path.reserve(depth + 1);
        path[depth++] = {states[dest]->arcs, nullptr, 0, dest, 0};
        continue;
      }
      classifier.classify(top.state, top.hash, top.arcs);
      uint32_t done = class_of[top.state];
      if (--depth > 0) {
        PathStep &parent = path[depth - 1];
        parent.hash += arc_hash(parent.pending->label, done);
      }
    }
  }
  return classifier.classes();
}

}  // namespace kora
