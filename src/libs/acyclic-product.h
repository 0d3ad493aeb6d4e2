// The minimal product of two deterministic acyclic networks, built bottom-up: the fast form of
// intersection and difference for the common case of minimal networks of finite languages.
#pragma once

#include "kora.h"

namespace kora {

// Which pairs of states are final in the product.
enum class PairFinality {
  kBoth,       // intersection: both states final
  kFirstOnly,  // difference: the first state final and the second not (or failed)
};

// Whether minimal_acyclic_product takes `a` and `b`: both plain, deterministic, epsilon-free and
// marked loop-free, without arc user pointers, with label ids small enough for a table by
// label id (at most 2^20, and not many more than the operands have arcs).
bool acyclic_product_applies(const NET *a, const NET *b);

// Whether minimal_acyclic_product takes `a` and `b` as they are, so that operands their caller
// keeps need no copy: it takes them, and neither has OTHER in its sigma (whose expansion into
// the other's symbols would change it). Epsilons are ruled out by the flags it checks.
bool acyclic_product_takes_as_they_are(NET *a, NET *b);

// Fills the empty network `result` (made by make_network, without states or alphabets) with the
// minimal network of the product of `a` and `b`, whose pairs are final as `finality` says; with
// kFirstOnly, a pair whose second state has no arc for a label of the first goes on with the
// first state alone, so the result is a - b. The result's arcs, labels and flags are set; its
// sigma and arity are the caller's to set. `a` and `b` keep their languages and stay the
// caller's; with kFirstOnly the client cells of a's states are used (and left changed unless
// false is returned). With kFirstOnly and `take_from_a`, the states of `a` that the result
// shares with it (the part of `a` that `b` leaves behind) are moved into `result` rather than
// copied: `a` is left holding the rest, for the caller to free. Their sigmas must already be
// harmonized. Returns false, with `result` left holding states to free and `a` whole, when a
// cycle, two arcs of one label leaving a state, or a label past the table turns up after all
// (the flags of an operand lied); the caller then frees `result` and takes the general way.
bool minimal_acyclic_product(NET *a, const NET *b, PairFinality finality, NET *result,
                             bool take_from_a);

}  // namespace kora
