// Merge: filling the class symbols of a template language with the strings of a filler.
//
// A class symbol of the template is a symbol defined as a list (or as a small network of single
// symbols, which is first turned into a list). Merging walks the template and the filler in
// step: where the template has a class symbol whose list holds the filler's next symbol, the
// result reads that symbol and both move on; every other template arc is copied as it is while
// the filler waits. So a template C V C (consonant, vowel, consonant classes) merged with the
// filler "a" gives C a C. Cost: one product over the reachable pairs of template and filler
// states, O(P * d_T * d_F) for P pairs and out-degrees d; the class test is one array read.
// Tested in tests/operations/merge_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Defines the symbol `id` as the list of the symbols of `net` (its sigma, OTHER left out),
// replacing a list it had; the network stays the caller's and any network definition of the
// name stays too. A network of more than two states is refused with "Incorrect
// 'define_label_set'. Too many states." and -1; otherwise 0.
int define_label_set(uint32_t id, NET *net);

// The template `t` with its class symbols filled from `filler`, as a new network. Every symbol
// of the template that names a defined network of exactly two states whose start is not final
// first becomes a list of that network's symbols (define_label_set). The sigmas are
// harmonized and EPSILON arcs removed from both. From a pair of states (p of t, q of filler),
// final when both are: for each arc of p labelled x and each arc of q labelled y, when x is a
// defined list holding y an arc labelled y leads to the pair of their destinations; when no
// arc of q matched, the arc of p is copied to (its destination, q) — except that, when the
// filler has cycles, a class symbol already used to match is not copied. With `keep` both
// arguments stay the caller's, otherwise both are consumed. Minimized with `minimize`.
// Transducers are refused with "merge_fsm: Cannot merge a transducer." and a new null network;
// networks of different label maps or not in the plain representation also give a new null
// network, with an error.
NET *merge_fsm(NET *t, NET *filler, int keep, int minimize);

}  // namespace kora
