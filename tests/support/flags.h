// The reference semantics of flag diacritics for the tests: whether a string of symbols obeys
// its flags, read straight from the flag records, written apart from the library's flag_action.
#pragma once

#include <cstdint>

#include "language.h"
#include "networks.h"

namespace kora_test {

// Every attribute: 0 for all of them at once.
constexpr uint32_t kAllAttributes = 0;

// Whether the flags of `attribute` (of every attribute with kAllAttributes) in `string`, read in
// order from an all-unset register, all succeed. Symbols that are no flags, and flags that name
// a definition (I, L, X, T, F), are passed over.
bool obeys_flags(const Symbols &string, uint32_t attribute = kAllAttributes);

// The string without the flag symbols of `attribute` (kAllAttributes: of any attribute).
Symbols without_flags(const Symbols &string, uint32_t attribute = kAllAttributes);

// Every (upper, lower) pair of at most `max_length` symbols a side that the network accepts
// along a path whose flags of `attribute` (on either side) all succeed, those flags left out of
// the strings: a walk over (state, register of each side, strings so far), so that loops of
// flags cost nothing and the result is exact whatever the network's cycles.
Relation obeying_paths(const NET *net, const Symbols &universe, uint32_t attribute, size_t max_length);

// The has_flags marks that the network's arcs call for: bit 1 upper, bit 2 lower.
int flag_marks_of_arcs(const NET *net);
int flag_marks_of(const NET *net);

}  // namespace kora_test
