// Classes of equivalent states of an acyclic deterministic network, in linear time.
//
// In a network without cycles, states can be classified bottom-up (Revuz 1992): once the
// destinations of a state's arcs are classified, the state's class is fixed by its signature,
// i.e. whether it is final and the set of pairs (label index, class of the destination) of its
// arcs. Revuz takes the states by increasing height to have the destinations classified first;
// here the order is the one in which a depth-first walk leaves the states, which has the same
// property, needs no heights and touches each state while its arcs are still in the cache.
// Signatures are looked up in a flat hash table that holds one state per class. The walk is
// iterative and gives up as soon as an arc closes a cycle (the caller then uses the partition
// refinement).
//
// Cost: O(V + E) expected time. Space: 24 bytes per step of the longest path for the walk's
// stack, 16 to 32 bytes per class in the table and 12 bytes per label index for comparing
// signatures, besides the caller's class_of. Tested in tests/operations/minimize_test.cpp.

#include "flat-hash.h"
#include "minimize-classes.h"
#include "sparse-set.h"

namespace kora {
namespace {

// class_of holds these until a state is classified.
constexpr uint32_t kUnvisited = UINT32_MAX;
constexpr uint32_t kOnPath = UINT32_MAX - 1;

// What an arc adds to its source's signature hash. The contributions are added, so the hash
// does not depend on arc order.
uint64_t arc_hash(uint32_t label, uint32_t destination_class) {
  return hash_mix((static_cast<uint64_t>(label) << 32) | destination_class);
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

// Classifies states whose destinations are all classified, one at a time.
class Classifier {
 public:
  Classifier(STATE *const *states, uint32_t label_count, uint32_t *class_of)
      : states_(states), class_of_(class_of), labels_(label_count), target_(label_count) {}

  uint32_t classes() const { return classes_; }

  // Gives state s the class of an equivalent state met before, or a new class. `hash` and
  // `arcs` are the sum of its arcs' arc_hash and their number.
  void classify(uint32_t s, uint64_t hash, uint32_t arcs) {
    const STATE *state = states_[s];
    if (state->flags.final) hash += 0x9e3779b97f4a7c15ULL;
    bool added;
    uint32_t *held = table_.insert(
        hash_mix(hash + arcs),
        [&](uint32_t other) { return same_signature(state, states_[other]); }, &added);
    if (added) {
      *held = s;
      class_of_[s] = classes_++;
    } else {
      class_of_[s] = class_of_[*held];
    }
  }

 private:
  uint32_t class_of_arc(const ARC *arc) const { return class_of_[state_index(arc->destination)]; }

  // Whether `other` is final as `state` is and has the same (label, class) arcs. The lists are
  // compared pairwise as long as their labels come in one order, the rest through labels_,
  // where the state's arcs are entered by label with their classes in target_.
  bool same_signature(const STATE *state, const STATE *other) {
    if (other->flags.final != state->flags.final) return false;
    const ARC *a = state->arcs, *b = other->arcs;
    for (; a != nullptr && b != nullptr && a->label == b->label; a = a->next, b = b->next)
      if (class_of_arc(a) != class_of_arc(b)) return false;
    if (a == nullptr || b == nullptr) return a == b;
    uint32_t rest = 0;
    for (const ARC *arc = a; arc != nullptr; arc = arc->next, ++rest) {
      bool added;
      target_[labels_.insert(arc->label, &added)] = class_of_arc(arc);
    }
    uint32_t matched = 0;
    for (; b != nullptr; b = b->next, ++matched) {
      uint32_t at = labels_.position(b->label);
      if (at == SparseSet::kAbsent || target_[at] != class_of_arc(b)) break;
    }
    labels_.clear();
    return b == nullptr && matched == rest;
  }

  STATE *const *states_;
  uint32_t *class_of_;
  FlatHash<uint32_t> table_{"MINIMIZE"};  // a state of each class, by signature
  SparseSet labels_;                       // the labels of the rest of one state's arcs
  WorkArray<uint32_t> target_;             // by position in labels_, the destination class
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
