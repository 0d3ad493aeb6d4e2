// Replace rules and restriction: rule records, their checks and the dispatch to the
// constructions. See replace.h for the contract and replace-cond.h for the bracketing
// construction that most rules go through.
//
// Unconstrained downward replacement without contexts is built directly as [N U]* N, U the
// union of the rules' relations and N the strings containing no nonempty UPPER (?* for the
// optional arrow): a union, a complement and a concatenation. The two-way arrow replaces UPPER
// and LOWER by one auxiliary symbol per rule and composes the two replacements. Restriction
// marks one occurrence of the center and subtracts the occurrences that stand in a context
// ("=>"), or replaces the center and everything else in the contexts ("<=").
#include "replace.h"

#include <cstdio>
#include <string>
#include <vector>

#include "alph.h"
#include "error.h"
#include "functions.h"
#include "label.h"
#include "modify.h"
#include "net-vector.h"
#include "replace-cond.h"

namespace kora {

namespace {

const char *const kNotSimple = "All UPPER, LOWER, LEFT and RIGHT must be simple fsm, and no transducers.\n";

NET *cat(NET *a, NET *b) { return concat_net(a, b, 0, 0); }
NET *alt(NET *a, NET *b) { return union_net(a, b, 0, 0); }
NET *comp(NET *a, NET *b) { return compose_net(a, b, 0, 0); }

// Every network of the chain, in order (null entries left out).
std::vector<NET *> nets_of(REPL_RULES *rules) {
  std::vector<NET *> nets;
  for (REPL_RULES *group = rules; group != nullptr; group = group->next)
    for (int i = 0; group->nets != nullptr && i < NV_len(group->nets); i++)
      if (NV_net(group->nets, i) != nullptr) nets.push_back(NV_net(group->nets, i));
  return nets;
}

bool all_simple(const std::vector<NET *> &nets) {
  for (NET *net : nets)
    if (NET_arity(net) != 1) return false;
  return true;
}

// Expands the OTHER of every network against the symbols all of them know.
void harmonize(const std::vector<NET *> &nets) {
  bool other = false;
  for (NET *net : nets) other = other || test_alph_member(net_sigma(net), OTHER);
  if (!other) return;
  ALPH *symbols = make_alph(0, KORA_BINARY_ALPH);
  for (NET *net : nets) symbols = union_alph(symbols, net_sigma(net), 0, 1);
  for (NET *net : nets) expand_other(net, symbols);
  free_alph(symbols);
}

// Relabels every arc labelled `id` to EPSILON; the network may then need minimizing.
NET *erase_symbol(NET *net, uint32_t id) {
  bool changed = false;
  for (STATE *state = NET_states(net); state != nullptr; state = STATE_next(state))
    for (ARC *arc = STATE_arcs(state); arc != nullptr; arc = ARC_next(arc))
      if (ARC_label(arc) == id) {
        ARC_label(arc) = EPSILON;
        changed = true;
      }
  if (changed) {
    NET_deterministic(net) = 0;
    NET_minimized(net) = 0;
    NET_epsilon_free(net) = 0;
  }
  drop_symbols(net, {id});
  update_net_labels_and_sigma(net);
  minimize_net(net);
  return net;
}

// The strings before (after) the symbol `id` in the paths of `net` that cross it; `net` stays.
NET *before_symbol(NET *net, uint32_t id) {
  NET *before = copy_net(net);
  for (STATE *state = NET_states(before); state != nullptr; state = STATE_next(state)) {
    STATE_final(state) = 0;
    for (ARC *arc = STATE_arcs(state); arc != nullptr; arc = ARC_next(arc))
      if (ARC_label(arc) == id) STATE_final(state) = 1;
  }
  NET_minimized(before) = 0;
  before = substitute_symbol(id, nullptr, before, 0);
  minimize_net(before);
  return before;
}

NET *after_symbol(NET *net, uint32_t id) {
  NET *after = copy_net(net);
  std::vector<STATE *> targets;
  for (STATE *state = NET_states(after); state != nullptr; state = STATE_next(state))
    for (ARC *arc = STATE_arcs(state); arc != nullptr; arc = ARC_next(arc))
      if (ARC_label(arc) == id) targets.push_back(ARC_destination(arc));
  STATE *start = add_state_to_net(after, 0);
  for (STATE *target : targets) add_arc_to_state(after, start, EPSILON, target, nullptr, 0);
  NET_start_state(after) = start;
  NET_minimized(after) = 0;
  NET_deterministic(after) = 0;
  after = substitute_symbol(id, nullptr, after, 0);
  minimize_net(after);
  return after;
}

bool holds(NET *net, uint32_t id) { return net != nullptr && test_alph_member(net_sigma(net), id); }

// The image of UPPER (consumed) under an insertion function: a case function applied to its
// lower side, or a user function called with UPPER as its one argument.
NET *insertion_image(uint32_t function, NET *upper) {
  if (is_case_function(function)) return case_function(function, upper, symbol_id("lower"));
  return call_user_function(function, nv_of_net(upper));
}

// The relation of one rule: UPPER to LOWER by cross product, UPPER kept between the chunks
// of an insertion, or LOWER itself when it is a relation. Takes `lower`, keeps `upper`; null,
// after a message, when an insertion chunk holds OTHER.
NET *rule_relation(NET *upper, NET *lower, uint32_t function) {
  if (function != ID_NO_SYMBOL) {
    free_network(lower);
    lower = insertion_image(function, copy_net(upper));
  }
  if (holds(lower, insertion_symbol())) {
    NET *before = before_symbol(lower, insertion_symbol());
    NET *after = after_symbol(lower, insertion_symbol());
    free_network(lower);
    if (holds(before, OTHER) || holds(after, OTHER)) {
      error("Chunk markers must not contain OTHER.");
      free_network(before);
      free_network(after);
      return nullptr;
    }
    return cat(cat(crossproduct_net(epsilon_net(), before, 0, 0), copy_net(upper)),
               crossproduct_net(epsilon_net(), after, 0, 0));
  }
  if (NET_arity(lower) == 2) return lower;
  return crossproduct_net(copy_net(upper), lower, 0, 0);
}

struct Arrow {
  int kind;
  bool optional;
  bool valid;
};

Arrow split_arrow(int code) {
  Arrow arrow{code % 10, code / 10 != 0, true};
  if (arrow.kind < -1 || code / 10 > 1 || code / 10 < -1 || (code < 0 && arrow.kind != -1)) arrow.valid = false;
  return arrow;
}

bool upward_kind(int kind) { return kind == 1 || kind == 7 || kind == 8 || kind == 9 || kind == -1; }

CondMode mode_of(int kind) {
  CondMode mode;
  mode.upward = upward_kind(kind);
  int base = mode.upward ? (kind == 1 ? 0 : kind == -1 ? 6 : kind - 4) : kind;
  mode.directed = base >= 3 && base <= 6;
  mode.longest = base == 3 || base == 4;
  mode.left_to_right = base == 3 || base == 5;
  return mode;
}

// One rule of a record as the construction sees it: the rule of the upper slot, its lower
// slot and contexts (null: any).
struct RuleSlots {
  NET *upper;
  NET *lower;
  NET *left;
  NET *right;
  int context;
  bool optional;
};

// The rules of a chain, their networks handed over to the caller; the records are freed.
std::vector<RuleSlots> take_rules(REPL_RULES *rules) {
  std::vector<RuleSlots> slots;
  for (REPL_RULES *group = rules; group != nullptr; group = group->next) {
    bool optional = split_arrow(group->arrow).optional;
    int width = group->context == CONTEXT_NONE ? 2 : 4;
    for (int i = 0; group->nets != nullptr && i + width <= NV_len(group->nets); i += width) {
      RuleSlots rule{NV_net(group->nets, i), NV_net(group->nets, i + 1), nullptr, nullptr,
                     group->context == CONTEXT_NONE ? CONTEXT_BOTH_UPPER : group->context, optional};
      if (width == 4) {
        rule.left = NV_net(group->nets, i + 2);
        rule.right = NV_net(group->nets, i + 3);
      }
      slots.push_back(rule);
    }
  }
  return slots;
}

void free_slots(std::vector<RuleSlots> &slots) {
  for (RuleSlots &rule : slots)
    for (NET *net : {rule.upper, rule.lower, rule.left, rule.right}) free_network(net);
  slots.clear();
}

void free_records(REPL_RULES *rules) {
  while (rules != nullptr) {
    REPL_RULES *next = rules->next;
    free_nv(rules->nets);
    delete rules;
    rules = next;
  }
}

// The conditional construction over the slots (consumed), downward or upward as `kind` says.
NET *conditional(std::vector<RuleSlots> &slots, int kind, uint32_t function, int depth) {
  CondMode mode = mode_of(kind);
  mode.depth = depth;
  std::vector<CondRule> rules;
  NET *failed = nullptr;
  for (RuleSlots &slot : slots) {
    CondRule rule;
    NET *match = mode.upward ? slot.lower : slot.upper;
    NET *replacement = mode.upward ? slot.upper : slot.lower;
    rule.upper = match;
    rule.relation = rule_relation(match, replacement, function);
    bool left_lower = slot.context == CONTEXT_LEFT_LOWER || slot.context == CONTEXT_BOTH_LOWER;
    bool right_lower = slot.context == CONTEXT_RIGHT_LOWER || slot.context == CONTEXT_BOTH_LOWER;
    rule.left = slot.left;
    rule.right = slot.right;
    rule.left_lower = left_lower != mode.upward;
    rule.right_lower = right_lower != mode.upward;
    rule.optional = slot.optional;
    if (rule.relation == nullptr && failed == nullptr) failed = null_net();
    if (rule.relation != nullptr && mode.directed && slot.optional)
      rule.relation = alt(rule.relation, copy_net(match));
    rules.push_back(rule);
    slot = RuleSlots{};
  }
  if (failed != nullptr) {
    for (CondRule &rule : rules)
      for (NET *net : {rule.upper, rule.relation, rule.left, rule.right}) free_network(net);
    return failed;
  }
  return cond_replace(rules, mode);
}

// [N U]* N over the slots (consumed): N has no nonempty UPPER, or is ?* when optional.
NET *unconstrained(std::vector<RuleSlots> &slots, bool optional, uint32_t function) {
  NET *relations = null_net();
  NET *uppers = null_net();
  for (RuleSlots &slot : slots) {
    NET *relation = rule_relation(slot.upper, slot.lower, function);
    if (relation == nullptr) {
      slot.lower = nullptr;
      free_slots(slots);
      free_network(relations);
      free_network(uppers);
      return null_net();
    }
    relations = alt(relations, relation);
    uppers = alt(uppers, slot.upper);
    slot = RuleSlots{};
  }
  minimize_net(relations);
  NET *free_part;
  if (optional) {
    free_network(uppers);
    free_part = kleene_star_net();
  } else {
    free_part = negate_net(contains_net(minus_net(uppers, epsilon_net(), 0, 0), 0), 0);
  }
  NET *result = cat(zero_plus_net(cat(copy_net(free_part), relations), 0), free_part);
  return compact_sigma(result);
}

// One auxiliary symbol per rule: stem, rule number with the digits of the count, "*".
std::vector<uint32_t> auxiliary_symbols(const char *stem, size_t count) {
  std::vector<uint32_t> ids;
  int digits = static_cast<int>(std::to_string(count).size());
  for (size_t i = 0; i < count; i++) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%0*zu", stem, digits, i + 1);
    ids.push_back(marker_symbol(name));
  }
  return ids;
}

// UPPER_i to aux_i, then aux_i to LOWER_i; N keeps the auxiliary symbols out of both ends.
NET *two_way(std::vector<RuleSlots> &slots, bool contexts, uint32_t function, int depth) {
  std::vector<uint32_t> aux = auxiliary_symbols(contexts ? "*CPR-AUX" : "*UPR-AUX", slots.size());
  std::vector<RuleSlots> first, second;
  for (size_t i = 0; i < slots.size(); i++) {
    RuleSlots rule = slots[i];
    first.push_back(RuleSlots{rule.upper, label_net(aux[i]), rule.left, rule.right, rule.context, rule.optional});
    second.push_back(RuleSlots{label_net(aux[i]), rule.lower, copy_net(rule.left), copy_net(rule.right),
                               rule.context, rule.optional});
  }
  slots.clear();
  NET *t1, *t2;
  if (contexts) {
    t1 = conditional(first, 0, function, depth + 1);
    t2 = conditional(second, 1, ID_NO_SYMBOL, depth + 1);
  } else {
    t1 = unconstrained(first, first.empty() ? false : first[0].optional, function);
    for (RuleSlots &rule : second) std::swap(rule.upper, rule.lower);
    bool optional = second.empty() ? false : second[0].optional;
    t2 = invert_net(unconstrained(second, optional, ID_NO_SYMBOL), 0);
  }
  NET *plain = negate_net(contains_net(symbols_net(aux), 0), 0);
  NET *result = comp(comp(comp(copy_net(plain), t1), t2), plain);
  drop_symbols(result, aux);
  return compact_sigma(result);
}

// The rules of a chain (consumed) compiled as one parallel replacement of arrow `code`.
NET *compile_slots(REPL_RULES *rules, bool contexts) {
  int code = rules->arrow;
  uint32_t function = rules->function;
  std::vector<NET *> nets = nets_of(rules);
  std::vector<RuleSlots> slots = take_rules(rules);
  free_records(rules);
  if (!all_simple(nets)) {
    error_printf("Error in parallel replacement: %s.", kNotSimple);
    free_slots(slots);
    return kleene_star_net();
  }
  harmonize(nets);
  Arrow arrow = split_arrow(code);
  if (!arrow.valid) {
    if (contexts) {
      error_printf("In parallel replacement: Arrow variable must not have value %d.", code);
      free_slots(slots);
      return null_net();
    }
    error("Invalid arrow type");
    free_slots(slots);
    return kleene_star_net();
  }
  for (RuleSlots &slot : slots) {
    NET *match = upward_kind(arrow.kind) ? slot.lower : slot.upper;
    const char *where = holds(match, insertion_symbol())        ? "UPPER"
                        : holds(slot.left, insertion_symbol())  ? "LEFT context"
                        : holds(slot.right, insertion_symbol()) ? "RIGHT context"
                                                                : nullptr;
    if (where != nullptr) {
      error_printf("INSERT_SYMBOL occurred in %s.", where);
      free_slots(slots);
      return null_net();
    }
    if (slot.context < CONTEXT_BOTH_UPPER || slot.context > CONTEXT_BOTH_LOWER) {
      error_printf("Error in parallel replacement: %s.", "wrong context direction");
      free_slots(slots);
      return kleene_star_net();
    }
  }
  if (arrow.kind == 2) return two_way(slots, contexts, function, 0);
  if (!contexts && (arrow.kind == 0 || arrow.kind == 1)) {
    if (arrow.kind == 1)
      for (RuleSlots &slot : slots) std::swap(slot.upper, slot.lower);
    NET *result = unconstrained(slots, arrow.optional, function);
    return arrow.kind == 1 ? invert_net(result, 0) : result;
  }
  return compact_sigma(conditional(slots, arrow.kind, function, 0));
}

bool marked(REPL_RULES *group) {
  for (NET *net : nets_of(group))
    if (net->flags2.epsilon_brackets) return true;
  return false;
}

}  // namespace

// Interned on every call (a hash lookup): the label map is made anew by every initialization,
// so an id kept across calls could name another symbol.
uint32_t insertion_symbol() { return marker_symbol("..."); }

REPL_RULES *make_replace_rule(NET *upper, int arrow, NET *lower) {
  NV *nets = make_nv(2);
  NV_net(nets, 0) = upper;
  NV_net(nets, 1) = lower;
  return new REPL_RULES{nets, arrow, CONTEXT_NONE, ID_NO_SYMBOL, nullptr};
}

NET *make_insertion(NET *left, NET *right) {
  uint32_t dots = insertion_symbol();
  NET *sides[2] = {left != nullptr ? left : epsilon_net(), right != nullptr ? right : epsilon_net()};
  for (NET *&side : sides)
    if (holds(side, dots)) {
      error_printf("Only one '%s' allowed in an insert clause!", "...");
      side = erase_symbol(side, dots);
    }
  return cat(cat(sides[0], label_net(dots)), sides[1]);
}

NV *make_context(NET *left, NET *right) {
  NV *context = make_nv(2);
  NV_net(context, 0) = left;
  NV_net(context, 1) = right;
  return context;
}

NV *append_context(NV *contexts, NV *context) { return nv_append(contexts, context); }

REPL_RULES *append_rule(REPL_RULES *group, REPL_RULES *rule) {
  if (group == nullptr) return rule;
  if (rule == nullptr) return group;
  group->nets = nv_append(group->nets, rule->nets);
  rule->nets = nullptr;
  free_records(rule);
  return group;
}

REPL_RULES *attach_contexts(REPL_RULES *group, int context_code, NV *contexts) {
  if (group == nullptr) {
    free_nv_and_nets(contexts);
    return nullptr;
  }
  int pairs = group->nets == nullptr ? 0 : NV_len(group->nets) / 2;
  int count = contexts == nullptr ? 0 : NV_len(contexts) / 2;
  NV *quadruples = make_nv(0);
  for (int r = 0; r < pairs; r++)
    for (int c = 0; c < count; c++) {
      bool last_context = c == count - 1;
      auto take = [&](NET *net, bool last) { return last || net == nullptr ? net : copy_net(net); };
      quadruples = nv_push_back(take(NV_net(group->nets, 2 * r), last_context), quadruples);
      quadruples = nv_push_back(take(NV_net(group->nets, 2 * r + 1), last_context), quadruples);
      quadruples = nv_push_back(take(NV_net(contexts, 2 * c), r == pairs - 1), quadruples);
      quadruples = nv_push_back(take(NV_net(contexts, 2 * c + 1), r == pairs - 1), quadruples);
    }
  if (count == 0) {
    // No context: the rules keep applying anywhere.
    for (int r = 0; r < pairs; r++) {
      quadruples = nv_push_back(NV_net(group->nets, 2 * r), quadruples);
      quadruples = nv_push_back(NV_net(group->nets, 2 * r + 1), quadruples);
      quadruples = nv_push_back(nullptr, quadruples);
      quadruples = nv_push_back(nullptr, quadruples);
    }
  }
  if (pairs == 0) free_nv_and_nets(contexts); else free_nv(contexts);
  free_nv(group->nets);
  group->nets = quadruples;
  group->context = context_code;
  return group;
}

REPL_RULES *append_group(REPL_RULES *list, REPL_RULES *group) {
  if (list == nullptr) return group;
  REPL_RULES *last = list;
  while (last->next != nullptr) last = last->next;
  last->next = group;
  return list;
}

void set_insertion_function(REPL_RULES *rules, uint32_t function) {
  for (REPL_RULES *group = rules; group != nullptr; group = group->next) group->function = function;
}

NET *compile_replace_group(REPL_RULES *group) {
  if (group == nullptr) return kleene_star_net();
  if (marked(group)) {
    group = attach_contexts(group, CONTEXT_BOTH_UPPER, make_context(nullptr, nullptr));
    return compile_parallel_replace(group);
  }
  return compile_slots(group, false);
}

NET *compile_parallel_replace(REPL_RULES *list) {
  if (list == nullptr) return kleene_star_net();
  for (REPL_RULES *group = list; group != nullptr; group = group->next)
    if (group->context == CONTEXT_NONE) attach_contexts(group, CONTEXT_BOTH_UPPER, make_context(nullptr, nullptr));
  return compile_slots(list, true);
}

namespace {

NET *refuse_restriction(NET *center, NV *contexts) {
  error("Aborting. Returning [?*] instead.");
  free_network(center);
  free_nv_and_nets(contexts);
  return kleene_star_net();
}

// center => contexts: no marked occurrence of the center stands outside every context.
NET *restrict_to_contexts(NET *center, NV *contexts) {
  std::vector<uint32_t> marks = {marker_symbol("*<<*"), marker_symbol("*>>*")};
  keep_markers_out(center, marks);
  auto any = [&]() { return zero_plus_net(real_symbol_net(marks), 0); };
  auto edged = [&]() { return zero_plus_net(alt(real_symbol_net(marks), label_net(BOUNDARY_SYMBOL)), 0); };
  NET *marked_center = cat(cat(label_net(marks[0]), center), label_net(marks[1]));
  NET *bad = cat(cat(cat(label_net(BOUNDARY_SYMBOL), any()), marked_center), cat(any(), label_net(BOUNDARY_SYMBOL)));
  for (int i = 0; contexts != nullptr && i + 1 < NV_len(contexts); i += 2) {
    NET *left = NV_net(contexts, i);
    NET *right = NV_net(contexts, i + 1);
    keep_markers_out(left, marks);
    keep_markers_out(right, marks);
    NET *before = left == nullptr ? edged() : cat(edged(), copy_net(left));
    NET *after = right == nullptr ? edged() : cat(copy_net(right), edged());
    NET *site = cat(cat(before, label_net(marks[0])), cat(any(), cat(label_net(marks[1]), after)));
    bad = minus_net(bad, site, 0, 0);
  }
  free_nv_and_nets(contexts);
  NET *removal = real_symbol_net(marks);
  for (uint32_t id : marks) removal = alt(removal, pair_net(id, EPSILON));
  removal = cat(cat(pair_net(BOUNDARY_SYMBOL, EPSILON), zero_plus_net(removal, 0)),
                pair_net(BOUNDARY_SYMBOL, EPSILON));
  NET *strings = lower_side_net(comp(bad, removal), 0);
  drop_symbols(strings, {marks[0], marks[1], BOUNDARY_SYMBOL});
  return compact_sigma(negate_net(strings, 0));
}

// center <= contexts: every context site holds a string of the center.
NET *require_in_contexts(NET *center, NV *contexts) {
  uint32_t ok = marker_symbol("*RST-OK*");
  keep_markers_out(center, {ok});
  NET *plain = negate_net(contains_net(label_net(ok), 0), 0);
  NET *center_copy = copy_net(center);
  NET *probe = intersect_net(center, epsilon_net(), 1, 0);
  if (test_non_null(probe)) mark_epsilon_brackets(center_copy);
  free_network(probe);
  NV *copies = make_nv(contexts == nullptr ? 0 : NV_len(contexts));
  for (int i = 0; i < NV_len(copies); i++) NV_net(copies, i) = copy_net(NV_net(contexts, i));
  REPL_RULES *first = attach_contexts(make_replace_rule(center_copy, ARROW_REPLACE, label_net(ok)),
                                      CONTEXT_BOTH_UPPER, copies);
  NET *others = mark_epsilon_brackets(intersect_net(negate_net(center, 0), copy_net(plain), 0, 0));
  REPL_RULES *second = attach_contexts(make_replace_rule(others, ARROW_REPLACE, null_net()),
                                       CONTEXT_BOTH_UPPER, contexts);
  NET *marking = compile_parallel_replace(first);
  NET *checking = compile_parallel_replace(second);
  NET *result = upper_side_net(comp(comp(plain, marking), checking), 0);
  drop_symbols(result, {ok});
  return compact_sigma(result);
}

}  // namespace

NET *compile_restriction(NET *center, int code, NV *contexts) {
  if (center == nullptr || NET_arity(center) != 1) {
    error_printf("Error in a %s statement. %s must be a simple network, not a transducer.", "restrict", "CENTER");
    return refuse_restriction(center, contexts);
  }
  for (int i = 0; contexts != nullptr && i < NV_len(contexts); i++)
    if (NV_net(contexts, i) != nullptr && NET_arity(NV_net(contexts, i)) != 1) {
      error("Every context of the restrict operation has to be a simple FSM and not a transducer.");
      return refuse_restriction(center, contexts);
    }
  switch (code) {
    case RESTRICT_ONLY_IN:
      return restrict_to_contexts(center, contexts);
    case RESTRICT_ALWAYS_IN:
      return require_in_contexts(center, contexts);
    case RESTRICT_BOTH: {
      NV *copies = make_nv(contexts == nullptr ? 0 : NV_len(contexts));
      for (int i = 0; i < NV_len(copies); i++) NV_net(copies, i) = copy_net(NV_net(contexts, i));
      NET *only = restrict_to_contexts(copy_net(center), copies);
      return intersect_net(only, require_in_contexts(center, contexts), 0, 0);
    }
    default:
      error_printf("During restriction in multiple contexts: Wrong arrow type: %d", code);
      free_network(center);
      free_nv_and_nets(contexts);
      return kleene_star_net();
  }
}

NET *mark_epsilon_brackets(NET *net) {
  if (net != nullptr) net->flags2.epsilon_brackets = 1;
  return net;
}

void free_replace_rules(REPL_RULES *rules) {
  std::vector<NET *> nets = nets_of(rules);
  for (NET *net : nets) free_network(net);
  free_records(rules);
}

}  // namespace kora
