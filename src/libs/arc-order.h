// Sorting arc lists: reorder_arcs sorts the arcs of every state with a comparator, and the four
// standard comparators order arcs by the upper or the lower side of their labels.
//
// Sorted arc lists let apply stop early and let the bimachine halves be walked in one pass.
// Each list is copied into one shared buffer, sorted there (ties keep their list order) and
// relinked: O(E log d) time for d the largest number of arcs of a state, O(d) space. The
// network's flags2.sorted_arcs records that the lists are in the standard order. Tested in
// tests/calculus/arc_order_test.cpp.
//
// Orders (ascending by the symbol id of the compared side, with these exceptions):
//   special: EPSILON and _DET_EPSILON_ first, then OTHER, then the other symbols, ALTCHAIN last;
//   plain:   ALTCHAIN last.
#pragma once

#include "kora.h"

namespace kora {

// A comparison of two arcs: negative, zero or positive as `a` goes before, with or after `b`.
using ArcComparator = int (*)(const ARC *a, const ARC *b);

// The standard comparators: by the upper or lower side of the labels (a plain symbol is its own
// upper and lower side), in the special or the plain order.
int compare_upper_special(const ARC *a, const ARC *b);
int compare_upper_plain(const ARC *a, const ARC *b);
int compare_lower_special(const ARC *a, const ARC *b);
int compare_lower_plain(const ARC *a, const ARC *b);

// Sorts every arc list of the network with `compare` (arcs that compare equal keep their
// order); states with arc vectors are left alone. Then sets sorted_arcs, except for a bimachine
// half sorted otherwise than it is applied: a left_bimachine network keeps the mark only when
// sorted by the side it is sequentialized on (upper_sequentialized: upper, lower_sequentialized:
// lower) in the special order, a right_bimachine network only when sorted by that side in the
// plain order; otherwise the mark is cleared. A network with shared arc lists is the fatal
// programming error "Cannot reorder arcs when arcs are shared!\n"; a compacted or virtual
// network is reported (check_plain_net) and left alone, as are a null network or comparator.
// Allocation failure is fatal ("reorder_arcs").
void reorder_arcs(NET *net, ArcComparator compare);

}  // namespace kora
