// Label equivalence classes: the labels of a network that every state treats alike.
//
// Two labels are equivalent when every state has, for each of them, the same set of arcs: the
// same destinations with the same user pointers (so in particular both or neither). One label
// of a class can then stand for the others. Sigma compaction uses the class of OTHER to find
// the symbols that mean nothing more than OTHER does.
//
// Method: every arc becomes a record (label, source, destination, user pointer); sorting the
// records brings each label's records together in one run, which is the label's signature;
// sorting the labels by their signatures brings equal signatures next to each other. Sets of
// destinations are compared, so nondeterministic states are handled exactly. Time
// O(E log E), space O(E) for E arcs. Tested in tests/calculus/modify_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// The labels of one class, in ascending id order.
using LabelClass = std::vector<uint32_t>;

// The classes of the labels on the network's arcs (EPSILON arcs left out), ordered by their
// first label; OTHER's class therefore comes first when an arc carries OTHER. The network must
// be in the plain representation (check_plain_net) and is not changed.
std::vector<LabelClass> label_classes(const NET *net);

}  // namespace kora
