// Networks, states and arcs: their constructors, the addition of states and arcs, copying and
// freeing, and the cell heaps that hold them.
//
// Every network records the label map in force when it was made. Counts of states and arcs are
// kept incrementally. The `live` bits of networks, states and arcs make a second free harmless.
#pragma once

#include <cstdint>

#include "big-arc.h"
#include "heap.h"
#include "kora.h"

namespace kora {

// The heaps of networks, states, arcs and big arcs; null outside
// initialize_kora .. reclaim_kora.
extern HEAP *NET_HEAP;
extern HEAP *STATE_HEAP;
extern HEAP *ARC_HEAP;
extern HEAP *BIG_ARC_HEAP;

// Creates the heaps above, in the order "Networks", "Alphabets", "States", "Arcs", "Big Arcs".
void make_network_heaps();

// Frees every network still alive (what the caller never freed), so that the parts of networks
// that live outside the cell heaps are released too. Part of reclaiming the library.
void free_live_networks();

// Hooks through which free_network reaches the modules above this one. The network-freed hooks
// run first, in the order they were added, on every live network being freed: the modules that
// keep something for a network (its definition, its cached tables) drop it there. Adding a hook
// twice adds it once; at most kMaxNetworkFreedHooks are kept (a programming error beyond).
using NetworkHook = void (*)(NET *net);
constexpr int kMaxNetworkFreedHooks = 8;
void add_network_freed_hook(NetworkHook hook);

// The hooks added, in order. Defined in globals.cpp with the rest of the library's state, as
// are the heaps above.
struct NetworkFreedHooks {
  NetworkHook hooks[kMaxNetworkFreedHooks] = {};
  int count = 0;
};
extern NetworkFreedHooks network_freed_hooks;

// What copy_fsm, print_net and net_size do with a virtual network, installed by the module of
// virtual networks (virtual-net.h) at start-up; null entries leave such a network alone.
struct VirtualNetHooks {
  NET *(*copy)(NET *net);                         // a virtual copy over copies of its operands
  void (*list_states)(NET *net, FILE *stream);    // the listing of its expanded states
  uint64_t (*extra_size)(const NET *net);         // its operands and tables, in bytes
};
extern VirtualNetHooks virtual_net_hooks;

// Forgets the heaps above (the heap memory goes with free_all_heaps) and the network-freed
// hooks.
void forget_network_heaps();

// --- Building blocks of the algorithms --------------------------------------------------------

// Reports that no state could be allocated and exits.
[[noreturn]] void out_of_memory_state();

// A bare network: no alphabets, no states, arity 1, not defined, made in the current label map.
NET *make_network();

// A state on no list: deterministic, not final, no arcs. Inline: readers and builders make
// states by the million.
inline STATE *alloc_state() {
  auto *state = static_cast<STATE *>(cell_alloc(STATE_HEAP));
  if (state == nullptr) out_of_memory_state();
  *state = STATE{};
  state->flags.is_state = 1;
  state->flags.deterministic = 1;
  state->flags.live = 1;
  return state;
}

// A state with the given arcs at the head of the network's state list (num_states + 1);
// deterministic unless it has two or more arcs.
STATE *make_state(ARC *arcs, NET *net);

// A new arc counted in the network (num_arcs + 1), on no list.
ARC *alloc_arc(uint32_t label, STATE *dest, NET *net);
// The same with a user pointer; marks the network has_arc_user_pointer.
ARC *alloc_big_arc(uint32_t label, STATE *dest, void *user_pointer, NET *net);

// Puts the arc at the head of the state's arc list.
void push_arc(ARC *arc, STATE *state);

// Appends an arc already counted in num_arcs to the state's list, keeping the flags of state
// and network true (an EPSILON loop is freed at once instead). Makes no duplicate check.
void attach_arc(ARC *arc, STATE *state, NET *net);

void free_arc(ARC *arc);
// Frees the state's arcs, num_arcs - 1 each.
void free_state_arcs(STATE *state, NET *net);
// Frees the state and its arcs; the state must already be off the network's list.
void free_state(STATE *state, NET *net);
// Frees every state on `net`'s state list and their arcs (num_arcs - 1 each); the list, the
// start state and num_states are left for the caller to reset.
void free_state_list(NET *net);
// Removes and frees every state for which keep(state) is false, with its arcs.
void delete_states(NET *net, bool (*keep)(STATE *state));

// Frees every arc of a network with shared arc lists once (a tail that several lists share is
// freed once), leaves every state without arcs, sets num_arcs to 0 and clears
// shared_arc_lists.
void unshare_arc_lists(NET *net);

// The name of the special representation the network is in ("vectorized network", ...), or
// null for the plain one.
const char *special_representation(const NET *net);

// Reports "Cannot do this operation on a %s." and gives 1 when the network is not in the plain
// representation (vectorized, optimized, compacted, shared arc lists, reduced labelset,
// virtual); else 0.
int check_plain_net(NET *net);

// Reports "Cannot do this operation on a virtual network." and gives 1 when the network is
// virtual (its states are made only as walks reach them); else 0. For the functions that take
// every representation but that one.
int check_not_virtual(const NET *net);

// A deep copy (states, arcs with user pointers, flags, alphabets, properties) made in the
// network's own label map; null for a tabular network. The copy of a network with a reduced
// label set has its full label set restored.
NET *copy_fsm(NET *net);

// Adds, next to every arc OTHER:x or x:OTHER (x not EPSILON), an arc labelled x to the same
// destination, when OTHER is in the sigma. Works on a copy when copy_first is 1.
NET *expand_other_pairs(NET *net, int copy_first);

// --- Walking arcs -----------------------------------------------------------------------------

// Walks the arcs of one state at a time. Plain states hand out their own arcs; a vectorized
// state (arc-vector.h) presents one arc per filled slot, in label-position order, through the
// scratch arc, which the next call overwrites. The record is the caller's (on the stack);
// free_arc_iterator frees what start_arc_iterator put in it.
// A compacted network's states (compact-arcs.h) are walked the same way: the iterator decodes
// the state's arcs from the block and presents each through the scratch arc, its destination a
// state record made on demand.
struct ARC_ITERATOR {
  NET *net;
  ARC *scratch;
  const STATE *vectorized;  // the vectorized state being walked, or null
  uint32_t slot;            // its next slot to look at
  const uint8_t *compact;   // the next arc of the compacted state being walked, or null
};

void start_arc_iterator(NET *net, ARC_ITERATOR *iterator);
void start_state_arcs(ARC_ITERATOR *iterator, STATE *state, ARC **cursor, bool *done);
// The next arc of the state, or null after the last; *done is set with the last arc.
ARC *next_arc(ARC_ITERATOR *iterator, ARC **cursor, bool *done);
void free_arc_iterator(ARC_ITERATOR *iterator);

}  // namespace kora
