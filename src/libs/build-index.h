// The build index of a network built by hand answers in O(1) what add_state_to_net and
// add_arc_to_state would otherwise scan the network for.
//
// add_arc_to_state must refuse states that are not on the network, refuse an arc equal to one
// the state has, clear the state's determinism when another arc of the state has the label,
// and put the label in the network's label list once. The index keeps, for each state of the
// network, a record found from the state's address (records sit in pages of 64 KiB of
// addresses, so the states made one after the other, neighbours in their heap, get
// neighbouring records): whether it is a state of the network, the low 32 bits of the address
// of its arc list's head, and the destination of its arcs with the first label seen. The other
// labels of a state are looked up on its arc list while it has at most 8 arcs, and have such
// groups in a table of the page once it has more; a group whose arcs go to several states has
// each (state, label, destination) in a table, and the big arcs their user pointers in
// another; the labels of the label list have their positions in a vector indexed by label.
// Every table is a flat hash table (flat-hash.h), so lookups and insertions are O(1) on
// average.
//
// The index hangs from the network's `mapping` field, is made by the first add_arc_to_state
// (O(V + E)) and is freed with the network. It trusts itself only while the network is as the
// last hand-building call left it: the same head and length of the state list, the same arc
// count and the same label alphabet, and for the source state, the same head of its arc list.
// The positions in the label list are checked against the list's items, length and last label,
// and a position that no longer holds its label has them taken again. When the network was
// changed by other means the index is made again, so mixing other operations with hand
// building stays correct and costs O(V + E) per change; only edits that keep all of these
// (such as relabelling an arc in place without touching the label alphabet) go unseen.
// Tested in tests/networks/net_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// What add_arc_to_state must know about the arc it is asked to add. `duplicate` and
// `other_destination` are meaningful only when both states are on the network.
struct ArcFacts {
  bool has_state;          // the source state is on the network
  bool has_destination;    // the destination is on the network
  bool duplicate;          // the source has an arc with the label to the destination (for a big
                           // arc: a big arc with the same user pointer)
  bool other_destination;  // the source has an arc with the label to another state
};

// Brings the network's index up to date, making it when needed, and answers for the arc.
ArcFacts arc_facts(NET *net, const STATE *state, uint32_t label, const STATE *destination,
                   const void *user_pointer, bool with_user_pointer);

// Enters the arc that add_arc_to_state has just put at the head of the state's arcs, after
// arc_facts, and adds its label to the network's labels (which must exist) as alph_add_to does.
void enter_new_arc(NET *net, const STATE *state, const ARC *arc);

// Enters the state that add_state_to_net has just put at the head of the state list, when the
// network has an index that was up to date before.
void enter_new_state(NET *net, const STATE *state);

// Frees the network's index, if it has one.
void free_build_index(NET *net);

}  // namespace kora
