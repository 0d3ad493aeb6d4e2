// Label sets of networks: rebuilding a network's label set from its arcs, and two questions
// about labels (do two alphabets share one, does an arc list repeat one).
//
// The label set of a network should list exactly the labels on its arcs. Operations that only
// remove arcs (pruning, minimization) call label_check afterwards, which walks the arcs once:
// O(V + E) time and O(L) space for L the largest label id used. Tested in
// tests/operations/prune_test.cpp.
#pragma once

#include "kora.h"

namespace kora {

// Rebuilds the network's label set from the labels on its arcs (EPSILON left out), in label
// form and ascending order, in the network's own label set record (made when missing), and sets
// the arity to the largest arity of those labels (at least 1). A label above the largest member
// of the old set is reported as the warning "label_check: Unaccounted label (%d): " followed by
// its name, once per label; a set that grows in size also gives the warning
// "label_check: Unaccounted labels (%d)" with the number of labels added. The arcs must be plain
// lists (check_plain_net). A null network is ignored.
void label_check(NET *net);

// Makes the network's label set empty (in label form), keeping its record; makes an empty one
// when the network has none. The sigma and the arity are left as they are.
void empty_label_set(NET *net);

// 1 when the two alphabets (in either form) have no member in common, else 0. A null alphabet
// counts as empty. Both stay as they are.
int labels_disjoint_p(ALPH *a, ALPH *b);

// 1 when no label occurs on two arcs of the arc list that starts with `arcs` (null is an empty
// list), else 0. User pointers are not looked at.
int distinct_labels_p(const ARC *arcs);

// 0 when the network was made in the current map (a network whose sigma holds only built-in
// ids, or that records no map, adopts it); otherwise reports and gives 1. Null gives 1.
int check_net_label_map(NET *net);

// 0 when both networks were made in one map; otherwise reports and gives 1. Null gives 1.
int check_common_label_map(NET *a, NET *b);

}  // namespace kora
