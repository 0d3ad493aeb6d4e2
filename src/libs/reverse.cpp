// Reversal, inversion and side projections.

#include "reverse.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "alph.h"
#include "calculus.h"
#include "epsilon.h"
#include "error.h"
#include "flag-marks.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "prune.h"
#include "struct.h"

namespace kora {
namespace {

// The tuple with its two sides exchanged; a tuple of more sides is reported and kept.
uint32_t invert_tuple(uint32_t label) {
  if (label_arity(label) > 2) {
    error("invert_tuple: Arity higher than 2 is not supported");
    return label;
  }
  return pair_id(lower_id(label), upper_id(label));
}

NET *project(NET *net, int copy, int minimize, bool upper) {
  const char *operation = upper ? "upper-side net" : "lower-side net";
  if (net == nullptr || net->flags.compacted) {
    check_operand(net, operation);
    return net;
  }
  if (net->flags2.reduced_labelset && net->arity >= 2) {
    error_printf("'%s' cannot be applied to a net with a reduced labelset.\n", operation);
    return net;
  }
  if (net->arity == 1) return copy ? copy_fsm(net) : net;
  if (!check_operand(net, operation)) return net;
  if (copy) net = copy_fsm(net);

  bool changed = false;
  std::set<std::tuple<uint32_t, const STATE *, const void *>> held;  // the state's arcs so far
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    bool state_changed = false;
    held.clear();
    ARC **link = &state->arcs;
    while (*link != nullptr) {
      ARC *arc = *link;
      const uint32_t side = upper ? upper_id(arc->label) : lower_id(arc->label);
      if (side != arc->label) {
        changed = state_changed = true;
        arc->label = side;
        if (side == EPSILON) net->flags.epsilon_free = 0;
      }
      // An EPSILON loop spells nothing, and two pairs with one side make the same arc twice.
      if ((side == EPSILON && arc->destination == state) ||
          !held.insert({side, arc->destination, arc_user_pointer(arc)}).second) {
        *link = arc->next;
        free_arc(arc);
        net->num_arcs--;
        continue;
      }
      link = &arc->next;
    }
    if (state_changed) state->flags.deterministic = 0;
  }
  labels_from_arcs(net);
  net->arity = 1;
  net->flags2.upper_sequentialized = 0;
  net->flags2.lower_sequentialized = 0;
  net->flags2.left_bimachine = 0;
  net->flags2.right_bimachine = 0;
  net->flags2.upper_bounded_known = 0;
  net->flags2.lower_bounded_known = 0;
  if (changed) {
    net->flags.deterministic = 0;
    net->flags.minimized = 0;
    net->flags2.sorted_arcs = 0;
  }
  if (minimize)
    net = min_fsm(net, 0);
  else if (!net->flags.epsilon_free)
    net = remove_epsilons(net, 0);
  compact_sigma(net);
  return recompute_flag_marks(net);
}

}  // namespace

NET *reverse_fsm(NET *net, int copy) {
  if (!check_operand(net, "reverse")) return net;
  if (copy) net = copy_fsm(net);
  if (net->start->arcs == nullptr) return net;
  prune_fsm(net, 0);
  STATE *old_start = net->start;
  if (old_start->arcs == nullptr) return net;  // nothing, or the empty string alone, is left

  STATE *new_start = nullptr;
  for (STATE *state = net->states; state != nullptr && new_start == nullptr; state = state->next)
    if (state->flags.final && state->arcs == nullptr) new_start = state;
  const bool existing_start = new_start != nullptr;
  if (!existing_start) new_start = make_state(nullptr, net);

  reverse_arcs_in_place(net, 1);
  net->flags.deterministic = 0;
  net->flags.minimized = 0;

  // The new start state stands for all final states: it takes over their reversed arcs.
  const bool accepts_empty = old_start->flags.final;
  bool other_finals = false;
  std::vector<ArcSpec> gathered;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    if (!state->flags.final || state == new_start) continue;
    other_finals = true;
    state->flags.final = 0;
    arc_specs_of(state->arcs, &gathered);
  }
  new_start->flags.final = accepts_empty;
  ArcAppender(net).append(new_start, gathered, true);

  for (STATE *state = net->states; state != nullptr; state = state->next)
    state->flags.deterministic =
        state->arcs == nullptr || (state->arcs->next == nullptr && state->arcs->label != EPSILON);
  old_start->flags.final = 1;
  net->start = new_start;
  net->flags.completed = 0;
  net->flags.pruned = existing_start && !other_finals;
  net->flags.sorted_states = 0;
  net->flags2.sorted_arcs = 0;
  return recompute_flag_marks(net);
}

NET *invert_fsm(NET *net, int copy) {
  if (!check_operand(net, "invert")) return net;
  if (copy) net = copy_fsm(net);

  // Each tuple label of the label set is inverted once; arcs look their label up.
  std::vector<std::pair<uint32_t, uint32_t>> inverse;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (label_arity(id) >= 2) inverse.emplace_back(id, invert_tuple(id));
  std::sort(inverse.begin(), inverse.end());
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      const uint32_t label = arc->label;
      if (label_arity(label) < 2) continue;
      auto found = std::lower_bound(inverse.begin(), inverse.end(), std::make_pair(label, 0u));
      arc->label =
          found != inverse.end() && found->first == label ? found->second : invert_tuple(label);
    }
  }
  labels_from_arcs(net);

  auto &flags = net->flags2;
  const bool upper_sequentialized = flags.upper_sequentialized;
  flags.upper_sequentialized = flags.lower_sequentialized;
  flags.lower_sequentialized = upper_sequentialized;
  const bool upper_bounded = flags.upper_bounded_known;
  flags.upper_bounded_known = flags.lower_bounded_known;
  flags.lower_bounded_known = upper_bounded;
  flags.sorted_arcs = 0;
  return recompute_flag_marks(net);
}

NET *upper_fsm(NET *net, int copy, int minimize) { return project(net, copy, minimize, true); }

NET *lower_fsm(NET *net, int copy, int minimize) { return project(net, copy, minimize, false); }

}  // namespace kora
