// Minimization: min_fsm, the exported minimize_net, and the sigma clean-up after minimization.
//
// min_fsm prunes the network (prune.h) and removes its EPSILON arcs (epsilon.h). When it has two
// arcs or more, the arc labels are renumbered to dense indexes (label-index.h), so that arcs
// whose user pointers differ carry different labels; the subset construction (determinize.h)
// makes the network deterministic over these indexes, the states are numbered through their
// client cells, the classes of equivalent states are found, the network is rebuilt on one state
// per class, and the labels are given back. Classes come from Revuz's linear method when the
// network has no cycle (minimize-acyclic.cpp) and from the partition refinement of Valmari and
// Lehtinen otherwise (minimize-cyclic.cpp); both give the minimal network, which is unique up
// to the identity of its states.
//
// The quotient keeps, of each class, the start state when it is in the class and otherwise the
// first member in state-list order; every kept arc is redirected to the kept state of its
// destination's class, and the other states are deleted with their arcs. No arc or state is
// copied.
//
// Cost of the merge: O(V + E) expected time for an acyclic network, O(E log V) otherwise, plus
// the renumbering of labels (O(E)); space O(V + E) in arrays freed on return, never a cell per
// arc. Tested in tests/operations/minimize_test.cpp.

#include "minimize.h"

#include "alph.h"
#include "boundary.h"
#include "determinize.h"
#include "epsilon.h"
#include "flag-marks.h"
#include "label-index.h"
#include "label.h"
#include "minimize-classes.h"
#include "optimized-operands.h"
#include "prune.h"
#include "struct.h"

namespace kora {
namespace {

constexpr uint32_t kNoState = UINT32_MAX;

// The text of "%s cannot be minimized." for a network that cannot be minimized as it is, tested
// in the order minimize_net states; null when it can.
const char *refusal(const NET *net) {
  if (net->start == nullptr) return "A network without a start state";
  if (net->flags2.has_arc_vectors) return "A vectorized network";
  if (net->flags.compacted) return "A compacted network";
  if (net->flags2.optimized) return "An arc-optimized network";
  if (net->flags.shared_arc_lists) return "A network with shared arcs";
  return nullptr;
}

bool alph_is_empty(const ALPH *alph) {
  if (alph == nullptr) return true;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, alph);
  return next_alph_item(&iterator) == ID_NO_SYMBOL;
}

// Gives every state its deterministic mark and an empty client cell.
void finish_states(NET *net) {
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    s->flags.deterministic = 1;
    s->client_cell = nullptr;
  }
  net->flags.deterministic = 1;
}

bool is_kept(STATE *state) { return state->flags.visit_mark == 0; }

// Rebuilds the network on the kept state of each class (see the top of this file). The states
// are numbered through their client cells; states[i] is state i and class_of[i] its class.
void merge_classes(NET *net, STATE *const *states, uint32_t count, const uint32_t *class_of,
                   uint32_t classes) {
  WorkArray<uint32_t> kept(classes);
  for (uint32_t c = 0; c < classes; ++c) kept[c] = kNoState;
  kept[class_of[state_index(net->start)]] = state_index(net->start);
  for (uint32_t i = 0; i < count; ++i)
    if (kept[class_of[i]] == kNoState) kept[class_of[i]] = i;
  for (uint32_t i = 0; i < count; ++i) {
    if (kept[class_of[i]] != i) {
      states[i]->flags.visit_mark = 1;
      continue;
    }
    for (ARC *arc = states[i]->arcs; arc != nullptr; arc = arc->next)
      arc->destination = states[kept[class_of[state_index(arc->destination)]]];
  }
  delete_states(net, is_kept);
}

// Merges the equivalent states of the deterministic, epsilon-free network `net`, whose arc
// labels are dense indexes below label_count. Leaves visit marks 0 and client cells numbers
// (finish_states clears them), and loop_free telling whether the network has a cycle.
void merge_equivalent_states(NET *net, uint32_t label_count) {
  uint32_t count = net->num_states;
  if (count >= 2) {
    WorkArray<STATE *> states(count);
    uint32_t i = 0;
    for (STATE *s = net->states; s != nullptr; s = s->next, ++i) {
      KORA_ASSERT(i < count);
      states[i] = s;
      s->client_cell = reinterpret_cast<void *>(static_cast<uintptr_t>(i));
      s->flags.visit_mark = 0;
    }
    KORA_ASSERT(i == count);
    WorkArray<uint32_t> class_of(count);
    int64_t classes = acyclic_classes(states.get(), count, label_count, class_of.get());
    net->flags.loop_free = classes >= 0;
    if (classes < 0) classes = cyclic_classes(states.get(), count, label_count, class_of.get());
    if (classes < count)
      merge_classes(net, states.get(), count, class_of.get(), static_cast<uint32_t>(classes));
  } else {
    net->flags.loop_free = net->num_arcs == 0;
  }
  net->flags.visit_marks_dirty = 0;
  if (net->start->arcs == nullptr) {
    free_alph(net->labels);
    net->labels = make_alph(0, KORA_LABEL_ALPH);
  }
}

// Minimizes `net` in place; 0 when it is minimized, 1 when it was refused (reported).
int minimize_in_place(NET *net) {
  if (net->flags.minimized && net->flags2.optimized) return 0;
  unoptimize_operand(net, "min_fsm: Can't minimize an optimized network. Unoptimizing and "
                          "minimizing...");
  const char *refused = refusal(net);
  if (refused != nullptr) {
    error_printf("%s cannot be minimized.", refused);
    return 1;
  }
  if (check_plain_net(net)) return 1;
  if (net->flags.minimized) {
    if (!net->flags.pruned) prune_fsm(net, 0);
    clean_sigma_after_minimization(net);
    return 0;
  }

  prune_fsm(net, 0);
  remove_epsilons(net, 0);
  if (net->num_arcs >= 2) {
    LABEL_INDEX index;
    uint32_t label_count = renumber_arc_labels(net, &index);
    int refused_subsets = net->flags.deterministic ? 0 : subset_construction(net, label_count);
    if (refused_subsets == 0) merge_equivalent_states(net, label_count);
    restore_arc_labels(net, &index);
    if (refused_subsets != 0) {
      net->flags.minimized = 0;
      return refused_subsets;
    }
  }
  finish_states(net);
  net->flags.minimized = 1;
  net->flags.epsilon_free = 1;
  net->flags.pruned = 1;
  net->flags2.sorted_arcs = 0;
  clean_sigma_after_minimization(net);
  return 0;
}

}  // namespace

void clean_sigma_after_minimization(NET *net) {
  if (net == nullptr) return;
  ALPH *labels = net_labels(net);
  bool no_labels = alph_is_empty(labels);
  bool unused_other = net->sigma != nullptr && test_alph_member(net->sigma, OTHER) &&
                      !alph_has_other(labels);
  if (!no_labels && !unused_other) return;
  ALPH *sigma = sigma_from_labels(net, 2);
  free_alph(net->sigma);
  net->sigma = sigma;
}

NET *min_fsm(NET *net, int copy_flag) {
  if (net == nullptr) {
    error("min_fsm: argument is NULL.");
    return null_net();
  }
  if (copy_flag == 1) {
    net = copy_fsm(net);
    if (net == nullptr) return null_net();
  }
  minimize_in_place(net);
  return net;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int minimize_net(NET *net) {
  return guarded(__func__, 1, [&]() -> int {
    const char *refused = net == nullptr ? "A NULL pointer" : refusal(net);
    if (refused != nullptr) {
      error_printf("%s cannot be minimized.", refused);
      return 1;
    }
    const int status = minimize_in_place(net);
    recompute_flag_marks(net);
    return status;
  });
}

}  // extern "C"
