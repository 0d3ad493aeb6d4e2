// Replace rules and restriction against a brute-force reference.
//
// The reference enumerates every way of cutting an input string into replaced segments and
// unreplaced symbols, builds the output, and keeps the cuttings that satisfy the definitions:
// segments in context; for obligatory rules no unreplaced match in context; for directed rules
// no match starting outside the segments and none longer (shorter) than a segment from its
// start; empty segments never touching another segment. Contexts are read on the input or the
// output as the separator says. Every input up to four symbols over {a, b, c, d, z} (z unknown
// to every network) is compared with the compiled transducer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "kora_test.h"
#include "label.h"
#include "alph.h"
#include "language.h"
#include "replace.h"

// The table rows leave trailing members at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using kora_test::Library;
using kora_test::messages;
using Str = std::string;  // one character per symbol; '#' is the boundary in contexts

struct Ctx {
  bool has_left = false, has_right = false;
  std::vector<Str> left, right;
};
Ctx ctx(std::vector<Str> left, std::vector<Str> right) {
  return Ctx{!left.empty(), !right.empty(), left, right};
}

struct RefRule {
  std::vector<Str> upper, lower;
  bool insertion = false;  // lower = lower[0] ... lower[1]
};

struct Group {
  std::vector<RefRule> rules;
  int context = -1;
  std::vector<Ctx> contexts;
};

struct Case {
  const char *name;
  int arrow;
  std::vector<Group> groups;
  bool mark = false;  // [. UPPER .]
};

// --- The reference -------------------------------------------------------------------------------

struct Quad {
  std::set<Str> upper;
  std::vector<Str> lower;
  bool insertion;
  Ctx ctx;
  bool left_lower, right_lower, optional;
};

struct Seg {
  int p, q, rule;
  Str out;
  int out_start = 0, out_end = 0;
};

bool left_holds(const Quad &r, const Str &s, int end) {
  if (!r.ctx.has_left) return true;
  for (const Str &l : r.ctx.left) {
    if (!l.empty() && l[0] == '#') {
      if (s.substr(0, end) == l.substr(1)) return true;
    } else if (static_cast<int>(l.size()) <= end && s.compare(end - l.size(), l.size(), l) == 0) {
      return true;
    }
  }
  return false;
}

bool right_holds(const Quad &r, const Str &s, int start) {
  if (!r.ctx.has_right) return true;
  for (const Str &l : r.ctx.right) {
    if (!l.empty() && l.back() == '#') {
      if (s.substr(start) == l.substr(0, l.size() - 1)) return true;
    } else if (s.compare(start, l.size(), l) == 0 && start + l.size() <= s.size()) {
      return true;
    }
  }
  return false;
}

struct Mode {
  bool directed = false, longest = true;
};

// Whether the cutting `segs` of x (with output y) satisfies the definitions.
bool valid(const Str &x, std::vector<Seg> &segs, const std::vector<Quad> &rules, const Mode &mode, Str *out) {
  int n = static_cast<int>(x.size());
  Str &y = *out;
  std::vector<int> before(n + 1, -1), after(n + 1, -1);
  std::vector<bool> covered(n + 1, false), inside(n + 1, false), starts(n + 1, false), ends(n + 1, false), empty_at(n + 1, false);
  size_t k = 0;
  for (int p = 0; p <= n;) {
    if (before[p] < 0) before[p] = static_cast<int>(y.size());
    if (k < segs.size() && segs[k].p == p) {
      Seg &s = segs[k++];
      starts[p] = true;
      s.out_start = static_cast<int>(y.size());
      y += s.out;
      s.out_end = static_cast<int>(y.size());
      if (s.q == p) {
        empty_at[p] = true;
        continue;
      }
      for (int i = p + 1; i < s.q; i++) inside[i] = true;
      for (int i = p; i < s.q; i++) covered[i] = true;
      after[p] = s.out_start;
      p = s.q;
      ends[p] = true;
      before[p] = static_cast<int>(y.size());
      continue;
    }
    after[p] = static_cast<int>(y.size());
    if (p == n) break;
    y += x[p];
    p++;
  }
  auto lh = [&](const Quad &r, int p, int out) { return left_holds(r, r.left_lower ? y : x, r.left_lower ? out : p); };
  auto rh = [&](const Quad &r, int q, int out) { return right_holds(r, r.right_lower ? y : x, r.right_lower ? out : q); };
  for (const Seg &s : segs)
    if (!lh(rules[s.rule], s.p, s.out_start) || !rh(rules[s.rule], s.q, s.out_end)) return false;
  auto untouched = [&](int p) { return !inside[p] && !starts[p] && !ends[p]; };
  for (const Quad &r : rules) {
    bool empty_rule = r.upper.count("") > 0;
    if (empty_rule && (mode.directed || !r.optional))
      for (int p = 0; p <= n; p++)
        if (untouched(p) && lh(r, p, before[p]) && rh(r, p, before[p])) return false;
    for (int p = 0; p < n; p++)
      for (int q = p + 1; q <= n; q++) {
        if (!r.upper.count(x.substr(p, q - p))) continue;
        if (!mode.directed) {
          bool free = !r.optional;
          for (int i = p; i < q && free; i++) free = !covered[i] && (i == p || !empty_at[i]);
          if (free && lh(r, p, after[p]) && rh(r, q, before[q])) return false;
        } else if (!inside[p] && !starts[p] && lh(r, p, after[p]) &&
                   (r.right_lower ? (!inside[q] && rh(r, q, before[q])) : rh(r, q, 0))) {
          return false;  // a match starts outside the segments
        }
      }
  }
  if (mode.directed)
    for (const Seg &s : segs)
      for (const Quad &r : rules) {
        if (!lh(r, s.p, s.out_start)) continue;
        for (int q = s.p; q <= n; q++) {
          if (!r.upper.count(x.substr(s.p, q - s.p))) continue;
          if (mode.longest && q > s.q && (r.right_lower ? (!inside[q] && rh(r, q, before[q])) : rh(r, q, 0)))
            return false;
          if (!mode.longest && q < s.q && q > s.p && !r.right_lower && rh(r, q, 0)) return false;
          if (!mode.longest && q == s.p && s.q > s.p && rh(r, q, s.out_start)) return false;
        }
      }
  return true;
}

std::set<Str> reference(const Str &x, const std::vector<Quad> &rules, const Mode &mode) {
  std::set<Str> outputs;
  int n = static_cast<int>(x.size());
  std::vector<Seg> segs;
  // state: 0 free, 1 after a nonempty segment, 2 after an empty segment
  std::function<void(int, int)> walk = [&](int p, int state) {
    if (p == n) {
      std::vector<Seg> copy = segs;
      Str y;
      if (valid(x, copy, rules, mode, &y)) outputs.insert(y);
    }
    if (p < n) walk(p + 1, 0);
    if (state == 2) return;
    for (size_t r = 0; r < rules.size(); r++)
      for (int q = p; q <= n; q++) {
        Str u = x.substr(p, q - p);
        if (!rules[r].upper.count(u) || (q == p && state == 1)) continue;
        std::vector<Str> outs;
        if (rules[r].insertion)
          outs.push_back(rules[r].lower[0] + u + rules[r].lower[1]);
        else
          outs = rules[r].lower;
        if (mode.directed && rules[r].optional) outs.push_back(u);
        for (const Str &o : outs) {
          segs.push_back(Seg{p, q, static_cast<int>(r), o});
          walk(q, q == p ? 2 : 1);
          segs.pop_back();
        }
      }
  };
  walk(0, 0);
  return outputs;
}

Str reversed(Str s) {
  std::reverse(s.begin(), s.end());
  return s;
}

// --- Building the networks ------------------------------------------------------------------

NET *string_net(const Str &s) {
  NET *net = epsilon_net();
  for (char c : s) net = concat_net(net, label_net(c == '#' ? kora::BOUNDARY_SYMBOL : static_cast<uint32_t>(c)), 0, 0);
  return net;
}

NET *strings_net(const std::vector<Str> &strings) {
  NET *net = null_net();
  for (const Str &s : strings) net = union_net(net, string_net(s), 0, 0);
  return net;
}

NET *lower_net(const RefRule &rule) {
  if (rule.insertion) return kora::make_insertion(string_net(rule.lower[0]), string_net(rule.lower[1]));
  return strings_net(rule.lower);
}

NV *contexts_of(const std::vector<Ctx> &list) {
  NV *contexts = nullptr;
  for (const Ctx &x : list)
    contexts = kora::append_context(contexts, kora::make_context(x.has_left ? strings_net(x.left) : nullptr,
                                                                  x.has_right ? strings_net(x.right) : nullptr));
  return contexts;
}

kora::REPL_RULES *record_of(const Case &c, const Group &g, bool upward) {
  kora::REPL_RULES *group = nullptr;
  for (const RefRule &rule : g.rules) {
    NET *match = strings_net(rule.upper);
    if (c.mark) kora::mark_epsilon_brackets(match);
    NET *replacement = lower_net(rule);
    group = kora::append_rule(group, upward ? kora::make_replace_rule(replacement, c.arrow, match)
                                            : kora::make_replace_rule(match, c.arrow, replacement));
  }
  if (g.context < 0) return group;
  // Upward rules read the contexts on the other side; the reference is the downward rule.
  int code = upward ? 3 - g.context : g.context;
  return kora::attach_contexts(group, code, contexts_of(g.contexts));
}

NET *compile(const Case &c, bool upward) {
  bool contexts = false;
  for (const Group &g : c.groups) contexts = contexts || g.context >= 0;
  if (!contexts) return kora::compile_replace_group(record_of(c, c.groups[0], upward));
  kora::REPL_RULES *list = nullptr;
  for (const Group &g : c.groups) list = kora::append_group(list, record_of(c, g, upward));
  return kora::compile_parallel_replace(list);
}

std::vector<Quad> quads_of(const Case &c, int kind, bool optional) {
  std::vector<Quad> quads;
  for (const Group &g : c.groups)
    for (const RefRule &rule : g.rules) {
      std::set<Str> upper(rule.upper.begin(), rule.upper.end());
      std::vector<Ctx> contexts = g.contexts.empty() ? std::vector<Ctx>{Ctx{}} : g.contexts;
      for (const Ctx &x : contexts)
        quads.push_back(Quad{upper, rule.lower, rule.insertion, x, g.context == 1 || g.context == 3,
                             g.context == 2 || g.context == 3, optional});
    }
  if (kind == 4 || kind == 6)  // right to left: the reversed rules
    for (Quad &q : quads) {
      std::set<Str> up;
      for (const Str &u : q.upper) up.insert(reversed(u));
      q.upper = up;
      for (Str &l : q.lower) l = reversed(l);
      if (q.insertion) std::swap(q.lower[0], q.lower[1]);
      Ctx swapped{q.ctx.has_right, q.ctx.has_left, {}, {}};
      for (const Str &s : q.ctx.right) swapped.left.push_back(reversed(s));
      for (const Str &s : q.ctx.left) swapped.right.push_back(reversed(s));
      q.ctx = swapped;
      std::swap(q.left_lower, q.right_lower);
    }
  return quads;
}

using Outputs = std::map<Str, std::set<Str>>;

Outputs reference_outputs(const Case &c, int kind, bool optional, const Str &alphabet, size_t length) {
  std::vector<Quad> quads = quads_of(c, kind, optional);
  Mode mode{kind >= 3, kind == 3 || kind == 4};
  bool backwards = kind == 4 || kind == 6;
  Outputs result;
  std::function<void(Str)> all = [&](Str x) {
    std::set<Str> outs;
    for (const Str &y : reference(backwards ? reversed(x) : x, quads, mode)) outs.insert(backwards ? reversed(y) : y);
    result[x] = outs;
    if (x.size() < length)
      for (char ch : alphabet) all(x + ch);
  };
  all("");
  return result;
}

Outputs transducer_outputs(NET *net, const Str &alphabet, size_t length) {
  kora_test::Symbols universe(alphabet.begin(), alphabet.end());
  Outputs result;
  for (const auto &pair : kora_test::enumerate(net, universe, length, 4 * length + 4)) {
    Str x(pair.first.begin(), pair.first.end()), y(pair.second.begin(), pair.second.end());
    result[x].insert(y);
  }
  return result;
}

Str show(const Outputs &outputs, const Str &x) {
  Str s = "'" + x + "' ->";
  auto it = outputs.find(x);
  if (it != outputs.end())
    for (const Str &y : it->second) s.append(" '").append(y).append("'");
  return s;
}

class Replace : public Library {};

RefRule rule(std::vector<Str> upper, std::vector<Str> lower) { return RefRule{upper, lower, false}; }
RefRule insert(std::vector<Str> upper, Str before, Str after) { return RefRule{upper, {before, after}, true}; }
const std::vector<Str> kAPlus = {"a", "aa", "aaa", "aaaa", "aaaaa"};

// Each case is compiled for the arrows listed and compared with the reference on every input.
struct Row {
  Case c;
  std::vector<int> arrows;
};

std::vector<Row> table() {
  std::vector<int> all_down = {0, 10, 3, 13, 4, 14, 5, 15, 6, 16};
  std::vector<int> directed = {3, 4, 5, 6, 13};
  return {
      {{"a to b", 0, {{{rule({"a"}, {"b"})}}}}, all_down},
      {{"ab or b to x", 0, {{{rule({"ab", "b"}, {"x"})}}}}, all_down},
      {{"a+ to x", 0, {{{rule(kAPlus, {"x"})}}}}, all_down},
      {{"ab deleted, ba to cd", 0, {{{rule({"ab"}, {""}), rule({"ba"}, {"cd"})}}}}, all_down},
      {{"cross product", 0, {{{rule({"a", "ab"}, {"x", "yy"})}}}}, {0, 3, 5}},
      {{"insertion", 0, {{{insert({"a", "b"}, "c", "d")}}}}, {0, 3, 4, 5}},
      {{"a to b || c _ d", 0, {{{rule({"a"}, {"b"})}, 0, {ctx({"c"}, {"d"})}}}}, {0, 10}},
      {{"a to b // a _", 0, {{{rule({"a"}, {"b"})}, 1, {ctx({"a"}, {})}}}}, {0, 10, 4, 6}},
      {{"a to b || a _", 0, {{{rule({"a"}, {"b"})}, 0, {ctx({"a"}, {})}}}}, {0, 3, 4}},
      {{"a to b \\\\ _ a", 0, {{{rule({"a"}, {"b"})}, 2, {ctx({}, {"a"})}}}}, {0, 10, 4, 6}},
      {{"a to b \\/ b _", 0, {{{rule({"a"}, {"b"})}, 3, {ctx({"b"}, {})}}}}, {0, 10, 4, 6}},
      {{"aa to a // a _", 0, {{{rule({"aa"}, {"a"})}, 1, {ctx({"a"}, {})}}}}, {0}},
      {{"boundaries", 0, {{{rule({"a"}, {"x"})}, 0, {ctx({"#"}, {}), ctx({}, {"#"})}}}}, {0, 3, 10}},
      {{"two contexts", 0, {{{rule({"a", "aa"}, {"x"})}, 0, {ctx({"c"}, {}), ctx({}, {"b", "d"})}}}}, {0, 3, 5}},
      {{"parallel", 0, {{{rule({"a"}, {"b"}), rule({"b"}, {"a"})}}}}, {0, 3}},
      {{"two groups", 0, {{{rule({"a"}, {"b"})}, 0, {ctx({"c"}, {})}}, {{rule({"b"}, {"c"})}, 3, {ctx({}, {"c"})}}}},
       {0, 10}},
      {{"directed in context", 0, {{{rule({"ab", "b", "bb"}, {"x"})}, 0, {ctx({"a", "#"}, {})}}}}, directed},
      {{"[. .] to x", 0, {{{rule({""}, {"x"})}}}, true}, {0, 3}},
      {{"[. a* .] to x", 0, {{{rule({"", "a", "aa", "aaa", "aaaa", "aaaaa"}, {"x"})}}}, true}, {0, 3, 5}},
      {{"empty upper", 0, {{{rule({}, {"x"})}}}}, {0, 3}},
  };
}

class ReplaceTable : public Library, public ::testing::WithParamInterface<size_t> {};

TEST_P(ReplaceTable, EveryArrowAgreesWithTheReference) {
  const Str alphabet = "abcdz";
  const std::vector<Row> rows = table();
  const Row &row = rows[GetParam()];
  {
    for (int arrow : row.arrows) {
      Case c = row.c;
      c.arrow = arrow;
      SCOPED_TRACE(::testing::Message() << c.name << " arrow " << arrow);
      NET *net = compile(c, false);
      ASSERT_NE(net, nullptr);
      Outputs got = transducer_outputs(net, alphabet, 4);
      Outputs want = reference_outputs(c, arrow % 10, arrow >= 10, alphabet, 4);
      int shown = 0;
      for (const auto &entry : want)
        if (got[entry.first] != entry.second && shown++ < 3)
          ADD_FAILURE() << "want " << show(want, entry.first) << "\n got " << show(got, entry.first);
      free_network(net);
      EXPECT_TRUE(messages().errors.empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, ReplaceTable, ::testing::Range<size_t>(0, table().size()));

}  // namespace

namespace {

// Upward arrows are the downward rule read from the lower side: compiled with the match in the
// lower slot and the contexts on the other side, their inverse agrees with the reference.
TEST_F(Replace, UpwardArrowsMirrorTheDownwardOnes) {
  const std::map<int, int> downward = {{1, 0}, {11, 10}, {7, 3}, {8, 4}, {9, 5}, {-1, 6}, {17, 13}, {-11, 16}};
  const Str alphabet = "abcdz";
  const std::vector<Row> rows = table();
  for (size_t index : {size_t{2}, size_t{5}, size_t{6}, size_t{16}}) {
    const Row &row = rows[index];
    for (auto [up, down] : downward) {
      if (std::find(row.arrows.begin(), row.arrows.end(), down) == row.arrows.end()) continue;
      Case c = row.c;
      c.arrow = up;
      SCOPED_TRACE(::testing::Message() << c.name << " arrow " << up);
      NET *net = invert_net(compile(c, true), 0);
      Outputs got = transducer_outputs(net, alphabet, 3);
      Outputs want = reference_outputs(c, down % 10, down >= 10, alphabet, 3);
      for (const auto &entry : want) EXPECT_EQ(got[entry.first], entry.second) << entry.first;
      free_network(net);
    }
  }
}

std::set<Str> outputs_of(NET *net, const Str &input) {
  Outputs all = transducer_outputs(net, "abcdz", input.size());
  return all[input];
}

TEST_F(Replace, TwoWayArrowReplacesAndRequiresTheReplacement) {
  NET *net = kora::compile_replace_group(kora::make_replace_rule(string_net("a"), 2, string_net("b")));
  EXPECT_EQ(outputs_of(net, "cac"), (std::set<Str>{"cbc"}));
  EXPECT_EQ(outputs_of(net, "c"), (std::set<Str>{"c"}));
  EXPECT_TRUE(outputs_of(net, "ab").empty());  // a "b" on the lower side must come from an "a"
  free_network(net);
  kora::REPL_RULES *rules = kora::attach_contexts(kora::make_replace_rule(string_net("a"), 2, string_net("b")), 0,
                                                  kora::make_context(string_net("c"), nullptr));
  net = kora::compile_parallel_replace(rules);
  EXPECT_EQ(outputs_of(net, "cad"), (std::set<Str>{"cbd"}));
  EXPECT_EQ(outputs_of(net, "dad"), (std::set<Str>{"dad"}));
  free_network(net);
  EXPECT_TRUE(messages().errors.empty());
}

// The table's rules match finite sets of strings: a cyclic UPPER, and an UPPER of any symbol,
// which replaces the unknown ones too.
TEST_F(Replace, CyclicAndOtherMatches) {
  NET *net = kora::compile_replace_group(kora::make_replace_rule(one_plus_net(string_net("a"), 0), 3, string_net("x")));
  EXPECT_EQ(outputs_of(net, "aaa"), (std::set<Str>{"x"}));
  free_network(net);
  net = kora::compile_replace_group(kora::make_replace_rule(label_net(KORA_OTHER), 0, string_net("x")));
  EXPECT_EQ(outputs_of(net, "az"), (std::set<Str>{"xx"}));
  free_network(net);
  EXPECT_TRUE(messages().errors.empty());
}

bool same(NET *a, NET *b) {
  minimize_net(a);
  minimize_net(b);
  bool equal = test_equivalent(a, b) != 0;
  free_network(b);
  return equal;
}

TEST_F(Replace, OnlyOneInsertionPointPerInsertion) {
  NET *inner = kora::make_insertion(string_net("a"), nullptr);
  NET *net = kora::make_insertion(inner, string_net("b"));
  EXPECT_EQ(messages().errors, std::vector<std::string>{"Only one '...' allowed in an insert clause!"});
  NET *want = concat_net(concat_net(string_net("a"), label_net(kora::insertion_symbol()), 0, 0), string_net("b"), 0, 0);
  EXPECT_TRUE(same(net, want));
  free_network(net);
}

// --- Restriction ---------------------------------------------------------------------------------

std::set<Str> accepted(NET *net, size_t length) {
  std::set<Str> result;
  for (const auto &entry : transducer_outputs(net, "abcz", length))
    if (!entry.second.empty()) result.insert(entry.first);
  return result;
}

TEST_F(Replace, OnlyInContextsAgreesWithTheReference) {
  std::vector<Ctx> contexts = {ctx({"b"}, {"c"}), ctx({"#"}, {})};
  NET *net = kora::compile_restriction(strings_net({"a", "aa"}), 0, contexts_of(contexts));
  std::set<Str> want;
  std::function<void(Str)> all = [&](Str s) {
    bool ok = true;
    for (size_t p = 0; p < s.size(); p++)
      for (size_t q = p + 1; q <= s.size(); q++) {
        Str u = s.substr(p, q - p);
        if (u != "a" && u != "aa") continue;
        bool site = false;
        for (const Ctx &x : contexts) {
          Quad r{{}, {}, false, x, false, false, false};
          site = site || (left_holds(r, s, static_cast<int>(p)) && right_holds(r, s, static_cast<int>(q)));
        }
        ok = ok && site;
      }
    if (ok) want.insert(s);
    if (s.size() < 4)
      for (char ch : Str("abcz")) all(s + ch);
  };
  all("");
  EXPECT_EQ(accepted(net, 4), want);
  free_network(net);
}

// a => b _ c (0), a <= b _ c (1) and a <=> b _ c (2) on a few strings.
TEST_F(Replace, RestrictionEdgeCases) {
  const struct {
    int arrow;
    const char *string;
    bool accepted;
  } cases[] = {{0, "bac", true},  {0, "ac", false},  {1, "bac", true}, {1, "bzc", false},
               {1, "bc", false},  {1, "ac", true},   {2, "bac", true}, {2, "ac", false},
               {2, "bzc", false}};
  for (const auto &c : cases) {
    NET *net =
        kora::compile_restriction(string_net("a"), c.arrow, contexts_of({ctx({"b"}, {"c"})}));
    EXPECT_EQ(accepted(net, 3).count(c.string), c.accepted ? 1u : 0u) << c.arrow << c.string;
    free_network(net);
  }
  EXPECT_TRUE(messages().errors.empty());
}

// Each refused rule reports its errors and answers with [?*], with a network that accepts
// nothing, or (an insertion in UPPER) with what is left of the rule.
TEST_F(Replace, RefusalsReportAndGiveTheirResults) {
  enum Answer { kNothing, kUniversal, kLeft };
  const struct {
    std::vector<std::string> errors;
    Answer answer;
    NET *(*compile)();
  } cases[] = {
      {{"Error in parallel replacement: All UPPER, LOWER, LEFT and RIGHT must be simple fsm, and no "
        "transducers.\n."},
       kUniversal,
       [] { return kora::compile_replace_group(kora::make_replace_rule(pair_net('a', 'b'), 0, string_net("x"))); }},
      {{"Invalid arrow type"}, kUniversal,
       [] { return kora::compile_replace_group(kora::make_replace_rule(string_net("a"), 25, string_net("x"))); }},
      {{"In parallel replacement: Arrow variable must not have value 42."}, kNothing,
       [] {
         return kora::compile_parallel_replace(kora::attach_contexts(
             kora::make_replace_rule(string_net("a"), 42, string_net("x")), 0, kora::make_context(string_net("c"), nullptr)));
       }},
      {{"Error in parallel replacement: wrong context direction."}, kUniversal,
       [] {
         return kora::compile_parallel_replace(kora::attach_contexts(
             kora::make_replace_rule(string_net("a"), 0, string_net("x")), 7, kora::make_context(string_net("c"), nullptr)));
       }},
      {{"INSERT_SYMBOL occurred in LEFT context."}, kNothing,
       [] {
         return kora::compile_parallel_replace(
             kora::attach_contexts(kora::make_replace_rule(string_net("a"), 0, string_net("x")), 0,
                                   kora::make_context(kora::make_insertion(string_net("c"), nullptr), nullptr)));
       }},
      {{"INSERT_SYMBOL occurred in UPPER."}, kLeft,
       [] {
         return kora::compile_replace_group(
             kora::make_replace_rule(kora::make_insertion(string_net("a"), nullptr), 3, string_net("x")));
       }},
      {{"Chunk markers must not contain OTHER."}, kNothing,
       [] {
         return kora::compile_replace_group(
             kora::make_replace_rule(string_net("a"), 0, kora::make_insertion(label_net(KORA_OTHER), nullptr)));
       }},
      {{"Error in a restrict statement. CENTER must be a simple network, not a transducer.",
        "Aborting. Returning [?*] instead."},
       kUniversal, [] { return kora::compile_restriction(pair_net('a', 'b'), 0, contexts_of({ctx({"b"}, {})})); }},
      {{"Every context of the restrict operation has to be a simple FSM and not a transducer.",
        "Aborting. Returning [?*] instead."},
       kUniversal, [] { return kora::compile_restriction(string_net("a"), 1, kora::make_context(pair_net('a', 'b'), nullptr)); }},
      {{"During restriction in multiple contexts: Wrong arrow type: 5"}, kUniversal,
       [] { return kora::compile_restriction(string_net("a"), 5, contexts_of({ctx({"b"}, {})})); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.errors[0]);
    messages().clear();
    NET *net = c.compile();
    EXPECT_EQ(messages().errors, c.errors);
    if (c.answer == kUniversal) {
      EXPECT_TRUE(same(net, kleene_star_net()));
    } else if (c.answer == kNothing) {
      EXPECT_EQ(test_non_null(net), 0);
    }
    free_network(net);
  }
}

}  // namespace
