// Splicing one network between two states of another.

#include "splice.h"

#include <vector>

#include "alph.h"
#include "calculus.h"
#include "label-check.h"
#include "label.h"
#include "modify.h"
#include "prune.h"
#include "struct.h"

namespace kora {
namespace {

constexpr unsigned kSink = 1;  // visit mark of the inserted final states without arcs

bool has_arc_labelled(const STATE *state, uint32_t label) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == label) return true;
  return false;
}

// Makes `state` continue as `t` does: an EPSILON arc to t, or copies of t's arcs and t's
// finality; with `keep_final` the state keeps its own finality too. Returns whether an EPSILON arc was added.
bool continue_as(STATE *state, STATE *t, bool by_epsilon, bool keep_final, ArcAppender *appender,
                 std::vector<ArcSpec> *specs) {
  specs->clear();
  if (by_epsilon) {
    state->flags.final = keep_final && state->flags.final;
    specs->push_back({EPSILON, t, false, nullptr});
  } else {
    state->flags.final = (keep_final && state->flags.final) || t->flags.final;
    arc_specs_of(t->arcs, specs);
  }
  return appender->append(state, *specs, true) > 0 && by_epsilon;
}

}  // namespace

void splice_states(NET *net, STATE *s, STATE *t, NET *inserted, uint32_t label) {
  STATE *start = inserted->start;
  if (start->arcs == nullptr && !start->flags.final) {
    if (s != t) net->flags.pruned = net->flags.minimized = 0;
    free_network(inserted);
    return;
  }
  const bool by_epsilon = s != t && label != ID_NO_SYMBOL && has_arc_labelled(s, label);
  const bool start_entered = start_loops_p(inserted) != 0;
  const bool t_live = t->flags.final || t->arcs != nullptr;

  // Final states without arcs become t itself.
  for (STATE *q = inserted->states; q != nullptr; q = q->next)
    q->flags.visit_mark = q != start && q->flags.final && q->arcs == nullptr ? kSink : 0;
  for (STATE *q = inserted->states; q != nullptr; q = q->next)
    for (ARC *arc = q->arcs; arc != nullptr; arc = arc->next)
      if (arc->destination->flags.visit_mark == kSink) arc->destination = t;

  ArcAppender appender(net);
  std::vector<ArcSpec> specs;
  arc_specs_of(start->arcs, &specs);
  appender.append(s, specs, true);
  bool epsilon_added = false;
  if (s != t && start->flags.final) epsilon_added |= continue_as(s, t, by_epsilon, true, &appender, &specs);
  for (STATE *q = inserted->states; q != nullptr; q = q->next)
    if (q->flags.final && q->flags.visit_mark != kSink && (q != start || start_entered))
      epsilon_added |= continue_as(q, t, by_epsilon, false, &appender, &specs);

  // The inserted states join the host, but for the sinks and an unentered start.
  STATE *q = inserted->states;
  while (q != nullptr) {
    STATE *next = q->next;
    if (q->flags.visit_mark == kSink || (q == start && !start_entered)) {
      free_state(q, inserted);
    } else {
      q->flags.visit_mark = 0;
      q->next = net->states;
      net->states = q;
      net->num_states++;
    }
    q = next;
  }
  net->num_arcs += inserted->num_arcs;

  net->flags.deterministic &= inserted->flags.deterministic && !epsilon_added;
  net->flags.epsilon_free &= inserted->flags.epsilon_free && !epsilon_added;
  net->flags.loop_free &= s != t && inserted->flags.loop_free;
  net->flags.pruned &= t_live;
  net->flags.minimized = 0;
  net->flags.completed = 0;
  net->flags.sorted_states = 0;
  net->flags2.sorted_arcs = 0;
  merge_common_flags(net, inserted);
  free_network_record(inserted);
}

void splice_fsm(NET *net, STATE *s, STATE *t, NET *inserted, bool harmonize, uint32_t label) {
  if (check_common_label_map(net, inserted)) {
    free_network(inserted);
    return;
  }
  prune_fsm(inserted, 0);
  if (harmonize) harmonize_sigmas(net, inserted);
  add_labels(net, net_labels(inserted));
  ALPH *sigma = union_alph(net_sigma(net), net_sigma(inserted), 0, 1);
  net->sigma = sigma;
  splice_states(net, s, t, inserted, label);
}

}  // namespace kora
