// The number of paths of a network, read through the public records alone: the kora tool's
// summaries and the Python module's len() share it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "kora.h"

namespace kora_tool {

// The number of paths of a network from its start state to final states, counted once per state
// in reverse topological order (an explicit depth-first walk over the public records); nothing
// when the network has a loop. Saturates at UINT64_MAX - 1. Uses the client cells and leaves
// them empty, so it must not be given a virtual network, whose client cells are the library's
// and whose states are not all made: its callers check first.
inline std::optional<uint64_t> count_paths(NET *net) {
  STATE *start = NET_start_state(net);
  if (start == nullptr) return 0;
  for (STATE *state = NET_states(net); state != nullptr; state = STATE_next(state))
    STATE_client_cell(state) = nullptr;  // whatever the library left there
  constexpr uint64_t kOnStack = UINT64_MAX;
  std::vector<uint64_t> counts;  // by the number in a state's client cell, minus one
  struct Frame {
    STATE *state;
    ARC *next;
  };
  std::vector<Frame> stack;
  auto count_of = [&](STATE *state) -> uint64_t & {
    return counts[reinterpret_cast<uintptr_t>(STATE_client_cell(state)) - 1];
  };
  auto enter = [&](STATE *state) {
    counts.push_back(kOnStack);
    STATE_client_cell(state) = reinterpret_cast<void *>(counts.size());
    stack.push_back({state, STATE_arcs(state)});
  };
  bool loop = false;
  enter(start);
  while (!stack.empty() && !loop) {
    Frame &frame = stack.back();
    if (frame.next != nullptr) {
      STATE *dest = ARC_destination(frame.next);
      frame.next = ARC_next(frame.next);
      if (STATE_client_cell(dest) == nullptr)
        enter(dest);
      else if (count_of(dest) == kOnStack)
        loop = true;
      continue;
    }
    uint64_t total = STATE_final(frame.state) ? 1 : 0;
    for (ARC *arc = STATE_arcs(frame.state); arc != nullptr; arc = ARC_next(arc)) {
      uint64_t add = count_of(ARC_destination(arc));
      total = total > UINT64_MAX - 1 - add ? UINT64_MAX - 1 : total + add;
    }
    count_of(frame.state) = total;
    stack.pop_back();
  }
  std::optional<uint64_t> paths;
  if (!loop) paths = count_of(start);
  for (STATE *state = NET_states(net); state != nullptr; state = STATE_next(state))
    STATE_client_cell(state) = nullptr;
  return paths;
}

}  // namespace kora_tool
