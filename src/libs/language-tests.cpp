// Language tests: emptiness, inclusion, equivalence and universality.
//
// What and how:
// - Emptiness: after pruning, a network accepts something exactly when a final state is left.
// - Inclusion L(A) <= L(B): both determinized, then a walk over the reachable pairs (a, b)
//   from the start pair; it fails at a final a with a non-final b, or at an arc of a that b
//   cannot follow. A is pruned first, so that dead ends of A cannot fail the walk.
// - Equivalence: both determinized, then the same walk checks that the two networks
//   correspond state for state (equal finality, equal labels out of paired states, and each
//   state of B paired with one state of A only). For minimized networks this is language
//   equivalence (Myhill-Nerode); unminimized ones may differ in shape and answer 0.
// - Universality of a side: the difference universe - side is empty.
// Cost: determinization (exponential in the worst case), then O(P + E) for the P reachable
// pairs; pairs are found again through a hash index, labels through a label table sized by
// the labels met (state-mr.h). Tested in tests/operations/language_tests_test.cpp.

#include "language-tests.h"

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "closures.h"
#include "determinize.h"
#include "error.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "minus.h"
#include "modify.h"
#include "prune.h"
#include "reverse.h"
#include "scratch.h"
#include "stack.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

// Whether two networks may be compared by the test `name` (reported when not).
bool comparable(NET *a, NET *b, const char *name) {
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  return check_operands(&nets, name);
}

// Whether every label of `a`'s label set is in `b`'s.
bool labels_included(NET *a, NET *b) {
  ALPH *known = label_to_binary(copy_alph(net_labels(b)));
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(a));
  bool included = true;
  for (uint32_t label = next_alph_item(&iterator); included && label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator))
    included = test_alph_member(known, label) != 0;
  free_alph(known);
  return included;
}

// The walk of the inclusion test over the determinized `a` and `b`.
int included_walk(NET *a, NET *b) {
  PAIR_WALK walk;
  init_pair_walk(&walk, a, b, "SUBLANGUAGE_P", "Sublanguage state pairs");
  int included = 1;
  STATE *x = nullptr, *y = nullptr;
  while (included && next_walk_pair(&walk, &x, &y)) {
    if (x->flags.final && !y->flags.final) {
      included = 0;
      break;
    }
    for (ARC *arc = y->arcs; arc != nullptr; arc = arc->next) enter_arc(&walk.table, arc);
    for (ARC *arc = x->arcs; included && arc != nullptr; arc = arc->next) {
      LABEL_ENTRY *entry = label_entry(&walk.table, arc->label);
      if (entry == nullptr) {
        included = 0;
        break;
      }
      walk_to(&walk, arc->destination, entry->arc->destination);
    }
    clear_label_table(&walk.table);
  }
  free_pair_walk(&walk);
  return included;
}

size_t arc_count(const STATE *state) {
  size_t count = 0;
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) count++;
  return count;
}

// The walk of the equivalence test over the determinized `a` and `b`. Each state of `b`
// remembers its partner in `a` in its client cell while the walk runs.
int isomorphic_walk(NET *a, NET *b) {
  clear_client_cells(b);
  LABEL_TABLE table;
  STACK *stack = create_stack("Equivalence state pairs");
  kora_push(a->start, stack);
  kora_push(b->start, stack);
  int equivalent = 1;
  while (equivalent && stack->depth > 0) {
    auto *y = static_cast<STATE *>(pop(stack));
    auto *x = static_cast<STATE *>(pop(stack));
    if (y->client_cell == x) continue;
    if (y->client_cell != nullptr || x->flags.final != y->flags.final ||
        arc_count(x) != arc_count(y)) {
      equivalent = 0;
      break;
    }
    y->client_cell = x;
    for (ARC *arc = y->arcs; arc != nullptr; arc = arc->next) enter_arc(&table, arc);
    for (ARC *arc = x->arcs; arc != nullptr; arc = arc->next) {
      LABEL_ENTRY *entry = label_entry(&table, arc->label);
      if (entry == nullptr) {
        equivalent = 0;
        break;
      }
      kora_push(arc->destination, stack);
      kora_push(entry->arc->destination, stack);
    }
    clear_label_table(&table);
  }
  free_stack(stack);
  clear_client_cells(b);
  return equivalent;
}

// The strings over the symbols of `alphabet` (any string without one), minimized, as a new
// network.
NET *universe_of(ALPH *alphabet) {
  if (alphabet == nullptr) return kleene_star_fsm(OTHER);
  return min_fsm(one_plus_fsm(optional_fsm(alphabet_net(alphabet), 0), 0), 0);
}

// The language of one side of `net` (an automaton's own language), as a new minimized network.
NET *side_language(NET *net, int side) {
  if (net->arity == 1) return copy_fsm(net);
  return side == 0 ? upper_fsm(net, 1, 1) : lower_fsm(net, 1, 1);
}

}  // namespace

int universal_side_p(NET *net, ALPH *alphabet, int side) {
  if (!check_operand(net, "test universal")) return 0;
  if (side == 2) return universal_side_p(net, alphabet, 1) && universal_side_p(net, alphabet, 0);
  NET *difference = minus_fsm(universe_of(alphabet), side_language(net, side), 0, 0, 1);
  int universal = !difference->start->flags.final && difference->start->arcs == nullptr;
  free_network(difference);
  return universal;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int test_non_null(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    if (!check_operand(net, "test_non_null")) return 0;
    return !null_fsm_p(net);
  });
}

KORA_API int test_sublanguage(NET *net1, NET *net2) {
  return guarded(__func__, 0, [&]() -> int {
    if (!comparable(net1, net2, "test_sublanguage")) return 0;
    if (net1 == net2) return 1;
    harmonize_sigmas(net1, net2);
    prune_fsm(net1, 0);
    label_check(net1);  // the label set may still list labels of states dropped earlier
    if (!labels_included(net1, net2)) return 0;
    determinize_fsm(net1, 0);
    determinize_fsm(net2, 0);
    return included_walk(net1, net2);
  });
}

KORA_API int test_equivalent(NET *net1, NET *net2) {
  return guarded(__func__, 0, [&]() -> int {
    if (!comparable(net1, net2, "test_equivalent")) return 0;
    if (net1 == net2) return 1;
    if (net1->flags.minimized && net2->flags.minimized &&
        (net1->num_states != net2->num_states || net1->num_arcs != net2->num_arcs ||
         test_alph_member(net_sigma(net1), OTHER) != test_alph_member(net_sigma(net2), OTHER)))
      return 0;
    harmonize_sigmas(net1, net2);
    label_check(net1);  // label sets may still list labels of states dropped earlier
    label_check(net2);
    if (!test_equal_alphs(net_labels(net1), net_labels(net2))) return 0;
    determinize_fsm(net1, 0);
    determinize_fsm(net2, 0);
    return isomorphic_walk(net1, net2);
  });
}

KORA_API int test_upper_universal(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    return universal_side_p(net, nullptr, 0);
  });
}

KORA_API int test_lower_universal(NET *net) {
  return guarded(__func__, 0, [&]() -> int {
    return universal_side_p(net, nullptr, 1);
  });
}

}  // extern "C"
