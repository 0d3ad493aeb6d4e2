// Concatenation of networks, of a network and a label, and repetition.

#include "concat.h"

#include <algorithm>
#include <unordered_set>

#include "alph.h"
#include "calculus.h"
#include "closures.h"
#include "error.h"
#include "flag-marks.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "optimized-operands.h"
#include "prune.h"
#include "struct.h"

namespace kora {
namespace {

// A refused concatenation: the networks are freed unless they are the caller's (`copy`), and a
// new null network is the result.
NET *refuse_concatenation(NV *nets, int copy) {
  if (!copy) free_operands(nets);
  return null_net();
}

// Moves the states of `next` behind `tail`, the last state of `result`, with next's start
// state freed when nothing enters it (`entered` false). Adds next's final states to `finals`.
// Returns the new last state of `result`.
STATE *move_states(NET *result, STATE *tail, NET *next, bool entered,
                   std::vector<STATE *> *finals) {
  STATE **link = &next->states;
  while (*link != nullptr) {
    STATE *state = *link;
    if (state == next->start && !entered) {
      *link = state->next;
      free_state(state, next);
      next->num_states--;
      continue;
    }
    if (state->flags.final) finals->push_back(state);
    link = &state->next;
  }
  if (next->states != nullptr) {
    tail->next = next->states;
    while (tail->next != nullptr) tail = tail->next;
  }
  result->num_states += next->num_states;
  result->num_arcs += next->num_arcs;
  return tail;
}

// Appends `next` to `result` (both harmonized, neither empty) and frees next's record.
// `finals` holds result's final states before and after.
STATE *append_network(NET *result, STATE *tail, NET *next, std::vector<STATE *> *finals,
                      ArcAppender *appender, std::vector<ArcSpec> *start_arcs) {
  const bool entered = start_loops_p(next) != 0;
  STATE *start = next->start;
  start_arcs->clear();
  arc_specs_of(start->arcs, start_arcs);
  for (STATE *final : *finals) {
    final->flags.final = start->flags.final;
    appender->append(final, *start_arcs, false);
  }
  if (!start->flags.final) finals->clear();
  tail = move_states(result, tail, next, entered, finals);

  const bool deterministic = result->flags.deterministic && next->flags.deterministic;
  result->flags.minimized =
      result->flags.minimized && deterministic && next->flags.minimized && !entered;
  result->flags.deterministic = deterministic;
  result->flags.pruned &= next->flags.pruned;
  result->flags.completed &= next->flags.completed;
  result->flags.loop_free &= next->flags.loop_free;
  result->flags.epsilon_free &= next->flags.epsilon_free;
  result->flags.closed_sigma &= next->flags.closed_sigma;
  merge_common_flags(result, next);
  add_labels(result, next->labels);
  free_network_record(next);
  return tail;
}

// The labels that one appended position labelled `label` needs so that OTHER at that position
// also stands for the symbols the sigma knows.
std::vector<uint32_t> position_labels(NET *net, uint32_t label) {
  std::vector<uint32_t> labels{label};
  std::vector<uint32_t> known;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_sigma(net));
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    if (!is_internal_symbol(id)) known.push_back(id);
  const uint32_t upper = upper_id(label), lower = lower_id(label);
  if (label == OTHER) {
    labels.insert(labels.end(), known.begin(), known.end());
  } else if (label_arity(label) == 2 && upper == OTHER && lower == OTHER) {
    for (uint32_t x : known) {
      labels.push_back(pair_id(x, OTHER));
      labels.push_back(pair_id(OTHER, x));
      for (uint32_t y : known)
        if (x != y) labels.push_back(pair_id(x, y));
    }
  } else if (label_arity(label) == 2 && (upper == OTHER || lower == OTHER)) {
    const bool other_above = upper == OTHER;
    const uint32_t side = other_above ? lower : upper;
    for (uint32_t x : known) labels.push_back(other_above ? pair_id(x, side) : pair_id(side, x));
    if (side != EPSILON) labels.push_back(side);
  }
  std::sort(labels.begin() + 1, labels.end());
  labels.erase(std::unique(labels.begin() + 1, labels.end()), labels.end());
  labels.erase(std::remove(labels.begin() + 1, labels.end(), label), labels.end());
  return labels;
}

}  // namespace

NET *concat_fsm(NV *nets, int copy, int minimize) {
  if (nets == nullptr || nets->len == 0) return epsilon_net();
  if (!check_operands(nets, "concatenation")) return refuse_concatenation(nets, copy);
  if (nets->len == 1) return copy ? copy_fsm(nets->nets[0]) : nets->nets[0];

  // From here on every operand is ours: the caller's networks, or copies of them (taken before
  // anything changes, for a network listed twice too).
  std::vector<NET *> operands;
  std::unordered_set<NET *> seen;
  for (int i = 0; i < nets->len; i++) {
    NET *net = nets->nets[i];
    operands.push_back(copy || !seen.insert(net).second ? copy_fsm(net) : net);
  }
  // Concatenation moves states from one network into another, which shared arc lists do not
  // survive: optimized operands are un-optimized.
  for (NET *operand : operands)
    unoptimize_operand(operand, "concat_fsm: Cannot concatenate optimized networks. "
                                "Un-optimizing and then concatenating.");
  for (NET *operand : operands) {
    if (!null_fsm_p(operand)) continue;
    for (NET *other : operands)
      if (other != operand) free_network(other);
    return recompute_flag_marks(minimize ? min_fsm(operand, 0) : operand);
  }

  NET *result = operands[0];
  ALPH *sigma = make_alph(0, KORA_BINARY_ALPH);
  for (NET *operand : operands) {
    sigma = union_alph(sigma, net_sigma(operand), 0, 1);
    result->flags2.upper_has_flags |= operand->flags2.upper_has_flags;
    result->flags2.lower_has_flags |= operand->flags2.lower_has_flags;
  }
  expand_other(result, sigma);
  std::vector<STATE *> finals = final_states(result);
  STATE *tail = result->states;
  while (tail->next != nullptr) tail = tail->next;
  ArcAppender appender(result);
  std::vector<ArcSpec> start_arcs;
  for (size_t i = 1; i < operands.size(); i++) {
    expand_other(operands[i], sigma);
    tail = append_network(result, tail, operands[i], &finals, &appender, &start_arcs);
  }
  free_alph(result->sigma);
  result->sigma = sigma;
  result->flags.sorted_states = 0;
  result->flags2.sorted_arcs = 0;
  return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
}

void extend_fsm(NET *net, uint32_t label, bool keep_final) {
  if (label == EPSILON || null_fsm_p(net)) return;
  const std::vector<uint32_t> labels = position_labels(net, label);
  std::vector<STATE *> finals = final_states(net);
  STATE *target = make_state(nullptr, net);
  target->flags.final = 1;
  std::vector<ArcSpec> arcs;
  for (uint32_t id : labels) arcs.push_back({id, target, false, nullptr});
  ArcAppender appender(net);
  for (STATE *final : finals) {
    final->flags.final = keep_final;
    appender.append(final, arcs, false);
  }
  ALPH *added = labels_to_alph(labels.data(), static_cast<int>(labels.size()), KORA_LABEL_ALPH);
  add_labels(net, added);
  free_alph(added);
  add_symbols_of_label(net_sigma(net), label);
  if (test_alph_member(net->sigma, OTHER)) net->flags.closed_sigma = 0;
  net->flags.minimized = 0;
  net->flags.completed = 0;
  net->flags.sorted_states = 0;
  net->flags2.sorted_arcs = 0;
}

NET *repeat_fsm(NET *net, int min, int max, int copy, int minimize) {
  if (!check_operand(net, "repeat")) return net;
  if (max < 0) max = -1;
  if (max >= 0 && max < min) {
    warning("repeat_fsm: MAX less than MIN");
    min = max;
  }
  min = std::max(min, 0);
  if (max == 0) return epsilon_net();
  if (max == -1 && min == 0) {
    NET *result = zero_plus_fsm(net, copy);
    return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
  }

  // Members 1 .. max(min, 1) are plain; with a maximum the members up to `max` are optional,
  // without one the last plain member is closed under plus. Every copy is taken before the
  // first member (possibly `net` itself) changes.
  const int plain = std::max(min, 1);
  const int count = max == -1 ? plain : max;
  std::vector<NET *> members{copy ? copy_fsm(net) : net};
  for (int i = 1; i < count; i++) members.push_back(copy_fsm(net));
  if (max == -1) members.back() = one_plus_fsm(members.back(), 0);
  for (int i = plain; i < count; i++) members[i] = optional_fsm(members[i], 0);
  NV vector{count, members.data()};
  NET *result = concat_fsm(&vector, 0, 0);
  if (min == 0) result = optional_fsm(result, 0);
  return recompute_flag_marks(minimize ? min_fsm(result, 0) : result);
}

}  // namespace kora
