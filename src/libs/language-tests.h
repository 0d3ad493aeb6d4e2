// Yes/no questions about the languages of networks: is anything accepted, is one language
// inside another, are two networks equivalent, is a side universal.
//
// Several tests change their arguments in place (pruning, epsilon removal, determinization,
// sigma harmonization) without changing their languages; that is part of their contract.
// The exported test_non_null, test_sublanguage, test_equivalent, test_upper_universal and
// test_lower_universal are declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// 1 when the chosen side of the network is the universal language: over the Kleene star of
// the symbols of `alphabet` when one is given, else over OTHER* (any string). `side` 0 is the
// upper side, 1 the lower side, 2 both. The network stays the caller's, unchanged; `alphabet`
// too. A compacted or another non-plain network is refused with an error and answers 0.
int universal_side_p(NET *net, ALPH *alphabet, int side);

}  // namespace kora
