// Flag diacritics: the spelling of flag-diacritic symbols and the flag records made from it.
//
// A flag diacritic is a symbol such as "@P.CASE.NOM@": "@", an action letter, ".", one or two
// fields separated by ".", and a closing "@" ("@F@" alone is the failing flag). Inside a field
// "%" protects the next character; fields keep their text as written, protecting "%" included,
// so a field can never itself be a flag diacritic. The record holds the action, the attribute's
// id in the "Attribute" map and a value whose map depends on the action (see FLAG_DIACRITIC in
// label.h). Parsing is one pass over the name. Tested in tests/networks/flag_diacritics_test.cpp.
#pragma once

#include <cstdint>

#include "label.h"

namespace kora {

// The action code of a flag-like name by its letter (name[1]): 7 for "@F@", 13 for any other
// "@F..."; a letter that names no action reports "flag_diacr_action: No such action '%c'" and
// gives 0. A null or empty name gives 0.
int flag_diacr_action(const uint32_t *name);

// Whether `name` is a well-formed flag diacritic. With `report` 1, a name that starts like one
// ("@", a letter, ".") but does not complete its form is reported as an error ("Symbol '...'
// looks like an illformed flag diacritic."), and so is an unknown action letter in a name that
// ends with "@". A P, N, U, D, R, S or E name whose first field runs to the end without any
// delimiter is an ordinary symbol and is never reported.
int is_flag_diacritic(const uint32_t *name, int report);

// A new flag record for a well-formed name, allocated with malloc ("MAKE_FLAG_DIACR") and owned
// by the caller (the label that carries it). Interns the attribute in "Attribute"; the value in
// "Value" (P, N, U, D, R), the second attribute in "Attribute" (S, E), or the name as a symbol
// of the current map (I, L, T, F, X). Anything else gives null and reports nothing.
FLAG_DIACRITIC *make_flag_diacr(const uint32_t *name);

// The flag reader of the label map (set_flag_reader): the record of a well-formed flag
// diacritic, reporting an ill-formed one; null for any other name.
FLAG_DIACRITIC *read_flag_diacritic(const uint32_t *name);

// Interns a flag attribute name in the "Attribute" map: 0 and its id, or a status as for
// interning (label.h).
int intern_flag_attribute(uint32_t *out, const uint32_t *name);

// Interns a flag value name in the "Value" map. An id of 32768 or more, which the flag register
// cannot hold, is warned about and adds 8 to the status.
int intern_flag_value(uint32_t *out, const uint32_t *name);

}  // namespace kora
