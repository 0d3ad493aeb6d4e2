// Cross product and shuffle: two more walks over pairs of states.
//
// Cross product: the relation pairing every string of A with every string of B. The pair
// (p, q) reads one symbol of each at a time (a:b); once one string has ended (its state is
// final) the other goes on alone against EPSILON, through a surrogate end state (final,
// without arcs) standing for the finished side. Labels with OTHER follow the rules of
// composition: OTHER of A stands for the symbols unknown to both and for B's symbols that A
// lacks, and likewise for B; each label pair is worked out once.
// Shuffle: from (p, q) either network moves with its own label; the pair is final when both
// are. Where p and q both loop on one label, both moves lead back to (p, q): one arc is made.
// Several networks are shuffled two at a time, the smaller first.
// Cost: O(P + M) expected time for P reachable pairs and M result arcs (the cross product makes
// |p| * |q| arcs at a pair), plus a label cache per pair of labels. Tested in
// tests/operations/crossproduct_test.cpp.

#include "crossproduct.h"

#include <algorithm>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "compose.h"
#include "context.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "flat-hash.h"
#include "label-check.h"
#include "label.h"
#include "language-tests.h"
#include "minimize.h"
#include "modify.h"
#include "prune.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

struct CachedLabels {
  uint32_t a, b;
  uint32_t begin, count;
};

// The labels of a:b (either EPSILON for a move alone), with OTHER expanded as in composition.
class CrossLabels {
 public:
  CrossLabels(ALPH *sigma_a, ALPH *sigma_b)
      : extra_a_(extra_symbols(sigma_b, sigma_a)), extra_b_(extra_symbols(sigma_a, sigma_b)) {}

  // The labels for the pair, valid until the next call.
  const uint32_t *labels(uint32_t a, uint32_t b, uint32_t *count) {
    bool added;
    CachedLabels *entry = cache_.insert(
        hash_word(hash_mix(a), b), [&](const CachedLabels &x) { return x.a == a && x.b == b; }, &added);
    if (added) {
      upper_.clear();
      lower_.clear();
      side(a, extra_a_, &upper_);
      side(b, extra_b_, &lower_);
      made_.clear();
      pair_sides(upper_, lower_, &made_);
      sort_labels(&made_);
      *entry = {a, b, static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(made_.size())};
      pool_.insert(pool_.end(), made_.begin(), made_.end());
    }
    *count = entry->count;
    return pool_.data() + entry->begin;
  }

 private:
  static void side(uint32_t symbol, const std::vector<uint32_t> &extra, std::vector<Side> *out) {
    out->push_back({symbol, Tie::kFree});
    if (symbol == OTHER)
      for (uint32_t s : extra) out->push_back({s, Tie::kFree});
  }

  std::vector<uint32_t> extra_a_, extra_b_;
  FlatHash<CachedLabels> cache_{"crossproduct"};
  std::vector<uint32_t> pool_, made_;
  std::vector<Side> upper_, lower_;
};

// Appends an arc to the tail of a state's list and notes its label as used.
void append_arc(ARC ***tail, uint32_t label, STATE *dest, NET *result, ALPH *used) {
  ARC *arc = alloc_arc(label, dest, result);
  **tail = arc;
  *tail = &arc->next;
  alph_add_to(used, label, 0);
}

NET *cross_pairs(NET *a, NET *b) {
  ALPH *sigma_a = label_to_binary(copy_alph(net_sigma(a)));
  ALPH *sigma_b = label_to_binary(copy_alph(net_sigma(b)));
  CrossLabels labels(sigma_a, sigma_b);
  NET *result = make_network();
  result->sigma = union_alph(sigma_a, sigma_b, 0, 0);
  alph_remove_from(result->sigma, ALTCHAIN_SYMBOL, 0);
  ALPH *used = make_alph(0, KORA_BINARY_ALPH);
  result->flags.deterministic = a->flags.deterministic && b->flags.deterministic;
  result->flags.epsilon_free = 1;  // a:0 and 0:b are pairs, never EPSILON itself
  result->flags.loop_free = a->flags.loop_free && b->flags.loop_free;

  NET *ends = make_network();  // the two end states
  STATE *end_a = make_state(nullptr, ends), *end_b = make_state(nullptr, ends);
  end_a->flags.final = end_b->flags.final = 1;
  STATE_MANAGER *manager = make_state_manager(a, b, result);
  result->start = pair_state(manager, a->start, b->start);
  for (const STATE_PAIR *pair = next_pair(manager); pair != nullptr; pair = next_pair(manager)) {
    STATE *p = pair->a, *q = pair->b, *state = pair->state;
    state->flags.final = p->flags.final && q->flags.final;
    state->flags.deterministic = p->flags.deterministic && q->flags.deterministic;
    if (!state->flags.deterministic) result->flags.deterministic = 0;
    ARC **tail = &state->arcs;
    uint32_t count;
    for (ARC *x = p->arcs; x != nullptr; x = x->next)
      for (ARC *y = q->arcs; y != nullptr; y = y->next) {
        STATE *dest = pair_state(manager, x->destination, y->destination);
        const uint32_t *made = labels.labels(x->label, y->label, &count);
        for (uint32_t i = 0; i < count; i++) append_arc(&tail, made[i], dest, result, used);
      }
    if (q->flags.final)
      for (ARC *x = p->arcs; x != nullptr; x = x->next) {
        STATE *dest = pair_state(manager, x->destination, end_b);
        const uint32_t *made = labels.labels(x->label, EPSILON, &count);
        for (uint32_t i = 0; i < count; i++) append_arc(&tail, made[i], dest, result, used);
      }
    if (p->flags.final)
      for (ARC *y = q->arcs; y != nullptr; y = y->next) {
        STATE *dest = pair_state(manager, end_a, y->destination);
        const uint32_t *made = labels.labels(EPSILON, y->label, &count);
        for (uint32_t i = 0; i < count; i++) append_arc(&tail, made[i], dest, result, used);
      }
  }
  free_state_manager(manager);
  free_network(ends);
  result->labels = binary_to_label(used);
  result->arity = 2;
  return result;
}

}  // namespace

NET *crossproduct_fst(NET *a, NET *b, int keep_a, int keep_b, int minimize) {
  auto refuse = [&]() {
    if (!keep_a) free_network(a);
    if (!keep_b && b != a) free_network(b);
    return null_net();
  };
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  if (!check_operands(&nets, "crossproduct")) return refuse();
  if (a->arity > 1 || b->arity > 1) {
    error_printf("Aborting crossproduct.\n    %s.", "Operation is not applicable to a transducer");
    return refuse();
  }
  NET *own_a = keep_a ? copy_fsm(a) : a;
  NET *own_b = keep_b || b == a ? copy_fsm(b) : b;
  NET *result;
  if (null_fsm_p(own_a) || null_fsm_p(own_b)) {
    result = null_net();
  } else {
    // Each state's arcs must each read a symbol, and OTHER alone must be the arc for the
    // symbols unknown to the network: epsilons go first.
    result = cross_pairs(remove_epsilons(own_a, 0), remove_epsilons(own_b, 0));
    prune_fsm(result, 0);
    label_check(result);
    if (minimize) result = min_fsm(result, 0);
  }
  free_network(own_a);
  free_network(own_b);
  return recompute_flag_marks(result);
}

// --- Shuffle ------------------------------------------------------------------------------------

namespace {

// The shuffle of two networks, both minimized and harmonized; a new network.
NET *shuffle_pair(NET *a, NET *b) {
  NET *result = make_network();
  result->sigma = union_alph(net_sigma(a), net_sigma(b), 1, 1);
  alph_remove_from(result->sigma, ALTCHAIN_SYMBOL, 0);
  ALPH *used = make_alph(0, KORA_BINARY_ALPH);
  result->flags.deterministic = a->flags.deterministic && b->flags.deterministic;
  result->flags.epsilon_free = a->flags.epsilon_free && b->flags.epsilon_free;
  result->flags.loop_free = a->flags.loop_free && b->flags.loop_free;
  result->flags.has_arc_user_pointer = a->flags.has_arc_user_pointer || b->flags.has_arc_user_pointer;
  result->arity = std::max(a->arity, b->arity);
  STATE_MANAGER *manager = make_state_manager(a, b, result);
  result->start = pair_state(manager, a->start, b->start);
  LABEL_TABLE seen, loops;  // the labels at the pair; those of p's plain loops
  for (const STATE_PAIR *pair = next_pair(manager); pair != nullptr; pair = next_pair(manager)) {
    STATE *p = pair->a, *q = pair->b, *state = pair->state;
    state->flags.final = p->flags.final && q->flags.final;
    state->flags.deterministic = p->flags.deterministic && q->flags.deterministic;
    ARC **tail = &state->arcs;
    for (int side = 0; side < 2; side++)
      for (ARC *arc = side == 0 ? p->arcs : q->arcs; arc != nullptr; arc = arc->next) {
        const bool plain_loop = arc->destination == (side == 0 ? p : q) && !arc->flags.big;
        if (plain_loop && note_label(&loops, arc->label) && side == 1) continue;
        if (note_label(&seen, arc->label)) state->flags.deterministic = 0;
        STATE *dest = side == 0 ? pair_state(manager, arc->destination, q)
                                : pair_state(manager, p, arc->destination);
        ARC *made = arc->flags.big ? alloc_big_arc(arc->label, dest, arc_user_pointer(arc), result)
                                   : alloc_arc(arc->label, dest, result);
        *tail = made;
        tail = &made->next;
        alph_add_to(used, arc->label, 0);
      }
    clear_label_table(&seen);
    clear_label_table(&loops);
    if (!state->flags.deterministic) result->flags.deterministic = 0;
  }
  free_state_manager(manager);
  result->labels = binary_to_label(used);
  return result;
}

}  // namespace

NET *shuffle_fsm(NV *nets, int copy, int minimize) {
  if (nets == nullptr || nets->len == 0) return epsilon_net();
  if (!check_operands(nets, "shuffle")) {
    if (copy != 1) free_operands(nets);
    return null_net();
  }
  if (nets->len == 1) {
    NET *net = copy == 1 ? copy_fsm(nets->nets[0]) : nets->nets[0];
    return minimize ? min_fsm(net, 0) : net;
  }
  ALPH *sigma = nullptr;
  for (int i = 0; i < nets->len; i++) sigma = union_alph(sigma, net_sigma(nets->nets[i]), 0, 1);
  // Each network is the operation's own from here on: a copy, or the consumed record (a
  // record listed again is copied).
  std::vector<NET *> own;
  for (int i = 0; i < nets->len; i++) {
    NET *net = nets->nets[i];
    const bool repeated = std::find(nets->nets, nets->nets + i, net) != nets->nets + i;
    own.push_back(copy == 1 || repeated ? copy_fsm(net) : net);
  }
  NET *result = own[0];
  for (size_t i = 1; i < own.size(); i++) {
    NET *first = result, *second = own[i];
    if (second->num_states < first->num_states) std::swap(first, second);
    min_fsm(first, 0);
    min_fsm(second, 0);
    expand_other(first, sigma);
    expand_other(second, sigma);
    result = shuffle_pair(first, second);
    free_network(first);
    free_network(second);
  }
  free_alph(sigma);
  prune_fsm(result, 0);
  return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *crossproduct_net(NET *net1, NET *net2, int copy1, int copy2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return crossproduct_fst(net1, net2, copy1 == 1, copy2 == 1, minimize_results());
  });
}

KORA_API NET *shuffle_net(NET *net1, NET *net2, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net1 == nullptr || net2 == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "shuffle_net");
      return nullptr;
    }
    NET *operands[2] = {net1, net2};
    NV nets{2, operands};
    return shuffle_fsm(&nets, copy == 1, minimize_results());
  });
}

}  // extern "C"
