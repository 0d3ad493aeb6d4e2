// Networks as arguments and results of the tool's commands: reading a network from a saved file,
// a word list or spaced text; saving one; and its size in one line.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// The number of paths of a network from its start state to final states, counted once per state
// in reverse topological order (an explicit depth-first walk over the public records); nothing
// when the network has a loop. Saturates at UINT64_MAX - 1. Uses the client cells and leaves
// them empty.
std::optional<uint64_t> count_paths(NET *net) {
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

const char *plural(uint64_t count) { return count == 1 ? "" : "s"; }

}  // namespace

bool parse_network_arguments(int argc, char **argv, std::vector<Flag> flags, size_t max_operands,
                             Source *source, std::vector<const char *> &operands,
                             const char **output) {
  bool words = false, spaced = false;
  flags.push_back({"--words", &words});
  flags.push_back({"--spaced", &spaced});
  if (!parse_arguments(argc, argv, flags, output, operands) || operands.empty() ||
      operands.size() > max_operands || (words && spaced))
    return false;
  *source = spaced ? Source::spaced : words ? Source::words : Source::saved;
  return true;
}

NET *read_network(const char *file_name, Source source) {
  switch (source) {
    case Source::words: return read_text(file_name);
    case Source::spaced: return read_spaced_text(file_name);
    case Source::saved: break;
  }
  NET *net = load_net(file_name, nullptr);
  if (net == nullptr) std::fprintf(stderr, "kora: cannot load a network from '%s'\n", file_name);
  return net;
}

int save_network(NET *net, const char *output) {
  if (save_net(net, output, nullptr) == 0) return 0;
  std::fprintf(stderr, "kora: cannot save the network to '%s'\n", output);
  return 1;
}

void print_summary(NET *net) {
  const char *kind = NET_arity(net) == 2 ? "path" : "word";
  std::printf("%u state%s, %u arc%s, ", NET_num_states(net), plural(NET_num_states(net)),
              NET_num_arcs(net), plural(NET_num_arcs(net)));
  if (std::optional<uint64_t> paths = count_paths(net))
    std::printf("%llu %s%s.\n", static_cast<unsigned long long>(*paths), kind, plural(*paths));
  else
    std::printf("loops.\n");
}

}  // namespace kora_tool
