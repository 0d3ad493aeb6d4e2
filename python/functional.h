// Whether a transducer is functional: every upper string is mapped to at most one lower string.
//
// Method: the squared transducer (Béal, Carton, Prieur and Sakarovitch, "Squaring transducers",
// 2003). Its states are the pairs (p, q) of useful states reached by two paths reading one upper
// string; each pair carries the delay of the two paths, what one has written beyond the other.
// The transducer is functional exactly when, among the pairs that can still reach a pair of final
// states, no two paths disagree in what both have written, every pair has one delay, and every
// pair of final states has the empty delay. Arcs whose upper side is EPSILON move one path alone.
// OTHER is any symbol the network does not know: an arc labelled OTHER writes the symbol it read,
// a pair with OTHER on its lower side writes any of infinitely many symbols (so a useful one makes
// the transducer not functional), and a symbol written from OTHER must be matched at the step
// that read it, since two unknown symbols read at different steps may differ.
//
// Cost: time and space in the number of arcs between reachable pairs, times the longest delay;
// at most O(arcs^2) pairs of arcs.
//
// Tested by tests/python/test_properties.py, against the paths of random transducers.
#ifndef KORA_PYTHON_FUNCTIONAL_H
#define KORA_PYTHON_FUNCTIONAL_H

#include "states.h"

namespace kora_python {

// Whether the network of `graph` is functional. Under the exclusive lock (labels are read).
bool functional(const Graph &graph);

}  // namespace kora_python

#endif  // KORA_PYTHON_FUNCTIONAL_H
