// Alphabets as property values, and the conversion of two-level (TWOL) networks.
//
// A sigma kept as a property value (a list of the symbols' names, or of symbol and tuple objects
// when some members are pairs) is recovered from it (prop_val_to_alph, and recover_sigma from
// SAVED-SIGMA).
// A TWOL network's labels are single symbols whose names spell pairs,
// "upper:lower"; its SIGMA property lists them. convert_twol_nets turns such networks into
// ordinary transducers, which load_net does for every file it reads. Each operation is linear in
// the size of the alphabet and the network. Tested in tests/formats/files_test.cpp and
// tests/formats/prop_text_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"
#include "prop.h"

namespace kora {

// The alphabet (owned by the caller, in binary form) of a list value as described above: a
// symbol package of names, or symbol objects and arrays of two symbol objects for pairs. Null,
// reported, for any other value.
ALPH *prop_val_to_alph(const OBJECT *value);

// The symbol named by a symbol, string or character object, interned; ID_NO_SYMBOL, reported,
// for another type.
uint32_t obj_to_symbol_id(const OBJECT *object);
// The pair named by an array of two such objects; ID_NO_SYMBOL, reported, otherwise.
uint32_t obj_to_tuple_id(const OBJECT *object);

// Makes the network's SAVED-SIGMA list its sigma and removes the property; the symbol NIL is
// just removed; without the property the sigma is computed from the labels.
void recover_sigma(NET *net);

// Converts the networks of `nv` from TWOL to standard labels when the first one is marked as
// TWOL (see the top of this file). With `quiet` the conversion is not announced.
void convert_twol_nets(NV *nv, bool quiet);

}  // namespace kora
