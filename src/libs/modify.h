// Substitution and sigma closure: replacing a symbol or a label of a network by a list of
// symbols or labels (or deleting it), closing the sigma (OTHER replaced by known symbols or
// removed) and compacting it (symbols that mean no more than OTHER dropped).
//
// Substitution builds one replacement list per label of the network, then rewrites every arc
// once: an arc whose label has a list takes the first replacement and gains a parallel arc (same
// destination, same user pointer) for each further one, leaving out the arcs that its state
// has already; an empty list deletes it. Time O(V + E' log E' + R) for E' arcs afterwards and R
// the size of the replacement lists, plus a table indexed by label id. Sigma compaction sorts the
// arcs into label equivalence classes (eqv-labs.h): O(E log E).
//
// The exported forms substitute_symbol, substitute_label, close_sigma and close_net_alphabet are
// declared in kora.h. Tested in tests/operations/modify_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Replaces `x` in `net` by the labels of `list` (an alphabet in either form, left to the caller),
// working on a copy (owned by the caller) when `copy` is 1, else in place; returns the network
// worked on.
//
// Symbol mode (`label_mode` false): `x` and the members of `list` must be symbols; every
// occurrence of `x`, inside tuples too, is replaced by each member in every combination, `x`
// leaves the sigma and the members join it. In OTHER mode (`other_mode`, with `x` OTHER, used to
// harmonize sigmas) a member is never put into a tuple that already holds it, and OTHER:OTHER
// stays a tuple. Label mode: only arcs labelled exactly `x` are replaced, by each listed label;
// the symbols of the listed labels join the sigma.
//
// An empty or null `list` deletes: arcs labelled `x` (symbol mode: also tuples holding `x`) go,
// `x` leaves the label set and the sigma (label mode: unless a tuple still holds it), and the
// network is pruned when anything was deleted. Nothing changes unless `x` is in the sigma, in
// the label set, or is EPSILON, or when `list` holds just `x`. The result is not minimized.
//
// Refusals, reported as errors, return `net` itself unchanged and make no copy: a tuple `x` or a
// tuple member in symbol mode ("Cannot substitute for an fstpair.", "Cannot substitute an
// fstpair."), a member id the label map never gave out, a network of another label map or not
// in the plain representation. Null gives null.
NET *substitute_worker(NET *net, uint32_t x, ALPH *list, int copy, bool label_mode,
                       bool other_mode);

// Drops from the network's sigma and arcs the symbols that behave exactly like OTHER in every
// state and occur in no tuple label: once unknown they are matched by OTHER as before, so the
// relation does not change. Prunes first when the network is not pruned and drops OTHER from
// the sigma when no label uses it; without OTHER in the sigma the sigma is only rebuilt from the
// labels; with a tuple label holding OTHER nothing more is done. Works in place and returns
// `net`; null gives null, a network not in the plain representation is reported and returned
// unchanged.
NET *compact_sigma(NET *net);

// --- Harmonization of sigmas ------------------------------------------------------------------

// Expands the OTHER of `net`, in place, against the members of `symbols` (any form; stays the
// caller's): when net's sigma holds OTHER, every symbol of `symbols` that net's sigma lacks
// (internal symbols left out) is added to it, and every arc on which OTHER stands for a symbol
// gains the arcs for the new symbols (the OTHER mode of symbol substitution). Nothing happens
// when the sigma has no OTHER or nothing is new.
void expand_other(NET *net, ALPH *symbols);

// Harmonizes the sigmas of `a` and `b` in place: a's OTHER is expanded against b's sigma and
// b's against a's. Afterwards OTHER stands for the same symbols in both networks, and the two
// languages are unchanged.
void harmonize_sigmas(NET *a, NET *b);

}  // namespace kora
