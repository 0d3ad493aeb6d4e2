// Benchmark: building a network by hand through the public interface.
//
// The trie of a word list (one arc per byte, one state per distinct prefix) is first laid out
// in plain arrays, untimed. The clock then runs while make_empty_net, add_state_to_net and
// add_arc_to_state (include/kora.h, nothing else) build it: for every trie node in the order the
// words make them, one new state and the arc from its parent. The program prints one line: the
// list's name, states, arcs, wall-clock and processor seconds of the build, nanoseconds per arc
// (each arc brings its destination state, so this is the cost of one state plus one arc), the
// minor page faults of the build (fresh memory touched, 4 KiB a fault) and the peak resident
// memory in KiB. Afterwards the network is checked against the list: the
// counts, and every word accepted.
//
// Usage: build_by_hand WORD-LIST [NAME]. Every byte is a symbol of its own: the context reads
// ISO-8859-1, and the label of a byte above 127 is taken from string_to_net of that byte.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "kora.h"
#include "measure.h"
#include "network_paths.h"

namespace {

// A trie node other than the root: its parent (0 is the root), the byte of the arc into it,
// and whether a word ends there.
struct Node {
  uint32_t parent;
  unsigned char byte;
  bool final;
};

struct Trie {
  bool root_final = false;
  std::vector<Node> nodes;  // node i + 1 is nodes[i]; parents come before their children
};

// The trie of the lines of `text` (a final line without newline counts; empty lines make the
// root final).
Trie lay_out_trie(const std::string &text) {
  Trie trie;
  std::unordered_map<uint64_t, uint32_t> child;  // parent * 256 + byte -> node
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    uint32_t node = 0;
    for (size_t i = begin; i < end; ++i) {
      auto byte = static_cast<unsigned char>(text[i]);
      auto [it, added] = child.try_emplace(uint64_t{node} * 256 + byte, trie.nodes.size() + 1);
      if (added) trie.nodes.push_back({node, byte, false});
      node = it->second;
    }
    if (node == 0)
      trie.root_final = true;
    else
      trie.nodes[node - 1].final = true;
    begin = end + 1;
  }
  return trie;
}

// The label of every byte: its code below 128, else the label string_to_net gives it.
void byte_labels(uint32_t *label_of) {
  for (int byte = 0; byte < 128; ++byte) label_of[byte] = static_cast<uint32_t>(byte);
  for (int byte = 128; byte < 256; ++byte) {
    const char text[2] = {static_cast<char>(byte), '\0'};
    NET *net = string_to_net(text, 0);
    label_of[byte] = NET_start_state(net)->arcs->label;
    free_network(net);
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  FST_CONTEXT *context = initialize_kora();
  set_char_encoding(context, KORA_LATIN1);
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;  // every byte names its own code
  uint32_t label_of[256];
  byte_labels(label_of);
  const Trie trie = lay_out_trie(text);
  std::vector<STATE *> states(trie.nodes.size() + 1);

  long faults_before = measure::minor_faults();
  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = make_empty_net();
  states[0] = add_state_to_net(net, trie.root_final);
  net->start = states[0];
  for (size_t i = 0; i < trie.nodes.size(); ++i) {
    const Node &node = trie.nodes[i];
    states[i + 1] = add_state_to_net(net, node.final);
    add_arc_to_state(net, states[node.parent], label_of[node.byte], states[i + 1], nullptr, 0);
  }
  double build = measure::seconds_since(start);
  double cpu_build = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();
  long faults = measure::minor_faults() - faults_before;

  size_t begin = 0, failures = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    failures += !measure::accepts(net, std::string_view(text).substr(begin, end - begin), label_of);
    begin = end + 1;
  }
  if (failures != 0 || net->num_arcs != trie.nodes.size() ||
      net->num_states != trie.nodes.size() + 1) {
    std::fprintf(stderr, "wrong result: %zu words rejected, %u states, %u arcs for %zu nodes\n",
                 failures, net->num_states, net->num_arcs, trie.nodes.size() + 1);
    return 1;
  }

  double arcs = static_cast<double>(net->num_arcs);
  std::printf("kora-by-hand %s states=%u arcs=%u build=%.3f cpu_build=%.3f ns_per_arc=%.1f "
              "cpu_ns_per_arc=%.1f page_faults=%ld peak_kib=%ld\n",
              argc > 2 ? argv[2] : argv[1], net->num_states, net->num_arcs, build, cpu_build,
              build * 1e9 / arcs, cpu_build * 1e9 / arcs, faults, peak);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
