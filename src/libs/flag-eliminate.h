// Flag elimination: compiling the flags of one attribute into a network, so that the flag
// symbols can go without changing which paths survive.
//
// A path obeys the flags of an attribute when each of its flags succeeds on the register (see
// flag-action.h). For the tests (U, D, R) that is a regular condition on the string of flags:
// a test fails exactly when, since the last flag that would let it pass, some flag that makes
// it fail has come (and R also fails when nothing has set the attribute before it). Elimination
// builds that condition as a constraint language, one restriction per test flag intersected
// into ?*, composes the network with it, and then replaces the attribute's flags by EPSILON.
// Insert flags (I) are replaced by the networks they name, spliced in place of their arcs
// (splice.h); list flags (L, X) by arcs for the symbols of the list or of the rest of the
// sigma. The flag symbols of other attributes stay as they are.
//
// Cost: the constraint has a few states per distinct flag of the attribute and is built from
// small automata; the composition is linear in the product of the network with it; each
// splice is linear in the inserted network. Tested in tests/operations/flag_eliminate_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// 1 when some label of the network is a flag of `attribute` (an id of the "Attribute" map), or
// a tuple with such a flag on its upper or on its lower side; else 0. A label of another arity
// is reported as "flag_attribute_occurs_in_p: Label arity should be 1 or 2, got %d".
int flag_attribute_occurs_in_p(NET *net, uint32_t attribute);

// Eliminates the flags of `attribute` from the network, in place, and returns it. A compacted
// network is reported ("Cannot eliminate flags from a compacted net.\n    Please uncompact
// first.") and returned unchanged, as is a network in which the attribute does not occur.
// Afterwards no label carries a flag of the attribute, the flag marks are recomputed, and the
// network is minimized with `minimize` (else only its EPSILON arcs are removed). E flags are
// reported ("Eliminate command has not been defined for E flags yet.") and simply removed; an
// insert flag that names no network, or a list flag that names no list, is reported with the
// flag error and left in place; an insert flag whose network contains the flag itself is left
// in place (with a warning when verbose).
NET *eliminate_flag_attribute(NET *net, uint32_t attribute, int minimize);

// Expands the insert flags of the network, and then eliminates the attributes of its list
// flags (with `lists`) or of all its flags (with `all`). Works on a copy (the caller's) when
// `copy` is 1, else in place; returns the network worked on. Minimized with `minimize`. A
// compacted network is reported as by eliminate_flag_attribute and returned unchanged.
NET *eliminate_flags(NET *net, int copy, int minimize, int lists, int all);

// Replaces every arc that carries an insert flag by the network it names, in place, repeatedly,
// until none is left (insert flags that cannot be expanded stay). Does not minimize. Returns
// the network. Composition calls it (through flag-marks.h) on both of its operands.
NET *expand_insert_flags_fsm(NET *net);

// Installs the functions above as the flag-elimination hooks of the operations (flag-marks.h).
void install_flag_elimination();

}  // namespace kora
