// The common frame of the calculus: refusals, ownership of operands and the building steps
// that the operators share.

#include "calculus.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <unordered_set>

#include "alph.h"
#include "context.h"
#include "error.h"
#include "label-check.h"
#include "label.h"
#include "optimized-operands.h"
#include "struct.h"

namespace kora {

bool minimize_results() { return parameter(KORA_MINIMIZE) != 0; }

// --- Refusals ---------------------------------------------------------------------------------

namespace {

// The operations that meet arc-optimized operands themselves, each with its own warning.
bool converts_optimized(const char *operation) {
  for (const char *name :
       {"union", "concatenation", "minus", "completion", "complementation"})
    if (std::strcmp(operation, name) == 0) return true;
  return false;
}

}  // namespace

bool check_operand(NET *net, const char *operation) {
  if (net == nullptr) {
    error_printf("Cannot apply '%s' to a NULL network.", operation);
    return false;
  }
  if (net->flags.compacted) return compacted_net_error(operation, false);
  if (!net->flags.shared_arc_lists && arc_optimized(net) && !converts_optimized(operation)) {
    warning_printf("Can't apply '%s' to an optimized network. Un-optimizing it first.",
                   operation);
    unoptimize_operand(net, nullptr);
  }
  const char *kind = special_representation(net);
  const bool passes =
      kind == nullptr ||
      (std::strcmp(kind, "optimized network") == 0 && converts_optimized(operation)) ||
      (std::strcmp(kind, "network with reduced labelsets") == 0 &&
       std::strcmp(operation, "union") == 0);
  if (!passes && check_plain_net(net)) return false;
  if (net->start == nullptr) {
    error_printf("Cannot apply '%s' to a network without a start state.", operation);
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
  free_state_list(net);
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
