// Union of networks: merged pairwise into the first (union_fsm), or all at once (union_many).

#include "union.h"

#include <unordered_set>

#include "alph.h"
#include "calculus.h"
#include "error.h"
#include "flag-marks.h"
#include "label-check.h"
#include "minimize.h"
#include "modify.h"
#include "optimized-operands.h"
#include "prune.h"
#include "string-net.h"
#include "struct.h"

namespace kora {
namespace {

// The first state without arcs whose finality is `final`, or null.
STATE *arcless_state(const NET *net, bool final) {
  for (STATE *state = net->states; state != nullptr; state = state->next)
    if (state->arcs == nullptr && state->flags.final == final) return state;
  return nullptr;
}

// Takes `state` off the network's state list and frees it with its arcs.
void delete_state(NET *net, STATE *state) {
  for (STATE **link = &net->states; *link != nullptr; link = &(*link)->next) {
    if (*link != state) continue;
    *link = state->next;
    if (net->start == state) net->start = nullptr;
    free_state(state, net);
    net->num_states--;
    return;
  }
}

// Redirects every arc of `net` into `gone` to `kept` (a state of another network with the
// same finality and no arcs either), then deletes `gone`.
void merge_arcless_state(NET *net, STATE *gone, STATE *kept) {
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      if (arc->destination == gone) arc->destination = kept;
  delete_state(net, gone);
}

// The arcs of net's start state for a new start state, counted in `net`: copies of them when
// arcs enter the start state, else the arcs themselves, the old start state being deleted.
ARC *take_start_arcs(NET *net) {
  STATE *start = net->start;
  if (start_loops_p(net)) {
    ARC *copies = nullptr;
    ARC **tail = &copies;
    for (const ARC *arc = start->arcs; arc != nullptr; arc = arc->next) {
      *tail = arc->flags.big
                  ? alloc_big_arc(arc->label, arc->destination, arc_user_pointer(arc), net)
                  : alloc_arc(arc->label, arc->destination, net);
      tail = &(*tail)->next;
    }
    return copies;
  }
  ARC *arcs = start->arcs;
  start->arcs = nullptr;
  delete_state(net, start);
  return arcs;
}

// Reports a state list that the state count does not account for.
void check_state_count(const NET *net) {
  if (net->num_states == 0 && net->states != nullptr)
    error("union_fsm_aux: State count is 0 but state list not empty.");
}

// The last state of the network's state list, or null for an empty list.
STATE *last_state(const NET *net) {
  STATE *last = net->states;
  while (last != nullptr && last->next != nullptr) last = last->next;
  return last;
}


// The labels of the one string `net` accepts when it is a single path (every state but the
// last has one arc and is not final; the last is final without arcs; no other state) and its
// sigma lacks OTHER, into `labels`. O(length).
bool single_string(const NET *net, std::vector<uint32_t> *labels) {
  if (net->sigma != nullptr && test_alph_member(net->sigma, OTHER)) return false;
  labels->clear();
  const STATE *state = net->start;
  for (uint32_t steps = 1; steps <= net->num_states; steps++) {
    if (state->arcs == nullptr) return state->flags.final && steps == net->num_states;
    if (state->flags.final || state->arcs->next != nullptr) return false;
    labels->push_back(state->arcs->label);
    state = state->arcs->destination;
  }
  return false;  // a cycle
}

// The union of the plain networks `operands` (two or more, consumed) in one pass: each sigma is
// first expanded against the union of all, then a new start state takes the arcs of every start
// state (moved, or copied when arcs enter that start state) and the state lists are joined
// behind it. The result is the first operand's record. O(V + E) over all operands, plus the
// expansions of OTHER.
NET *union_in_one_pass(const std::vector<NET *> &operands) {
  ALPH *sigma = make_alph(0, KORA_BINARY_ALPH);
  for (NET *net : operands) sigma = union_alph(sigma, net_sigma(net), 0, 1);
  NET *result = operands[0];
  STATE *start = alloc_state();
  ARC **arc_tail = &start->arcs;
  STATE **state_tail = &start->next;
  uint32_t states = 1;
  uint32_t arcs = 0;
  bool deterministic = true;
  for (NET *net : operands) {
    expand_other(net, sigma);
    start->flags.final |= net->start->flags.final;
    deterministic = deterministic && net->flags.deterministic;
    *arc_tail = take_start_arcs(net);
    while (*arc_tail != nullptr) arc_tail = &(*arc_tail)->next;
    *state_tail = net->states;
    while (*state_tail != nullptr) state_tail = &(*state_tail)->next;
    states += net->num_states;
    arcs += net->num_arcs;
    if (net == result) continue;
    result->flags.completed &= net->flags.completed;
    result->flags.loop_free &= net->flags.loop_free;
    result->flags.pruned &= net->flags.pruned;
    result->flags.epsilon_free &= net->flags.epsilon_free;
    result->flags.closed_sigma &= net->flags.closed_sigma;
    merge_common_flags(result, net);
    add_labels(result, net->labels);
  }
  std::unordered_set<uint32_t> start_labels;
  for (const ARC *arc = start->arcs; arc != nullptr && deterministic; arc = arc->next)
    deterministic = arc->label != EPSILON && start_labels.insert(arc->label).second;
  start->flags.deterministic = deterministic;
  for (size_t i = 1; i < operands.size(); i++) free_network_record(operands[i]);
  result->states = start;
  result->start = start;
  result->num_states = states;
  result->num_arcs = arcs;
  result->flags.deterministic = deterministic;
  result->flags.minimized = 0;
  result->flags.sorted_states = 0;
  result->flags2.sorted_arcs = 0;
  free_alph(result->sigma);
  result->sigma = sigma;
  return result;
}

}  // namespace

NET *union_pair(NET *result, NET *other) {
  if (result == other) return result;
  harmonize_sigmas(result, other);
  if (null_fsm_p(other)) {
    free_network(other);
    return result;
  }
  if (null_fsm_p(result)) {
    free_network(result);
    return other;
  }

  // Two minimized networks over disjoint labels can only share their state without arcs.
  bool stays_minimized = result->flags.minimized && other->flags.minimized &&
                         result->start->arcs != nullptr && other->start->arcs != nullptr &&
                         labels_disjoint_p(net_labels(result), net_labels(other));
  if (stays_minimized) {
    STATE *kept = arcless_state(result, true);
    STATE *gone = arcless_state(other, true);
    stays_minimized = kept != nullptr && gone != nullptr;
    if (stays_minimized) merge_arcless_state(other, gone, kept);
  }

  STATE *start = alloc_state();
  start->flags.final = result->start->flags.final || other->start->flags.final;
  const bool starts_deterministic =
      result->start->flags.deterministic && other->start->flags.deterministic;
  ARC *other_arcs = take_start_arcs(other);
  ARC *result_arcs = take_start_arcs(result);
  start->arcs = other_arcs;
  ARC **tail = &start->arcs;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = result_arcs;
  start->flags.deterministic = starts_deterministic && distinct_labels_p(start->arcs);

  // The new start, then the shorter state list, then the longer one.
  NET *first = result->num_states <= other->num_states ? result : other;
  NET *second = first == result ? other : result;
  check_state_count(first);
  check_state_count(second);
  STATE *first_last = last_state(first);
  if (first_last != nullptr) {
    first_last->next = second->states;
    start->next = first->states;
  } else {
    start->next = second->states;
  }
  result->states = start;
  result->start = start;
  result->num_states += other->num_states + 1;
  result->num_arcs += other->num_arcs;

  const bool deterministic =
      result->flags.deterministic && other->flags.deterministic && start->flags.deterministic;
  result->flags.deterministic = deterministic;
  result->flags.minimized = stays_minimized && deterministic;
  result->flags.completed &= other->flags.completed;
  result->flags.loop_free &= other->flags.loop_free;
  result->flags.pruned &= other->flags.pruned;
  result->flags.epsilon_free &= other->flags.epsilon_free;
  result->flags.closed_sigma &= other->flags.closed_sigma;
  result->flags.sorted_states = 0;
  result->flags2.sorted_arcs = 0;
  merge_common_flags(result, other);
  add_labels(result, other->labels);
  result->sigma = union_alph(net_sigma(result), net_sigma(other), 0, 1);
  free_network_record(other);
  return result;
}

namespace {

constexpr const char *kOptimizedUnion =
    "union_fsm_aux: Can't compute union of optimized networks. Un-optimizing and then "
    "computing union.";

// An operand as the pairwise union takes it: a copy when copying, with its full label set if
// it had a reduced one (restored in place, or by copy_fsm), un-optimized. Null, with the
// refusal of a reduced network, when its full label set cannot be found.
NET *union_operand(NET *net, int copy) {
  NET *operand = copy ? copy_fsm(net) : net;
  if (operand->flags2.reduced_labelset && labelset_hooks.unreduce != nullptr)
    labelset_hooks.unreduce(operand);
  if (operand->flags2.reduced_labelset) {
    check_plain_net(operand);
    if (copy) free_network(operand);
    return nullptr;
  }
  unoptimize_operand(operand, kOptimizedUnion);
  return operand;
}

}  // namespace

NET *union_fsm(NV *nets, int copy, int minimize) {
  if (nets == nullptr || nets->len == 0) return null_net();
  if (!check_operands(nets, "union")) {
    if (!copy) free_operands(nets);
    return null_net();
  }
  const std::vector<NET *> operands = distinct_networks(nets);
  NET *result = nullptr;
  for (size_t i = 0; i < operands.size(); i++) {
    NET *other = union_operand(operands[i], copy);
    if (other == nullptr) {  // the operands are freed as on any refusal
      free_network(result);
      if (!copy)
        for (size_t j = i; j < operands.size(); j++) free_network(operands[j]);
      return null_net();
    }
    result = result == nullptr ? other : union_pair(result, other);
    if (minimize) result = min_fsm(result, 0);
  }
  return recompute_flag_marks(result);
}

UnionBuilder::UnionBuilder(bool minimize) : minimize_(minimize) {}

UnionBuilder::~UnionBuilder() {
  for (NET *net : others_) free_network(net);
}

void UnionBuilder::add(NET *net) {
  if (minimize_ && single_string(net, &labels_)) {
    strings_.add(labels_.data(), labels_.size());
    note_symbols(net->sigma);
    free_network(net);
    return;
  }
  others_.push_back(net);
}

void UnionBuilder::add_string(const uint32_t *labels, size_t count) {
  if (!minimize_) {
    std::vector<uint32_t> path(labels, labels + count);
    others_.push_back(path_net(path, nullptr));
    return;
  }
  strings_.add(labels, count);
  has_strings_ = true;
  for (size_t i = 0; i < count; i++) {
    if (labels[i] >= string_symbols_.size()) string_symbols_.resize(labels[i] + 1);
    string_symbols_[labels[i]] = 1;
  }
}

// Marks the members of `sigma`, read straight from its items: this runs once per word, and a
// binary sigma is merged by a loop without branches over its length.
void UnionBuilder::note_symbols(const ALPH *sigma) {
  has_strings_ = true;
  if (sigma == nullptr) return;
  if (sigma->type == KORA_BINARY_ALPH) {
    const size_t length = static_cast<size_t>(sigma->len);
    if (length > string_symbols_.size()) string_symbols_.resize(length);
    uint32_t *marks = string_symbols_.data();
    for (size_t id = 0; id < length; id++) marks[id] |= sigma->items[id];
    return;
  }
  for (int i = 0; i < sigma->len; i++) {
    const uint32_t id = sigma->items[i];
    if (id >= string_symbols_.size()) string_symbols_.resize(id + 1);
    string_symbols_[id] = 1;
  }
}

NET *UnionBuilder::finish() {
  std::vector<NET *> operands;
  if (has_strings_) {
    NET *strings = minimal_net_of_sequences(strings_);
    for (uint32_t id = 0; id < string_symbols_.size(); id++)
      if (string_symbols_[id] != 0 && !test_alph_member(strings->sigma, id))
        alph_add_to(strings->sigma, id, 0);
    strings_.clear();
    string_symbols_.clear();
    has_strings_ = false;
    operands.push_back(strings);
  }
  operands.insert(operands.end(), others_.begin(), others_.end());
  others_.clear();
  if (operands.empty()) return null_net();
  NET *result = operands.size() == 1 ? operands[0] : union_in_one_pass(operands);
  return recompute_flag_marks(minimize_ ? min_fsm(result, 0) : result);
}

}  // namespace kora
