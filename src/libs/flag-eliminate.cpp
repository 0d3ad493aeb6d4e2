// Flag elimination: the constraint language of an attribute's tests, the expansion of insert
// and list flags, and the removal of the attribute's flag symbols.

#include "flag-eliminate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "closures.h"
#include "complement.h"
#include "concat.h"
#include "context.h"
#include "crossproduct.h"
#include "define.h"
#include "epsilon.h"
#include "error.h"
#include "fat-str.h"
#include "flag-action.h"
#include "flag-diacritics.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "ignore.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "modify.h"
#include "product.h"
#include "prune.h"
#include "splice.h"
#include "state-mr.h"
#include "struct.h"
#include "utf8.h"

namespace kora {
namespace {

// The flag symbols of one attribute in a network.
struct AttributeFlags {
  std::vector<uint32_t> symbols;  // distinct, in label-set order
  bool on_upper_sides = false;    // on the upper side of some tuple
  bool on_lower_sides = false;    // on the lower side of some tuple
};

bool of_attribute(uint32_t symbol, uint32_t attribute) {
  const FLAG_DIACRITIC *flag = symbol_flag(symbol);
  return flag != nullptr && flag->attribute == attribute;
}

AttributeFlags collect_flags(NET *net, uint32_t attribute) {
  AttributeFlags found;
  std::set<uint32_t> seen;
  auto note = [&](uint32_t symbol) {
    if (of_attribute(symbol, attribute) && seen.insert(symbol).second) found.symbols.push_back(symbol);
  };
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator)) {
    if (label_arity(label) == 1) {
      note(label);
      continue;
    }
    const uint32_t upper = upper_id(label), lower = lower_id(label);
    note(upper);
    note(lower);
    found.on_upper_sides |= of_attribute(upper, attribute);
    found.on_lower_sides |= of_attribute(lower, attribute);
  }
  return found;
}

// --- The constraint language ------------------------------------------------------------------

NET *any_string() { return kleene_star_fsm(OTHER); }

// The one-symbol strings of `symbols`.
NET *one_of(const std::vector<uint32_t> &symbols) {
  if (symbols.empty()) return null_net();
  ALPH *alph = labels_to_alph(symbols.data(), static_cast<int>(symbols.size()), KORA_LABEL_ALPH);
  NET *net = alphabet_net(alph);
  free_alph(alph);
  return net;
}

NET *concatenation(std::vector<NET *> parts) {
  NV vector{static_cast<int>(parts.size()), parts.data()};
  return concat_fsm(&vector, 0, 1);
}

// The strings in which no symbol of `symbols` occurs.
NET *free_of(const std::vector<uint32_t> &symbols) {
  if (symbols.empty()) return any_string();
  return negate_fsm(contains_fsm(one_of(symbols), 0, 1), 0, 1);
}

// Not [?* B ~$G f ?*]: after a symbol of B, f comes only once a symbol of G has intervened.
// Null when B is empty (no restriction).
NET *restriction(uint32_t f, const std::vector<uint32_t> &good, const std::vector<uint32_t> &bad) {
  if (bad.empty()) return nullptr;
  return negate_fsm(concatenation({any_string(), one_of(bad), free_of(good), label_net(f), any_string()}), 0, 1);
}

// Not [~$G f ?*]: some symbol of G comes before f.
NET *good_before(uint32_t f, const std::vector<uint32_t> &good) {
  return negate_fsm(concatenation({free_of(good), label_net(f), any_string()}), 0, 1);
}

// The restrictions that the test flag `f` puts on the strings of the attribute's flags
// `flags`, appended to `out`.
void restrictions_of(uint32_t f, const std::vector<uint32_t> &flags, std::vector<NET *> *out) {
  const FLAG_DIACRITIC &test = *symbol_flag(f);
  const uint32_t v = test.value;
  std::vector<uint32_t> good, bad;
  for (uint32_t g : flags) {
    const FLAG_DIACRITIC &other = *symbol_flag(g);
    const bool clear = other.action == CLEAR_SETTING;
    const bool sets = other.action == POSITIVE_SETTING || other.action == UNIFY_TEST;
    const bool negates = other.action == NEGATIVE_SETTING;
    const bool same = other.value == v;
    bool is_good = false, is_bad = false;
    switch (test.action) {
      case UNIFY_TEST:
        is_good = clear || (other.action == POSITIVE_SETTING && same) || (negates && !same);
        is_bad = (sets && !same) || (negates && same);
        break;
      case DISALLOW_TEST:
        if (v == 0) {
          is_good = clear;
          is_bad = sets || negates;
        } else {
          is_good = clear || (sets && !same) || (negates && same);
          is_bad = (sets && same) || (negates && !same);
        }
        break;
      case REQUIRE_TEST:
        if (v == 0) {
          is_good = sets || negates;
          is_bad = clear;
        } else {
          is_good = sets && same;
          is_bad = clear || (sets && !same) || negates;
        }
        break;
      default: break;
    }
    if (is_good) good.push_back(g);
    if (is_bad) bad.push_back(g);
  }
  if (NET *r = restriction(f, good, bad)) out->push_back(r);
  if (test.action == REQUIRE_TEST) out->push_back(good_before(f, good));
}

// The constraint of the attribute's flags, or null when it allows every string. Reports the
// flags that it cannot express.
NET *constraint_of(const AttributeFlags &flags) {
  std::vector<NET *> restrictions;
  for (uint32_t f : flags.symbols) {
    const int action = symbol_flag(f)->action;
    switch (action) {
      case UNIFY_TEST:
      case DISALLOW_TEST:
      case REQUIRE_TEST: restrictions_of(f, flags.symbols, &restrictions); break;
      case FAIL_ACTION: restrictions.push_back(free_of({f})); break;
      case CLEAR_SETTING:
      case POSITIVE_SETTING:
      case NEGATIVE_SETTING:
      case EXCLUDE_LIST:
      case FUNCTION_ACTION:
      case INSERT_SUBNET:
      case LIST_ACTION:
      case EXTERNAL_ACTION: break;
      case EQUAL_ATTR_TEST: error("Eliminate command has not been defined for E flags yet."); break;
      default: error_printf("eliminate_flag_attribute: Unknown flag action: %d", action); break;
    }
  }
  if (restrictions.empty()) return nullptr;
  NV vector{static_cast<int>(restrictions.size()), restrictions.data()};
  return intersect_fsm(&vector, 0, 1);
}

// The destination of the deterministic constraint's arc labelled `symbol` from `state`, or null.
STATE *constraint_step(const STATE *state, uint32_t symbol) {
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == symbol) return arc->destination;
  return nullptr;
}

// Keeps, in place, the paths of `net` whose flags of `attribute` on one side (the upper side,
// or the lower side; a symbol counts as both) spell a string of the constraint. This is the
// composition of the network with the constraint on that side, taken as a product: the
// constraint is deterministic and its language does not change when symbols outside its sigma
// (which holds only flags of the attribute) are inserted or deleted, so those symbols leave its
// state as it is and only the flags of its sigma move it. The product's states replace the network's own.
void filter_by_constraint(NET *net, NET *constraint, uint32_t attribute, bool upper_side) {
  NET *product = make_network();
  STATE_MANAGER *manager = make_state_manager(net, constraint, product);
  product->start = pair_state(manager, net->start, constraint->start);
  for (const STATE_PAIR *pair = next_pair(manager); pair != nullptr; pair = next_pair(manager)) {
    STATE *state = pair->state;
    state->flags.final = pair->a->flags.final && pair->b->flags.final;
    state->flags.deterministic = pair->a->flags.deterministic;
    ARC **tail = &state->arcs;
    for (ARC *arc = pair->a->arcs; arc != nullptr; arc = arc->next) {
      const uint32_t symbol = upper_side ? upper_id(arc->label) : lower_id(arc->label);
      STATE *q = pair->b;
      if (of_attribute(symbol, attribute) && test_alph_member(constraint->sigma, symbol) &&
          (q = constraint_step(q, symbol)) == nullptr)
        continue;
      STATE *dest = pair_state(manager, arc->destination, q);
      ARC *made = arc->flags.big ? alloc_big_arc(arc->label, dest, arc_user_pointer(arc), product)
                                 : alloc_arc(arc->label, dest, product);
      *tail = made;
      tail = &made->next;
    }
  }
  free_state_manager(manager);

  free_state_list(net);
  net->states = product->states;
  net->start = product->start;
  net->num_states = product->num_states;
  net->num_arcs = product->num_arcs;
  net->flags.deterministic = 0;
  net->flags.pruned = 0;
  net->flags.minimized = 0;
  net->flags.completed = 0;
  net->flags.sorted_states = 0;
  net->flags2.sorted_arcs = 0;
  free_network_record(product);
  prune_fsm(net, 0);
  labels_from_arcs(net);
}

// The network restricted to the paths whose flags obey the constraint, on the sides where the
// flags are: the upper side when some tuple has one on its upper side, the lower side when on
// its lower side, and a symbol's own side otherwise; in place. `constraint` is consumed.
void apply_constraint(NET *net, NET *constraint, uint32_t attribute, const AttributeFlags &flags) {
  if (flags.on_upper_sides || !flags.on_lower_sides) filter_by_constraint(net, constraint, attribute, true);
  if (flags.on_lower_sides) filter_by_constraint(net, constraint, attribute, false);
  free_network(constraint);
}

// --- Arcs that carry a flag -------------------------------------------------------------------

struct FlagArc {
  STATE *source;
  ARC *arc;
};

// The arcs whose label is `symbol` or has it on a side.
std::vector<FlagArc> arcs_carrying(NET *net, uint32_t symbol) {
  std::vector<FlagArc> found;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label == symbol || (label_arity(arc->label) == 2 &&
                                   (upper_id(arc->label) == symbol || lower_id(arc->label) == symbol)))
        found.push_back({s, arc});
  return found;
}

void remove_arc(NET *net, const FlagArc &flag_arc) {
  for (ARC **link = &flag_arc.source->arcs; *link != nullptr; link = &(*link)->next) {
    if (*link != flag_arc.arc) continue;
    *link = flag_arc.arc->next;
    free_arc(flag_arc.arc);
    net->num_arcs--;
    return;
  }
}

// The label that `symbol` becomes on `label` when it is replaced by `by`.
uint32_t replaced_label(uint32_t label, uint32_t symbol, uint32_t by) {
  if (label_arity(label) == 1) return label == symbol ? by : label;
  const uint32_t upper = upper_id(label), lower = lower_id(label);
  return pair_id(upper == symbol ? by : upper, lower == symbol ? by : lower);
}

std::string symbol_name(uint32_t id) {
  std::string name;
  append_label(name, id, 0);
  return name;
}

// What replaces an arc labelled `label` that carries the insert flag `f` naming `named`: a
// copy of the network for the flag alone; for a tuple with the flag on one side and a symbol y
// on the other, the cross product of the network with y on that other side. Null when that
// cannot be made (the named network is a transducer).
NET *inserted_for(NET *named, uint32_t label, uint32_t f) {
  if (label_arity(label) == 1) return copy_fsm(named);
  if (named->arity != 1) return nullptr;
  const bool on_upper = upper_id(label) == f;
  const uint32_t other = on_upper ? lower_id(label) : upper_id(label);
  NET *side = other == EPSILON ? epsilon_net() : label_net(other);
  return on_upper ? crossproduct_fst(named, side, 1, 0, 1) : crossproduct_fst(side, named, 0, 1, 1);
}

// When verbose, warns that the network named by the insert flag inserts itself.
void warn_recursive(const FLAG_DIACRITIC *flag) {
  if (!parameter(KORA_VERBOSE)) return;
  std::string message = "'";
  message += symbol_name(flag->value);
  message += "' is defined recursively. It cannot be removed.";
  warning(message.c_str());
}

// Replaces the arcs of the insert flag `f` by copies of the network it names. Returns false,
// leaving them, when there is no such network or it holds the flag itself.
bool expand_insert_flag(NET *net, uint32_t f, uint32_t attribute) {
  const FLAG_DIACRITIC *flag = symbol_flag(f);
  NET *named = defined_net(flag->value);
  if (named == nullptr) {
    flag_error(flag);
    return false;
  }
  if (flag_attribute_occurs_in_p(named, attribute)) {
    warn_recursive(flag);
    return false;
  }
  bool all_expanded = true;
  for (const FlagArc &flag_arc : arcs_carrying(net, f)) {
    NET *inserted = inserted_for(named, flag_arc.arc->label, f);
    if (inserted == nullptr) {
      all_expanded = false;
      continue;
    }
    splice_fsm(net, flag_arc.source, flag_arc.arc->destination, inserted, true, flag_arc.arc->label);
    remove_arc(net, flag_arc);
  }
  return all_expanded;
}

// Replaces the arcs of the list flag `f` by arcs for the symbols of its list (L) or for the
// other symbols of the sigma and OTHER (X). Returns false, leaving them, when the list is not
// defined.
bool expand_list_flag(NET *net, uint32_t f) {
  const FLAG_DIACRITIC *flag = symbol_flag(f);
  ALPH *list = list_flag_list(f);
  if (list == nullptr) {
    flag_error(flag);
    return false;
  }
  expand_other(net, list);
  std::vector<uint32_t> symbols;
  if (flag->action == LIST_ACTION) {
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, list);
    for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
      symbols.push_back(id);
  } else {
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, net_sigma(net));
    for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
      if (id != OTHER && !is_internal_symbol(id) && symbol_flag(id) == nullptr && !test_alph_member(list, id))
        symbols.push_back(id);
    symbols.push_back(OTHER);
  }
  ArcAppender appender(net);
  std::vector<ArcSpec> arcs;
  std::set<uint32_t> labels;
  for (const FlagArc &flag_arc : arcs_carrying(net, f)) {
    arcs.clear();
    for (uint32_t symbol : symbols) {
      const uint32_t label = replaced_label(flag_arc.arc->label, f, symbol);
      if (label == ID_NO_SYMBOL) continue;
      arcs.push_back({label, flag_arc.arc->destination, flag_arc.arc->flags.big != 0, arc_user_pointer(flag_arc.arc)});
      labels.insert(label);
    }
    appender.append(flag_arc.source, arcs, true);
    remove_arc(net, flag_arc);
  }
  for (uint32_t symbol : symbols) alph_add_to(net->sigma, symbol, 0);
  std::vector<uint32_t> ids(labels.begin(), labels.end());
  ALPH *added = labels_to_alph(ids.data(), static_cast<int>(ids.size()), KORA_LABEL_ALPH);
  add_labels(net, added);
  free_alph(added);
  return true;
}

// Replaces the flag symbols of `gone` by EPSILON on every arc and drops them from the sigma.
void erase_flag_symbols(NET *net, const std::set<uint32_t> &gone) {
  for (STATE *s = net->states; s != nullptr; s = s->next)
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      uint32_t label = arc->label;
      for (uint32_t symbol : gone) label = replaced_label(label, symbol, EPSILON);
      arc->label = label;
    }
  for (uint32_t symbol : gone) alph_remove_from(net->sigma, symbol, 0);
  labels_from_arcs(net);
  net->flags.epsilon_free = 0;
  net->flags.deterministic = 0;
  net->flags.minimized = 0;
}

bool compacted_refusal(const NET *net) {
  if (!net->flags.compacted) return false;
  error("Cannot eliminate flags from a compacted net.\n    Please uncompact first.");
  return true;
}

// The attributes of the flags whose actions `wanted` accepts.
std::vector<uint32_t> attributes_of(NET *net, bool (*wanted)(int action)) {
  std::set<uint32_t> attributes;
  auto note = [&](uint32_t symbol) {
    const FLAG_DIACRITIC *flag = symbol_flag(symbol);
    if (flag != nullptr && wanted(flag->action)) attributes.insert(flag->attribute);
  };
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator)) {
    note(upper_id(label));
    if (label_arity(label) == 2) note(lower_id(label));
  }
  return {attributes.begin(), attributes.end()};
}

// The insert-flag symbols of the network, alone or on a side of a tuple.
std::vector<uint32_t> insert_flags_of(NET *net) {
  std::set<uint32_t> flags;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator))
    for (uint32_t symbol : {upper_id(label), lower_id(label)}) {
      const FLAG_DIACRITIC *flag = symbol_flag(symbol);
      if (flag != nullptr && flag->action == INSERT_SUBNET) flags.insert(symbol);
    }
  return {flags.begin(), flags.end()};
}

bool is_list(int action) { return action == LIST_ACTION || action == EXTERNAL_ACTION; }  // as list_flag_p
bool is_any(int action) { return action != INSERT_SUBNET; }

// Expands, in place, the insert flags of other attributes whose networks carry flags of
// `attribute`, so that those flags are eliminated together with the network's own: they read
// and write one register on a path. Each insert attribute is expanded once.
void expand_inserts_carrying(NET *net, uint32_t attribute) {
  std::set<uint32_t> expanded{attribute};
  for (bool again = true; again;) {
    again = false;
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, net_labels(net));
    std::vector<uint32_t> inserts;
    for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator)) {
      const FLAG_DIACRITIC *flag = symbol_flag(label);
      if (flag == nullptr || flag->action != INSERT_SUBNET || expanded.count(flag->attribute)) continue;
      NET *named = defined_net(flag->value);
      if (named != nullptr && flag_attribute_occurs_in_p(named, attribute)) inserts.push_back(flag->attribute);
    }
    for (uint32_t insert : inserts) {
      expanded.insert(insert);
      eliminate_flag_attribute(net, insert, 0);
      again = true;
    }
  }
}

NET *eliminate_flags_hook(NET *net, int minimize, int all) {
  return eliminate_flags(net, 0, minimize, 1, all);
}

}  // namespace

int flag_attribute_occurs_in_p(NET *net, uint32_t attribute) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, net_labels(net));
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator)) {
    const int arity = label_arity(label);
    if (arity == 1) {
      if (of_attribute(label, attribute)) return 1;
    } else if (arity == 2) {
      if (of_attribute(upper_id(label), attribute) || of_attribute(lower_id(label), attribute)) return 1;
    } else {
      error_printf("flag_attribute_occurs_in_p: Label arity should be 1 or 2, got %d", arity);
    }
  }
  return 0;
}

NET *eliminate_flag_attribute(NET *net, uint32_t attribute, int minimize) {
  if (compacted_refusal(net) || !flag_attribute_occurs_in_p(net, attribute)) return net;
  expand_inserts_carrying(net, attribute);
  net->flags2.upper_has_flags = net->flags2.lower_has_flags = 0;
  const AttributeFlags flags = collect_flags(net, attribute);
  NET *constraint = constraint_of(flags);

  std::set<uint32_t> gone(flags.symbols.begin(), flags.symbols.end());
  for (uint32_t f : flags.symbols) {
    const int action = symbol_flag(f)->action;
    bool expanded = true;
    if (action == INSERT_SUBNET) expanded = expand_insert_flag(net, f, attribute);
    if (action == LIST_ACTION || action == EXTERNAL_ACTION) expanded = expand_list_flag(net, f);
    if (!expanded) gone.erase(f);
  }
  if (constraint != nullptr) apply_constraint(net, constraint, attribute, flags);
  prune_fsm(net, 0);
  erase_flag_symbols(net, gone);
  net = minimize ? min_fsm(net, 0) : remove_epsilons(net, 0);
  return recompute_flag_marks(net);
}

NET *expand_insert_flags_fsm(NET *net) {
  std::set<uint32_t> expanded;  // an insert flag met again after its expansion is recursive
  std::set<uint32_t> recursive;
  for (;;) {
    std::vector<uint32_t> attributes;
    for (uint32_t f : insert_flags_of(net)) {
      const uint32_t attribute = symbol_flag(f)->attribute;
      if (!expanded.count(attribute)) {
        attributes.push_back(attribute);
      } else if (recursive.insert(attribute).second && defined_net(symbol_flag(f)->value) != nullptr) {
        warn_recursive(symbol_flag(f));
      }
    }
    if (attributes.empty()) return recompute_flag_marks(net);
    for (uint32_t attribute : attributes) {
      expanded.insert(attribute);
      net = eliminate_flag_attribute(net, attribute, 0);
    }
  }
}

NET *eliminate_flags(NET *net, int copy, int minimize, int lists, int all) {
  if (net == nullptr || compacted_refusal(net)) return net;
  if (copy == 1) net = copy_fsm(net);
  net = expand_insert_flags_fsm(net);
  std::vector<uint32_t> attributes;
  if (all)
    attributes = attributes_of(net, is_any);
  else if (lists)
    attributes = attributes_of(net, is_list);
  for (uint32_t attribute : attributes) net = eliminate_flag_attribute(net, attribute, 0);
  recompute_flag_marks(net);
  return minimize ? recompute_flag_marks(min_fsm(net, 0)) : net;
}

void install_flag_elimination() { set_flag_elimination_hooks(expand_insert_flags_fsm, eliminate_flags_hook); }

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *eliminate_flag(NET *net, const char *attribute_name, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr || attribute_name == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "eliminate_flag");
      return net;
    }
    if (check_not_virtual(net)) return net;
    FAT_STR name;
    if (parameter(KORA_CHAR_ENCODING) == KORA_LATIN1) {
      name = thin_to_fat(attribute_name);
    } else {
      name = static_cast<FAT_STR>(allocate_or_die(sizeof(uint32_t) * (std::strlen(attribute_name) + 1), "eliminate_flag"));
      utf8_decode(attribute_name, name);
    }
    uint32_t attribute = ID_NO_SYMBOL;
    intern_flag_attribute(&attribute, name);
    std::free(name);
    if (attribute == ID_NO_SYMBOL || !flag_attribute_occurs_in_p(net, attribute)) return net;
    if (copy == 1) net = copy_fsm(net);
    return eliminate_flag_attribute(net, attribute, minimize_results());
  });
}

}  // extern "C"
