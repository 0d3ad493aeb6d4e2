// Composition of transducers.
//
// What: for an upper network A and a lower network B, the relation {(x, z) : (x, y) in A and
// (y, z) in B for some y}.
// How: the pair construction (Pereira and Riley 1997; Mohri, Pereira and Riley 1996), built
// only over the pairs of states reachable from the start pair. A's arcs are grouped by the
// symbol of their lower side ("stacks"); each label of B lists the stacks its upper side can
// match (the "lower map"): its own symbol, the members of a list flag's list, A's symbols that
// B does not know for OTHER, and A's OTHER for the symbols of B that A does not know. Each
// state of B gets, when first paired, its arcs sorted by the stacks they match, so that each
// arc of A finds its partners by a binary search: a pair (p, q) costs
// O(|p| log |q| + |q| + matches), never a scan of q's arcs per arc of p.
//
// One-sided moves (an arc x:0 of A, an arc 0:y of B) are interleaved by an epsilon filter:
// between two joint moves A's one-sided moves come first, then B's. After B has moved alone,
// A continues from a surrogate copy of its state that keeps only the arcs that read a symbol,
// made once per state; when A's state reads nothing and is final, from one final surrogate
// without arcs. So every interleaving of one-sided moves is built once and [a:0 .o. 0:b] has
// one path, not two.
//
// OTHER: each network's OTHER stands for the symbols outside its own sigma. Instead of
// expanding OTHER against the other sigma in both networks, the label of each match is worked
// out once per pair of labels: a side that is OTHER in A stands for the symbols unknown to
// both networks (OTHER of the result) and for B's symbols that A lacks, and likewise for B;
// when the two sides of a match are tied to the symbol in the middle (an identity OTHER, or
// OTHER:OTHER which differs from it), the result has OTHER, OTHER:OTHER or both accordingly.
//
// Cost: O(P log d + M) expected time for P reachable pairs, M result arcs and d the largest
// out-degree of B, plus O(L) for a table indexed by label id (L labels in the label map);
// space O(P + M + E_B). Tested in tests/operations/compose_test.cpp.

#include "compose.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "alph.h"
#include "big-arc.h"
#include "boundary.h"
#include "calculus.h"
#include "closures.h"
#include "context.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "label-check.h"
#include "label.h"
#include "memory-budget.h"
#include "minimize.h"
#include "prune.h"
#include "scratch.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

constexpr int32_t kNone = -1;

bool can_differ(const Side &x, const Side &y) { return !(x.tie == Tie::kSame && y.tie == Tie::kSame); }
bool can_equal(const Side &x, const Side &y) {
  return !((x.tie == Tie::kSame && y.tie == Tie::kDifferent) ||
           (x.tie == Tie::kDifferent && y.tie == Tie::kSame));
}

// The per-state index of B: where the state's arcs lie in the composer's arrays.
struct LowerState {
  uint32_t joint_begin, joint_end;  // in `joint`, sorted by stack
  uint32_t alone_begin, alone_end;  // in `alone`
};

struct JointArc {
  int32_t stack;
  ARC *arc;
};

struct Span {
  uint32_t begin, count;
};

// A state of the result and the pair of states it stands for. The pairs of one first state
// are chained from its client cell, the first kChained of them; the others are found in a hash
// index. Most states of the upper network meet few states of the lower one, so a lookup is
// nearly always a walk over one or two records.
struct ComposedPair {
  STATE *state;
  STATE *a;
  STATE *b;
  ComposedPair *next;  // the next pair of the same first state
};
constexpr int kChained = 6;

class Composer {
 public:
  Composer(NET *a, NET *b, int flag_mode) : a_(a), b_(b), flag_mode_(flag_mode) {
    init_pair_index(&overflow_, "compose_fst");
  }
  ~Composer();
  NET *run();
  // Whether every state of the result reaches a final state (then pruning has nothing to do).
  bool all_co_reachable();

 private:
  // Labels and symbols.
  void register_labels();
  void index_upper_label(uint32_t label);
  void index_lower_label(uint32_t label);
  void lower_map_entry(uint32_t label, std::vector<int32_t> *stacks);
  bool special_flag(uint32_t symbol) const { return flag_mode_ == 1 && non_list_flag_p(symbol); }
  bool known_to_a(uint32_t symbol) const { return test_alph_member(sigma_a_, symbol) != 0; }
  bool known_to_b(uint32_t symbol) const { return test_alph_member(sigma_b_, symbol) != 0; }

  // Result labels, computed once per label or pair of labels.
  Span joint_labels(uint32_t a_label, uint32_t b_label);
  Span alone_labels(uint32_t label, bool upper_network);
  Span store(std::vector<uint32_t> *labels);
  void sides(uint32_t label, bool upper_network, uint32_t middle, bool middle_unknown,
             std::vector<Side> *out) const;

  // States.
  const LowerState &lower_state(STATE *q);
  STATE *surrogate(STATE *p);
  STATE *final_sink();
  void expand(const ComposedPair &pair);
  void failure_phase(size_t begin, size_t end);
  STATE *pair_state(STATE *p, STATE *q);
  void add(const Span &labels, STATE *dest, const ARC *from_a, const ARC *from_b);
  void emit(STATE *state);

  NET *a_, *b_;
  int flag_mode_;
  NET *result_ = nullptr;
  NET *scratch_ = nullptr;
  STATE *sink_ = nullptr;
  std::deque<ComposedPair> pairs_;  // in the order made, which is the order of expansion
  MemoryCharge pairs_charge_;       // the budget's share of pairs_
  PAIR_INDEX overflow_;
  std::unordered_map<STATE *, STATE *> surrogates_;
  ALPH *sigma_a_ = nullptr, *sigma_b_ = nullptr;
  ALPH *used_ = nullptr;
  int pointers_from_ = 0;  // 0 none, 1 the upper network, 2 the lower network
  // The failure phase (parameter word 28): its label, whether a pair is final when its lower
  // state is (toggled by each run), and whether it made states outside the pairs.
  uint32_t fail_label_ = ID_NO_SYMBOL;
  bool final_on_lower_ = false;
  bool failure_states_ = false;

  // Indexed by label id: the dense number of an upper-network label (kNone if not one) and of a
  // lower-network label.
  std::vector<int32_t> a_number_, b_number_;
  std::vector<uint32_t> a_labels_, b_labels_;  // by dense number
  std::vector<int32_t> a_stack_;               // by A number: the stack of its lower side, or kNone
  std::vector<int32_t> stack_of_symbol_;       // by symbol id
  std::vector<uint32_t> stack_symbols_;        // by stack
  std::vector<std::vector<int32_t>> lower_map_;  // by B number; empty with b_alone_
  std::vector<uint8_t> b_alone_;               // by B number: the label moves B alone
  std::vector<uint32_t> extra_a_, extra_b_;    // B's symbols A lacks; A's symbols B lacks

  // Result labels: by A number, an array over B numbers (grown on demand); one-sided moves.
  std::vector<std::vector<int32_t>> joint_table_;
  std::vector<int32_t> a_alone_table_, b_alone_table_;
  std::vector<Span> spans_;
  std::vector<uint32_t> pool_;

  std::vector<LowerState> lower_states_;
  std::vector<JointArc> joint_;
  std::vector<ARC *> alone_;
  std::vector<STATE *> lower_touched_;

  std::vector<ArcSpec> arcs_;
  std::vector<uint32_t> scratch_labels_;
  std::vector<Side> upper_sides_, lower_sides_;
};

Composer::~Composer() {
  for (STATE *q : lower_touched_) q->client_cell = nullptr;
  for (const ComposedPair &pair : pairs_) pair.a->client_cell = nullptr;
  free_pair_index(&overflow_);
  free_network(scratch_);
  free_alph(sigma_a_);
  free_alph(sigma_b_);
  free_alph(used_);
}

// --- Labels and symbols -----------------------------------------------------------------------

void Composer::register_labels() {
  const uint32_t count = label_count();
  a_number_.assign(count, kNone);
  b_number_.assign(count, kNone);
  stack_of_symbol_.assign(count, kNone);
  for (STATE *s = a_->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (a_number_[arc->label] == kNone) index_upper_label(arc->label);
  for (STATE *s = b_->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (b_number_[arc->label] == kNone) {
        b_number_[arc->label] = static_cast<int32_t>(b_labels_.size());
        b_labels_.push_back(arc->label);
      }

  extra_a_ = extra_symbols(sigma_b_, sigma_a_);
  extra_b_ = extra_symbols(sigma_a_, sigma_b_);

  lower_map_.resize(b_labels_.size());
  b_alone_.assign(b_labels_.size(), 0);
  for (size_t i = 0; i < b_labels_.size(); i++) index_lower_label(static_cast<uint32_t>(i));
  joint_table_.resize(a_labels_.size());
  a_alone_table_.assign(a_labels_.size(), kNone);
  b_alone_table_.assign(b_labels_.size(), kNone);
}

void Composer::index_upper_label(uint32_t label) {
  a_number_[label] = static_cast<int32_t>(a_labels_.size());
  a_labels_.push_back(label);
  const uint32_t lower = lower_id(label);
  int32_t stack = kNone;
  if (lower != EPSILON && lower != ALTCHAIN_SYMBOL && !special_flag(lower)) {
    stack = stack_of_symbol_[lower];
    if (stack == kNone) {
      stack = static_cast<int32_t>(stack_symbols_.size());
      stack_of_symbol_[lower] = stack;
      stack_symbols_.push_back(lower);
    }
  }
  a_stack_.push_back(stack);
}

// Reports a list flag whose list is not defined.
void report_undefined_list(uint32_t flag) {
  std::string name, letter = symbol_flag(flag)->action == LIST_ACTION ? "L" : "X";
  append_label(name, symbol_flag(flag)->value, 0);
  std::string text = "Composition fails because the symbol '";
  text.append(name).append("' in '@").append(letter).append(".").append(name);
  text.append("@'\n    is not defined as a list.");
  error(text.c_str());
}

void Composer::index_lower_label(uint32_t number) {
  const uint32_t upper = upper_id(b_labels_[number]);
  if (upper == EPSILON || upper == ALTCHAIN_SYMBOL || special_flag(upper)) {
    b_alone_[number] = 1;
    return;
  }
  lower_map_entry(upper, &lower_map_[number]);
}

void Composer::lower_map_entry(uint32_t upper, std::vector<int32_t> *stacks) {
  if (stack_of_symbol_[upper] != kNone) stacks->push_back(stack_of_symbol_[upper]);
  if (list_flag_p(upper)) {
    if (list_flag_list(upper) == nullptr) {
      report_undefined_list(upper);
      return;
    }
    for (size_t s = 0; s < stack_symbols_.size(); s++)
      if (stack_symbols_[s] != upper && list_flag_admits(upper, stack_symbols_[s]))
        stacks->push_back(static_cast<int32_t>(s));
  } else if (upper == OTHER) {
    for (size_t s = 0; s < stack_symbols_.size(); s++) {
      const uint32_t symbol = stack_symbols_[s];
      if (symbol != OTHER && !is_internal_symbol(symbol) && !known_to_b(symbol))
        stacks->push_back(static_cast<int32_t>(s));
    }
  } else if (!known_to_a(upper) && !is_internal_symbol(upper) && stack_of_symbol_[OTHER] != kNone) {
    stacks->push_back(stack_of_symbol_[OTHER]);
  }
}

Span Composer::store(std::vector<uint32_t> *labels) {
  sort_labels(labels);
  Span span{static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(labels->size())};
  pool_.insert(pool_.end(), labels->begin(), labels->end());
  for (uint32_t label : *labels) alph_add_to(used_, label, 0);
  return span;
}

// The symbols that one side of `label` stands for in the result, given the symbol read in the
// middle (`middle_unknown`: a symbol unknown to both networks). The side is the upper side of
// an upper-network label or the lower side of a lower-network label.
void Composer::sides(uint32_t label, bool upper_network, uint32_t middle, bool middle_unknown,
                     std::vector<Side> *out) const {
  out->clear();
  const std::vector<uint32_t> &extra = upper_network ? extra_a_ : extra_b_;
  if (label_arity(label) == 1) {
    // An identity: OTHER, and a list flag on the lower network's upper side, repeat the middle.
    const bool identity = label == OTHER || (!upper_network && list_flag_p(label));
    if (!identity) {
      out->push_back({label, Tie::kFree});
    } else if (middle_unknown) {
      out->push_back({OTHER, Tie::kSame});
    } else {
      out->push_back({middle, Tie::kFree});
    }
    return;
  }
  const uint32_t side = upper_network ? upper_id(label) : lower_id(label);
  if (side != OTHER) {
    out->push_back({side, Tie::kFree});
    return;
  }
  const bool different = upper_id(label) == OTHER && lower_id(label) == OTHER;
  out->push_back({OTHER, different && middle_unknown ? Tie::kDifferent : Tie::kFree});
  for (uint32_t symbol : extra)
    if (!(different && !middle_unknown && symbol == middle)) out->push_back({symbol, Tie::kFree});
}

Span Composer::joint_labels(uint32_t a_label, uint32_t b_label) {
  const uint32_t lower = lower_id(a_label), upper = upper_id(b_label);
  uint32_t middle = lower;
  bool unknown = false;
  if (lower == upper) {
    unknown = lower == OTHER;
  } else if (lower == OTHER) {
    middle = upper;
    unknown = list_flag_p(upper);
  }
  sides(a_label, true, middle, unknown, &upper_sides_);
  sides(b_label, false, middle, unknown, &lower_sides_);
  scratch_labels_.clear();
  pair_sides(upper_sides_, lower_sides_, &scratch_labels_);
  return store(&scratch_labels_);
}

// The labels of a move of one network alone: the upper network's arc x:0 gives x:0, the lower
// network's 0:y gives 0:y, and OTHER on the moving side also gives the symbols it stands for
// that the other network knows. A special flag, facing the other network, keeps its label.
Span Composer::alone_labels(uint32_t label, bool upper_network) {
  scratch_labels_.clear();
  const uint32_t facing = upper_network ? lower_id(label) : upper_id(label);
  const uint32_t moving = upper_network ? upper_id(label) : lower_id(label);
  auto one_sided = [&](uint32_t symbol) {
    return upper_network ? pair_id(symbol, EPSILON) : pair_id(EPSILON, symbol);
  };
  if (facing != EPSILON) {
    scratch_labels_.push_back(label);
  } else {
    scratch_labels_.push_back(one_sided(moving));
    if (moving == OTHER)
      for (uint32_t symbol : upper_network ? extra_a_ : extra_b_) scratch_labels_.push_back(one_sided(symbol));
  }
  return store(&scratch_labels_);
}

// --- States -----------------------------------------------------------------------------------

const LowerState &Composer::lower_state(STATE *q) {
  if (q->client_cell != nullptr)
    return lower_states_[reinterpret_cast<uintptr_t>(q->client_cell) - 1];
  LowerState state;
  state.joint_begin = static_cast<uint32_t>(joint_.size());
  state.alone_begin = static_cast<uint32_t>(alone_.size());
  for (ARC *arc = q->arcs; arc != nullptr; arc = arc->next) {
    const int32_t number = b_number_[arc->label];
    if (b_alone_[number]) {
      alone_.push_back(arc);
      continue;
    }
    for (int32_t stack : lower_map_[number]) joint_.push_back({stack, arc});
  }
  state.joint_end = static_cast<uint32_t>(joint_.size());
  state.alone_end = static_cast<uint32_t>(alone_.size());
  std::stable_sort(joint_.begin() + state.joint_begin, joint_.end(),
                   [](const JointArc &x, const JointArc &y) { return x.stack < y.stack; });
  lower_states_.push_back(state);
  lower_touched_.push_back(q);
  q->client_cell = reinterpret_cast<void *>(static_cast<uintptr_t>(lower_states_.size()));
  return lower_states_.back();
}

// The copy of `p` from which A continues after B has moved alone: p's finality and only the
// arcs that read a symbol. Made once per state.
STATE *Composer::surrogate(STATE *p) {
  STATE *&made = surrogates_[p];
  if (made != nullptr) return made;
  STATE *copy = make_state(nullptr, scratch_);
  copy->flags.final = p->flags.final;
  ARC **tail = &copy->arcs;
  for (ARC *arc = p->arcs; arc != nullptr; arc = arc->next) {
    if (a_stack_[a_number_[arc->label]] == kNone) continue;
    ARC *made = arc->flags.big ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), scratch_)
                               : alloc_arc(arc->label, arc->destination, scratch_);
    *tail = made;
    tail = &made->next;
  }
  made = copy;
  return copy;
}

STATE *Composer::final_sink() {
  if (sink_ == nullptr) {
    sink_ = make_state(nullptr, scratch_);
    sink_->flags.final = 1;
  }
  return sink_;
}

void Composer::add(const Span &labels, STATE *dest, const ARC *from_a, const ARC *from_b) {
  const ARC *owner = pointers_from_ == 1 ? from_a : pointers_from_ == 2 ? from_b : nullptr;
  const bool big = owner != nullptr && owner->flags.big;
  void *pointer = big ? arc_user_pointer(owner) : nullptr;
  for (uint32_t i = 0; i < labels.count; i++) arcs_.push_back({pool_[labels.begin + i], dest, big, pointer});
}

STATE *Composer::pair_state(STATE *p, STATE *q) {
  int chained = 0;
  for (auto *pair = static_cast<ComposedPair *>(p->client_cell); pair != nullptr; pair = pair->next, chained++)
    if (pair->b == q) return pair->state;
  void **slot = nullptr;
  if (chained == kChained) {
    bool added;
    slot = pair_index_slot(&overflow_, p, q, &added);
    if (!added) return static_cast<STATE *>(*slot);
  }
  STATE *state = make_state(nullptr, result_);
  pairs_.push_back({state, p, q, nullptr});
  pairs_charge_.grow_to(pairs_.size() * sizeof(ComposedPair));
  if (slot != nullptr) {
    *slot = state;
  } else {
    pairs_.back().next = static_cast<ComposedPair *>(p->client_cell);
    p->client_cell = &pairs_.back();
  }
  return state;
}

void Composer::expand(const ComposedPair &pair) {
  STATE *p = pair.a, *q = pair.b;
  // A state made final by the failure phase stays final.
  pair.state->flags.final |= final_on_lower_ ? q->flags.final : p->flags.final && q->flags.final;
  if ((p->arcs == nullptr && !p->flags.final) || (q->arcs == nullptr && !q->flags.final)) return;
  const LowerState &lower = lower_state(q);
  const JointArc *joint_begin = joint_.data() + lower.joint_begin;
  const JointArc *joint_end = joint_.data() + lower.joint_end;
  arcs_.clear();
  bool consumes = false, moved_alone = false;
  for (ARC *arc = p->arcs; arc != nullptr; arc = arc->next) {
    const int32_t number = a_number_[arc->label];
    const int32_t stack = a_stack_[number];
    if (stack == kNone) {
      moved_alone = true;
      if (a_alone_table_[number] == kNone) {
        spans_.push_back(alone_labels(arc->label, true));
        a_alone_table_[number] = static_cast<int32_t>(spans_.size() - 1);
      }
      add(spans_[a_alone_table_[number]], pair_state(arc->destination, q), arc, nullptr);
      continue;
    }
    consumes = true;
    const JointArc *match = std::lower_bound(joint_begin, joint_end, stack,
                                             [](const JointArc &x, int32_t s) { return x.stack < s; });
    for (; match != joint_end && match->stack == stack; match++) {
      const ARC *b_arc = match->arc;
      const int32_t b_number = b_number_[b_arc->label];
      std::vector<int32_t> &row = joint_table_[number];
      if (row.size() <= static_cast<size_t>(b_number)) row.resize(b_number + 1, kNone);
      if (row[b_number] == kNone) {
        Span span = joint_labels(arc->label, b_arc->label);
        spans_.push_back(span);
        joint_table_[number][b_number] = static_cast<int32_t>(spans_.size() - 1);
      }
      add(spans_[joint_table_[number][b_number]],
          pair_state(arc->destination, b_arc->destination), arc, b_arc);
    }
  }
  for (uint32_t i = lower.alone_begin; i < lower.alone_end; i++) {
    const ARC *b_arc = alone_[i];
    STATE *from;
    if (!consumes) {
      if (!p->flags.final) continue;
      from = final_sink();
    } else {
      from = moved_alone ? surrogate(p) : p;
    }
    const int32_t number = b_number_[b_arc->label];
    if (b_alone_table_[number] == kNone) {
      spans_.push_back(alone_labels(b_arc->label, false));
      b_alone_table_[number] = static_cast<int32_t>(spans_.size() - 1);
    }
    add(spans_[b_alone_table_[number]], pair_state(from, b_arc->destination), nullptr, b_arc);
  }
  emit(pair.state);
}

// Attaches the arcs gathered for `state`, each (label, destination, user pointer) once, and
// keeps the deterministic and epsilon-free marks true.
void Composer::emit(STATE *state) {
  // Few arcs (the common case) are compared pairwise in the order made; many are sorted.
  auto same = [](const ArcSpec &x, const ArcSpec &y) {
    return x.label == y.label && x.destination == y.destination && x.user_pointer == y.user_pointer;
  };
  bool repeated_label = false;
  if (arcs_.size() <= 8) {
    size_t kept = 0;
    for (size_t i = 0; i < arcs_.size(); i++) {
      bool seen = false;
      for (size_t j = 0; j < kept && !seen; j++) seen = same(arcs_[j], arcs_[i]);
      if (seen) continue;
      for (size_t j = 0; j < kept; j++) repeated_label |= arcs_[j].label == arcs_[i].label;
      arcs_[kept++] = arcs_[i];
    }
    arcs_.resize(kept);
  } else {
    auto key = [](const ArcSpec &x) { return std::make_tuple(x.label, x.destination, x.user_pointer); };
    std::sort(arcs_.begin(), arcs_.end(), [&](const ArcSpec &x, const ArcSpec &y) { return key(x) < key(y); });
    arcs_.erase(std::unique(arcs_.begin(), arcs_.end(), same), arcs_.end());
    for (size_t i = 1; i < arcs_.size(); i++) repeated_label |= arcs_[i].label == arcs_[i - 1].label;
  }
  if (repeated_label) state->flags.deterministic = 0;
  ARC **tail = &state->arcs;
  for (const ArcSpec &spec : arcs_) {
    if (spec.label == EPSILON) {
      if (spec.destination == state) continue;
      state->flags.deterministic = 0;
      result_->flags.epsilon_free = 0;
    }
    ARC *arc = spec.big ? alloc_big_arc(spec.label, spec.destination, spec.user_pointer, result_)
                        : alloc_arc(spec.label, spec.destination, result_);
    *tail = arc;
    tail = &arc->next;
  }
  if (!state->flags.deterministic) result_->flags.deterministic = 0;
}

NET *Composer::run() {
  sigma_a_ = label_to_binary(copy_alph(net_sigma(a_)));
  sigma_b_ = label_to_binary(copy_alph(net_sigma(b_)));
  register_labels();

  if (a_->flags.has_arc_user_pointer && b_->flags.has_arc_user_pointer) {
    error(
        "Composing two nets with arc userpointers.\n"
        "    Only the pointers of the lower net are preserved in the result.");
    pointers_from_ = 2;
  } else if (a_->flags.has_arc_user_pointer) {
    pointers_from_ = 1;
  } else if (b_->flags.has_arc_user_pointer) {
    pointers_from_ = 2;
  }

  result_ = make_network();
  used_ = make_alph(0, KORA_BINARY_ALPH);
  result_->sigma = union_alph(sigma_a_, sigma_b_, 1, 1);
  alph_remove_from(result_->sigma, ALTCHAIN_SYMBOL, 0);
  result_->flags.deterministic = 1;
  result_->flags.epsilon_free = 1;
  result_->flags.has_arc_user_pointer = a_->flags.has_arc_user_pointer || b_->flags.has_arc_user_pointer;
  scratch_ = make_network();
  result_->start = pair_state(a_->start, b_->start);
  // Pairs are expanded generation by generation: generation k + 1 is made while generation k,
  // pairs_[generation_begin, generation_end), is expanded.
  size_t next = 0, generation_begin = 0, generation_end = pairs_.size();
  for (;;) {
    for (; next < pairs_.size(); next++) {
      if (next == generation_end) {
        generation_begin = generation_end;
        generation_end = pairs_.size();
      }
      expand(pairs_[next]);
    }
    if (!parameter(KORA_COMPOSE_FAILURE_TOKENS)) break;
    const size_t before = pairs_.size();
    failure_phase(generation_begin, generation_end);
    if (pairs_.size() == before) break;
  }

  result_->labels = binary_to_label(used_);
  used_ = nullptr;
  set_arity_from_labels(result_);
  NET *result = result_;
  result_ = nullptr;
  return result;
}

// Co-reachability over a reversed copy of the arcs in flat arrays (the states numbered in their
// order of creation through their client cells): O(V + E).
// The failure phase: for each pair of the last generation and each arc of its lower state, an
// arc with that arc's label to a fresh state, and from there an arc FAIL_TOKEN:0 to the pair of
// the upper network's start and the arc's destination, which becomes final. From now on (until
// the next run) a pair is final when its lower state is.
void Composer::failure_phase(size_t begin, size_t end) {
  if (fail_label_ == ID_NO_SYMBOL) fail_label_ = pair_id(symbol_id("FAIL_TOKEN"), EPSILON);
  alph_add_to(used_, fail_label_, 0);
  final_on_lower_ = !final_on_lower_;
  for (size_t i = begin; i < end; i++) {
    STATE *state = pairs_[i].state;
    ARC **tail = &state->arcs;
    while (*tail != nullptr) tail = &(*tail)->next;
    for (const ARC *b_arc = pairs_[i].b->arcs; b_arc != nullptr; b_arc = b_arc->next) {
      STATE *fresh = make_state(nullptr, result_);
      STATE *target = pair_state(a_->start, b_arc->destination);
      target->flags.final = 1;
      fresh->arcs = alloc_arc(fail_label_, target, result_);
      *tail = alloc_arc(b_arc->label, fresh, result_);
      tail = &(*tail)->next;
      alph_add_to(used_, b_arc->label, 0);
      state->flags.deterministic = 0;
      result_->flags.deterministic = 0;
      failure_states_ = true;
    }
  }
}

bool Composer::all_co_reachable() {
  if (failure_states_) return false;  // states outside the pairs: left to pruning
  const size_t count = pairs_.size();
  for (size_t i = 0; i < count; i++) pairs_[i].state->client_cell = reinterpret_cast<void *>(i);
  auto number = [](const STATE *s) { return reinterpret_cast<uintptr_t>(s->client_cell); };
  std::vector<uint32_t> first(count + 1, 0);
  for (const ComposedPair &pair : pairs_)
    for (const ARC *arc = pair.state->arcs; arc != nullptr; arc = arc->next) first[number(arc->destination) + 1]++;
  for (size_t i = 0; i < count; i++) first[i + 1] += first[i];
  std::vector<uint32_t> sources(first[count]), fill(first.begin(), first.end() - 1);
  for (size_t i = 0; i < count; i++)
    for (const ARC *arc = pairs_[i].state->arcs; arc != nullptr; arc = arc->next)
      sources[fill[number(arc->destination)]++] = static_cast<uint32_t>(i);
  std::vector<uint8_t> live(count, 0);
  std::vector<uint32_t> to_visit;
  for (size_t i = 0; i < count; i++)
    if (pairs_[i].state->flags.final) {
      live[i] = 1;
      to_visit.push_back(static_cast<uint32_t>(i));
    }
  size_t reached = to_visit.size();
  while (!to_visit.empty()) {
    const uint32_t state = to_visit.back();
    to_visit.pop_back();
    for (uint32_t k = first[state]; k < first[state + 1]; k++)
      if (!live[sources[k]]) {
        live[sources[k]] = 1;
        reached++;
        to_visit.push_back(sources[k]);
      }
  }
  for (const ComposedPair &pair : pairs_) pair.state->client_cell = nullptr;
  return reached == count;
}

// Appends the insert-flag symbols found on the sides of the network's labels.
void insert_flags_of(NET *net, std::vector<uint32_t> *out) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator))
    for (uint32_t side : {upper_id(label), lower_id(label)}) {
      const FLAG_DIACRITIC *flag = symbol_flag(side);
      if (flag != nullptr && flag->action == INSERT_SUBNET) out->push_back(side);
    }
}

// Removes from the sigma the expanded insert-flag symbols that no label still has on a side.
void drop_expanded_symbols(NET *net, std::vector<uint32_t> &symbols) {
  if (symbols.empty()) return;
  sort_labels(&symbols);
  std::vector<uint32_t> kept;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator))
    for (uint32_t side : {upper_id(label), lower_id(label)}) kept.push_back(side);
  sort_labels(&kept);
  for (uint32_t symbol : symbols)
    if (!std::binary_search(kept.begin(), kept.end(), symbol)) alph_remove_from(net->sigma, symbol, 0);
}

}  // namespace

void pair_sides(const std::vector<Side> &upper, const std::vector<Side> &lower,
                std::vector<uint32_t> *out) {
  for (const Side &x : upper)
    for (const Side &y : lower) {
      if (x.symbol == OTHER && y.symbol == OTHER) {
        if (can_differ(x, y)) out->push_back(pair_id(OTHER, OTHER));
        if (can_equal(x, y)) out->push_back(OTHER);
      } else {
        out->push_back(x.symbol == y.symbol ? x.symbol : pair_id(x.symbol, y.symbol));
      }
    }
}

std::vector<uint32_t> extra_symbols(const ALPH *from, ALPH *lacking) {
  std::vector<uint32_t> extra;
  for (int id = 0; id < from->len; id++)
    if (from->items[id] && !is_internal_symbol(static_cast<uint32_t>(id)) &&
        !test_alph_member(lacking, static_cast<uint32_t>(id)))
      extra.push_back(static_cast<uint32_t>(id));
  return extra;
}

void sort_labels(std::vector<uint32_t> *labels) {
  std::sort(labels->begin(), labels->end());
  labels->erase(std::unique(labels->begin(), labels->end()), labels->end());
}

NET *compose_fst(NET *upper, NET *lower, int minimize, int flag_mode) {
  if (null_fsm_p(upper) || null_fsm_p(lower)) return null_net();
  NET *own_lower = lower == upper ? copy_fsm(lower) : nullptr;
  if (own_lower != nullptr) lower = own_lower;
  std::vector<uint32_t> inserted;
  if (flag_mode != FLAGS_NO_INSERT) {
    for (NET *net : {upper, lower}) {
      insert_flags_of(net, &inserted);
      expand_insert_flags(net);
    }
  }
  remove_epsilons(upper, 0);
  remove_epsilons(lower, 0);
  clear_client_cells(upper);
  clear_client_cells(lower);
  if (flag_mode == FLAGS_AS_SPECIAL && flags_present_p(upper, LOWER_SIDE) &&
      flags_present_p(lower, UPPER_SIDE))
    warning(
        "It is unsafe to treat flag diacritics as special in\n"
        "composition when both networks contain flags. Please set the\n"
        "variable compose-flag-as-special to OFF.");
  NET *result;
  bool pruned;
  {
    Composer composer(upper, lower, flag_mode);
    result = composer.run();
    pruned = composer.all_co_reachable();
  }
  free_network(own_lower);
  if (pruned) {
    result->flags.pruned = 1;
  } else {
    prune_fsm(result, 0);
    label_check(result);
  }
  if (minimize) result = min_fsm(result, 0);
  drop_expanded_symbols(result, inserted);
  return recompute_flag_marks(result);
}

namespace {

// A result of composition over a vector: merged when asked.
NET *composed(NET *upper, NET *lower, int minimize, int merge_pass, int flag_mode) {
  NET *result = compose_fst(upper, lower, minimize, flag_mode);
  return merge_pass ? merge_one_sided_pairs(result, minimize) : result;
}

}  // namespace

NET *compose_fsm(NV *nets, int copy, int minimize, int merge_pass, int balanced, int flag_mode) {
  if (nets == nullptr || nets->len == 0) return kleene_star_fsm(OTHER);
  if (!check_operands(nets, "composition")) {
    if (copy != 1) free_operands(nets);
    return null_net();
  }
  if (nets->len == 1) {
    NET *net = copy == 1 ? copy_fsm(nets->nets[0]) : nets->nets[0];
    return recompute_flag_marks(minimize ? min_fsm(net, 0) : net);
  }
  // Each operand with the number of uses left; the operation's own networks (copies, results
  // of earlier steps, consumed arguments) are freed after their last use.
  struct Operand {
    NET *net;
    bool owned;
  };
  std::vector<Operand> operands;
  std::vector<std::pair<NET *, int>> uses;  // distinct networks and their remaining uses
  auto remaining = [&](NET *net) -> int & {
    for (auto &entry : uses)
      if (entry.first == net) return entry.second;
    uses.push_back({net, 0});
    return uses.back().second;
  };
  std::vector<std::pair<NET *, NET *>> copies;  // the caller's network and its copy
  for (int i = 0; i < nets->len; i++) {
    NET *net = nets->nets[i];
    if (copy == 1) {
      NET *made = nullptr;
      for (auto &[original, duplicate] : copies)
        if (original == net) made = duplicate;
      if (made == nullptr) {
        made = copy_fsm(net);
        copies.push_back({net, made});
      }
      net = made;
    }
    remaining(net)++;
    operands.push_back({net, true});
  }
  for (auto &entry : uses) remove_epsilons(entry.first, 0);

  auto release = [&](NET *net) {
    if (--remaining(net) == 0) free_network(net);
  };
  auto step = [&](NET *upper, NET *lower) {
    NET *result = composed(upper, lower, minimize, merge_pass, flag_mode);
    release(upper);
    release(lower);
    remaining(result)++;
    return result;
  };
  if (balanced) {
    while (operands.size() > 1) {
      std::vector<Operand> next;
      for (size_t i = 0; i + 1 < operands.size(); i += 2)
        next.push_back({step(operands[i].net, operands[i + 1].net), true});
      if (operands.size() % 2 == 1) next.push_back(operands.back());
      operands.swap(next);
    }
  } else {
    NET *result = operands[0].net;
    for (size_t i = 1; i < operands.size(); i++) result = step(result, operands[i].net);
    operands = {{result, true}};
  }
  return recompute_flag_marks(operands[0].net);
}

// --- The pair-merging pass --------------------------------------------------------------------

namespace {

// Whether every arc of `state` has EPSILON on side `side` (0 upper, 1 lower) and a symbol on
// the other side; false for a state without arcs.
bool all_one_sided(const STATE *state, int side) {
  if (state->arcs == nullptr) return false;
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
    const uint32_t empty = side == 0 ? upper_id(arc->label) : lower_id(arc->label);
    const uint32_t full = side == 0 ? lower_id(arc->label) : upper_id(arc->label);
    if (label_arity(arc->label) != 2 || empty != EPSILON || full == EPSILON) return false;
  }
  return true;
}

}  // namespace

NET *merge_one_sided_pairs(NET *net, int minimize) {
  STATE *sink = nullptr;
  for (STATE *s = net->states; s != nullptr && sink == nullptr; s = s->next)
    if (s->flags.final && s->arcs == nullptr) sink = s;
  bool changed = false;
  std::vector<ArcSpec> merged;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    merged.clear();
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      if (label_arity(arc->label) != 2) continue;
      const uint32_t upper = upper_id(arc->label), lower = lower_id(arc->label);
      int other_side;  // the side on which the destination's arcs are empty
      if (lower == EPSILON && upper != EPSILON) {
        other_side = 0;
      } else if (upper == EPSILON && lower != EPSILON) {
        other_side = 1;
      } else {
        continue;
      }
      STATE *dest = arc->destination;
      if (dest == s || !all_one_sided(dest, other_side)) continue;
      bool first = !dest->flags.final;
      for (const ARC *next = dest->arcs; next != nullptr; next = next->next) {
        const uint32_t label = other_side == 0 ? pair_id(upper, lower_id(next->label))
                                               : pair_id(upper_id(next->label), lower);
        if (first) {
          arc->label = label;
          arc->destination = next->destination;
          first = false;
        } else {
          merged.push_back({label, next->destination, arc->flags.big != 0, arc_user_pointer(arc)});
        }
      }
      if (dest->flags.final) {
        if (sink == nullptr) {
          sink = make_state(nullptr, net);
          sink->flags.final = 1;
        }
        arc->destination = sink;
      }
      changed = true;
    }
    if (!merged.empty()) {
      ArcAppender(net).append(s, merged, true);
      s->flags.deterministic = 0;
    }
  }
  if (!changed) return net;
  label_check(net);
  net->flags.deterministic = 0;
  net->flags.minimized = 0;
  net->flags.completed = 0;
  net->flags.pruned = 0;
  return minimize ? min_fsm(net, 0) : prune_fsm(net, 0);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *compose_net(NET *upper, NET *lower, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (upper == nullptr || lower == nullptr) {
      error_printf("Unexpected NULL argument in %s()", "compose_net");
      return nullptr;
    }
    if (upper == lower) keep1 = keep2 = keep1 || keep2;
    NET *operands[2] = {upper, lower};
    NV nets{2, operands};
    if (!check_operands(&nets, "composition")) {
      if (!keep1) free_network(upper);
      if (!keep2 && lower != upper) free_network(lower);
      return null_net();
    }
    // The kept networks are copied; the others are the operation's to consume.
    if (keep1) operands[0] = copy_fsm(upper);
    if (keep2) operands[1] = upper == lower ? operands[0] : copy_fsm(lower);
    return compose_fsm(&nets, 0, minimize_results(), 0, 1,
                       parameter(KORA_COMPOSE_FLAG_AS_SPECIAL) ? FLAGS_AS_SPECIAL : FLAGS_AS_SYMBOLS);
  });
}

}  // extern "C"
