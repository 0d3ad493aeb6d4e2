// The network of one string: one path from the start state, one arc per symbol.
//
// Every character of the string is one symbol: a Unicode character when the context reads or
// writes UTF-8, else one byte (ISO-8859-1). With positions, each arc carries as its user pointer
// the 1-based byte offset of its character in the string, which lets an applyer map matches
// back to the text. Time O(n log n) for a string of n characters (interning and the label set),
// plus the substitution when a path given by ids holds OTHER.
// Tested in tests/operations/operators_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// A new network (the caller's) accepting exactly `string`, read as described above. The path's
// states are deterministic and the network is `deterministic` and `minimized`. A null string is
// reported ("Unexpected NULL argument in string_to_net().") and gives null.
NET *make_string_net(const char *string, bool positions);

// The symbols of `string` read as make_string_net reads it, into `ids`
// (replacing what it held): the labels of its path.
void string_symbols(const char *string, std::vector<uint32_t> *ids);

// The symbol of the one character `code`: a code from 2 to 127 is its own id, any other is
// interned (ID_NO_SYMBOL when that fails).
uint32_t character_symbol(uint32_t code);

// A new network (the caller's) of one path labelled `ids` in order, built as make_string_net
// builds it; with `offsets` (one per id) each arc carries its offset as user pointer. The path
// is not deterministic where EPSILON occurs; when OTHER occurs, every OTHER arc is joined by arcs
// for the path's other symbols, so that OTHER matches them too.
NET *path_net(const std::vector<uint32_t> &ids, const std::vector<int> *offsets);

}  // namespace kora
