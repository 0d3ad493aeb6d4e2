// Dense label indexes: the arc labels of a network renumbered 0 .. n-1 for the algorithms that
// keep one table entry per label (determinization, minimization), so that their tables have as
// many entries as the network has labels rather than as the label map has ids.
//
// Index i is the position of a label in the network's label set; a label found on an arc but
// missing from the set gets the next free index. Two kinds of extra index keep arcs apart that
// would otherwise be merged, each mapping back to the label it was made from:
// - in a network with has_arc_user_pointer, the first user pointer seen with a label (in
//   state-list and arc order; an ordinary arc counts as the null pointer) keeps the label's
//   index, and every other (label, user pointer) pair gets an index of its own;
// - within one state the first *AND_CHECK* arc keeps the label's index and the second, third,
//   ... get the first, second, ... index of one series shared by all states.
//
// Each arc finds its index in constant time: a table indexed by label id, sized by the largest
// label of the network, and a hash map for the (label, user pointer) pairs. Time O(V + E + L),
// space O(largest label id + n). Tested in tests/calculus/determinize_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// What the indexes of one renumbering stand for.
struct LABEL_INDEX {
  std::vector<uint32_t> labels;  // the label id of each index
};

// Replaces the label of every arc of the plain network `net` by its dense index and records in
// `index` (emptied first, owned by the caller) the label each index stands for. Returns the
// number of indexes, extra ones included: every arc label is then below it.
uint32_t renumber_arc_labels(NET *net, LABEL_INDEX *index);

// Gives every arc of `net` back the label its index stands for. Arcs made while the labels
// were indexes must carry indexes of `index` too; an index out of range is a fatal assertion.
void restore_arc_labels(NET *net, const LABEL_INDEX *index);

}  // namespace kora
