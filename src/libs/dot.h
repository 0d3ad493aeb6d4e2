// Drawing networks: a network as a Graphviz DOT digraph, for pictures of small networks
// (network_to_dot, exported; the drawing itself is done by Graphviz's `dot`).
//
// States are numbered as the listing of print_net numbers them (the state list is put in the
// standard order first) and drawn as circles, final states as double circles; an invisible
// node with an arrow into the start state marks it. The arcs from one state to another become
// one edge whose label lists their labels in arc order, separated by ", ", each spelled as the
// listing spells it (escaped, pairs as upper:lower, EPSILON as 0, OTHER as ?); inside the DOT
// strings '"' and '\' are escaped. Time and space O(V + E) beyond the text itself. Tested in
// tests/networks/dot_test.cpp.
#pragma once

#include <string>

#include "kora.h"

namespace kora {

// Appends `text` to `out` as a DOT double-quoted string, quotes included.
void append_dot_string(std::string &out, const std::string &text);

}  // namespace kora
