// Virtual networks: networks that stand for the result of one operation on one or two operand
// networks, and whose states and arcs are computed only when something walks to them.
//
// A virtual network is an ordinary NET record marked is_virtual, whose virtual_info holds the
// record below. Its states are ordinary STATEs on the network's list; each stands for some
// operand data (one operand state, a pair of operand states either of which may be absent, or a
// set of operand states) and is interned: equal data always give the same state. A state is
// made unexpanded (no arcs, not final); state_arcs and state_final expand it on first use, by
// the arcs and finality functions of the operation's method table, and never again. The
// states' client cells belong to this module (each holds its state's number plus one), so the
// traversals that borrow client cells refuse virtual networks.
//
// Operands may themselves be virtual (a cascade of compositions is a chain of them): an
// operand's states are always read through state_arcs and state_final of that operand. The
// virtual network owns its operands and frees them with itself.
//
// The operations, and what their states stand for:
//   concat (s1, s2): s1 walks the first operand with s2 the second's start; when s1 is final
//     the way on is (absent, s2), which walks the second operand. Final: (absent, s2) with s2
//     final; in an epsilon_free network, where the way on is taken by copies of its arcs
//     instead of an EPSILON arc, also (s1, s2) with both final.
//   intersect (s1, s2): arcs of equal labels in step; final when both are.
//   option, zero_plus (s, start mark): the start is a state of its own, final; zero_plus adds
//     the way back from a final state (an EPSILON arc to the start, or, epsilon_free, copies of
//     the start's arcs).
//   minus (s1, s2): s1 in step with the deterministic second operand, which drops out (absent)
//     where it has no arc; final when s1 is and s2 is absent or not final.
//   negate (s, or the sink): one arc per symbol of the sigma (OTHER among them), to the
//     operand's destination or to the sink; final when the operand state is not.
//   union (s1, s2): both in step by label, a side without the label continuing as absent;
//     final when a present state is.
//   determinize (a set): the subset construction, EPSILON arcs followed within a set.
//   copy, lower_net, upper_net (s): the operand's arcs, labels kept or reduced to one side.
//   tags, non_tags: one-symbol strings: OTHER and the multicharacter (or the other) symbols of
//     the sigma.
//   compose (s1, s2, mark): matches of the first's lower side with the second's upper side;
//     EPSILON on the touching side moves one operand alone, the first operand's moves before the
//     second's (mark 1 once the second has moved alone), so that every pair of paths meets in
//     one path of the composition.
// Ids 6, 9, 11 (invert), 14 (priority_union) and 18 (crossproduct) have no implementation.
//
// Interning is a hash table on the operand data (a set hashed over its members, sorted by state
// identity), so finding a state is O(1) expected, O(k) for a set of k members. Expanding a
// state costs O(A log A) for the A operand arcs it combines (A × |sigma| for negate), plus the
// EPSILON closures of determinize. Tested in tests/representations/virtual_test.cpp and, through
// the applyer, in tests/apply/apply_virtual_test.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flat-hash.h"
#include "kora.h"

namespace kora {

enum VirtualOperation : int {
  kVirtualConcat = 0,
  kVirtualIntersect = 1,
  kVirtualOption = 2,
  kVirtualMinus = 3,
  kVirtualNegate = 4,
  kVirtualUnion = 5,
  kVirtualZeroPlus = 7,
  kVirtualDeterminize = 8,
  kVirtualCopy = 10,
  kVirtualInvert = 11,
  kVirtualLower = 12,
  kVirtualUpper = 13,
  kVirtualPriorityUnion = 14,
  kVirtualTags = 15,
  kVirtualNonTags = 16,
  kVirtualCompose = 17,
  kVirtualCrossproduct = 18,
};
constexpr int kVirtualOperationCount = 19;

// What a virtual state stands for.
enum VirtualData : uint8_t { kDataState = 0, kStatePair = 1, kStateList = 2 };

struct VIRTUAL_NET;
struct VIRTUAL_STATE;

// An arc an operation makes: its label and the number of its destination's virtual state.
struct VirtualArc {
  uint32_t label;
  uint32_t destination;
};

// The method table of one operation.
struct VIRTUAL_METHODS {
  const char *name;  // null for the ids without an operation
  int id;
  VirtualData data;
  bool (*final)(VIRTUAL_NET &v, const VIRTUAL_STATE &state);
  void (*arcs)(VIRTUAL_NET &v, const VIRTUAL_STATE &state, std::vector<VirtualArc> &out);
};

// The method table of operation `id`. An id outside 0..18 is the fatal programming error
// "Unimplemented virtual operation, ID is: %d" (in get_virtual_methods); an id without an
// operation gives a table whose name is null.
const VIRTUAL_METHODS &get_virtual_methods(int id);

// The operand data of a virtual state. `first` and `second` are operand states (null: absent);
// a set keeps its members in VIRTUAL_NET::members from `list_first`, `list_size` of them.
struct VIRTUAL_STATE {
  STATE *state;  // the network's state
  STATE *first;
  STATE *second;
  uint32_t list_first;
  uint32_t list_size;
  uint8_t mark;  // the start of option and zero_plus (1), composition's filter (0, 1), the sink (3)
  bool expanded;
};

// The virtual information record of one network.
struct VIRTUAL_NET {
  const VIRTUAL_METHODS *methods;
  uint64_t serial;   // from a counter that grows by one per record
  NET *net;          // the virtual network
  NET *first;        // the operands, owned
  NET *second;       // null for the operations of one operand
  std::vector<VIRTUAL_STATE> states;  // by number; a state's client cell is its number + 1
  std::vector<STATE *> members;       // the members of the sets of determinize
  struct Interned {
    uint32_t number;
  };
  FlatHash<Interned> interned{"INTERN_VIRTUAL_STATE"};
  std::vector<uint32_t> sigma;  // the network's sigma in label order (negate, tags, non_tags)
  uint32_t start = 0;           // the number of the start state
  uint32_t sink = UINT32_MAX;   // the number of the sink state, once made
  uint64_t dead = 0;            // states expanded that are not final and have no arcs
  uint64_t expanded = 0;        // states expanded

  VIRTUAL_NET() = default;
  VIRTUAL_NET(const VIRTUAL_NET &) = delete;
  VIRTUAL_NET &operator=(const VIRTUAL_NET &) = delete;
};

// The next serial number of a virtual information record; the counter lives in globals.cpp.
extern uint64_t virtual_serial_counter;

// The record of a virtual network, or null for any other.
inline VIRTUAL_NET *virtual_of(const NET *net) {
  return net != nullptr && net->flags2.is_virtual ? static_cast<VIRTUAL_NET *>(net->virtual_info)
                                                  : nullptr;
}

// The number of operand networks operation `id` (one with an operation) takes: 1 or 2.
int virtual_operand_count(int id);

// Turns `net` (a fresh record: no states, its sigma, labels and flags set, epsilon_free deciding
// how concat and zero_plus continue) into the virtual network of operation `id` over `first`
// and `second` (null for one-operand operations), which it then owns. Marks it virtual and
// makes its start state; "negate" adds OTHER to the sigmas of the network and of the operand
// unless the network has closed_sigma. Returns `net`. An id without an operation is the fatal
// programming error "Unimplemented virtual operation, ID is: %d".
NET *make_virtual_net(NET *net, NET *first, NET *second, int id);

// The arcs of `state` of `net`: its list, after expanding it when `net` is virtual and the
// state is not expanded yet.
ARC *state_arcs(NET *net, STATE *state);

// Whether `state` of `net` is final, after expanding it when needed.
bool state_final(NET *net, STATE *state);

// The virtual state for the operand data (`first`, `second`, `mark`), made unexpanded when it
// is new; for a set (data type kStateList) `members` are its members in any order and
// `first`/`second` are ignored. Returns its number.
uint32_t intern_virtual_state(VIRTUAL_NET &v, STATE *first, STATE *second, uint8_t mark,
                              std::vector<STATE *> *members = nullptr);

// The number of a state of a virtual network (its place in VIRTUAL_NET::states).
inline uint32_t virtual_state_number(const STATE *state) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(state->client_cell) - 1);
}

// Expands every state reachable from the start; returns the number of states expanded by the
// call. Used to compare a virtual network with its eager counterpart and to print it whole.
uint64_t expand_virtual_net(NET *net);

// A new virtual network of operation `id` over the operands, which it owns from now on: their
// sigmas are harmonized first when both are plain, an operand that needs to be deterministic
// (minus's second, negate's) is determinized, and the flags and sigma of the result are set.
// Refused (reported, null, the operands freed): an id without an operation, a missing or extra
// operand, an operand in another representation than plain arc lists or virtual, a transducer
// given to negate, and operands of different label maps.
NET *new_virtual_net(int id, NET *first, NET *second);

// A virtual copy of a virtual network: the same operation over copies of its operands.
NET *copy_virtual_net(NET *net);

// The bytes a virtual network holds besides its states and arcs: its operands' and its tables.
uint64_t virtual_net_extra_size(const NET *net);

// What a virtual network is built of, in one line: its operation, then each operand in
// brackets, a virtual one described the same way and any other by its counts:
// "compose(compose([5 states, 7 arcs], [3 states, 9 arcs]), [4 states, 4 arcs])". Empty for a
// network that is not virtual.
std::string virtual_net_description(const NET *net);

// Installs the hooks through which lower modules reach virtual networks: freeing, copying,
// printing and the size summary.
void install_virtual_net_hooks();

}  // namespace kora
