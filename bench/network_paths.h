// Checks of the benchmarks' results: the number of paths from the start state to final states of
// an acyclic kora network, counted in reverse topological order by an explicit depth-first walk
// (it uses the client cells of the states and leaves them empty); and whether a network with one
// symbol per byte accepts a word.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "kora.h"

namespace measure {

inline uint64_t count_paths(NET *net) {
  std::vector<STATE *> states;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    s->client_cell = reinterpret_cast<void *>(states.size());
    states.push_back(s);
  }
  auto number = [](const STATE *s) { return reinterpret_cast<uintptr_t>(s->client_cell); };
  std::vector<uint64_t> paths(states.size(), 0);
  std::vector<char> done(states.size(), 0);
  std::vector<std::pair<STATE *, ARC *>> stack{{net->start, net->start->arcs}};
  while (!stack.empty()) {
    auto &[state, arc] = stack.back();
    if (arc != nullptr) {
      STATE *dest = arc->destination;
      arc = arc->next;
      if (!done[number(dest)]) stack.push_back({dest, dest->arcs});
      continue;
    }
    uint64_t total = state->flags.final ? 1 : 0;
    for (ARC *a = state->arcs; a != nullptr; a = a->next) total += paths[number(a->destination)];
    paths[number(state)] = total;
    done[number(state)] = 1;
    stack.pop_back();
  }
  const uint64_t from_start = paths[number(net->start)];
  for (STATE *s : states) s->client_cell = nullptr;
  return from_start;
}

// Whether the network, whose arcs carry label_of[byte] for each byte of a word, accepts `word`.
inline bool accepts(const NET *net, std::string_view word, const uint32_t *label_of) {
  const STATE *state = net->start;
  for (size_t i = 0; i < word.size() && state != nullptr; ++i) {
    const ARC *arc = state->arcs;
    while (arc != nullptr && arc->label != label_of[static_cast<unsigned char>(word[i])])
      arc = arc->next;
    state = arc == nullptr ? nullptr : arc->destination;
  }
  return state != nullptr && state->flags.final;
}

}  // namespace measure
