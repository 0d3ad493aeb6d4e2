// Contains (?* A ?*) and ignore (A with B freely inserted).

#include "ignore.h"

#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "closures.h"
#include "concat.h"
#include "error.h"
#include "flag-marks.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "prune.h"
#include "splice.h"
#include "struct.h"

namespace kora {
namespace {

// Puts ?* in front of `net`, in place: the start state loops on OTHER and on every symbol of
// the sigma. When arcs enter the start state, a new start state takes the loops, the old start
// state's finality and copies of its arcs instead. The sigma must already hold OTHER and the
// symbols that OTHER stands apart from.
void prepend_any_string(NET *net) {
  STATE *old_start = net->start;
  STATE *start = old_start;
  if (start_loops_p(net)) {
    start = make_state(nullptr, net);
    start->flags.final = old_start->flags.final;
  }
  std::vector<ArcSpec> arcs;
  std::vector<uint32_t> loop_labels;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net->sigma);
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (id == OTHER || !is_internal_symbol(id)) {
      arcs.push_back({id, start, false, nullptr});
      loop_labels.push_back(id);
    }
  if (start != old_start) arc_specs_of(old_start->arcs, &arcs);
  ArcAppender(net).append(start, arcs, true);
  net->start = start;
  ALPH *labels = labels_to_alph(loop_labels.data(), static_cast<int>(loop_labels.size()), KORA_LABEL_ALPH);
  add_labels(net, labels);
  free_alph(labels);
  net->flags.minimized = 0;
  net->flags.loop_free = 0;
  net->flags.sorted_states = 0;
}

// B as a set of single symbols: two states, the start not final, every start arc to the other
// state, which is final and has no arcs.
bool single_symbols_p(const NET *b) {
  if (b->num_states != 2 || b->start->flags.final || b->start->arcs == nullptr) return false;
  const STATE *end = b->start->arcs->destination;
  if (end == b->start || !end->flags.final || end->arcs != nullptr) return false;
  for (const ARC *arc = b->start->arcs; arc != nullptr; arc = arc->next)
    if (arc->destination != end) return false;
  return true;
}

NET *refuse_ignore(NET *a, NET *b, int copy, int keep) {
  if (!copy) free_network(a);
  if (!keep && b != a) free_network(b);
  return null_net();
}

}  // namespace

NET *contains_fsm(NET *net, int copy, int minimize) {
  if (!check_operand(net, "contains")) return net;
  if (copy == 1) net = copy_fsm(net);
  NET *parts[2] = {net, kleene_star_fsm(OTHER)};
  NV vector{2, parts};
  net = concat_fsm(&vector, 0, 0);
  if (!null_fsm_p(net)) prepend_any_string(net);
  return recompute_flag_marks(minimize ? min_fsm(net, 0) : net);
}

NET *ignore_fsm(NET *a, NET *b, int copy, int keep, int minimize) {
  if (a != nullptr && b != nullptr && check_common_label_map(a, b)) {
    if (!keep && b != a) free_network(b);
    return copy ? copy_fsm(a) : a;
  }
  if (!check_operand(a, "ignore") || !check_operand(b, "ignore")) return refuse_ignore(a, b, copy, keep);
  const bool b_is_a = b == a;
  if (copy) a = copy_fsm(a);
  if (null_fsm_p(a)) {
    if (!keep && !b_is_a) free_network(b);
    return a;
  }
  if (keep || b_is_a) b = copy_fsm(b);
  b = min_fsm(b, 0);
  harmonize_sigmas(a, b);
  if (b->start->arcs == nullptr) {
    free_network(b);
    return recompute_flag_marks(minimize ? min_fsm(a, 0) : a);
  }
  add_labels(a, net_labels(b));
  a->sigma = union_alph(net_sigma(a), net_sigma(b), 0, 1);

  std::vector<STATE *> states;
  for (STATE *state = a->states; state != nullptr; state = state->next) states.push_back(state);
  if (single_symbols_p(b)) {
    std::vector<ArcSpec> loops;
    ArcAppender appender(a);
    for (STATE *state : states) {
      loops.clear();
      for (const ARC *arc = b->start->arcs; arc != nullptr; arc = arc->next)
        loops.push_back({arc->label, state, arc->flags.big != 0, arc_user_pointer(arc)});
      appender.append(state, loops, true);
    }
    merge_common_flags(a, b);
    a->flags.minimized = 0;
    a->flags.completed = 0;
    free_network(b);
  } else {
    for (size_t i = 0; i < states.size(); i++)
      splice_states(a, states[i], states[i], i + 1 < states.size() ? copy_fsm(b) : b, ID_NO_SYMBOL);
  }
  return recompute_flag_marks(minimize ? min_fsm(a, 0) : a);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *contains_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "contains_net");
      return nullptr;
    }
    return contains_fsm(net, copy, minimize_results());
  });
}

KORA_API NET *ignore_net(NET *net1, NET *net2, int copy1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net1 == nullptr || net2 == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "ignore_net");
      return nullptr;
    }
    if (net1->flags.compacted) {
      compacted_net_error("ignore_net", 0);
      return refuse_ignore(net1, net2, copy1 != 0, keep2 != 0);
    }
    return ignore_fsm(net1, net2, copy1 != 0, keep2 != 0, minimize_results());
  });
}

}  // extern "C"
