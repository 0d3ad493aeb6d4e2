// Drawing networks as Graphviz DOT. The states are numbered in their client cells while the
// text is made; a vector indexed by destination number, stamped with the source state's number,
// gathers the arcs of one state into one edge per destination without clearing it per state.

#include "dot.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "boundary.h"
#include "error.h"
#include "label.h"
#include "scratch.h"
#include "state-order.h"
#include "struct.h"

namespace kora {
namespace {

// One edge of the state being drawn: its destination and its labels so far.
struct Edge {
  intptr_t destination;
  std::string labels;
};

// Appends the node lines of every state and the edges of each, in state order.
void append_states(NET *net, intptr_t count, std::string &out) {
  std::vector<intptr_t> stamp(static_cast<size_t>(count), -1);  // source that last used a slot
  std::vector<size_t> slot(static_cast<size_t>(count), 0);       // its edge's index in `edges`
  std::vector<Edge> edges;
  std::string label;
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    intptr_t source = state_number(state);
    out.append("  ").append(std::to_string(source));
    out += state->flags.final ? " [shape=doublecircle];\n" : ";\n";
    edges.clear();
    ARC *cursor;
    bool done;
    start_state_arcs(&iterator, state, &cursor, &done);
    while (const ARC *arc = next_arc(&iterator, &cursor, &done)) {
      intptr_t destination = state_number(arc->destination);
      size_t d = static_cast<size_t>(destination);
      if (destination < 0 || destination >= count) continue;  // a state not on the list
      label.clear();
      append_label(label, arc->label, 1);
      if (stamp[d] != source) {
        stamp[d] = source;
        slot[d] = edges.size();
        edges.push_back({destination, label});
      } else {
        edges[slot[d]].labels.append(", ").append(label);
      }
    }
    for (const Edge &edge : edges) {
      out.append("  ").append(std::to_string(source)).append(" -> ");
      out.append(std::to_string(edge.destination)).append(" [label=");
      append_dot_string(out, edge.labels);
      out += "];\n";
    }
  }
  free_arc_iterator(&iterator);
}

}  // namespace

void append_dot_string(std::string &out, const std::string &text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API char *network_to_dot(NET *net, long max_states) {
  return guarded(__func__, nullptr, [&]() -> char * {
    if (net == nullptr) {
      error("Unexpected NULL pointer in network_to_dot().");
      return nullptr;
    }
    if (net->flags.compacted) return compacted_net_error("network_to_dot", nullptr);
    if (net->flags2.is_virtual) {
      error("Cannot do this operation on a virtual network.");
      return nullptr;
    }
    if (max_states > 0 && net->num_states > static_cast<unsigned long>(max_states)) {
      error_printf("network_to_dot: The network has %lu states, more than the %ld allowed.",
                   static_cast<unsigned long>(net->num_states), max_states);
      return nullptr;
    }
    LABEL_MAP *saved_map = current_label_map();
    if (net->label_map != nullptr) set_label_map(static_cast<LABEL_MAP *>(net->label_map));
    std::string out = "digraph {\n  rankdir=LR;\n  node [shape=circle];\n";
    intptr_t count = number_states_for_listing(net);
    if (net->start != nullptr)
      out.append("  start [shape=point, style=invis];\n  start -> ")
          .append(std::to_string(state_number(net->start)))
          .append(";\n");
    append_states(net, count, out);
    out += "}\n";
    clear_client_cells(net);
    set_label_map(saved_map);
    auto *text = static_cast<char *>(allocate_or_die(out.size() + 1, "network_to_dot"));
    std::memcpy(text, out.data(), out.size() + 1);
    return text;
  });
}

}  // extern "C"
