// Alphabets: sets of label ids, and the two alphabets every network carries.
//
// An ALPH (include/kora.h) is either in binary form, an array of 0/1 items indexed by label id
// (membership is one array read), or in label form, a list of member ids (iteration touches
// only the members). Operations convert an alphabet in place as they need it and most give it
// back in the form they found it. Item arrays come from power-of-two size classes (4 to 2^24
// items, one "Label vectors" heap per class, made on first use), so an alphabet that grows one
// id at a time moves its items only when it changes class. Set operations are linear in the
// lengths of their operands.
//
// Invariants: alph_add_to never adds EPSILON (0) nor an id above 0xFFFFFE, and the alphabets
// computed from networks never hold them; an id occurs once in a label-form list; in binary
// form every item at or above the length is 0. An alphabet of length 0 is empty; it has no item
// array unless it was made in label form with room for ids.
//
// The exported functions (binary_to_label, label_to_binary, test_alph_member, alph_add_to,
// alph_remove_from, union_alph, intersect_alph, minus_alph, test_equal_alphs, net_labels,
// net_sigma, update_net_labels_and_sigma) are declared in kora.h.
#pragma once

#include <cstdint>
#include <vector>

#include "heap.h"
#include "kora.h"

namespace kora {

// Largest item-array size class: 2^MAX_LV items.
constexpr int MAX_LV = 24;

// --- Creation and copying ---------------------------------------------------------------------

// A new alphabet owned by the caller (free_alph). In binary form it has length `length` and no
// members; in label form it is empty with room for `length` ids. A type other than
// KORA_BINARY_ALPH or KORA_LABEL_ALPH, or a length above 0xFFFFFE, is reported and gives null.
ALPH *make_alph(int length, int type);

// A new alphabet with the form, length and members of `alph` (null gives null).
ALPH *copy_alph(const ALPH *alph);

// A new alphabet of the `count` ids: label form keeps them as given, binary form sets their
// items (length = largest id + 1). An id that the current label map never gave out is reported
// ("labels_to_alph: Bad label id: %d") and gives null.
ALPH *labels_to_alph(const uint32_t *ids, int count, int type);

// Binary form: lengthens `alph` to `length` (never shortens). Label form: makes room for
// `length` ids. Items move to a larger array when the capacity is exceeded. A null alphabet
// or a length beyond the largest alphabet is reported and leaves the alphabet as it was.
void adjust_alph_size(ALPH *alph, int length);

// Frees the items and the cell. Null and an alphabet already freed are ignored.
void free_alph(ALPH *alph);

// The heap of alphabet records ("Alphabets"); null outside initialize_kora .. reclaim_kora. The
// heaps of item arrays, one per size class k (2^k items), null until first used. Both are
// defined in globals.cpp with the rest of the library's state.
extern HEAP *ALPH_HEAP;
extern HEAP *alph_item_heaps[MAX_LV + 1];

// Creates ALPH_HEAP.
void make_alph_heap();

// Forgets ALPH_HEAP and the item-array heaps (their memory goes with free_all_heaps). Part of
// reclaiming the library, after the last alphabet has been freed.
void forget_alph_item_heaps();

// --- Membership and editing -------------------------------------------------------------------

// Appends `id` to a label-form alphabet that does not hold it, in O(1) amortized: alph_add_to
// without the look through the members, for callers that know the id is new.
void append_new_label(ALPH *alph, uint32_t id);

// Adds `label` itself when it is a symbol, else each of its components; returns `alph`.
ALPH *add_symbols_of_label(ALPH *alph, uint32_t label);

// Whether some member has OTHER as its upper or lower side.
bool alph_has_other(const ALPH *alph);

// The network's sigma as a table by symbol id: true for a member; an id past the table's end is
// not one. Empty for a network without a sigma. O(sigma size + largest id).
std::vector<bool> sigma_members(const NET *net);

// Whether every member is one of the current label map's built-in ids.
bool alph_is_reserved_only(const ALPH *alph);
bool is_reserved_id(uint32_t id);

// --- Iteration --------------------------------------------------------------------------------

struct ALPH_ITERATOR {
  const ALPH *alph;
  int position;  // next item to look at
};

// Prepares `iterator` to walk the members of `alph`, which must not change during the walk.
// Returns the iterator.
ALPH_ITERATOR *start_alph_iterator(ALPH_ITERATOR *iterator, const ALPH *alph);

// The next member in item order, or 0xFFFFFF after the last one.
uint32_t next_alph_item(ALPH_ITERATOR *iterator);

// --- Network alphabets ------------------------------------------------------------------------

// A new label-form alphabet of every label on the network's arcs (EPSILON left out), which
// replaces (and frees) the network's labels and is returned (owned by the network). The
// network's arity becomes 2 when a tuple label occurs, else 1.
ALPH *labels_from_arcs(NET *net);

// A new binary alphabet (owned by the caller) of the upper symbols (side 0), lower symbols
// (side 1) or all symbols (side 2) of the network's labels, EPSILON left out; of its full label
// set when its label set is reduced.
ALPH *sigma_from_labels(NET *net, int side);

// A new binary alphabet (owned by the caller) of the sigma members that no label of the
// network uses.
ALPH *sigma_extras(NET *net);

// Sets the network's arity to the largest arity of its labels (at least 1).
void set_arity_from_labels(NET *net);

// --- Reduced label sets -------------------------------------------------------------------------

// A network with a reduced label set (labelset.h) carries one label of each class of equivalent
// labels on its arcs. The code that must answer for all its labels (sigma_from_labels,
// flags_present_p, copy_fsm, index_net, union and substitution) reaches the labelset module, which lies above, through
// these hooks; the labelset module installs them at start-up (lifecycle). Defined in
// globals.cpp; null until installed, and then a reduced network is taken as it is.
struct LabelsetHooks {
  ALPH *(*unreduced_labels)(NET *net);             // its full label set, owned by the caller
  uint32_t (*class_size)(NET *net, uint32_t label);  // the labels that an arc label stands for
  NET *(*unreduce)(NET *net);                      // restores the full label set in place
  NET *(*reduce)(NET *net);                        // reduces the label set in place again
};
extern LabelsetHooks labelset_hooks;

}  // namespace kora
