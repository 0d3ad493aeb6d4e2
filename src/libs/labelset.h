// Labelset reduction: a network that keeps, of every class of labels that all its states treat
// alike (eqv-labs.h), only the arcs of one label, the class's representative.
//
// A reduced network accepts, on every path, any label of the class of each arc's label: its
// relation is that of the unreduced network, held in fewer arcs. The full label set and the
// class of each label are kept on the network as two properties, so that the reduction can be
// undone exactly and so that the applyer can expand a class without undoing it:
//   SIGMA       the full label set, in its order, as a list of symbols (a pair as an array of
//               its two symbols), names rather than ids so that it survives saving and loading;
//   EQV-VECTOR  an array of integers, one per label of SIGMA in the same order: the 1-based
//               number of its class.
// The representative of a class is its first label in SIGMA's order. The network's flag
// reduced_labelset is set; its labels are the representatives; its sigma is kept.
//
// Two tables are derived from the records and cached on the network, made on first use: the
// unreduce key (NET_unreduce_key, the representative of every label) and the match table (the
// labels of every representative's class, which the applyer expands arcs into). Both are
// dropped whenever the label set changes: on restoring it, and when arc optimization adds
// ALTCHAIN.
//
// Cost: reduction is the class computation, O(E log E) for E arcs, plus one pass over the arcs;
// restoration and the tables are linear in the labels and the arcs they add. Tested in
// tests/representations/labelset_test.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kora.h"

namespace kora {

// Reduces `net` in place and returns it. Labels of `keep` (an alphabet in either form, may be
// null, left to the caller) stay in classes of their own. With `record`, the full label set is
// stored as SIGMA; EQV-VECTOR is always stored. With `keep_sigma` the sigma stays as it is;
// without it the symbols of every deleted label (both sides of a pair) leave the sigma.
// Refusals, reported as errors with the network returned unchanged: a reduced network ("The
// labelset has already been reduced."), one with shared arc lists ("Cannot apply labelset
// reduction to a network\nthat has shared arcs."), and any other representation than the plain
// one (check_plain_net). When every class is a single label nothing changes and the network is
// not marked; with the verbose parameter on, "Does not reduce: all equivalence classes are
// singleton sets.\n" is written to the standard error stream.
NET *reduce_labelset_aux(NET *net, ALPH *keep, bool record, bool keep_sigma);

// Restores the full label set of a reduced network in place and returns it: every arc whose
// label stands for others gets one arc beside it, to the same destination, for each other label
// of its class; the labels become the full label set, whose symbols join the sigma; the two
// properties and the cached tables go. The full label set is `full` when given (in its item
// order, which must be the order the classes were numbered in; left to the caller), else the
// SIGMA property. Warnings, the network returned unchanged: "Nothing to do. The labelset has
// not been reduced.", "Cannot restore without the full alphabet.", "No EQV_VECTOR.  Nothing to
// restore."; a class vector whose length differs from the full label set's is the error
// "restore_label_set: Bad length for EQV_VECTOR: %d".
NET *unreduce_labelset_aux(NET *net, ALPH *full);

// The unreduce key of a reduced network, made once and kept on it (NET_unreduce_key, owned by
// the network): a binary alphabet whose item at a label id is the id of the label's
// representative, 0 for labels outside the full label set. Null with the warning "The labelset
// has not been reduced." for another network, and with the warnings of unreduce_labelset_aux or
// the error "restore_label_set: Bad length for EQV_VECTOR: %d" when the records are missing or
// wrong.
ALPH *unreduce_key(NET *net);

// The labels of each representative's class, for the applyer and for vectorization.
struct LabelClassMap {
  std::vector<uint32_t> first;   // by representative id: its run in `labels`, up to first[id + 1]
  std::vector<uint32_t> labels;  // the classes one after another, each in SIGMA's order
  // The class of the representative `label`; empty for a label that is none (EPSILON, which
  // stands for itself).
  std::span<const uint32_t> members(uint32_t label) const {
    if (label + 1 >= first.size()) return {};
    return {labels.data() + first[label], labels.data() + first[label + 1]};
  }
};

// The match table of a reduced network: its LabelClassMap, made once and kept on the network
// (which owns it) until its label set changes. Null, with the warnings of unreduce_key, when the
// network is not reduced or its records are missing.
const LabelClassMap *reduced_to_unreduced_map(NET *net);

// Forgets the cached match table and unreduce key of the network; for code that changes its
// label set, and for freeing it (the network-freed hook of this module).
void discard_match_tables(NET *net);

// The full label set of the network (label form, owned by the caller): the union of the classes
// of its labels when it is reduced, else a copy of its labels.
ALPH *unreduced_labels(NET *net);

// For arc optimization, which has just put ALTCHAIN on the arcs of `net`: when the network is
// reduced, ALTCHAIN becomes a class of its own (appended to SIGMA, with a new class number at
// the end of EQV-VECTOR, its own representative in the unreduce key) and the match table is
// dropped. Nothing happens for a network that is not reduced or that has ALTCHAIN in SIGMA
// already. A reduced network without its records is the fatal programming error "Cannot find
// equivalence classes".
void extend_reduction_with_altchain(NET *net);

// Installs the hooks through which the alphabet and network code reach this module
// (alph.h's labelset_hooks) and the network-freed hook that drops the cached tables.
void install_labelset_hooks();

}  // namespace kora
