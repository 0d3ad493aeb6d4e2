// What the text-format tests share besides the label paths of language.h: the minimal network
// of a set of words built as a trie by hand and minimized.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "kora.h"
#include "language.h"
#include "networks.h"

namespace kora_test {

// The trie of the label sequences, built through add_state_to_net and add_arc_to_state, then
// minimized with minimize_net.
inline NET *minimized_trie(const std::set<Symbols> &sequences) {
  NET *net = null_net();
  for (const Symbols &sequence : sequences) {
    STATE *state = net->start;
    for (uint32_t label : sequence) {
      STATE *next = nullptr;
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
        if (arc->label == label) next = arc->destination;
      if (next == nullptr) {
        next = add_state_to_net(net, 0);
        add_arc_to_state(net, state, label, next, nullptr, 0);
      }
      state = next;
    }
    state->flags.final = 1;
  }
  minimize_net(net);
  return net;
}

}  // namespace kora_test
