// Composition of transducers: the pair construction of compose_fst, its form over a net vector
// (balanced or left to right, with the pair-merging pass), and the pass itself.
//
// The exported compose_net is declared in kora.h.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// --- Labels of pairs of sides -----------------------------------------------------------------

// One side of a label being made: a symbol, or OTHER standing for a symbol unknown to both
// networks, which may be tied to the symbol matched in the middle of a composition (the same
// symbol, or a different one).
enum class Tie { kFree, kSame, kDifferent };
struct Side {
  uint32_t symbol;
  Tie tie;
};

// Appends to `out` the labels of every upper side paired with every lower side: x:y (the plain
// symbol for x:x); for two unknown symbols OTHER:OTHER when they can differ and OTHER when they
// can be equal.
void pair_sides(const std::vector<Side> &upper, const std::vector<Side> &lower,
                std::vector<uint32_t> *out);

// The symbols of `from` (a binary alphabet) that `lacking` lacks, the internal symbols left
// out: what the OTHER of the network of `lacking` stands for among the symbols of the other.
std::vector<uint32_t> extra_symbols(const ALPH *from, ALPH *lacking);

// Sorts `labels` and drops repetitions.
void sort_labels(std::vector<uint32_t> *labels);

// --- Composition --------------------------------------------------------------------------------

// How flag diacritics take part in a composition: as ordinary symbols (FLAGS_AS_SYMBOLS), or,
// with FLAGS_AS_SPECIAL (parameter word 24), flags other than list flags on the upper
// network's lower side and on the lower network's upper side move their own network alone
// and stay in the result label. FLAGS_NO_INSERT also leaves insert flags unexpanded.
enum { FLAGS_AS_SYMBOLS = 0, FLAGS_AS_SPECIAL = 1, FLAGS_NO_INSERT = 2 };

// The composition of `upper` with `lower`: a new network (the caller's) mapping each upper
// string of `upper` to the lower strings of `lower` that its lower strings are mapped to.
// Both arguments stay the caller's; they are changed in place without changing their
// relations (pruned, EPSILON arcs removed, client cells cleared), and one record may be passed
// as both. Either accepting nothing gives a new null network. Minimized when `minimize` is
// set, else pruned. Both must be plain networks of one label map (not checked here).
NET *compose_fst(NET *upper, NET *lower, int minimize, int flag_mode);

// The composition of the networks of `nets` in order (the vector stays the caller's). With
// `copy` 1 the networks stay the caller's, unchanged; otherwise each is consumed (a network
// listed several times is freed at its last use). `balanced` composes neighbours pass after
// pass, otherwise left to right; `merge_pass` runs merge_one_sided_pairs on every intermediate
// result. No networks give OTHER* (the identity); one network gives itself (a copy with
// `copy`). Refusals (networks of different label maps, null, compacted or non-plain networks)
// are reported and give a new null network, the networks freed unless `copy`. The flag marks
// of the result are recomputed.
NET *compose_fsm(NV *nets, int copy, int minimize, int merge_pass, int balanced, int flag_mode);

// The pair-merging pass, in place: an arc x:0 whose destination has only arcs 0:y (or an arc
// 0:x whose destination has only arcs y:0) gains merged arcs x:y straight to the destinations
// of those arcs; the one-sided arc itself becomes the first merged arc when its destination is
// not final, and otherwise leads to a final state without arcs. The relation does not change.
// Minimized when `minimize` is set. Returns `net`.
NET *merge_one_sided_pairs(NET *net, int minimize);

}  // namespace kora
