// Substitution, sigma closure and sigma compaction; see modify.h.
//
// Determinism after a substitution: each old label becomes a set of new labels. When no two
// labels of the network share a new label and none becomes EPSILON, a state that had distinct
// labels still has, so the network stays deterministic, and since the substitution can then be
// undone label by label, states that were distinguishable stay so and a minimal network stays
// minimal. Otherwise (for instance x:a and x:b with a replaced by b) the states that changed
// lose their deterministic mark and the network loses deterministic and minimized.

#include "modify.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "calculus.h"
#include "context.h"
#include "error.h"
#include "eqv-labs.h"
#include "label-check.h"
#include "label.h"
#include "minimize.h"
#include "prune.h"
#include "struct.h"

namespace kora {

namespace {

// The members of an alphabet in item order; none for null.
std::vector<uint32_t> members_of(const ALPH *alph) {
  std::vector<uint32_t> members;
  if (alph == nullptr) return members;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, alph);
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator))
    members.push_back(id);
  return members;
}

bool contains(const std::vector<uint32_t> &ids, uint32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// A label's symbols: the label itself, or a tuple's components.
std::vector<uint32_t> components_of(uint32_t label) {
  const LABEL *record = label_record(label);
  if (record == nullptr || record->arity == 1) return {label};
  return std::vector<uint32_t>(record->tuple->components,
                               record->tuple->components + record->arity);
}

// A new binary alphabet (the caller frees it) of the symbols on some side of a tuple label.
ALPH *tuple_symbols(const ALPH *labels) {
  ALPH *symbols = make_alph(0, KORA_BINARY_ALPH);
  for (uint32_t label : members_of(labels))
    if (label_arity(label) >= 2) add_symbols_of_label(symbols, label);
  return symbols;
}

// For each label id, the labels that replace it on arcs; a label without an entry stays.
class ReplacementTable {
 public:
  // Gives `label` its replacements; none means that arcs carrying it are deleted.
  void set(uint32_t label, const std::vector<uint32_t> &replacements) {
    if (label >= start_.size()) start_.resize(label + 1, kStays);
    start_[label] = static_cast<uint32_t>(lists_.size());
    lists_.push_back(static_cast<uint32_t>(replacements.size()));
    lists_.insert(lists_.end(), replacements.begin(), replacements.end());
  }

  // Whether `label` is replaced; if so, *replacements receives its replacements.
  bool find(uint32_t label, std::span<const uint32_t> *replacements) const {
    if (label >= start_.size() || start_[label] == kStays) return false;
    const uint32_t *list = &lists_[start_[label]];
    *replacements = std::span<const uint32_t>(list + 1, list[0]);
    return true;
  }

 private:
  static constexpr uint32_t kStays = UINT32_MAX;
  std::vector<uint32_t> start_;  // indexed by label id: where its list starts in lists_, or kStays
  std::vector<uint32_t> lists_;  // each list as its length followed by its labels
};

// The label of the tuple `components` after filling, or ID_NO_SYMBOL. A tuple whose positions
// are all equal is that plain symbol, except OTHER:OTHER in OTHER mode.
uint32_t tuple_label(const std::vector<uint32_t> &components, bool other_mode) {
  const bool all_equal = std::all_of(components.begin(), components.end(),
                                     [&](uint32_t c) { return c == components[0]; });
  if (all_equal && !(other_mode && components[0] == OTHER)) return components[0];
  uint32_t id;
  int status = components.size() == 2
                   ? intern_pair(&id, components[0], components[1])
                   : intern_tuple(&id, components.data(), static_cast<int>(components.size()));
  if (status != 0) out_of_memory("SYMSUBST");
  return id;
}

// In OTHER mode: whether a member filled in at one of `holes` also stands at another position.
bool repeats_a_member(const std::vector<uint32_t> &filled, const std::vector<size_t> &holes) {
  for (size_t hole : holes) {
    if (filled[hole] == OTHER) continue;
    for (size_t position = 0; position < filled.size(); position++)
      if (position != hole && filled[position] == filled[hole]) return true;
  }
  return false;
}

// The labels that a tuple becomes when every position holding x is filled with each member, in
// every combination (OTHER mode leaves out the combinations that repeat a member).
std::vector<uint32_t> fill_tuple(const std::vector<uint32_t> &components, uint32_t x,
                                 const std::vector<uint32_t> &members, bool other_mode) {
  std::vector<size_t> holes;
  for (size_t position = 0; position < components.size(); position++)
    if (components[position] == x) holes.push_back(position);
  std::vector<uint32_t> labels;
  if (members.empty()) return labels;
  std::vector<size_t> choice(holes.size(), 0);  // a counter in base members.size()
  std::vector<uint32_t> filled = components;
  for (;;) {
    for (size_t k = 0; k < holes.size(); k++) filled[holes[k]] = members[choice[k]];
    if (!(other_mode && repeats_a_member(filled, holes)))
      labels.push_back(tuple_label(filled, other_mode));
    size_t k = 0;
    while (k < holes.size() && ++choice[k] == members.size()) choice[k++] = 0;
    if (k == holes.size()) return labels;
  }
}

// Whether two of `keys` (the labels on the network's arcs) may end up as one label, or one may
// become EPSILON, after the replacements of `table`.
bool images_overlap(const std::vector<uint32_t> &keys, const ReplacementTable &table) {
  std::vector<uint32_t> images;
  for (uint32_t label : keys) {
    std::span<const uint32_t> replacements;
    if (!table.find(label, &replacements)) {
      images.push_back(label);
      continue;
    }
    for (uint32_t image : replacements) {
      if (image == EPSILON) return true;
      images.push_back(image);
    }
  }
  std::sort(images.begin(), images.end());
  return std::adjacent_find(images.begin(), images.end()) != images.end();
}

// Rewrites every arc whose label the table replaces: the arc takes the first replacement and a
// parallel arc (same destination, same user pointer) follows it for each further one; an
// EPSILON loop is not made, nor an arc that the state has already. An arc left with nothing is
// deleted. With `clear_marks` the states that changed lose their deterministic mark. Returns
// whether an arc was deleted.
bool rewrite_arcs(NET *net, const ReplacementTable &table, bool clear_marks) {
  bool deleted = false;
  std::set<std::tuple<uint32_t, const STATE *, const void *>> held;  // the state's arcs
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    bool changed = false;
    held.clear();
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      std::span<const uint32_t> replacements;
      if (!table.find(arc->label, &replacements))
        held.insert({arc->label, arc->destination, arc_user_pointer(arc)});
    }
    for (ARC **link = &state->arcs; *link != nullptr;) {
      ARC *arc = *link;
      std::span<const uint32_t> replacements;
      if (!table.find(arc->label, &replacements)) {
        link = &arc->next;
        continue;
      }
      changed = true;
      ARC *last = nullptr;  // the last arc standing for the old one
      for (uint32_t label : replacements) {
        if (label == EPSILON && arc->destination == state) continue;
        if (!held.insert({label, arc->destination, arc_user_pointer(arc)}).second) continue;
        if (last == nullptr) {
          arc->label = label;
          last = arc;
          continue;
        }
        ARC *parallel =
            arc->flags.big ? alloc_big_arc(label, arc->destination, arc_user_pointer(arc), net)
                           : alloc_arc(label, arc->destination, net);
        parallel->next = last->next;
        last->next = parallel;
        last = parallel;
      }
      if (last == nullptr) {
        *link = arc->next;
        free_arc(arc);
        net->num_arcs--;
        deleted = true;
        continue;
      }
      link = &last->next;
    }
    if (changed && clear_marks) state->flags.deterministic = 0;
  }
  return deleted;
}

// Reports why a substitution cannot be made and returns true; else returns false.
bool substitution_refused(NET *net, uint32_t x, const std::vector<uint32_t> &members,
                          bool label_mode) {
  if (!label_mode && label_arity(x) >= 2) {
    error("Cannot substitute for an fstpair.");
    return true;
  }
  for (uint32_t member : members) {
    if (label_record(member) == nullptr) {
      error_printf("substitute_worker: Bad label id: %d", static_cast<int>(member));
      return true;
    }
    if (!label_mode && label_arity(member) >= 2) {
      error("Cannot substitute an fstpair.");
      return true;
    }
  }
  // A reduced label set is restored for the substitution (substitute_and_minimize); other
  // representations are refused.
  const char *kind = special_representation(net);
  const bool reduced_only =
      kind != nullptr && std::strcmp(kind, "network with reduced labelsets") == 0;
  return (!reduced_only && check_plain_net(net) != 0) || check_net_label_map(net) != 0;
}

// The exported substitutions: checks, substitutes (on a copy with `copy` 1) and minimizes when
// parameter word 16 is set. Refusals return `net` unchanged; null is reported by `caller`.
NET *substitute_and_minimize(const char *caller, uint32_t x, ALPH *list, NET *net, int copy,
                             bool label_mode) {
  if (net == nullptr) {
    error_printf("%s: argument is NULL.", caller);
    return nullptr;
  }
  if (substitution_refused(net, x, members_of(list), label_mode)) return net;
  // A reduced network is restored (in place, or by the copy) and its result reduced again.
  const bool reduced = net->flags2.reduced_labelset;
  NET *target = net;
  if (reduced) {
    if (copy) {
      target = copy_fsm(net);
      copy = 0;
    } else if (labelset_hooks.unreduce != nullptr) {
      labelset_hooks.unreduce(net);
    }
    if (target->flags2.reduced_labelset) {  // its full label set could not be found
      check_plain_net(target);
      if (target != net) free_network(target);
      return net;
    }
  }
  NET *result = substitute_worker(target, x, list, copy, label_mode, false);
  if (result != nullptr && parameter(KORA_MINIMIZE)) result = min_fsm(result, 0);
  if (result != nullptr && reduced && labelset_hooks.reduce != nullptr) labelset_hooks.reduce(result);
  return result;
}

}  // namespace

NET *substitute_worker(NET *net, uint32_t x, ALPH *list, int copy, bool label_mode,
                       bool other_mode) {
  if (net == nullptr) return nullptr;
  const std::vector<uint32_t> members = members_of(list);
  if (substitution_refused(net, x, members, label_mode)) return net;
  if (copy == 1 && (net = copy_fsm(net)) == nullptr) return nullptr;
  std::vector<uint32_t> keys = members_of(net_labels(net));
  ALPH *sigma = net_sigma(net);
  if (x != EPSILON && !test_alph_member(sigma, x) && !contains(keys, x)) return net;
  if (members.size() == 1 && members[0] == x) return net;

  if (x == EPSILON) keys.push_back(EPSILON);
  ReplacementTable table;
  for (uint32_t label : keys) {
    if (label == x) {
      table.set(label, members);
    } else if (!label_mode && label_arity(label) >= 2) {
      const std::vector<uint32_t> components = components_of(label);
      if (contains(components, x)) table.set(label, fill_tuple(components, x, members, other_mode));
    }
  }
  const bool deleting = members.empty();
  const bool overlap = !deleting && images_overlap(keys, table);
  const bool deleted = rewrite_arcs(net, table, overlap);
  labels_from_arcs(net);

  if (!label_mode) {
    alph_remove_from(sigma, x, 0);
  } else if (deleting) {
    ALPH *held = tuple_symbols(net->labels);
    if (!test_alph_member(held, x)) alph_remove_from(sigma, x, 0);
    free_alph(held);
  }
  for (uint32_t member : members) add_symbols_of_label(sigma, member);

  if (deleting) {
    if (!deleted) return net;
    if (x == EPSILON) net->flags.epsilon_free = 1;
    net->flags.pruned = 0;
    net->flags.minimized = 0;
    return prune_fsm(net, 0);
  }
  net->flags.completed = 0;
  net->flags2.sorted_arcs = 0;
  if (overlap) {
    net->flags.deterministic = 0;
    net->flags.minimized = 0;
  }
  if (deleted) {
    net->flags.pruned = 0;
    net->flags.minimized = 0;
  }
  if (contains(members, EPSILON)) {
    net->flags.epsilon_free = 0;
    net->flags2.upper_bounded_known = 0;
    net->flags2.lower_bounded_known = 0;
  } else if (x == EPSILON) {
    net->flags.epsilon_free = 1;
  }
  return net;
}

NET *compact_sigma(NET *net) {
  if (net == nullptr || check_plain_net(net)) return net;
  if (!net->flags.pruned) prune_fsm(net, 0);
  clean_sigma_after_minimization(net);
  ALPH *sigma = net_sigma(net);
  if (!test_alph_member(sigma, OTHER)) {
    net_labels(net);
    free_alph(net->sigma);
    net->sigma = sigma_from_labels(net, 2);
    return net;
  }
  ALPH *held = tuple_symbols(net_labels(net));
  if (test_alph_member(held, OTHER)) {
    free_alph(held);
    return net;
  }
  NET *only[1] = {net};
  const NV one{1, only};
  const std::vector<LabelClass> classes = compute_label_classes(&one);
  if (classes.empty() || classes[0][0] != OTHER) {
    warning("compact_sigma: No equivalence class for OTHER found.");
    free_alph(held);
    return net;
  }
  // Symbols that OTHER would match exactly as their own arcs do, once they are unknown.
  ReplacementTable deletions;
  std::vector<uint32_t> dropped;
  for (uint32_t label : classes[0]) {
    if (label == OTHER || label_arity(label) != 1 || test_alph_member(held, label)) continue;
    deletions.set(label, {});
    dropped.push_back(label);
  }
  free_alph(held);
  rewrite_arcs(net, deletions, false);
  for (uint32_t symbol : dropped) {
    alph_remove_from(net->labels, symbol, 0);
    alph_remove_from(sigma, symbol, 0);
  }
  return net;
}

extern "C" {

KORA_API NET *substitute_symbol(uint32_t symbol, ALPH *list, NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return substitute_and_minimize("substitute_symbol", symbol, list, net, copy, false);
  });
}

KORA_API NET *substitute_label(uint32_t label, ALPH *list, NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return substitute_and_minimize("substitute_label", label, list, net, copy, true);
  });
}

KORA_API NET *close_sigma(NET *net, ALPH *symbols, int copy, int minimize) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("close_sigma: argument is NULL.");
      return nullptr;
    }
    if (check_plain_net(net) || check_net_label_map(net)) return net;
    if (copy == 1 && (net = copy_fsm(net)) == nullptr) return nullptr;
    ALPH *sigma = net_sigma(net);
    if (test_alph_member(sigma, OTHER)) {
      // OTHER comes to mean exactly the given symbols that the network does not know yet.
      ALPH *fresh = nullptr;
      if (symbols != nullptr) {
        fresh = make_alph(0, KORA_BINARY_ALPH);
        for (uint32_t symbol : members_of(symbols))
          if (label_arity(symbol) == 1 && !test_alph_member(sigma, symbol))
            alph_add_to(fresh, symbol, 0);
      }
      net = substitute_worker(net, OTHER, fresh, 0, false, fresh != nullptr);
      free_alph(fresh);
    }
    if (test_alph_member(net->sigma, OTHER))
      warning("close_sigma: Sigma not closed.");
    else
      net->flags.closed_sigma = 1;
    return minimize ? min_fsm(net, 0) : net;
  });
}

KORA_API NET *close_net_alphabet(NET *net) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("close_net_alphabet: argument is NULL.");
      return nullptr;
    }
    return close_sigma(net, nullptr, 0, parameter(KORA_MINIMIZE));
  });
}

}  // extern "C"

// --- Harmonization of sigmas ------------------------------------------------------------------

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

}  // namespace kora
