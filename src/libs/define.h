// Definitions: symbol names defined as networks (the definitions table) or as symbol lists (on
// the name's label), and the checks that keep the two kinds of definition of one name in
// agreement.
//
// The definitions table is a hash table "Definitions" of 50 buckets, made on first use, from
// the name's label id (hashed as itself) to the network; a defined network records the id in
// its definition_label. A defined list is the `definition` (binary form) of the name's label,
// with definition_type LIST_DEFINITION. Lookups by id cost O(1); the exported functions intern
// the name first. Tested in tests/networks/define_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

struct HASH_TABLE;

// The definitions table, made on first use. Defined in globals.cpp with the rest of the
// library's state.
extern HASH_TABLE *defined_networks;

// The definition_type of a label whose `definition` is a symbol list.
constexpr uint32_t LIST_DEFINITION = 2;

// --- Networks -------------------------------------------------------------------------------

// Defines the symbol `id` as `net`, which the table owns from then on (a network already
// defined under another name moves to this one). When the name has a list, the two must agree
// (list_and_net_agree): if they do, the compatibility warning is given; if not, the error is
// given and 1 returned. An old network of the name is freed after its definition_label is reset.
// With `check` nonzero, tuple labels that have the name as a component are warned about, and a
// network that refers to the name is rewritten into a cycle through its start state (its
// arcs must be in the plain representation, else 1 is returned). When verbose, "Defined" or
// "Redefined" and the size summary go to the standard output. Returns 0; on refusal 1, with
// `net` still the caller's and the definitions unchanged (EPSILON and ids that are not symbols
// are refused with an error).
int define_net_by_id(uint32_t id, NET *net, int check);

// The network defined under `id` (still the table's), or null. EPSILON is never defined.
NET *defined_net(uint32_t id);
bool is_defined(uint32_t id);

// A copy of the network defined under `id`, belonging to the caller and not itself defined;
// null when there is none.
NET *copy_defined_net(uint32_t id);

// Removes the network definition of `id` and hands the network to the caller with its
// definition_label reset; null when there is none.
NET *take_definition(uint32_t id);

// The number of network definitions in the current table.
int definition_count();

// Calls visit(id, net, data) for every network definition, in the table's order; the visit
// must not change the definitions. Prints "No defined symbols.\n" on the standard output when
// there is none.
void list_definitions(void (*visit)(uint32_t id, NET *net, void *data), void *data);

// Called by free_network before it frees `net`: when `net` is the value of its definition,
// warns "Undefined '<name>' because the network got
// deleted.", removes the definition and resets the definition_label.
void forget_deleted_definition(NET *net);

// --- Lists ----------------------------------------------------------------------------------

// The symbol list defined under `id` (still the label's), or null.
ALPH *defined_list(uint32_t id);

// Defines the symbol `id` as the list `alph`, which must be in binary form and which the label
// owns from then on. When the name has a network, the two must agree (list_and_net_agree): if
// they do, the compatibility warning is given; if not, the error is given, `alph` is freed and 1
// returned. An old list equal to `alph` is kept (and `alph` freed) when `replace` is 0;
// otherwise the old list is freed. When verbose, "Defined list <name>" or "Redefined list
// <name>" goes to the standard output. Returns 0, or 1 when refused.
int define_list_by_id(uint32_t id, ALPH *alph, int replace);

// Defines the fifteen Latin-1 classes as symbol lists under their names, in order, and then
// "delim", with verbose reporting off. Called by initialize_kora right after the label maps
// are made.
void define_latin1_lists();

// Whether the symbol list `list` and the network denote the same language: the network of the
// list (alphabet_net) and the network, both minimized on copies, are equivalent. Neither
// argument changes.
bool list_and_net_agree(ALPH *list, NET *net);

// --- The end --------------------------------------------------------------------------------

// Frees both definitions tables with their networks, the function table with its records, and
// the lists defined in the current label map. Called by reclaim_kora before the label maps and
// the heaps are freed.
void free_definitions();

}  // namespace kora
