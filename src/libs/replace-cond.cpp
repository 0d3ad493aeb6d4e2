// The bracketing construction of replace rules; see replace-cond.h for what it computes.
//
// Every constraint is written as a language over a view of W: the real symbols (OTHER with
// every marker in its sigma, so that it never stands for one), the markers, and the boundary
// symbol, which wraps every view at both ends so that a context holding ".#." is anchored
// without surgery on the context networks. Constraints on the upper view are composed above
// T0, those on the lower view below it; the markers and the boundary are inserted above and
// removed below at the end.
#include "replace-cond.h"

#include <cstdio>
#include <string>

#include "alph.h"
#include "error.h"
#include "label.h"
#include "modify.h"
#include "var-stack.h"

namespace kora {

// --- Shared helpers ------------------------------------------------------------------------------

uint32_t marker_symbol(const char *name) {
  uint32_t id = ID_NO_SYMBOL;
  intern_symbol(&id, name);
  return id;
}

NET *real_symbol_net(const std::vector<uint32_t> &markers) {
  NET *net = label_net(OTHER);
  for (uint32_t id : markers) alph_add_to(NET_sigma(net), id, 0);
  alph_add_to(NET_sigma(net), BOUNDARY_SYMBOL, 0);
  return net;
}

void keep_markers_out(NET *net, const std::vector<uint32_t> &markers) {
  if (net == nullptr || !test_alph_member(net_sigma(net), OTHER)) return;
  for (uint32_t id : markers) NET_sigma(net) = alph_add_to(NET_sigma(net), id, 0);
}

NET *symbols_net(const std::vector<uint32_t> &ids) {
  NET *net = null_net();
  for (uint32_t id : ids) net = union_net(net, label_net(id), 0, 0);
  return net;
}

NET *drop_symbols(NET *net, const std::vector<uint32_t> &ids) {
  for (uint32_t id : ids) {
    if (test_alph_member(NET_sigma(net), id)) NET_sigma(net) = alph_remove_from(NET_sigma(net), id, 0);
    if (test_alph_member(NET_labels(net), id)) NET_labels(net) = alph_remove_from(NET_labels(net), id, 0);
  }
  return net;
}

namespace {

// Consuming shorthands of the calculus.
NET *cat(NET *a, NET *b) { return concat_net(a, b, 0, 0); }
template <typename... Rest>
NET *cat(NET *a, NET *b, Rest... rest) {
  return cat(cat(a, b), rest...);
}
NET *alt(NET *a, NET *b) { return union_net(a, b, 0, 0); }
NET *star(NET *a) { return zero_plus_net(a, 0); }
NET *isect(NET *a, NET *b) { return intersect_net(a, b, 0, 0); }
NET *minus(NET *a, NET *b) { return minus_net(a, b, 0, 0); }
NET *comp(NET *a, NET *b) { return compose_net(a, b, 0, 0); }
NET *sym(uint32_t id) { return label_net(id); }

bool accepts_empty(NET *net) {
  NET *probe = intersect_net(net, epsilon_net(), 1, 0);
  int result = test_non_null(probe);
  free_network(probe);
  return result != 0;
}

// The markers of one construction and the languages built from them.
class Builder {
 public:
  Builder(std::vector<CondRule> &rules, const CondMode &mode) : rules_(rules), mode_(mode) {
    int n = static_cast<int>(rules.size());
    int digits = static_cast<int>(std::to_string(n).size());
    for (int i = 0; i < n; i++) {
      auto name = [&](const char *prefix, const char *suffix) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%s%d-%0*d%s", prefix, mode.depth, digits, i + 1, suffix);
        uint32_t id = marker_symbol(buffer);
        all_.push_back(id);
        return id;
      };
      open_.push_back(name("*<", "*"));
      close_.push_back(name("*>", "*"));
      left_yes_.push_back(name("*<", "+L*"));
      left_no_.push_back(name("*<", "-L*"));
      right_yes_.push_back(name("*>", "+R*"));
      right_no_.push_back(name("*>", "-R*"));
    }
    gap_ = left_yes_;
    gap_.insert(gap_.end(), left_no_.begin(), left_no_.end());
    gap_.insert(gap_.end(), right_yes_.begin(), right_yes_.end());
    gap_.insert(gap_.end(), right_no_.begin(), right_no_.end());
    for (CondRule &rule : rules_) {
      for (NET *net : {rule.upper, rule.relation, rule.left, rule.right}) keep_markers_out(net, all_);
      empty_.push_back(accepts_empty(rule.upper));
    }
    vars_ = RE2N_create_var_stack();
    RE2N_save_var(vars_, "real_symbol", real_symbol_net(all_));
    RE2N_save_var(vars_, "all_aux", symbols_net(all_));
    RE2N_save_var(vars_, "<all", symbols_net(open_));
    RE2N_save_var(vars_, ">all", symbols_net(close_));
    RE2N_save_var(vars_, "eps+brs", star(symbols_net(gap_)));
  }
  ~Builder() { RE2N_free_var_stack(vars_); }

  NET *build();

 private:
  NET *real() { return RE2N_get_var(vars_, "real_symbol"); }
  NET *markers() { return RE2N_get_var(vars_, "all_aux"); }
  NET *opens() { return RE2N_get_var(vars_, "<all"); }
  NET *closes() { return RE2N_get_var(vars_, ">all"); }
  NET *gaps() { return RE2N_get_var(vars_, "eps+brs"); }
  NET *edge() { return sym(BOUNDARY_SYMBOL); }
  NET *any() { return alt(alt(real(), markers()), edge()); }
  NET *anys() { return star(any()); }
  NET *contains(NET *pattern) { return cat(anys(), pattern, anys()); }
  NET *forbid(NET *pattern) { return neg(contains(pattern)); }
  // The complement over every symbol of the construction: the markers and the boundary are put
  // into the sigma first, since a sigma without them (an empty language has none) would leave
  // the boundary out of the complement; OTHER never stands for it.
  NET *neg(NET *net) {
    for (uint32_t id : all_) NET_sigma(net) = alph_add_to(net_sigma(net), id, 0);
    NET_sigma(net) = alph_add_to(NET_sigma(net), BOUNDARY_SYMBOL, 0);
    return negate_net(net, 0);
  }

  // The gap block of rule i: its left marker (both values only when it has a left context),
  // then its right marker.
  NET *gap_block();
  NET *prefix_language(int i);  // views ending where LEFT_i ends
  NET *suffix_language(int i);  // views starting where RIGHT_i starts
  NET *match(int i);            // nonempty UPPER_i, markers ignored, first and last real
  NET *right_after(int i);      // what may follow a match of rule i for its context to hold

  void upper(NET *constraint) { upper_.push_back(constraint); }
  void lower(NET *constraint) { lower_.push_back(constraint); }
  void context_constraints();
  void obligatory_constraints();
  void directed_constraints();
  void empty_segment_constraints();

  std::vector<CondRule> &rules_;
  const CondMode &mode_;
  std::vector<uint32_t> open_, close_, left_yes_, left_no_, right_yes_, right_no_, gap_, all_;
  std::vector<bool> empty_;
  std::vector<NET *> upper_, lower_;
  VAR_STACK *vars_;
};

NET *Builder::gap_block() {
  NET *block = epsilon_net();
  for (size_t i = 0; i < rules_.size(); i++)
    block = cat(block, rules_[i].left != nullptr ? alt(sym(left_yes_[i]), sym(left_no_[i])) : sym(left_yes_[i]));
  for (size_t i = 0; i < rules_.size(); i++)
    block = cat(block, rules_[i].right != nullptr ? alt(sym(right_yes_[i]), sym(right_no_[i])) : sym(right_yes_[i]));
  return block;
}

NET *Builder::prefix_language(int i) {
  NET *prefix = cat(star(alt(real(), edge())), copy_net(rules_[i].left));
  return ignore_net(prefix, markers(), 0, 0);
}

NET *Builder::suffix_language(int i) {
  NET *suffix = cat(copy_net(rules_[i].right), star(alt(real(), edge())));
  return ignore_net(suffix, markers(), 0, 0);
}

NET *Builder::match(int i) {
  NET *nonempty = minus_net(rules_[i].upper, epsilon_net(), 1, 0);
  NET *ignoring = ignore_net(nonempty, markers(), 0, 0);
  return isect(ignoring, isect(cat(real(), anys()), cat(anys(), real())));
}

NET *Builder::right_after(int i) {
  const CondRule &rule = rules_[i];
  if (rule.right == nullptr) return anys();
  if (!rule.right_lower) return suffix_language(i);
  // On the lower side the context is known only at gaps: right after the match, or after the
  // segment the match ends.
  return cat(optional_net(closes(), 0), gaps(), sym(right_yes_[i]), anys());
}

void Builder::context_constraints() {
  for (size_t i = 0; i < rules_.size(); i++) {
    const CondRule &rule = rules_[i];
    if (rule.left != nullptr) {
      NET *prefix = prefix_language(static_cast<int>(i));
      NET *wrong_yes = cat(minus_net(anys(), prefix, 0, 1), sym(left_yes_[i]), anys());
      NET *wrong_no = cat(prefix, sym(left_no_[i]), anys());
      NET *constraint = isect(neg(wrong_yes), neg(wrong_no));
      rule.left_lower ? lower(constraint) : upper(constraint);
      upper(forbid(cat(sym(left_no_[i]), gaps(), sym(open_[i]))));
    }
    if (rule.right != nullptr) {
      NET *suffix = suffix_language(static_cast<int>(i));
      NET *wrong_yes = cat(anys(), sym(right_yes_[i]), minus_net(anys(), suffix, 0, 1));
      NET *wrong_no = cat(anys(), sym(right_no_[i]), suffix);
      NET *constraint = isect(neg(wrong_yes), neg(wrong_no));
      rule.right_lower ? lower(constraint) : upper(constraint);
      upper(forbid(cat(sym(close_[i]), gaps(), sym(right_no_[i]))));
    }
  }
}

// An empty match of rule i at a gap that touches no segment.
NET *untouched_empty_match(NET *before, uint32_t left, uint32_t right, NET *gaps1, NET *gaps2,
                           NET *gaps3, NET *after) {
  return cat(before, gaps1, sym(left), gaps2, sym(right), gaps3, after);
}

void Builder::obligatory_constraints() {
  for (size_t i = 0; i < rules_.size(); i++) {
    if (rules_[i].optional) continue;
    int rule = static_cast<int>(i);
    upper(forbid(cat(sym(left_yes_[i]), gaps(), match(rule), gaps(), sym(right_yes_[i]))));
    if (empty_[i])
      upper(forbid(untouched_empty_match(alt(real(), edge()), left_yes_[i], right_yes_[i], gaps(), gaps(),
                                         gaps(), alt(real(), edge()))));
  }
}

void Builder::directed_constraints() {
  NET *empty_segments = null_net();
  for (size_t i = 0; i < rules_.size(); i++)
    empty_segments = alt(empty_segments, cat(sym(open_[i]), sym(close_[i])));
  // A gap just after an empty segment is where scanning goes on past that empty match: a match
  // may start there without being chosen.
  NET *scanning = minus(anys(), cat(anys(), empty_segments, gaps()));
  for (size_t i = 0; i < rules_.size(); i++) {
    int rule = static_cast<int>(i);
    // Leftmost: no match starts at a gap outside the segments.
    upper(neg(cat(copy_net(scanning), sym(left_yes_[i]), gaps(), match(rule), right_after(rule))));
    if (empty_[i])
      upper(forbid(untouched_empty_match(alt(real(), edge()), left_yes_[i], right_yes_[i], gaps(), gaps(),
                                         gaps(), alt(real(), edge()))));
    NET *ignoring = ignore_net(copy_net(rules_[i].upper), markers(), 0, 0);
    NET *inside = star(minus(any(), closes()));
    if (mode_.longest) {
      // No match starting where a segment starts runs past the segment's end.
      NET *longer = isect(ignoring, cat(opens(), inside, closes(), anys(), real()));
      upper(neg(cat(anys(), sym(left_yes_[i]), gaps(), longer, right_after(rule))));
    } else {
      free_network(ignoring);
      NET *nonempty = ignore_net(minus_net(rules_[i].upper, epsilon_net(), 1, 0), markers(), 0, 0);
      NET *shorter = isect(nonempty, cat(opens(), inside, real()));
      if (!rules_[i].right_lower || rules_[i].right == nullptr) {
        NET *follow = isect(right_after(rule), cat(real(), anys()));
        upper(neg(cat(anys(), sym(left_yes_[i]), gaps(), shorter, follow)));
      } else {
        free_network(shorter);
      }
      if (empty_[i])
        upper(forbid(cat(sym(left_yes_[i]), gaps(), sym(right_yes_[i]), gaps(), opens(), real())));
    }
  }
  free_network(scanning);
}

void Builder::empty_segment_constraints() {
  NET *empty_segments = null_net();
  bool any_empty = false;
  for (size_t i = 0; i < rules_.size(); i++) {
    if (!empty_[i]) continue;
    any_empty = true;
    empty_segments = alt(empty_segments, cat(sym(open_[i]), sym(close_[i])));
  }
  if (!any_empty) {
    free_network(empty_segments);
    return;
  }
  upper(forbid(cat(closes(), gaps(), copy_net(empty_segments))));
  upper(forbid(cat(empty_segments, gaps(), opens())));
}

NET *Builder::build() {
  NET *segments = null_net();
  for (size_t i = 0; i < rules_.size(); i++) {
    segments = alt(segments, cat(sym(open_[i]), rules_[i].relation, sym(close_[i])));
    rules_[i].relation = nullptr;
  }
  NET *block = gap_block();
  NET *t0 = cat(edge(), copy_net(block), star(cat(alt(real(), segments), copy_net(block))), edge());
  free_network(block);

  context_constraints();
  if (mode_.directed)
    directed_constraints();
  else
    obligatory_constraints();
  empty_segment_constraints();

  NET *result = t0;
  for (NET *constraint : upper_) result = comp(constraint, result);
  for (NET *constraint : lower_) result = comp(result, constraint);
  upper_.clear();
  lower_.clear();

  NET *removal = real();
  for (uint32_t id : all_) removal = alt(removal, pair_net(id, EPSILON));
  removal = cat(pair_net(BOUNDARY_SYMBOL, EPSILON), star(removal), pair_net(BOUNDARY_SYMBOL, EPSILON));
  NET *insertion = invert_net(copy_net(removal), 0);
  result = comp(comp(insertion, result), removal);
  std::vector<uint32_t> dropped = all_;
  dropped.push_back(BOUNDARY_SYMBOL);
  drop_symbols(result, dropped);
  minimize_net(result);
  return compact_sigma(result);
}

// The rules read backwards: reversed languages, left and right contexts exchanged.
void reverse_rules(std::vector<CondRule> &rules) {
  for (CondRule &rule : rules) {
    rule.upper = reverse_net(rule.upper, 0);
    rule.relation = reverse_net(rule.relation, 0);
    NET *left = rule.right != nullptr ? reverse_net(rule.right, 0) : nullptr;
    NET *right = rule.left != nullptr ? reverse_net(rule.left, 0) : nullptr;
    rule.left = left;
    rule.right = right;
    std::swap(rule.left_lower, rule.right_lower);
  }
}

}  // namespace

NET *cond_replace(std::vector<CondRule> &rules, const CondMode &mode) {
  auto release = [&]() {
    for (CondRule &rule : rules) {
      for (NET *net : {rule.upper, rule.relation, rule.left, rule.right}) free_network(net);
      rule = CondRule();
    }
  };
  if (mode.depth > 20) {
    error_printf("cond_repl_unidir: Recursion depth > %d reached.", 20);
    release();
    return null_net();
  }
  bool reversed = mode.directed && !mode.left_to_right;
  if (reversed) reverse_rules(rules);
  NET *result;
  {
    Builder builder(rules, mode);
    result = builder.build();
  }
  release();
  if (reversed) result = reverse_net(result, 0);
  if (mode.upward) result = invert_net(result, 0);
  return result;
}

}  // namespace kora
