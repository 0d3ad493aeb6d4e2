// kora words [--spaced] [--print] [-o OUT] FILE: the minimal network of a word list (or of
// spaced text, or the first network of a saved network file), summarized in one line, listed
// state by state with --print, or saved to OUT.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// The number of paths of a loop-free network from its start state to final states, counted
// once per state in reverse topological order (an explicit depth-first walk over the public
// records); saturates at UINT64_MAX. The client cells are left empty.
uint64_t count_paths(NET *net) {
  STATE *start = NET_start_state(net);
  if (start == nullptr) return 0;
  std::vector<uint64_t> counts;
  struct Frame {
    STATE *state;
    ARC *next;
  };
  auto enter = [&](STATE *state, std::vector<Frame> &stack) {
    counts.push_back(UINT64_MAX);  // on the stack: no count yet
    STATE_client_cell(state) = reinterpret_cast<void *>(counts.size());
    stack.push_back({state, STATE_arcs(state)});
  };
  std::vector<Frame> stack;
  enter(start, stack);
  while (!stack.empty()) {
    Frame &frame = stack.back();
    if (frame.next != nullptr) {
      STATE *dest = ARC_destination(frame.next);
      frame.next = ARC_next(frame.next);
      if (STATE_client_cell(dest) == nullptr) enter(dest, stack);
      continue;
    }
    uint64_t total = STATE_final(frame.state) ? 1 : 0;
    for (ARC *arc = STATE_arcs(frame.state); arc != nullptr; arc = ARC_next(arc)) {
      uint64_t add = counts[reinterpret_cast<uintptr_t>(STATE_client_cell(ARC_destination(arc))) - 1];
      total = total > UINT64_MAX - add ? UINT64_MAX : total + add;
    }
    counts[reinterpret_cast<uintptr_t>(STATE_client_cell(frame.state)) - 1] = total;
    stack.pop_back();
  }
  uint64_t paths = counts[reinterpret_cast<uintptr_t>(STATE_client_cell(start)) - 1];
  for (STATE *state = NET_states(net); state != nullptr; state = STATE_next(state))
    STATE_client_cell(state) = nullptr;
  return paths;
}

const char *plural(uint64_t count) { return count == 1 ? "" : "s"; }

}  // namespace

NET *read_network(const char *file_name, bool spaced) {
  if (is_network_file(file_name)) return network_argument(file_name);
  return spaced ? read_spaced_text(file_name) : read_text(file_name);
}

int words_command(int argc, char **argv) {
  const char *output = take_output_option(&argc, argv);
  bool spaced = false, print = false;
  const char *file_name = file_and_flags(argc, argv, {{"--spaced", &spaced}, {"--print", &print}});
  if (file_name == nullptr) return usage();
  NET *net = read_network(file_name, spaced);
  if (net == nullptr) return 1;
  int status = 0;
  if (output != nullptr) {
    status = save_network(net, output);
  } else if (print) {
    print_net(net, stdout);
  } else {
    const uint64_t paths = count_paths(net);
    std::printf("%u state%s, %u arc%s, %llu %s%s.\n", NET_num_states(net),
                plural(NET_num_states(net)), NET_num_arcs(net), plural(NET_num_arcs(net)),
                static_cast<unsigned long long>(paths), spaced ? "path" : "word", plural(paths));
  }
  free_network(net);
  return status;
}

}  // namespace kora_tool
