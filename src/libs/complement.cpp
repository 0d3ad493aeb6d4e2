// Completion and complement.
//
// What: the complement ~A of a language, the strings over the sigma plus OTHER that A does not
// accept, and the completion that it rests on.
// How: the textbook construction (Hopcroft and Ullman 1979): determinize, complete the
// transition function with a non-final sink, exchange final and non-final states. Completion
// finds a state's missing symbols by stamping the labels of its arcs in an array indexed by
// label id, so no list is searched.
// Cost: determinization (exponential in the worst case), then O(V * S + E) for completion with
// V states and S sigma symbols, O(V) for the flip. Tested in tests/operations/complement_test.cpp.

#include "complement.h"

#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "determinize.h"
#include "error.h"
#include "flag-marks.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "optimized-operands.h"
#include "struct.h"

namespace kora {
namespace {

// The members of a binary alphabet, EPSILON left out.
std::vector<uint32_t> members_of(const ALPH *sigma) {
  std::vector<uint32_t> members;
  for (int id = 1; id < sigma->len; id++)
    if (sigma->items[id]) members.push_back(static_cast<uint32_t>(id));
  return members;
}

bool has_enough_arcs(const NET *net, size_t symbols) {
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    size_t arcs = 0;
    for (const ARC *arc = s->arcs; arc != nullptr && arcs < symbols; arc = arc->next) arcs++;
    if (arcs < symbols) return false;
  }
  return true;
}

// Reports an EPSILON member of the sigma, which completion skips.
void check_epsilon_in_sigma(NET *net) {
  if (net->sigma->len == 0 || net->sigma->items[EPSILON] == 0) return;
  error("complete_net: EPSILON found in sigma.");
  if (net->flags.epsilon_free) {
    error("complete_net: EPSILON found in net marked epsilon-free.");
    net->flags.epsilon_free = 0;
  }
}

// A minimal network in plain arc lists: its complement can skip minimization.
bool is_plain_minimal(const NET *net) {
  return net->flags.minimized && net->flags.deterministic && net->flags.pruned &&
         !net->flags2.optimized && !net->flags2.has_arc_vectors && !net->flags.shared_arc_lists &&
         !net->flags.compacted;
}

// The complement of a minimal automaton, completed with a sink and flipped, is minimal but for
// one dead state at most: the state from which the automaton accepted every continuation, now
// non-final with nothing but loops (two such states would have been one). Its distinct states
// stay distinguishable, by the strings that told them apart before, and the sink, now final,
// differs from each of them, which all accepted something. So removing that state, and the arcs
// into it, gives the minimal complement in O(V + E) where minimizing would cost O(E log V).
// The completed network is cyclic (the sink loops), as the minimizer would find. False, with
// nothing changed, when the dead state is the start state (the complement is empty): the
// minimizer then makes the empty network.
bool remove_dead_state(NET *net) {
  STATE *dead = nullptr;
  for (STATE *s = net->states; s != nullptr && dead == nullptr; s = s->next) {
    if (s->flags.final || s->arcs == nullptr) continue;
    const ARC *arc = s->arcs;
    while (arc != nullptr && arc->destination == s) arc = arc->next;
    if (arc == nullptr) dead = s;
  }
  if (dead == nullptr) return true;
  if (dead == net->start) return false;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (s == dead) continue;
    for (ARC **link = &s->arcs; *link != nullptr;) {
      ARC *arc = *link;
      if (arc->destination != dead) {
        link = &arc->next;
        continue;
      }
      *link = arc->next;
      free_arc(arc);
      net->num_arcs--;
    }
  }
  STATE **link = &net->states;
  while (*link != dead) link = &(*link)->next;
  *link = dead->next;
  free_state(dead, net);
  net->num_states--;
  label_check(net);
  return true;
}

}  // namespace

NET *complete_net(NET *net, int copy) {
  if (!check_operand(net, "completion")) return net;
  if (copy == 1) net = copy_fsm(net);
  if (net->flags.completed) return net;
  if (net->arity >= 2) {
    error("Complete is not implemented for transducers.  Aborting.");
    return net;
  }
  unoptimize_operand(net, "Can't compute the negation of an optimized network. Un-optimizing "
                          "before negating.");
  label_to_binary(net_sigma(net));
  check_epsilon_in_sigma(net);
  if (test_alph_member(net->sigma, OTHER) && has_enough_arcs(net, members_of(net->sigma).size())) {
    net->flags.completed = 1;
    return net;
  }

  STATE *sink = net->start;
  if (sink->arcs != nullptr || sink->flags.final) sink = make_state(nullptr, net);
  if (!net->flags.closed_sigma) alph_add_to(net->sigma, OTHER, 0);
  const std::vector<uint32_t> symbols = members_of(net->sigma);
  std::vector<const STATE *> stamp(net->sigma->len, nullptr);
  size_t added = 0;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    ARC **tail = &s->arcs;
    for (; *tail != nullptr; tail = &(*tail)->next)
      if ((*tail)->label < stamp.size()) stamp[(*tail)->label] = s;
    for (uint32_t symbol : symbols) {
      if (stamp[symbol] == s) continue;
      ARC *arc = alloc_arc(symbol, sink, net);
      *tail = arc;
      tail = &arc->next;
      added++;
    }
  }
  if (added > 0) {
    net->flags.pruned = net->flags.minimized = net->flags.loop_free = 0;
    ALPH *labels = label_to_binary(net_labels(net));
    for (uint32_t symbol : symbols) alph_add_to(labels, symbol, 0);
    binary_to_label(labels);
  } else if (sink != net->start) {
    net->states = sink->next;
    net->num_states--;
    free_state(sink, net);
  }
  net->flags.completed = 1;
  return net;
}

NET *negate_fsm(NET *net, int copy, int minimize) {
  bool refused = !check_operand(net, "complementation");
  if (!refused && net->arity >= 2) {
    error(
        "The complement operator ~ is defined only for regular languages:\n"
        "~A denotes the language [?* - A]. You must use the expression\n"
        "[[?:?]* - A] instead of ~A if A represents a relation.");
    refused = true;
  }
  if (refused) {
    if (copy != 1) free_network(net);
    return null_net();
  }
  const bool was_minimal = is_plain_minimal(net);
  net = determinize_fsm(net, copy == 1 ? 1 : 0);
  const uint32_t arcs_before = net->num_arcs;
  complete_net(net, 0);
  const bool sink_added = net->num_arcs > arcs_before;
  for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.final = !s->flags.final;
  net->flags.pruned = net->flags.minimized = 0;
  if (minimize && was_minimal && sink_added && remove_dead_state(net)) {
    for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.deterministic = 1;
    net->flags.deterministic = net->flags.epsilon_free = 1;
    net->flags.pruned = net->flags.minimized = 1;
    net->flags2.sorted_arcs = 0;
  }
  return recompute_flag_marks(minimize ? min_fsm(net, 0) : net);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *negate_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (!check_operand(net, "complementation")) return net;
    if (net->arity >= 2) {
      error("Negation is not defined for transducers.");
      return nullptr;
    }
    return negate_fsm(net, copy, minimize_results());
  });
}

}  // extern "C"
