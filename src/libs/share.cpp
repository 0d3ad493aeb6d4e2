// Shared arc lists: splices the lists of an optimized network into one another.
//
// What it computes. The same network with every ALTCHAIN arc replaced by the list it stands
// for, physically: the arc before the ALTCHAIN arc (or the state's list head) points at the
// first arc of the ALTCHAIN arc's destination, so a run of arcs is stored once and read by
// every list that ends with it. States reached only through ALTCHAIN arcs (the chain states)
// are then reached by no arc and leave the state list; the arcs they held live on in the
// lists of the others.
//
// How. Every ALTCHAIN arc is checked to be last in its list before anything changes. The
// destinations of ordinary arcs and the start state are noted (they stay). Then each state is
// spliced after the state its ALTCHAIN arc leads to, following the chain with an explicit
// stack, so that a splice always joins a list that is already whole; a state's own arcs are
// walked once. The states that ALTCHAIN arcs led to get the absorbed mark (apply_mark); those
// of them that no ordinary arc enters and that are not the start state (share_mark clear) are
// removed from the state list. Both marks are clear again afterwards.
//
// Cost: O(V + E) time, O(V) space for the stack of a chain. Unsharing copies the network
// (copy_fsm walks every list whole, shared tails included), which is O(V + E') for E' the arcs
// of the plain form. Tested in tests/representations/optimize_test.cpp.

#include "share.h"

#include <vector>

#include "alph.h"
#include "boundary.h"
#include "error.h"
#include "label.h"
#include "optimize.h"
#include "optimized-operands.h"
#include "struct.h"

namespace kora {
namespace {

// The ALTCHAIN arc of a state's own list and the arc before it (null when it is the first), or
// a null arc when there is none.
struct ChainEnd {
  ARC *before = nullptr;
  ARC *chain = nullptr;
};

ChainEnd chain_end(STATE *state) {
  ChainEnd end;
  ARC *before = nullptr;
  for (ARC *arc = state->arcs; arc != nullptr; before = arc, arc = arc->next)
    if (arc->label == ALTCHAIN_SYMBOL) return {before, arc};
  return end;
}

// Whether every ALTCHAIN arc is the last of its list.
bool chains_are_last(const NET *net) {
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.vectorized) continue;
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label == ALTCHAIN_SYMBOL && arc->next != nullptr) return false;
  }
  return true;
}

// Splices one state whose ALTCHAIN destination is already whole (visit_mark 1: done), and
// marks the destination absorbed (apply_mark). A vectorized destination keeps its ALTCHAIN arc.
void splice(STATE *state, NET *net) {
  state->flags.visit_mark = 1;
  if (state->flags.vectorized) return;
  const ChainEnd end = chain_end(state);
  if (end.chain == nullptr) return;
  STATE *holder = end.chain->destination;
  if (holder->flags.vectorized) return;
  if (end.before != nullptr)
    end.before->next = holder->arcs;
  else
    state->arcs = holder->arcs;
  holder->flags.apply_mark = 1;
  free_arc(end.chain);
  net->num_arcs--;
}

}  // namespace

int share_arc_lists(NET *net) {
  if (net->flags.shared_arc_lists) return 0;
  if (!net->flags2.optimized) {
    error("The network is not optimized. Cannot share arcs.");
    return 1;
  }
  if (!chains_are_last(net)) {
    error("ALTCHAIN arc is not the last one in the arc list.\nInitial (now probably corrupted) "
          "net will be returned.");
    return 1;
  }
  // apply_mark: absorbed; share_mark: stays (the start state and ordinary destinations).
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    s->flags.apply_mark = 0;
    s->flags.share_mark = 0;
    s->flags.visit_mark = 0;
  }
  if (net->start != nullptr) net->start->flags.share_mark = 1;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label != ALTCHAIN_SYMBOL) arc->destination->flags.share_mark = 1;

  std::vector<STATE *> chain;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    for (STATE *at = s; at != nullptr && at->flags.visit_mark == 0;) {
      chain.push_back(at);
      const ChainEnd end = at->flags.vectorized ? ChainEnd{} : chain_end(at);
      at = end.chain == nullptr ? nullptr : end.chain->destination;
    }
    while (!chain.empty()) {
      splice(chain.back(), net);
      chain.pop_back();
    }
  }

  bool chains_left = false;
  STATE **link = &net->states;
  while (*link != nullptr) {
    STATE *state = *link;
    state->flags.visit_mark = 0;
    if (state->flags.apply_mark && !state->flags.share_mark) {
      *link = state->next;
      state->arcs = nullptr;  // they live on in the lists that absorbed them
      free_state(state, net);
      net->num_states--;
      continue;
    }
    state->flags.apply_mark = 0;
    state->flags.share_mark = 0;
    if (!state->flags.vectorized)
      for (ARC *arc = state->arcs; arc != nullptr && !chains_left; arc = arc->next)
        chains_left = arc->label == ALTCHAIN_SYMBOL;
    link = &state->next;
  }
  if (!chains_left) {
    if (net->labels != nullptr) alph_remove_from(net->labels, ALTCHAIN_SYMBOL, 0);
    if (net->sigma != nullptr) alph_remove_from(net->sigma, ALTCHAIN_SYMBOL, 0);
    net->flags2.optimized = 0;
  }
  net->flags.shared_arc_lists = 1;
  net->flags2.sorted_arcs = 0;
  return 0;
}

void install_arc_optimization() {
  set_arc_optimization_hooks(unoptimize_operand_arcs, share_arc_lists);
}

NET *unshare_arc_lists_copy(NET *net, bool reclaim) {
  if (net == nullptr) return nullptr;
  const bool optimize_again = net->flags2.optimized && net->flags.shared_arc_lists;
  NET *copy = copy_fsm(net);
  if (reclaim) free_network(net);
  if (copy != nullptr && optimize_again) optimize_arcs_quietly(copy);
  return copy;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API int share_arcs(NET *net) {
  return guarded(__func__, 1, [&]() -> int {
    if (net == nullptr) {
      error("Unexpected NULL argument in share_arcs().");
      return 1;
    }
    if (check_not_virtual(net)) return 1;
    if (net->flags.shared_arc_lists) return 0;
    if (!net->flags2.optimized) {
      error("Arcs cannot be shared because the network has not been optimized.");
      return 1;
    }
    return share_arc_lists(net);
  });
}

KORA_API NET *unshare_arcs(NET *net) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (check_not_virtual(net)) return net;
    return unshare_arc_lists_copy(net, true);
  });
}

}  // extern "C"
