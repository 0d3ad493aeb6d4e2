// The flag marks of a network, and the entry points through which the operations reach flag
// elimination.
//
// A network carries two `has_flags` marks: upper_has_flags when some label has a flag diacritic
// on its upper side, lower_has_flags when on its lower side (a plain flag symbol sets both).
// Operations that make or drop labels recompute them from the label set at their end:
// O(L) for L labels, one label-record read each.
//
// Flag elimination compiles flags into a network with composition and defined networks, both of
// which sit above the operations. The operations that need it (composition expands insert
// flags, difference eliminates list flags) call the entry points below, which run the
// functions that the flag-elimination module installs at start-up; without them they change
// nothing. Tested in tests/operations/flag_marks_test.cpp.
#pragma once

#include <cstdint>

#include "flag-sides.h"
#include "kora.h"

namespace kora {

// Sets the two has_flags marks of `net` from its labels (from its arcs when it has no label
// set). A "Vantel compressed" network has both cleared; a virtual network keeps the marks it
// has. Null is ignored. Returns `net`, so that an operation can end with
// `return recompute_flag_marks(result);`.
NET *recompute_flag_marks(NET *net);

// --- Flag elimination as seen from the operations ---------------------------------------------

// Replaces, in place, every arc labelled with an insert flag (action I, alone or on a side of a
// tuple) by the network it names, again and again until no insert flag is left; returns the
// network (the same record). Flags that name no defined network are reported and left.
using InsertFlagExpander = NET *(*)(NET *net);

// Eliminates, in place, the list flags (L, X) of the network after expanding its insert flags;
// with `all`, every flag attribute. Minimizes with `minimize`. Returns the network.
using FlagEliminator = NET *(*)(NET *net, int minimize, int all);

// Installed at start-up by the flag-elimination module (null uninstalls).
void set_flag_elimination_hooks(InsertFlagExpander expander, FlagEliminator eliminator);

// The hooks installed. Defined in globals.cpp with the rest of the library's state.
struct FlagEliminationHooks {
  InsertFlagExpander expander = nullptr;
  FlagEliminator eliminator = nullptr;
};
extern FlagEliminationHooks flag_elimination_hooks;

// Runs the installed expander; without one, returns `net` unchanged.
NET *expand_insert_flags(NET *net);

// Runs the installed eliminator; without one, returns `net` unchanged.
NET *eliminate_flags_in_place(NET *net, int minimize, int all);

}  // namespace kora
