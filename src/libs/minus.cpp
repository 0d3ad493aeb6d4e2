// Difference by a product with a deterministic subtrahend.
//
// What: A - B, the strings (or equal-length pairs) of A that B does not accept.
// How: B is determinized, so each string of A follows at most one path in B. The product
// pairs A's states with B's from the start pair; a pair is final when A's state is final and
// B's is not. When an arc of A has no counterpart in B's state, B has failed for good: the arc
// leads straight to A's own state, and everything reachable from it is kept as it is instead
// of being paired with a dead state, so the unpaired rest of A costs one marking walk.
// Shortcuts avoid the product when B accepts nothing, only the empty string, or everything,
// and when A accepts everything (then the result is B's complement). When the result is to be
// minimized and A and B are deterministic and loop-free, the minimal difference is built
// directly, bottom-up, the failed side of B included (acyclic-product.h).
// Cost: determinizing B (exponential in the worst case), then O(P + E_A) expected for the P
// reachable pairs and the arcs of A; the label table takes space for the labels met, not for
// the largest label id.
// Tested in tests/operations/minus_test.cpp.

#include "minus.h"

#include <cstdio>

#include "acyclic-product.h"
#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "complement.h"
#include "context.h"
#include "determinize.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "optimized-operands.h"
#include "prune.h"
#include "scratch.h"
#include "stack.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

constexpr unsigned kReused = 1;  // visit mark of A's states that the result keeps as they are

// `a` without the empty string; `a` is epsilon-free. When arcs enter the start state they are
// sent to a copy of it, which keeps its finality, so that only the empty path loses it.
NET *remove_empty_string(NET *a) {
  STATE *start = a->start;
  if (!start->flags.final) return a;
  if (start_loops_p(a)) {
    STATE *twin = make_state(nullptr, a);
    twin->flags.final = 1;
    twin->flags.deterministic = start->flags.deterministic;
    ARC **tail = &twin->arcs;
    for (ARC *arc = start->arcs; arc != nullptr; arc = arc->next) {
      ARC *made = arc->flags.big ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), a)
                                 : alloc_arc(arc->label, arc->destination, a);
      *tail = made;
      tail = &made->next;
    }
    for (STATE *s = a->states; s != nullptr; s = s->next)
      for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
        if (arc->destination == start) arc->destination = twin;
  }
  start->flags.final = 0;
  a->flags.minimized = 0;
  return a;
}

// Empties `a` in place: the start state alone, non-final, without arcs or alphabets.
NET *empty_in_place(NET *a) {
  STATE *start = a->start;
  STATE *state = a->states;
  while (state != nullptr) {
    STATE *next = state->next;
    if (state != start) free_state(state, a);
    state = next;
  }
  free_state_arcs(start, a);
  start->flags.final = 0;
  start->flags.deterministic = 1;
  start->next = nullptr;
  a->states = a->start = start;
  a->num_states = 1;
  free_alph(a->labels);
  free_alph(a->sigma);
  a->labels = make_alph(0, KORA_LABEL_ALPH);
  a->sigma = make_alph(0, KORA_BINARY_ALPH);
  a->arity = 1;
  a->flags.deterministic = a->flags.minimized = a->flags.epsilon_free = 1;
  a->flags.pruned = a->flags.loop_free = 1;
  a->flags.completed = 0;
  return a;
}

// The general case: the product of the epsilon-free `a` with the deterministic `b`, both
// harmonized. Consumes `a` (its reused states move into the result); `b` stays.
NET *subtract(NET *a, NET *b) {
  NET *result = make_network();
  result->arity = a->arity;
  result->flags.deterministic = 1;
  result->flags.epsilon_free = 1;
  result->flags.loop_free = a->flags.loop_free;
  result->flags.closed_sigma = a->flags.closed_sigma;
  result->flags.has_arc_user_pointer = a->flags.has_arc_user_pointer;

  set_visit_marks(a, 0);
  STACK *reuse = create_stack("Minus arcs to do");
  LABEL_TABLE table;
  STATE_MANAGER *manager = make_state_manager(a, b, result);
  result->start = pair_state(manager, a->start, b->start);
  bool reused_any = false;

  for (const STATE_PAIR *pair = next_pair(manager); pair != nullptr; pair = next_pair(manager)) {
    STATE *state = pair->state;
    state->flags.final = pair->a->flags.final && !pair->b->flags.final;
    for (ARC *arc = pair->b->arcs; arc != nullptr; arc = arc->next) enter_arc(&table, arc);
    ARC **tail = &state->arcs;
    for (ARC *arc = pair->a->arcs; arc != nullptr; arc = arc->next) {
      if (note_label(&table, arc->label)) state->flags.deterministic = 0;
      LABEL_ENTRY *entry = label_entry(&table, arc->label);
      STATE *dest = arc->destination;
      if (entry == nullptr) {
        if (dest->flags.visit_mark != kReused) mark_reachable(dest, kReused, reuse);
        reused_any = true;
      } else {
        if (entry->count > 1) error_printf("minus_fsm: N2 not deterministic (%d)", static_cast<int>(arc->label));
        dest = pair_state(manager, dest, entry->arc->destination);
      }
      ARC *made = arc->flags.big ? alloc_big_arc(arc->label, dest, arc_user_pointer(arc), result)
                                 : alloc_arc(arc->label, dest, result);
      *tail = made;
      tail = &made->next;
    }
    clear_label_table(&table);
    if (!state->flags.deterministic) result->flags.deterministic = 0;
  }
  free_state_manager(manager);
  free_stack(reuse);
  if (reused_any && !a->flags.deterministic) result->flags.deterministic = 0;

  // A's reached states join the result; the others go with A.
  STATE *state = a->states;
  a->states = nullptr;
  a->start = nullptr;
  while (state != nullptr) {
    STATE *next = state->next;
    if (state->flags.visit_mark == kReused) {
      state->flags.visit_mark = 0;
      state->next = result->states;
      result->states = state;
      result->num_states++;
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) result->num_arcs++;
    } else {
      free_state(state, a);
    }
    state = next;
  }
  a->num_states = 0;
  result->labels = a->labels;
  result->sigma = a->sigma;
  a->labels = a->sigma = nullptr;
  free_network(a);
  return result;
}

// The minimal a - b when both are deterministic and acyclic (acyclic-product.h), consuming `a`
// unless `keep_a` (then its client cells are cleared after use and its sigma copied); a
// consumed `a` gives the result the states that the result shares with it. Else null, with `a`
// untouched.
NET *minimal_difference(NET *a, NET *b, bool keep_a) {
  if (!acyclic_product_applies(a, b)) return nullptr;
  NET *result = make_network();
  if (!minimal_acyclic_product(a, b, PairFinality::kFirstOnly, result, !keep_a)) {
    free_network(result);
    return nullptr;
  }
  result->arity = a->arity;
  result->flags.closed_sigma = a->flags.closed_sigma;
  if (keep_a) {
    for (STATE *state = a->states; state != nullptr; state = state->next) state->client_cell = nullptr;
    result->sigma = copy_alph(net_sigma(a));
  } else {
    result->sigma = a->sigma;
    a->sigma = nullptr;
    free_network(a);
  }
  return result;
}

// Whether the network has flag diacritics, which the difference must see eliminated first.
bool has_flags(NET *net) {
  recompute_flag_marks(net);
  return net->flags2.upper_has_flags || net->flags2.lower_has_flags;
}

// The last steps of every difference: the result's sigma made compact when `a` was copied, the
// result pruned and, unless its labels are known exact, its labels checked, and minimized when
// asked.
NET *finish_difference(NET *result, int copy1, bool labels_exact, int minimize) {
  if (copy1) compact_sigma(result);
  prune_fsm(result, 0);
  if (!labels_exact) label_check(result);
  return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
}

// The operand with its insert and list flags eliminated, since they stand for the strings of
// other networks and lists that the difference must see; noted on standard error when verbose.
NET *without_list_flags(NET *net, const char *which) {
  if (!has_flags(net)) return net;
  if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "Eliminating any I and L flags from %s ...\n", which);
  return eliminate_flags_in_place(net, 0, 0);
}

}  // namespace

int universal_p(NET *net) {
  if (net->arity != 1 || !test_alph_member(net_sigma(net), OTHER)) return 0;
  remove_epsilons(net, 0);
  for (STATE *s = net->states; s != nullptr; s = s->next)
    if (!s->flags.final) return 0;
  determinize_fsm(net, 0);
  ALPH *sigma = label_to_binary(net->sigma);
  int symbols = 0;
  for (int id = 0; id < sigma->len; id++) symbols += sigma->items[id] != 0;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    int covered = 0;
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      covered += test_alph_member(sigma, arc->label);
    if (covered < symbols) return 0;
  }
  return 1;
}

namespace {

// Un-optimizes an operand of the difference, noting it on stderr with `note` when verbose.
void unoptimize_side(NET *net, const char *note) {
  if (net->flags.shared_arc_lists || !arc_optimized(net)) return;
  if (parameter(KORA_VERBOSE)) std::fputs(note, stderr);
  unoptimize_operand(net, nullptr);
}

}  // namespace

NET *minus_fsm(NET *a, NET *b, int copy1, int keep2, int minimize) {
  if (a != nullptr && b != nullptr && check_common_label_map(a, b)) {
    if (!keep2) free_network(b);
    return copy1 ? copy_fsm(a) : a;
  }
  if (!check_operand(a, "minus") || !check_operand(b, "minus")) {
    if (!copy1) free_network(a);
    if (!keep2 && b != a) free_network(b);
    return null_net();
  }
  // Operands the caller keeps are read where they are when the minimal difference takes them
  // as they are (no flags to eliminate either): nothing is copied.
  if (minimize && (copy1 || keep2) && a != b && acyclic_product_takes_as_they_are(a, b) &&
      !has_flags(a) && !has_flags(b)) {
    if (NET *result = minimal_difference(a, b, copy1 != 0)) {
      if (!keep2) free_network(b);
      return finish_difference(result, copy1, true, minimize);
    }
  }
  // From here on both are the operation's own: the caller's networks are never changed.
  if (keep2 || b == a) b = copy_fsm(b);
  if (copy1) a = copy_fsm(a);
  unoptimize_side(a, "Can't subtract from an optimized network.\n    Un-optimizing ...\n");
  unoptimize_side(b, "Can't subtract an optimized network.\n    Un-optimizing ...\n");

  if (null_fsm_p(b)) {
    free_network(b);
    return recompute_flag_marks(minimize ? min_fsm(a, 0) : a);
  }
  if (epsilon_only_p(b)) {
    free_network(b);
    remove_epsilons(a, 0);
    a = remove_empty_string(a);
    return recompute_flag_marks(minimize ? min_fsm(a, 0) : a);
  }
  if (a->arity == 1 && universal_p(b)) {
    free_network(b);
    return recompute_flag_marks(empty_in_place(a));
  }
  if (b->arity == 1 && universal_p(a)) {
    free_network(a);
    return negate_fsm(b, 0, minimize);
  }

  a = without_list_flags(a, "N1");
  b = without_list_flags(b, "N2");
  determinize_fsm(b, 0);
  remove_epsilons(a, 0);
  harmonize_sigmas(a, b);
  NET *result = minimize ? minimal_difference(a, b, false) : nullptr;
  const bool labels_exact = result != nullptr;
  if (result == nullptr) result = subtract(a, b);
  free_network(b);
  return finish_difference(result, copy1, labels_exact, minimize);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *minus_net(NET *net1, NET *net2, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net1 == net2) keep1 = keep2 = keep1 || keep2;
    return minus_fsm(net1, net2, keep1 != 0, keep2 != 0, minimize_results());
  });
}

}  // extern "C"
