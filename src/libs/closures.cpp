// Closures, substrings and the universal networks.

#include "closures.h"

#include "alph.h"
#include "calculus.h"
#include "label.h"
#include "prune.h"
#include "struct.h"

namespace kora {
namespace {

// Sets the `start_final` flag of a compacted network (on a copy with `copy`).
NET *make_compacted_start_final(NET *net, int copy) {
  if (copy) net = copy_fsm(net);
  net->flags.start_final = 1;
  return net;
}

// `label`* (or `label`+ with `plus`) as a new network: a final state looping on `label`, which
// is the start state itself, or is reached from the start state by an arc labelled `label`.
// Labels, sigma and arity follow the label; OTHER:x and x:OTHER get their companion loops on x.
NET *one_label_net(uint32_t label, bool plus) {
  NET *net = null_net();
  STATE *looping = net->start;
  if (plus) {
    looping = make_state(nullptr, net);
    push_arc(alloc_arc(label, looping, net), net->start);
  }
  looping->flags.final = 1;
  push_arc(alloc_arc(label, looping, net), looping);
  alph_add_to(net->labels, label, 0);
  add_symbols_of_label(net->sigma, label);
  net->arity = static_cast<int16_t>(label_arity(label) > 1 ? 2 : 1);
  net->flags.loop_free = 0;
  return expand_other_pairs(net, 0);
}

}  // namespace

NET *one_plus_fsm(NET *net, int copy) {
  if (!check_operand(net, "one-plus")) return net;
  if (copy) net = copy_fsm(net);
  STATE *start = net->start;
  std::vector<ArcSpec> arcs;
  arc_specs_of(start->arcs, &arcs);
  if (arcs.empty()) return net;
  ArcAppender appender(net);
  int added = 0;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    if (state->flags.final && state != start) added += appender.append(state, arcs, true);
  if (added > 0) {
    net->flags.minimized = 0;
    net->flags.loop_free = 0;
    net->flags2.sorted_arcs = 0;
  }
  return net;
}

NET *optional_fsm(NET *net, int copy) {
  if (net != nullptr && net->flags.compacted) return make_compacted_start_final(net, copy);
  if (!check_operand(net, "optional")) return net;
  if (copy) net = copy_fsm(net);
  if (net->start->flags.final) return net;
  if (start_loops_p(net)) {
    std::vector<ArcSpec> arcs;
    arc_specs_of(net->start->arcs, &arcs);
    STATE *fresh = make_state(nullptr, net);
    ArcAppender(net).append(fresh, arcs, false);
    net->start = fresh;
    net->flags.sorted_states = 0;
  }
  net->start->flags.final = 1;
  net->flags.minimized = 0;
  return net;
}

NET *zero_plus_fsm(NET *net, int copy) {
  if (net != nullptr && net->flags.compacted) return make_compacted_start_final(net, copy);
  if (!check_operand(net, "zero-plus")) return net;
  return one_plus_fsm(optional_fsm(net, copy), 0);
}

NET *substring_fsm(NET *net, int copy) {
  if (!check_operand(net, "substring")) return net;
  if (copy) net = copy_fsm(net);
  // States that are not on a path to a final state would spell strings that are no substrings.
  net->flags.pruned = 0;
  prune_fsm(net, 0);
  STATE *start = net->start;
  if (start->arcs == nullptr) return net;
  std::vector<ArcSpec> entries;
  if (start_loops_p(net)) {
    // The arcs that begin a substring anywhere must not be taken again on coming back to the
    // start state: they go to a fresh start state.
    arc_specs_of(start->arcs, &entries);
    start = make_state(nullptr, net);
    ArcAppender(net).append(start, entries, false);
    net->start = start;
    net->flags.sorted_states = 0;
    entries.clear();
  }
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    state->flags.final = 1;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      entries.push_back({arc->label, arc->destination, false, nullptr});
  }
  ArcAppender(net).append(start, entries, true);
  start->flags.deterministic = 0;
  net->flags.deterministic = 0;
  net->flags.minimized = 0;
  net->flags2.sorted_arcs = 0;
  return net;
}

NET *kleene_star_fsm(uint32_t label) {
  if (label == EPSILON) return epsilon_net();
  return one_label_net(label, false);
}

NET *kleene_plus_fsm(uint32_t label) {
  if (label == EPSILON) return epsilon_net();
  return one_label_net(label, true);
}

}  // namespace kora
