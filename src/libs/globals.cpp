// The library's state: every piece of state the library keeps from one call to the next is
// defined here, layer by layer, with what it holds. The modules that work on a piece declare it
// in their header (with its record type) and own its meaning; this file only gives each piece
// its storage, so that a reader sees all of it in one place.
//
// initialize_kora (lifecycle.cpp) fills the context and makes the heaps, maps and tables;
// reclaim_kora releases them, so that a later initialize_kora starts afresh. The interface
// parameters and the message callbacks outlive reclaim_kora. The library is single-threaded
// but for applyers, which may run on several threads at once: what they share is atomic (the
// memory count, the warnings given about undefined bytes, the generations of parse tables) or
// built under one lock (the parse tables cached on networks).
//
// Kept in their modules, and listed here:
//   - thread-local state, one copy per thread: the depth of exported calls under way and the
//     networks a failing call made (boundary.cpp), and the scratch vectors of string_net
//     (string-net.cpp), and the depth of virtual records being read (bin-virtual.cpp);
//   - the memory page size, asked of the system once and kept (platform.cpp);
//   - the regex compiler's state of one compilation: the scanner's stack of sources and its
//     state (regex-scanner.cpp), the innermost arena of operator runs (regex-chain.cpp) and the
//     result of the parse (regex-grammar.y).

#include "alph.h"
#include "bin-header.h"
#include "context.h"
#include "define.h"
#include "error.h"
#include "flag-marks.h"
#include "functions-table.h"
#include "functions.h"
#include "heap.h"
#include "label.h"
#include "lifecycle.h"
#include "optimized-operands.h"
#include "memory-budget.h"
#include "pars-tbl.h"
#include "print.h"
#include "prolog-out.h"
#include "prop-names.h"
#include "settings.h"
#include "stack.h"
#include "struct.h"
#include "virtual-net.h"
#include "symbol-names.h"

namespace kora {

// --- foundation ---------------------------------------------------------------------------------

// Every cell heap and every stack made and not yet freed, newest first: reclaiming the library
// frees them all.
HEAP *all_heaps = nullptr;
STACK *all_stacks = nullptr;

// The bytes the heaps, buffers and working tables hold, against context()->memory_limit.
std::atomic<size_t> bytes_held{0};

// The caller's warning and error callbacks, and the length of the message being assembled.
MessageChannel message_channel;

// The default context (kora.h's FST_CONTEXT) and the interface parameters, at their defaults.
FST_CONTEXT default_context{};
INT_PARAMETERS interface_parameters = default_parameters();

// The copyright holder written into file headers, made on first need and freed by
// reclaim_kora.
Configuration *configuration = nullptr;

// --- labels -------------------------------------------------------------------------------------

// The label maps ("Default", "Attribute", "Value" and those callers make), the heap of label
// records, and the side arrays of the current map that upper_id and lower_id read.
LabelMaps label_maps;
LABEL_SIDES label_sides{};

// The shared key names of property lists ("Names").
HASH_TABLE *property_names = nullptr;

// The last results of unpercent and parse_quoted_string.
SymbolNameResults symbol_name_results;

// --- alphabets ----------------------------------------------------------------------------------

// The heap of alphabet records and the heaps of their item arrays.
HEAP *ALPH_HEAP = nullptr;
HEAP *alph_item_heaps[MAX_LV + 1] = {};

// How the alphabet and network code reach the labelset module (installed at start-up).
LabelsetHooks labelset_hooks;

// --- networks -----------------------------------------------------------------------------------

// The heaps of networks, states, arcs and arcs with a user pointer.
HEAP *NET_HEAP = nullptr;
HEAP *STATE_HEAP = nullptr;
HEAP *ARC_HEAP = nullptr;
HEAP *BIG_ARC_HEAP = nullptr;

// What the higher modules do when a network is freed (drop its definition, its parse tables).
NetworkFreedHooks network_freed_hooks;
VirtualNetHooks virtual_net_hooks;

// The line that print_net is printing.
LineBuffer line_buffer;

// --- calculus-frame -----------------------------------------------------------------------------

// Flag elimination as the operations reach it, installed by flag-eliminate.
FlagEliminationHooks flag_elimination_hooks;

// The un-optimizer and the arc sharer that the operations call on arc-optimized operands.
ArcOptimizationHooks arc_optimization_hooks;

// --- definitions --------------------------------------------------------------------------------

// The networks defined under names (symbol lists hang on their labels, in the label maps).
HASH_TABLE *defined_networks = nullptr;

// The user-defined regex functions.
UserFunctions user_functions;

// --- representations ----------------------------------------------------------------------------

// The serial number of the next virtual network's information record.
uint64_t virtual_serial_counter = 0;

// --- apply --------------------------------------------------------------------------------------

// The heaps of parse tables, the count of their generations and the lock of their building.
ParseTables parse_tables;

// --- formats ------------------------------------------------------------------------------------

// The header of the last file, the clock of file headers and the table of body readers and
// writers.
FileHeaders file_headers;

// The numbers of the networks written as Prolog facts without a name of their own.
PrologNumbers prolog_numbers;

// --- regex-functions ----------------------------------------------------------------------------

// The regex compiler that functions are compiled with, and the calls under way.
RegexFunctions regex_functions;

// --- start-end ----------------------------------------------------------------------------------

// Whether initialize_kora has still to make the heaps.
bool heaps_to_create = true;

}  // namespace kora
