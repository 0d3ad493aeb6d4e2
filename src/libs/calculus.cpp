// The common frame of the calculus (refusals, harmonization, arc appending) and the exported
// regular operators, which check their arguments, settle ownership and minimize by word 16.

#include "calculus.h"

#include <algorithm>
#include <tuple>
#include <unordered_set>

#include "alph.h"
#include "context.h"
#include "error.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "struct.h"

namespace kora {

bool minimize_results() { return parameter(KORA_MINIMIZE) != 0; }

// --- Refusals ---------------------------------------------------------------------------------

bool check_operand(NET *net, const char *operation) {
  if (net == nullptr) {
    error_printf("Cannot apply '%s' to a NULL network.", operation);
    return false;
  }
  if (net->flags.compacted) return compacted_net_error(operation, false);
  if (check_plain_net(net)) return false;
  if (net->start == nullptr) {
    error_printf("Cannot apply '%s' to a network without a start state.", operation);
    return false;
  }
  if (net->labels != nullptr && test_alph_member(net->labels, ALTCHAIN_SYMBOL)) {
    error_printf("Cannot do this operation on a %s.", "optimized network");
    return false;
  }
  return true;
}

bool check_operands(const NV *nets, const char *operation) {
  for (int i = 0; i < nets->len; i++) {
    if (nets->nets[i] == nullptr) {
      error_printf("Cannot apply '%s' to a NULL network.", operation);
      return false;
    }
  }
  for (int i = 1; i < nets->len; i++)
    if (check_common_label_map(nets->nets[0], nets->nets[i])) return false;
  for (int i = 0; i < nets->len; i++)
    if (!check_operand(nets->nets[i], operation)) return false;
  return true;
}

std::vector<NET *> distinct_networks(const NV *nets) {
  std::vector<NET *> distinct;
  std::unordered_set<NET *> seen;
  for (int i = 0; i < nets->len; i++)
    if (seen.insert(nets->nets[i]).second) distinct.push_back(nets->nets[i]);
  return distinct;
}

void free_operands(const NV *nets) {
  for (NET *net : distinct_networks(nets)) free_network(net);
}

// --- Harmonization of sigmas ------------------------------------------------------------------

bool is_internal_symbol(uint32_t id) {
  switch (id) {
    case EPSILON:
    case OTHER:
    case ALTCHAIN_SYMBOL:
    case DET_EPSILON:
    case BOUNDARY_SYMBOL:
    case AND_CHECK:
    case OR_CHECK:
    case LEFT_CONTEXT:
    case RIGHT_CONTEXT:
    case NON_LEFT_CONTEXT:
    case NON_RIGHT_CONTEXT:
      return true;
    default:
      return false;
  }
}

void expand_other(NET *net, ALPH *symbols) {
  ALPH *sigma = net_sigma(net);
  if (sigma == nullptr || symbols == nullptr || !test_alph_member(sigma, OTHER)) return;
  std::vector<uint32_t> list{OTHER};
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, symbols);
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (!is_internal_symbol(id) && !test_alph_member(sigma, id)) list.push_back(id);
  if (list.size() == 1) return;
  ALPH *replacement = labels_to_alph(list.data(), static_cast<int>(list.size()), KORA_LABEL_ALPH);
  substitute_worker(net, OTHER, replacement, 0, false, true);
  free_alph(replacement);
}

void harmonize_sigmas(NET *a, NET *b) {
  if (a == b) return;
  expand_other(a, net_sigma(b));
  expand_other(b, net_sigma(a));
}

// --- Building steps shared by the operators ---------------------------------------------------

void arc_specs_of(const ARC *arcs, std::vector<ArcSpec> *out) {
  for (const ARC *arc = arcs; arc != nullptr; arc = arc->next)
    out->push_back({arc->label, arc->destination, arc->flags.big != 0, arc_user_pointer(arc)});
}

namespace {

auto arc_key(const ArcSpec &arc) {
  return std::make_tuple(arc.label, arc.destination, arc.big ? arc.user_pointer : nullptr);
}

bool key_less(const ArcSpec &x, const ArcSpec &y) { return arc_key(x) < arc_key(y); }

}  // namespace

int ArcAppender::append(STATE *state, const std::vector<ArcSpec> &arcs, bool skip_duplicates) {
  const std::vector<ArcSpec> *chosen = &arcs;
  if (skip_duplicates) {
    existing_.clear();
    arc_specs_of(state->arcs, &existing_);
    std::sort(existing_.begin(), existing_.end(), key_less);
    order_.clear();
    for (size_t i = 0; i < arcs.size(); i++) order_.push_back(i);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t x, size_t y) { return key_less(arcs[x], arcs[y]); });
    // The first of each run of equal arcs survives, unless the state already has it.
    size_t kept = 0;
    for (size_t i = 0; i < order_.size(); i++) {
      const ArcSpec &arc = arcs[order_[i]];
      bool repeated = i > 0 && !key_less(arcs[order_[i - 1]], arc);
      if (!repeated && !std::binary_search(existing_.begin(), existing_.end(), arc, key_less))
        order_[kept++] = order_[i];
    }
    order_.resize(kept);
    std::sort(order_.begin(), order_.end());
    kept_.clear();
    for (size_t i : order_) kept_.push_back(arcs[i]);
    chosen = &kept_;
  }

  ARC **tail = &state->arcs;
  while (*tail != nullptr) tail = &(*tail)->next;
  const bool check_labels = state->flags.deterministic;
  labels_.clear();
  if (check_labels)
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      labels_.push_back(arc->label);
  int added = 0;
  for (const ArcSpec &spec : *chosen) {
    if (spec.label == EPSILON && spec.destination == state) continue;
    ARC *arc = spec.big ? alloc_big_arc(spec.label, spec.destination, spec.user_pointer, net_)
                        : alloc_arc(spec.label, spec.destination, net_);
    if (spec.label == EPSILON) {
      state->flags.deterministic = 0;
      net_->flags.deterministic = 0;
      net_->flags.minimized = 0;
      net_->flags.epsilon_free = 0;
    } else {
      net_->arity = static_cast<int16_t>(std::max<int>(net_->arity, label_arity(spec.label)));
    }
    if (spec.destination == state) net_->flags.loop_free = 0;
    *tail = arc;
    tail = &arc->next;
    labels_.push_back(spec.label);
    added++;
  }
  if (check_labels && state->flags.deterministic && added > 0) {
    std::sort(labels_.begin(), labels_.end());
    if (std::adjacent_find(labels_.begin(), labels_.end()) != labels_.end()) {
      state->flags.deterministic = 0;
      net_->flags.deterministic = 0;
      net_->flags.minimized = 0;
    }
  }
  return added;
}

void merge_common_flags(NET *result, const NET *other) {
  result->flags.visit_marks_dirty |= other->flags.visit_marks_dirty;
  result->flags.has_arc_user_pointer |= other->flags.has_arc_user_pointer;
  result->flags2.upper_has_flags |= other->flags2.upper_has_flags;
  result->flags2.lower_has_flags |= other->flags2.lower_has_flags;
  result->arity = std::max(result->arity, other->arity);
}

void add_labels(NET *net, ALPH *labels) {
  std::vector<uint32_t> ids;
  ALPH_ITERATOR iterator;
  for (ALPH *alph : {net->labels, labels}) {
    if (alph == nullptr) continue;
    start_alph_iterator(&iterator, alph);
    for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL;
         id = next_alph_item(&iterator))
      ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  ALPH *merged = labels_to_alph(ids.data(), static_cast<int>(ids.size()), KORA_LABEL_ALPH);
  free_alph(net->labels);
  net->labels = merged;
}

void free_network_record(NET *net) {
  net->states = nullptr;
  net->start = nullptr;
  net->num_states = 0;
  net->num_arcs = 0;
  free_network(net);
}

std::vector<STATE *> final_states(const NET *net) {
  std::vector<STATE *> finals;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    if (state->flags.final) finals.push_back(state);
  return finals;
}

void make_epsilon_in_place(NET *net) {
  STATE *state = net->states;
  while (state != nullptr) {
    STATE *next = state->next;
    free_state(state, net);
    state = next;
  }
  net->states = nullptr;
  net->num_states = 0;
  net->num_arcs = 0;
  net->start = make_state(nullptr, net);
  net->start->flags.final = 1;
  free_alph(net->labels);
  free_alph(net->sigma);
  net->labels = make_alph(0, KORA_LABEL_ALPH);
  net->sigma = make_alph(0, KORA_BINARY_ALPH);
  net->arity = 1;
  net->flags = {};
  net->flags.deterministic = 1;
  net->flags.pruned = 1;
  net->flags.minimized = 1;
  net->flags.epsilon_free = 1;
  net->flags.loop_free = 1;
  net->flags2 = {};
  net->flags2.live = 1;
}

}  // namespace kora

using namespace kora;

namespace {

// Reports a null argument of the exported function `function`; the refusal gives null.
NET *null_argument(const char *function) {
  error_printf("Unexpected NULL argument in %s().", function);
  return nullptr;
}

// A refused binary operation: the operands handed over are freed, a new null network is the
// result.
NET *refuse_binary(NET *a, NET *b, int keep_a, int keep_b) {
  if (!keep_a) free_network(a);
  if (!keep_b && b != a) free_network(b);
  return null_net();
}

// The frame of the exported binary operations over net vectors: checks, copies of the kept
// operands, then the consuming internal form with word 16 as its minimize flag.
NET *binary_net(NET *a, NET *b, int keep_a, int keep_b, const char *function, const char *operation,
                NET *(*combine)(NV *nets, int copy, int minimize)) {
  if (a == nullptr || b == nullptr) return null_argument(function);
  if (a == b) keep_a = keep_b = keep_a || keep_b;
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  if (!check_operands(&nets, operation)) return refuse_binary(a, b, keep_a, keep_b);
  if (keep_a) operands[0] = copy_fsm(a);
  if (keep_b) operands[1] = a == b ? operands[0] : copy_fsm(b);
  return combine(&nets, 0, minimize_results());
}

// The frame of the exported unary operations: a refused argument comes back unchanged; the
// result is minimized by word 16 when `minimize` says the operation does that.
NET *unary_net(NET *net, int copy, const char *function, const char *operation,
               NET *(*operate)(NET *net, int copy), bool minimize) {
  if (net == nullptr) return null_argument(function);
  if (!check_operand(net, operation)) return net;
  NET *result = operate(net, copy == 1);
  return minimize && minimize_results() ? min_fsm(result, 0) : result;
}

}  // namespace

extern "C" {

KORA_API NET *concat_net(NET *net1, NET *net2, int keep1, int keep2) {
  return binary_net(net1, net2, keep1, keep2, "concat_net", "concatenation", concat_fsm);
}

KORA_API NET *union_net(NET *net1, NET *net2, int keep1, int keep2) {
  return binary_net(net1, net2, keep1, keep2, "union_net", "union", union_fsm);
}

KORA_API NET *one_plus_net(NET *net, int copy) {
  return unary_net(net, copy, "one_plus_net", "one-plus", one_plus_fsm, true);
}

KORA_API NET *zero_plus_net(NET *net, int copy) {
  if (net != nullptr && net->flags.compacted) return zero_plus_fsm(net, copy == 1);
  return unary_net(net, copy, "zero_plus_net", "zero-plus", zero_plus_fsm, true);
}

KORA_API NET *optional_net(NET *net, int copy) {
  if (net != nullptr && net->flags.compacted) return optional_fsm(net, copy == 1);
  return unary_net(net, copy, "optional_net", "optional", optional_fsm, true);
}

KORA_API NET *repeat_net(NET *net, int min, int max, int copy) {
  if (net == nullptr) return null_argument("repeat_net");
  if (!check_operand(net, "repeat")) return net;
  NET *result = repeat_fsm(net, min, max, copy == 1, minimize_results());
  if (copy != 1 && result != net) {
    // Only the empty-string result is a new record; in place, the argument itself becomes it.
    free_network(result);
    make_epsilon_in_place(net);
    return net;
  }
  return result;
}

KORA_API NET *reverse_net(NET *net, int copy) {
  return unary_net(net, copy, "reverse_net", "reverse", reverse_fsm, true);
}

KORA_API NET *invert_net(NET *net, int copy) {
  return unary_net(net, copy, "invert_net", "invert", invert_fsm, false);
}

KORA_API NET *upper_side_net(NET *net, int copy) {
  if (net == nullptr) return null_argument("upper_side_net");
  return upper_fsm(net, copy == 1, minimize_results());
}

KORA_API NET *lower_side_net(NET *net, int copy) {
  if (net == nullptr) return null_argument("lower_side_net");
  return lower_fsm(net, copy == 1, minimize_results());
}

KORA_API NET *substring_net(NET *net, int copy) {
  return unary_net(net, copy, "substring_net", "substring", substring_fsm, true);
}

KORA_API NET *kleene_star_net(void) { return kleene_star_fsm(OTHER); }

KORA_API NET *kleene_plus_net(void) { return kleene_plus_fsm(OTHER); }

}  // extern "C"
