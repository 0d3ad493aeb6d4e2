// Intersection by the product construction.
//
// What: the network of the strings (or equal-length string pairs) that all arguments accept.
// How: the classical product automaton (Rabin and Scott 1959), built only over the pairs of
// states reachable from the start pair. For each pair, the arcs of the state from the sparser
// network are entered in a label table (state-mr.h) and the arcs of the other state are looked
// up in it, so each pair costs O(out-degree of both + matches). Pairs are found
// again through a hash index on the two states. Before the walk both sigmas are harmonized
// through OTHER and epsilon arcs are removed, so OTHER means the same thing on both sides and
// every arc reads a label. When the result is to be minimized and both networks are
// deterministic and loop-free (the minimal networks of word lists, say), the minimal product is
// built directly, bottom-up (acyclic-product.h), and neither the unminimized product nor a pass
// of minimization is made. Several networks are intersected two at a time, always the two
// smallest first, which keeps intermediate products small.
// Cost: O(P + M) expected time and space for P reachable pairs and M matched arcs; the label
// table takes space for the labels met, not for the largest label id. The test of a common
// string stops at the first pair of final states. Tested in tests/operations/product_test.cpp.

#include "product.h"

#include <algorithm>
#include <vector>

#include "acyclic-product.h"
#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "closures.h"
#include "context.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

// Whether the arcs of `a` are the ones to enter in the label table: those of the network with
// fewer arcs per state; on equal density those of `b`.
bool index_first(const NET *a, const NET *b) {
  float density_a = static_cast<float>(a->num_arcs) / static_cast<float>(std::max(a->num_states, 1u));
  float density_b = static_cast<float>(b->num_arcs) / static_cast<float>(std::max(b->num_states, 1u));
  return density_a < density_b;
}

// A result arc for two matching arcs; it carries the user pointer of the arc of the first
// network, or else that of the second.
ARC *product_arc(const ARC *from_a, const ARC *from_b, STATE *dest, NET *result) {
  const ARC *owner = from_a->flags.big ? from_a : from_b->flags.big ? from_b : nullptr;
  if (owner == nullptr) return alloc_arc(from_a->label, dest, result);
  return alloc_big_arc(from_a->label, dest, arc_user_pointer(owner), result);
}

// Whether some tuple label of the network has EPSILON on a side.
bool has_unequal_length_pairs(NET *net) {
  if (net->arity < 2) return false;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator))
    if (label_arity(label) == 2 && (upper_id(label) == EPSILON || lower_id(label) == EPSILON))
      return true;
  return false;
}

bool smaller(const NET *a, const NET *b) {
  if (a->num_arcs != b->num_arcs) return a->num_arcs < b->num_arcs;
  return a->num_states < b->num_states;
}

// A network without states whose sigma and flags are those of the product of `a` and `b`.
NET *product_frame(NET *a, NET *b) {
  NET *result = make_network();
  result->sigma = union_alph(net_sigma(a), net_sigma(b), 1, 1);
  alph_remove_from(result->sigma, ALTCHAIN_SYMBOL, 0);
  result->flags.deterministic = 1;
  result->flags.epsilon_free = 1;
  result->flags.loop_free = a->flags.loop_free && b->flags.loop_free;
  result->flags.closed_sigma = a->flags.closed_sigma && b->flags.closed_sigma;
  result->flags.has_arc_user_pointer = a->flags.has_arc_user_pointer || b->flags.has_arc_user_pointer;
  return result;
}

// The minimal product of deterministic acyclic `a` and `b` (acyclic-product.h), or null when
// they are not what their flags say.
NET *minimal_product(NET *a, NET *b) {
  NET *result = product_frame(a, b);
  if (!minimal_acyclic_product(a, b, PairFinality::kBoth, result, false)) {
    free_network(result);
    return nullptr;
  }
  set_arity_from_labels(result);
  clean_sigma_after_minimization(result);
  return result;
}

}  // namespace

NET *pair_product(NET *a, NET *b, int minimize) {
  harmonize_sigmas(a, b);
  remove_epsilons(a, 0);
  remove_epsilons(b, 0);
  if (minimize && acyclic_product_applies(a, b)) {
    NET *result = minimal_product(a, b);
    if (result != nullptr) return result;
  }

  NET *result = product_frame(a, b);
  result->labels = make_alph(0, KORA_BINARY_ALPH);

  const bool indexed_is_a = index_first(a, b);
  LABEL_TABLE table;
  STATE_MANAGER *manager = make_state_manager(a, b, result);
  result->start = pair_state(manager, a->start, b->start);

  for (const STATE_PAIR *pair = next_pair(manager); pair != nullptr; pair = next_pair(manager)) {
    STATE *state = pair->state;
    state->flags.final = pair->a->flags.final && pair->b->flags.final;
    STATE *indexed = indexed_is_a ? pair->a : pair->b;
    STATE *scanned = indexed_is_a ? pair->b : pair->a;
    for (ARC *arc = indexed->arcs; arc != nullptr; arc = arc->next) enter_arc(&table, arc);
    ARC **tail = &state->arcs;
    for (ARC *arc = scanned->arcs; arc != nullptr; arc = arc->next) {
      LABEL_ENTRY *entry = label_entry(&table, arc->label);
      if (entry == nullptr) continue;
      if (entry->count > 1 || entry->matched) state->flags.deterministic = 0;
      entry->matched = true;
      int cursor = -2;
      for (ARC *match = next_entry_arc(&table, entry, &cursor); match != nullptr;
           match = next_entry_arc(&table, entry, &cursor)) {
        const ARC *from_a = indexed_is_a ? match : arc;
        const ARC *from_b = indexed_is_a ? arc : match;
        STATE *dest = pair_state(manager, from_a->destination, from_b->destination);
        ARC *made = product_arc(from_a, from_b, dest, result);
        *tail = made;
        tail = &made->next;
        alph_add_to(result->labels, made->label, 0);
      }
    }
    clear_label_table(&table);
    if (!state->flags.deterministic) result->flags.deterministic = 0;
  }

  free_state_manager(manager);
  binary_to_label(result->labels);
  set_arity_from_labels(result);
  return minimize ? min_fsm(result, 0) : result;
}

NET *intersect_fsm(NV *nets, int copy, int minimize) {
  if (nets == nullptr || nets->len == 0) return kleene_star_fsm(OTHER);
  if (!check_operands(nets, "intersection")) {
    if (copy != 1) free_operands(nets);
    return null_net();
  }
  std::vector<NET *> operands = distinct_networks(nets);
  if (operands.size() == 1) {
    NET *net = copy == 1 ? copy_fsm(operands[0]) : operands[0];
    return recompute_flag_marks(minimize ? min_fsm(net, 0) : net);
  }
  if (parameter(KORA_VERBOSE))
    for (NET *net : operands)
      if (has_unequal_length_pairs(net))
        warning(
            "Only regular languages and equal length relations are closed\n"
            "    under intersection. This network appears to represent a relation that\n"
            "    includes pairs of different lengths. The result may be incorrect.");

  // Two operands the caller keeps are read where they are when the minimal product takes them
  // as they are.
  if (copy == 1 && minimize && operands.size() == 2 &&
      acyclic_product_takes_as_they_are(operands[0], operands[1])) {
    NET *a = operands[0], *b = operands[1];
    if (smaller(b, a)) std::swap(a, b);
    if (NET *result = minimal_product(a, b)) return recompute_flag_marks(result);
  }
  for (NET *&net : operands) {
    if (copy == 1) net = copy_fsm(net);
    remove_epsilons(net, 0);
  }
  std::stable_sort(operands.begin(), operands.end(), smaller);
  while (operands.size() > 1) {
    NET *product = pair_product(operands[0], operands[1], minimize);
    free_network(operands[0]);
    free_network(operands[1]);
    operands.erase(operands.begin(), operands.begin() + 2);
    operands.insert(std::upper_bound(operands.begin(), operands.end(), product, smaller), product);
  }
  return recompute_flag_marks(operands[0]);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *intersect_net(NET *net1, NET *net2, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net1 == net2) keep1 = keep2 = keep1 || keep2;
    NET *operands[2] = {net1, net2};
    NV nets{2, operands};
    // Two networks handed over are worked on in place rather than copied and freed.
    if (!keep1 && !keep2 && net1 != net2) return intersect_fsm(&nets, 0, minimize_results());
    NET *result = intersect_fsm(&nets, 1, minimize_results());
    if (!keep1) free_network(net1);
    if (!keep2 && net2 != net1) free_network(net2);
    return result;
  });
}

KORA_API int test_intersect(NET *net1, NET *net2) {
  return guarded(__func__, 0, [&]() -> int {
    NET *operands[2] = {net1, net2};
    NV nets{2, operands};
    if (!check_operands(&nets, "test_intersect")) return 0;
    if (net1 == net2) return 1;
    remove_epsilons(net1, 0);
    remove_epsilons(net2, 0);
    harmonize_sigmas(net1, net2);

    const bool indexed_is_1 = index_first(net1, net2);
    PAIR_WALK walk;
    init_pair_walk(&walk, net1, net2, "INTERSECT_P", "Cons stack");
    int found = 0;
    STATE *p = nullptr, *q = nullptr;
    while (next_walk_pair(&walk, &p, &q)) {
      if (p->flags.final && q->flags.final) {
        found = 1;
        break;
      }
      STATE *indexed = indexed_is_1 ? p : q;
      STATE *scanned = indexed_is_1 ? q : p;
      for (ARC *arc = indexed->arcs; arc != nullptr; arc = arc->next) enter_arc(&walk.table, arc);
      for (ARC *arc = scanned->arcs; arc != nullptr; arc = arc->next) {
        LABEL_ENTRY *entry = label_entry(&walk.table, arc->label);
        int cursor = -2;
        for (ARC *match = entry == nullptr ? nullptr : next_entry_arc(&walk.table, entry, &cursor);
             match != nullptr; match = next_entry_arc(&walk.table, entry, &cursor))
          walk_to(&walk, (indexed_is_1 ? match : arc)->destination,
                  (indexed_is_1 ? arc : match)->destination);
      }
      clear_label_table(&walk.table);
    }
    free_pair_walk(&walk);
    return found;
  });
}

}  // extern "C"
