// Merging a template language with a filler.

#include "merge.h"

#include <unordered_set>
#include <vector>

#include "alph.h"
#include "calculus.h"
#include "define.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "path-counts.h"
#include "prune.h"
#include "scratch.h"
#include "state-mr.h"
#include "struct.h"

namespace kora {
namespace {

// A network of single symbols: two states, the start not final.
bool single_symbol_language_p(const NET *net) {
  return net->arity == 1 && net->num_states == 2 && net->start != nullptr && !net->start->flags.final;
}

// Turns the template's symbols that name two-state networks of single symbols into lists.
void define_class_lists(NET *t) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_sigma(t));
  std::vector<uint32_t> symbols;
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    symbols.push_back(id);
  for (uint32_t id : symbols) {
    NET *defined = defined_net(id);
    if (defined != nullptr && single_symbol_language_p(defined)) define_label_set(id, defined);
  }
}

NET *refuse_merge(NET *t, NET *filler, int keep) {
  if (!keep) {
    free_network(t);
    if (filler != t) free_network(filler);
  }
  return null_net();
}

}  // namespace

int define_label_set(uint32_t id, NET *net) {
  if (net->num_states > 2) {
    error("Incorrect 'define_label_set'. Too many states.");
    return -1;
  }
  LABEL *label = label_record(id);
  if (label == nullptr || label->arity != 1 || id == EPSILON) return -1;
  ALPH *set = label_to_binary(copy_alph(net_sigma(net)));
  if (set->len > static_cast<int>(OTHER)) set->items[OTHER] = 0;
  if (label->definition != nullptr) free_alph(label->definition);
  label->definition = set;
  label->definition_type = LIST_DEFINITION;
  return 0;
}

NET *merge_fsm(NET *t, NET *filler, int keep, int minimize) {
  if (t == nullptr || filler == nullptr) {
    error_printf("Unexpected NULL argument in %s().", "merge_fsm");
    return null_net();
  }
  if (t->arity != 1 || filler->arity != 1) {
    error("merge_fsm: Cannot merge a transducer.");
    return refuse_merge(t, filler, keep);
  }
  NV operands{2, nullptr};
  NET *pair[2] = {t, filler};
  operands.nets = pair;
  if (!check_operands(&operands, "merge")) return refuse_merge(t, filler, keep);
  const bool same = t == filler;
  if (keep) t = copy_fsm(t);
  if (keep || same) filler = copy_fsm(filler);

  define_class_lists(t);
  harmonize_sigmas(t, filler);
  remove_epsilons(t, 0);
  remove_epsilons(filler, 0);
  const bool filler_cycles = index_net(filler) == PATHS_CIRCULAR;
  clear_client_cells(filler);

  NET *result = make_network();
  result->flags.epsilon_free = 1;
  result->flags.has_arc_user_pointer = t->flags.has_arc_user_pointer;
  std::unordered_set<uint32_t> used;
  STATE_MANAGER *manager = make_state_manager(t, filler, result);
  result->start = pair_state(manager, t->start, filler->start);
  ALPH *labels = make_alph(0, KORA_BINARY_ALPH);
  for (const STATE_PAIR *p = next_pair(manager); p != nullptr; p = next_pair(manager)) {
    STATE *state = p->state;
    state->flags.final = p->a->flags.final && p->b->flags.final;
    ARC **tail = &state->arcs;
    auto add = [&](uint32_t label, STATE *dest, const ARC *model) {
      ARC *made = model->flags.big ? alloc_big_arc(label, dest, arc_user_pointer(model), result)
                                   : alloc_arc(label, dest, result);
      *tail = made;
      tail = &made->next;
      alph_add_to(labels, label, 0);
    };
    for (ARC *x = p->a->arcs; x != nullptr; x = x->next) {
      ALPH *list = label_arity(x->label) == 1 ? defined_list(x->label) : nullptr;
      bool matched = false;
      for (ARC *y = list != nullptr ? p->b->arcs : nullptr; y != nullptr; y = y->next) {
        if (!test_alph_member(list, y->label)) continue;
        add(y->label, pair_state(manager, x->destination, y->destination), x);
        matched = true;
        used.insert(x->label);
      }
      if (matched || (filler_cycles && list != nullptr && used.count(x->label))) continue;
      add(x->label, pair_state(manager, x->destination, p->b), x);
    }
  }
  free_state_manager(manager);
  result->flags.deterministic = 1;
  for (STATE *state = result->states; state != nullptr; state = state->next) {
    state->flags.deterministic = distinct_labels_p(state->arcs);
    if (!state->flags.deterministic) result->flags.deterministic = 0;
  }
  result->labels = binary_to_label(labels);
  result->sigma = union_alph(copy_alph(net_sigma(t)), net_sigma(filler), 0, 1);
  set_arity_from_labels(result);
  free_network(t);
  free_network(filler);
  prune_fsm(result, 0);
  label_check(result);
  return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
}

}  // namespace kora
