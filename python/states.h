// States and arcs of networks in Python: kora.State and kora.Arc, the Net methods that list and
// build states and arcs, and the properties read off a network's arcs (is_deterministic,
// is_epsilon_free, is_acyclic, is_acceptor, is_transducer, is_functional).
//
// Symbols are strings: EPSILON is "", OTHER (any symbol the network does not know) is "?", and
// the ordinary symbol "?" is written "%?" as in regular expressions. A label is a str for a
// symbol (the identity: it maps itself to itself) and an (upper, lower) tuple for a pair.
// kora.h names the sides of a label, but OTHER and the symbol "?" have one name there, so a
// pair with a side named "?" is told apart by making the candidate pairs with pair_net and
// comparing their labels (which may intern a pair in the label map, as compiling one would).
//
// Tested by tests/python/test_states.py and tests/python/test_properties.py.
#ifndef KORA_PYTHON_STATES_H
#define KORA_PYTHON_STATES_H

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library.h"

namespace kora_python {

// The two sides of a label: the module's spelling and the library's symbol id of each.
struct Sides {
  std::string upper, lower;
  uint32_t upper_id = KORA_EPSILON, lower_id = KORA_EPSILON;
  bool pair = false;
};

// The sides of `label`, cached for the life of the process (label ids never change). Under the
// exclusive lock.
const Sides &sides_of(uint32_t label);

// A network's states and arcs copied into arrays, numbered as in its state table.
struct Graph {
  struct Arc {
    uint32_t label;
    uint32_t destination;
  };
  std::vector<std::vector<Arc>> arcs;
  std::vector<bool> final;
  std::optional<uint32_t> start;
  // Whether the state lies on a path from the start state to a final state.
  std::vector<bool> useful;
};

// The graph of a state table. Under the exclusive lock. O(states + arcs).
Graph graph_of(const StateTable &table);

// Registers kora.State and kora.Arc and the methods and properties of `net` described above.
void define_states(pybind11::module_ &module, pybind11::class_<Net, NetPtr> &net);

}  // namespace kora_python

#endif  // KORA_PYTHON_STATES_H
