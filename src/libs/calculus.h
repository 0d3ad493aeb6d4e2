// The finite-state calculus: the frame that every operation on networks shares.
//
// The frame fixes who owns what and when an operation refuses:
//   - Exported binary operations take two keep flags: 0 hands the network over (it becomes
//     material of the result or is freed), nonzero leaves the caller's network valid and
//     unchanged. Exported unary operations take a copy flag: 1 works on a copy, anything else
//     works in place and returns the same record.
//   - The internal forms behind them (the `_fsm` functions) take one copy flag for all their
//     operands and a minimize flag; the compilers call them in their consuming form.
//   - Exported wrappers minimize their results when parameter word 16 is on.
//   - A compacted network is refused with "Cannot apply '%s' to a compacted net. Please
//     uncompact first.". An arc-optimized network is un-optimized in place first, with a
//     warning, by the frame or, for union, concatenation, difference, completion and
//     complementation, by the operation itself with its own warning. A network in any other
//     non-plain representation (vectorized, shared arc lists, reduced labelset, virtual) is
//     refused with the message of check_plain_net. A binary operation then frees the operands it was handed and returns a
//     new null network; a unary one returns its argument unchanged.
//   - Networks combined by one operation must have been made in one label map.
//   - Before two networks are merged their sigmas are harmonized: each one's OTHER, which stands
//     for the symbols outside its own sigma, is expanded with the symbols that only the other
//     network knows, so that OTHER means the same thing in both (harmonize_sigmas, modify.h).
//
// Costs: the checks are O(1) per network; harmonization is linear in the two sigmas plus the
// cost of the substitution, which is linear in the arcs of a network that has OTHER.
// Tested in tests/operations/calculus_frame_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// Whether exported operations minimize their results (parameter word 16).
bool minimize_results();

// --- Refusals ---------------------------------------------------------------------------------

// Whether `net` may enter the operation named `operation` (the name used in messages, such as
// "union"): false, after reporting, for a null network ("Cannot apply '%s' to a NULL
// network."), a compacted one (the compacted-net message), one in another non-plain
// representation (check_plain_net's message) and one without a start state ("Cannot apply
// '%s' to a network without a start state."). An arc-optimized network is un-optimized in place
// with the warning "Can't apply '%s' to an optimized network. Un-optimizing it first.", unless
// the operation converts it itself (see the top of this file); nothing else changes.
bool check_operand(NET *net, const char *operation);

// Whether the networks of `nets` may be combined by `operation`: each passes check_operand and
// all were made in one label map (otherwise "Networks do not have a common label map.\n..."
// is reported). The label maps are checked first. Changes nothing.
bool check_operands(const NV *nets, const char *operation);

// The networks of `nets` without repetitions, in order of first occurrence.
std::vector<NET *> distinct_networks(const NV *nets);

// Frees every network of `nets` once (a network listed twice is freed once). The record of the
// vector stays the caller's.
void free_operands(const NV *nets);

// --- Symbols ---------------------------------------------------------------------------------

// The symbols that harmonization never adds to a sigma: the boundary symbol, the check and
// context symbols of replace rules, "_DET_EPSILON_" and ALTCHAIN (and EPSILON and OTHER).
bool is_internal_symbol(uint32_t id);

// --- Building steps shared by the operators ---------------------------------------------------

// An arc to be added: label, destination and, for a big arc, its user pointer.
struct ArcSpec {
  uint32_t label;
  STATE *destination;
  bool big;
  void *user_pointer;
};

// The arcs of a list, in order, as ArcSpecs (appended to `out`).
void arc_specs_of(const ARC *arcs, std::vector<ArcSpec> *out);

// Appends arcs to the end of arc lists of one network, keeping the flags of states and network
// true as attach_arc does: an EPSILON loop is not added; an EPSILON arc clears `deterministic`
// of the state and `deterministic`, `minimized` and `epsilon_free` of the network; a label that
// the deterministic state already has clears `deterministic` of the state and `deterministic`
// and `minimized` of the network; a loop clears `loop_free`; the arity grows with the labels.
// The arcs are counted in the network; the label set and sigma are left to the caller.
// Cost per call: O((d + k) log(d + k)) for a state of d arcs receiving k; the scratch vectors
// are reused from call to call.
class ArcAppender {
 public:
  explicit ArcAppender(NET *net) : net_(net) {}

  // Appends `arcs` in their order. With `skip_duplicates`, an arc equal (label, destination,
  // user pointer) to one the state has, or to an earlier one of `arcs`, is left out. Returns
  // the number of arcs added.
  int append(STATE *state, const std::vector<ArcSpec> &arcs, bool skip_duplicates);

 private:
  NET *net_;
  std::vector<ArcSpec> kept_;
  std::vector<ArcSpec> existing_;
  std::vector<size_t> order_;
  std::vector<uint32_t> labels_;
};

// Sets the flags of `result`, which now also holds the states of `other`, for the union of
// their properties: `visit_marks_dirty`, `has_arc_user_pointer` and both `has_flags` bits are
// ORed in; the arity is the larger one. Flags that need both networks are the caller's.
void merge_common_flags(NET *result, const NET *other);

// Replaces the label set of `net` by the union of its own and `labels` (which stays the
// caller's), in label form.
void add_labels(NET *net, ALPH *labels);

// Frees a network whose states have been moved into another network: its record, alphabets
// and properties, not the states it no longer lists.
void free_network_record(NET *net);

// The final states of the network, in state-list order.
std::vector<STATE *> final_states(const NET *net);

// Turns `net`, in place, into the network that accepts only the empty string: every state and
// arc is freed, a new final start state is made, labels and sigma are emptied and the flags are
// those of epsilon_net. Properties and the definition stay.
void make_epsilon_in_place(NET *net);

}  // namespace kora
