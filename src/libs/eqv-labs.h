// Label equivalence classes: the labels that every state of a set of networks treats alike.
//
// Two labels are equivalent when every state of every network has, for each of them, the same
// set of arcs: the same destinations with the same user pointers (so in particular both or
// neither). One label of a class can then stand for the others. Labelset reduction
// (labelset.h) keeps one label of each class on the arcs; sigma compaction (modify.h) uses the
// class of OTHER to find the symbols that mean nothing more than OTHER does. Finality plays no
// part, and EPSILON, which no label set holds, is in no class.
//
// Method: partition refinement by sorting. Every arc becomes a record (label, source,
// destination, user pointer); sorting the records brings each label's records together in one
// run, which is the label's signature; sorting the labels by their signatures brings equal
// signatures next to each other. Sets of destinations are compared, so nondeterministic states
// are handled exactly; a label of the label sets that no arc carries has the empty signature.
// Time O(E log E + L log L), space O(E + L) for E arcs and L labels. Tested in
// tests/operations/modify_test.cpp and tests/representations/labelset_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// The labels of one class, in ascending id order.
using LabelClass = std::vector<uint32_t>;

// The classes of the labels of the networks of `nets` (the union of their label sets and of
// the labels on their arcs, EPSILON left out), ordered by their first label: OTHER's class
// therefore comes first when OTHER is one of the labels. The networks must be in the plain
// representation; each gets its label set computed if it had none, and is otherwise unchanged.
std::vector<LabelClass> compute_label_classes(const NV *nets);

}  // namespace kora
