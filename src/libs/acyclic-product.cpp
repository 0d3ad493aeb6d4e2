// The minimal product of two deterministic acyclic networks, built bottom-up.
//
// What: the minimal network of the pairs of states of `a` and `b` reachable from the start
// pair, final as the caller says: both final (a & b), or the first final and the second not
// (a - b). For the difference, an arc of the first state that the second state lacks leads on
// with the first network alone (a "failed" second side, which accepts nothing), so the rest of
// `a` is walked once and no complement of `b` is ever made.
//
// How: a depth-first walk over the pairs with an explicit stack. When a pair is opened, the
// arcs of its second state are entered in a table by label id (stamped with the pair's serial
// number, so it is never cleared), and each arc of the first state is matched there in O(1);
// the matching children wait on a stack of their own above those of the pairs below. A pair is
// closed after all its children: its state is then the register's state with the same
// finality and the same sorted list of (label, destination) of its live children, or a new one
// registered there (the register of Daciuk et al. 2000 applied to a product walked in
// post-order). Children are closed before their parents, so equal lists mean equal right
// languages, and a pair that is not final and has no live child is dead and gets no state:
// the result is pruned and minimal as it is made, and neither the unpruned product nor a
// second pass of minimization is ever built. A pair index (a flat hash on the two states) holds
// each pair's state once it is closed, and marks open pairs, so that a cycle is noticed; a pair
// with a failed second side is kept in its first state's client cell instead, which the walk
// reads anyway. The states that the walk is about to open, and the index slots of their pairs,
// are prefetched as the pairs are found, since the walk waits on memory more than it computes.
// When the difference consumes `a`, a failed pair whose first state keeps every arc, in label
// order, to states taken the same way (and is in the register alone) is that state itself: the
// part of `a` that `b` has left behind moves into the result instead of being copied.
//
// Cost: O(P + M log d) expected time for the P reachable pairs and the M arcs of their first
// states, d the largest number of arcs of a state (the live children of a pair are sorted).
// Space: the pair index (2 to 4 slots of 32 bytes per pair), the register (2 to 4 slots of 16
// bytes per result state), the label table (16 bytes per label id), the stacks (the children
// of the pairs along the longest string), and the result.
// Tested in tests/operations/word_list_scale_test.cpp, and through intersect_net and minus_net
// in product_test.cpp, minus_test.cpp and the regular-expression tests.

#include "acyclic-product.h"

#include <algorithm>
#include <vector>

#include "alph.h"
#include "flat-hash.h"
#include "label.h"
#include "struct.h"

namespace kora {
namespace {

// The table by label id may have at most this many entries, and at most kLabelsPerArc per arc
// of the operands above kSmallLabelTable: small networks in a large label map would pay more
// for the table than for the walk.
constexpr uint32_t kMaxLabelTable = 1u << 20;
constexpr uint64_t kSmallLabelTable = 4096;
constexpr uint64_t kLabelsPerArc = 16;

// One more than the largest label of the network's label set.
uint32_t label_bound(const NET *net) {
  uint32_t bound = 0;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(const_cast<NET *>(net)));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator))
    bound = std::max(bound, label + 1);
  return bound;
}

bool simple_operand(const NET *net) {
  return net->start != nullptr && special_representation(net) == nullptr &&
         net->flags.deterministic && net->flags.epsilon_free && net->flags.loop_free &&
         !net->flags.has_arc_user_pointer;
}

// A pair of states; `second` null is the failed second side of a difference.
struct Pair {
  STATE *first;
  const STATE *second;
};

// What stands for the state of a pair that is open, or closed and dead: in the pair index, and
// in the client cell of a first state for the pair of it and the failed second side (null there
// means not met yet).
char open_mark;
char dead_mark;
STATE *const kOpen = reinterpret_cast<STATE *>(&open_mark);
STATE *const kDead = reinterpret_cast<STATE *>(&dead_mark);

// One mix of both addresses: hash_mix is a bijection, so pairs collide only as often as the
// words mixed do.
uint64_t pair_hash(Pair pair) {
  return hash_mix(reinterpret_cast<uintptr_t>(pair.first) ^
                  reinterpret_cast<uintptr_t>(pair.second) * 0x9E3779B97F4A7C15ULL);
}

// A pair in the index and its state: kOpen while its children are walked, then its state or
// kDead.
struct IndexedPair {
  Pair pair;
  STATE *state;
};

// A child of an open pair: the label of the arc and the pair it leads to, then that pair's state.
struct Child {
  uint32_t label;
  Pair pair;
  uint64_t hash;  // of the pair
  STATE *state;
};

// An open pair on the walk's stack, with its children children[first, end) and the next to
// visit.
struct Frame {
  Pair pair;
  uint64_t hash;  // of the pair
  size_t first;
  size_t end;
  size_t next;
};

// The second state's arcs by label: the destination of the arc with a label, valid while its
// stamp is the current pair's serial.
struct LabelSlot {
  const STATE *destination;
  uint64_t stamp;
};

class ProductBuilder {
 public:
  // Room is made at once for about as many pairs and result states as the walk is likely to
  // meet: `expected_pairs` and `expected_states`.
  ProductBuilder(PairFinality finality, bool take_first_states, uint32_t label_bound,
                 size_t expected_pairs, size_t expected_states, NET *result)
      : finality_(finality),
        take_first_states_(take_first_states),
        table_(label_bound, LabelSlot{nullptr, 0}),
        used_labels_(label_bound, false),
        index_("PRODUCT_PAIRS"),
        register_("PRODUCT_REGISTER"),
        result_(result) {
    index_.reserve(expected_pairs);
    register_.reserve(expected_states);
  }

  // Walks from the start pair; false when the operands were not what their flags said.
  bool build(Pair start) {
    if (!open(start, pair_hash(start))) return false;
    while (!frames_.empty()) {
      Frame &frame = frames_.back();
      if (frame.next < frame.end) {
        const Pair next = children_[frame.next].pair;
        const uint64_t hash = children_[frame.next].hash;
        if (next.second == nullptr) {
          STATE *memo = static_cast<STATE *>(next.first->client_cell);
          if (memo == nullptr) {
            if (!open(next, hash)) return false;
          } else if (memo == kOpen) {
            return false;  // a cycle
          } else {
            children_[frame.next++].state = memo == kDead ? nullptr : memo;
          }
          continue;
        }
        const IndexedPair *known =
            index_.find(hash, [&](const IndexedPair &entry) { return same(entry.pair, next); });
        if (known == nullptr) {
          if (!open(next, hash)) return false;
        } else if (known->state == kOpen) {
          return false;  // a cycle
        } else {
          children_[frame.next++].state = known->state == kDead ? nullptr : known->state;
        }
        continue;
      }
      const Pair closing = frame.pair;
      const uint64_t hash = frame.hash;
      const size_t first = frame.first;
      STATE *state = close(frame);
      children_.resize(first);
      if (failed_) return false;
      if (closing.second == nullptr) {
        closing.first->client_cell = state != nullptr ? state : kDead;
      } else {
        IndexedPair *entry =
            index_.find(hash, [&](const IndexedPair &known) { return same(known.pair, closing); });
        entry->state = state != nullptr ? state : kDead;
      }
      frames_.pop_back();
      if (frames_.empty()) {
        start_ = state;
      } else {
        Frame &parent = frames_.back();
        children_[parent.next++].state = state;
      }
    }
    return true;
  }

  // The state of the start pair, null when the language is empty.
  STATE *start() const { return start_; }

  // Adds the labels on the result's arcs to `labels`, a binary alphabet.
  void add_used_labels(ALPH *labels) const {
    for (uint32_t label = 0; label < used_labels_.size(); ++label)
      if (used_labels_[label]) alph_add_to(labels, label, 0);
  }

 private:
  static bool same(Pair x, Pair y) { return x.first == y.first && x.second == y.second; }

  // Indexes `pair` as open and pushes it with its children; false on a label past the table or
  // two arcs of one label.
  bool open(Pair pair, uint64_t hash) {
    if (pair.second == nullptr) {
      pair.first->client_cell = kOpen;
    } else {
      bool added = false;
      IndexedPair *entry =
          index_.insert(hash, [&](const IndexedPair &known) { return same(known.pair, pair); }, &added);
      *entry = IndexedPair{pair, kOpen};
    }
    const size_t first = children_.size();
    ++stamp_;
    if (pair.second != nullptr) {
      for (const ARC *arc = pair.second->arcs; arc != nullptr; arc = arc->next) {
        if (arc->label >= table_.size() || table_[arc->label].stamp == stamp_) return false;
        table_[arc->label] = LabelSlot{arc->destination, stamp_};
      }
    }
    for (const ARC *arc = pair.first->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label >= table_.size()) return false;
      const STATE *second = nullptr;
      if (pair.second != nullptr && table_[arc->label].stamp == stamp_) second = table_[arc->label].destination;
      if (second == nullptr && finality_ == PairFinality::kBoth) continue;
      children_.push_back(Child{arc->label, Pair{arc->destination, second}, 0, nullptr});
    }
    // The children are looked up and opened soon: their memory is loaded meanwhile.
    for (size_t i = first; i < children_.size(); ++i) {
      Child &child = children_[i];
      __builtin_prefetch(child.pair.first);
      if (child.pair.second == nullptr) continue;
      child.hash = pair_hash(child.pair);
      __builtin_prefetch(child.pair.second);
      index_.prefetch(child.hash);
    }
    frames_.push_back(Frame{pair, hash, first, children_.size(), first});
    return true;
  }

  bool final_pair(Pair pair) const {
    const bool second_final = pair.second != nullptr && pair.second->flags.final;
    if (!pair.first->flags.final) return false;
    return finality_ == PairFinality::kBoth ? second_final : !second_final;
  }

  // The state of the pair of `frame`, whose children are all closed: null when it is dead,
  // else the registered state of its finality and live children, made when new. Reorders the
  // frame's children. Sets failed_ when two children have one label.
  STATE *close(const Frame &frame) {
    Child *live = children_.data() + frame.first;
    size_t count = 0;
    for (size_t i = frame.first; i < frame.end; ++i)
      if (children_[i].state != nullptr) live[count++] = children_[i];
    const bool final = final_pair(frame.pair);
    if (count == 0 && !final) return nullptr;

    const auto by_label = [](const Child &x, const Child &y) { return x.label < y.label; };
    const bool in_order = std::is_sorted(live, live + count, by_label);
    if (!in_order) std::sort(live, live + count, by_label);
    uint64_t hash = final ? 1 : 2;
    for (size_t i = 0; i < count; ++i) {
      if (i > 0 && live[i - 1].label == live[i].label) {
        failed_ = true;
        return nullptr;
      }
      hash = hash_word(hash, reinterpret_cast<uintptr_t>(live[i].state) +
                                 uint64_t{live[i].label} * 0xC2B2AE3D27D4EB4FULL);
    }
    bool added = false;
    STATE **entry = register_.insert(
        hash, [&](STATE *known) { return equal_state(known, final, live, count); }, &added);
    if (!added) return *entry;
    if (in_order && takes_first_state(frame, live, count)) {
      for (size_t i = 0; i < count; ++i) used_labels_[live[i].label] = true;
      *entry = frame.pair.first;
      return frame.pair.first;
    }

    STATE *state = alloc_state();
    state->flags.final = final;
    ARC **tail = &state->arcs;
    for (size_t i = 0; i < count; ++i) {
      ARC *arc = alloc_arc(live[i].label, live[i].state, result_);
      used_labels_[live[i].label] = true;
      *tail = arc;
      tail = &arc->next;
    }
    state->next = result_->states;
    result_->states = state;
    result_->num_states++;
    *entry = state;
    return state;
  }

  // Whether the failed pair of `frame`, whose live children are in the order of its first
  // state's arcs, can be that state itself: every arc is live and leads to a state taken as it
  // is, so the state's arcs are already the result's.
  bool takes_first_state(const Frame &frame, const Child *live, size_t count) const {
    if (!take_first_states_ || frame.pair.second != nullptr || count != frame.end - frame.first)
      return false;
    for (size_t i = 0; i < count; ++i)
      if (live[i].state != live[i].pair.first) return false;
    return true;
  }

  static bool equal_state(const STATE *state, bool final, const Child *live, size_t count) {
    if (state->flags.final != final) return false;
    const ARC *arc = state->arcs;
    for (size_t i = 0; i < count; ++i, arc = arc->next)
      if (arc == nullptr || arc->label != live[i].label || arc->destination != live[i].state) return false;
    return arc == nullptr;
  }

  const PairFinality finality_;
  const bool take_first_states_;
  std::vector<LabelSlot> table_;
  std::vector<bool> used_labels_;
  uint64_t stamp_ = 0;
  FlatHash<IndexedPair> index_;
  FlatHash<STATE *> register_;
  std::vector<Frame> frames_;
  std::vector<Child> children_;
  NET *result_;
  STATE *start_ = nullptr;
  bool failed_ = false;
};

}  // namespace

bool acyclic_product_applies(const NET *a, const NET *b) {
  if (!simple_operand(a) || !simple_operand(b)) return false;
  const uint32_t bound = std::max(label_bound(a), label_bound(b));
  return bound <= kMaxLabelTable &&
         bound <= kSmallLabelTable + kLabelsPerArc * (uint64_t{a->num_arcs} + b->num_arcs);
}

bool acyclic_product_takes_as_they_are(NET *a, NET *b) {
  return acyclic_product_applies(a, b) && !test_alph_member(net_sigma(a), OTHER) &&
         !test_alph_member(net_sigma(b), OTHER);
}

namespace {

// Moves the states of `a` that the walk took as they are (their client cell is the state
// itself) into `result`, with their arcs.
void move_taken_states(NET *a, NET *result) {
  for (STATE **link = &a->states; *link != nullptr;) {
    STATE *state = *link;
    if (state->client_cell != state) {
      link = &state->next;
      continue;
    }
    *link = state->next;
    state->client_cell = nullptr;
    state->next = result->states;
    result->states = state;
    a->num_states--;
    result->num_states++;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      a->num_arcs--;
      result->num_arcs++;
    }
  }
}

}  // namespace

bool minimal_acyclic_product(NET *a, const NET *b, PairFinality finality, NET *result,
                             bool take_from_a) {
  if (finality == PairFinality::kFirstOnly)
    for (STATE *state = a->states; state != nullptr; state = state->next) state->client_cell = nullptr;
  // Both operands are minimal in the common case, and then the pairs of two networks of word
  // lists are about as many as the states of the smaller one, and the result about as large
  // as the smaller one (a & b) or as `a` (a - b).
  const size_t pairs = std::min(a->num_states, b->num_states);
  const size_t states = finality == PairFinality::kBoth ? pairs : a->num_states;
  const bool take_first_states = take_from_a && finality == PairFinality::kFirstOnly;
  ProductBuilder builder(finality, take_first_states, std::max(label_bound(a), label_bound(b)),
                         pairs, states, result);
  if (!builder.build(Pair{a->start, b->start})) {
    if (finality == PairFinality::kFirstOnly)
      for (STATE *state = a->states; state != nullptr; state = state->next) state->client_cell = nullptr;
    return false;
  }
  if (take_first_states) move_taken_states(a, result);
  result->start = builder.start();
  if (result->start == nullptr) result->start = make_state(nullptr, result);
  result->labels = make_alph(0, KORA_BINARY_ALPH);
  builder.add_used_labels(result->labels);
  binary_to_label(result->labels);
  result->flags.deterministic = 1;
  result->flags.epsilon_free = 1;
  result->flags.loop_free = 1;
  result->flags.pruned = 1;
  result->flags.minimized = 1;
  return true;
}

}  // namespace kora
