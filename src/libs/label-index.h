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
// Each arc finds its index in constant expected time through flat hash tables (flat-hash.h)
// keyed by label id and by (label, user pointer), so the space is O(n) however large the ids
// are. Time O(V + E + L) for L labels in the label set. Tested in
// tests/operations/determinize_test.cpp.
//
// The plain indexes alone (plain_label_index) number the labels of any walk as they are met;
// the label tables of the walks over pairs of states (state-mr.h) use them, so that their size
// follows the labels met rather than the largest label id.
#pragma once

#include <cstdint>
#include <vector>

#include "flat-hash.h"
#include "kora.h"

namespace kora {

constexpr uint32_t NO_LABEL_INDEX = 0xFFFFFFFF;

struct LABEL_NUMBER {
  uint32_t label;
  uint32_t index;
};

// What the indexes of one renumbering stand for.
struct LABEL_INDEX {
  std::vector<uint32_t> labels;                       // the label id of each index
  FlatHash<LABEL_NUMBER> plain{"LABEL_INDEX"};         // label id -> its plain index
};

// The plain index of `label`: the one it has in `index`, or else the next index, made now.
inline uint32_t plain_label_index(LABEL_INDEX *index, uint32_t label) {
  bool added;
  LABEL_NUMBER *number = index->plain.insert(
      hash_mix(label), [label](const LABEL_NUMBER &held) { return held.label == label; }, &added);
  if (added) {
    *number = LABEL_NUMBER{label, static_cast<uint32_t>(index->labels.size())};
    index->labels.push_back(label);
  }
  return number->index;
}

// The plain index of `label` in `index`, or NO_LABEL_INDEX when it has none.
uint32_t find_label_index(const LABEL_INDEX *index, uint32_t label);

// Replaces the label of every arc of the plain network `net` by its dense index and records in
// `index` (emptied first, owned by the caller) the label each index stands for. Returns the
// number of indexes, extra ones included: every arc label is then below it.
uint32_t renumber_arc_labels(NET *net, LABEL_INDEX *index);

// Gives every arc of `net` back the label its index stands for. Arcs made while the labels
// were indexes must carry indexes of `index` too; an index out of range is a fatal assertion.
void restore_arc_labels(NET *net, const LABEL_INDEX *index);

}  // namespace kora
