// Flag diacritics as composition and flag elimination see them: which symbols are list flags
// (membership in a defined list, @L.name@, or its exclusion, @X.name@), which are other flags,
// the list a list flag names, and whether a side of a network carries flags at all.
//
// A defined list hangs on the label of its name (LABEL::definition), so a list flag's list is
// one array read away; nothing here reaches the definitions module. flags_present_p reads the
// network's label set: O(L) for L labels. Tested in tests/operations/flag_sides_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"
#include "label.h"

namespace kora {

// The flag record of the symbol `id`, or null when it is no flag diacritic (or no symbol).
const FLAG_DIACRITIC *symbol_flag(uint32_t id);

// Whether the symbol is a list flag: action L (membership) or X (exclusion).
bool list_flag_p(uint32_t id);

// Whether the symbol is a flag diacritic other than a list flag.
bool non_list_flag_p(uint32_t id);

// The symbol list that the list flag `id` names, or null when the name of its value is not
// defined as a list (or `id` is no list flag). The alphabet stays its label's.
ALPH *list_flag_list(uint32_t id);

// Whether the list flag `flag` admits `symbol`: for L, the symbol is a member of the named
// list; for X, it is not. A list flag whose list is undefined admits nothing.
bool list_flag_admits(uint32_t flag, uint32_t symbol);

// The sides of a label, for side 0 (upper) and 1 (lower).
enum { UPPER_SIDE = 0, LOWER_SIDE = 1 };

// 1 when some label of the network has a flag diacritic on side `side` (0 upper, 1 lower; a
// plain flag symbol is on both), else 0. Another side is reported ("flags_present_p: Side
// should be UPPER or LOWER, got %d") and gives 0. A null network gives 0.
int flags_present_p(NET *net, int side);

}  // namespace kora
