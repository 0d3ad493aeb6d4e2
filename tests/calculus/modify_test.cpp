// Substitution, sigma closure and sigma compaction, checked against the enumeration oracle on
// seeded random networks, and the refusals of substitution.

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "modify.h"
#include "operator_oracle.h"
#include "struct.h"

namespace {

using kora_test::enumerate;
using kora_test::messages;
using operator_oracle::for_seeds;
using kora_test::Relation;
using kora_test::Symbols;

class ModifyTest : public kora_test::Library {};

uint32_t id(const char *name) { return kora::symbol_id(name); }

// A label-form alphabet of the ids; the caller frees it.
ALPH *list_of(const Symbols &ids) {
  return kora::labels_to_alph(ids.data(), static_cast<int>(ids.size()), KORA_LABEL_ALPH);
}

std::set<uint32_t> arc_labels(const NET *net) {
  std::set<uint32_t> labels;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *a = s->arcs; a != nullptr; a = a->next) labels.insert(a->label);
  return labels;
}

// A random network with a few more arcs with OTHER on a side: OTHER, and for `pairs` also
// OTHER:OTHER and b:OTHER.
NET *with_other_arcs(std::mt19937 &random, kora_test::RandomNetOptions options, bool pairs) {
  NET *net = kora_test::random_net(random, options);
  int_parameters()->word[KORA_VERBOSE] = 0;  // duplicates are skipped quietly
  std::vector<STATE *> states;
  for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
  Symbols labels{kora::OTHER};
  if (pairs)
    labels.insert(labels.end(), {kora::pair_id(kora::OTHER, kora::OTHER), kora::pair_id(id("b"), kora::OTHER)});
  for (int i = random() % 3; i > 0; i--)
    add_arc_to_state(net, states[random() % states.size()], labels[random() % labels.size()],
                     states[random() % states.size()], nullptr, 0);
  return net;
}

// The spellings of `word` with each x replaced by each member, in every combination.
std::vector<Symbols> spellings(const Symbols &word, uint32_t x, const Symbols &members) {
  std::vector<Symbols> partial{{}};
  for (uint32_t symbol : word) {
    std::vector<Symbols> longer;
    for (const Symbols &prefix : partial)
      for (uint32_t choice : symbol == x ? members : Symbols{symbol})
        longer.push_back(operator_oracle::joined(prefix, {choice}));
    partial = std::move(longer);
  }
  return partial;
}

// What substituting x by members makes of a relation: exact for languages, and for transducers
// when there is at most one member (the two sides are then rewritten independently).
Relation substituted(const Relation &relation, uint32_t x, const Symbols &members) {
  Relation result;
  for (const auto &[upper, lower] : relation)
    for (const Symbols &u : spellings(upper, x, members))
      if (upper == lower)
        result.insert({u, u});
      else
        for (const Symbols &l : spellings(lower, x, members)) result.insert({u, l});
  return result;
}

TEST_F(ModifyTest, SubstituteSymbolAgreesWithTheOracle) {
  const uint32_t a = id("a"), b = id("b"), d = id("d");
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    kora_test::RandomNetOptions options;
    options.transducer = seed % 3 == 0;
    options.epsilon = seed % 2 == 0;
    const bool minimize = !options.epsilon && !options.transducer;  // paths stay word-long
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    NET *net = kora_test::random_net(random, options);
    Symbols members;
    if (seed % 5 != 0) members.push_back(seed % 4 == 0 ? b : d);
    if (!options.transducer)
      for (uint32_t s : {a, b})
        if (random() % 2) members.push_back(s);
    ALPH *list = list_of(members);
    const Symbols universe = kora_test::universe_of({net});
    const Relation before = enumerate(net, universe, 4);
    const bool knows_a = test_alph_member(net->sigma, a);
    NET *result = substitute_symbol(a, list, net, 1);
    EXPECT_EQ(enumerate(result, universe, 4), substituted(before, a, members))
        << "before: " << kora_test::describe(before);
    EXPECT_EQ(enumerate(net, universe, 4), before) << "the argument is left alone";
    if (knows_a && !minimize) {  // a leaves the sigma unless listed; the members join it
      for (uint32_t s : operator_oracle::joined(members, {a}))
        EXPECT_EQ(test_alph_member(result->sigma, s) != 0, s != a || std::count(members.begin(), members.end(), a));
    }
    for (NET *n : {net, result}) free_network(n);
    kora::free_alph(list);
  }, 1);
}

// Label mode replaces only the label a:x, not a itself, and keeps the arc's user pointer.
TEST_F(ModifyTest, SubstituteLabelReplacesOnlyThatLabel) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  const uint32_t a = id("a"), ax = kora::pair_id(a, id("x")), y = id("y");
  NET *net = null_net();
  STATE *final = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, a, final, nullptr, 0);
  add_arc_to_state(net, net->start, ax, final, reinterpret_cast<void *>(7), 1);
  ALPH *list = list_of({y});
  NET *result = substitute_label(ax, list, net, 1);
  EXPECT_EQ(arc_labels(result), (std::set<uint32_t>{a, y}));
  EXPECT_EQ(arc_labels(net), (std::set<uint32_t>{a, ax})) << "copy 1";
  for (const ARC *arc = result->start->arcs; arc != nullptr; arc = arc->next)
    if (arc->label == y) { EXPECT_EQ(kora::arc_user_pointer(arc), reinterpret_cast<void *>(7)); }
  for (NET *n : {net, result}) free_network(n);
  kora::free_alph(list);
}

TEST_F(ModifyTest, SubstituteRefusalsChangeNothing) {
  const uint32_t a = id("a"), b = id("b"), ab = kora::pair_id(a, b);
  NET *net = symbol_net("a");
  ALPH *pair = list_of({ab}), *plain = list_of({b}), *bad = list_of({b});
  bad->items[0] = 0xABCDEF;  // never given out
  EXPECT_EQ(substitute_symbol(ab, plain, net, 1), net);
  EXPECT_EQ(substitute_symbol(a, pair, net, 1), net);
  EXPECT_EQ(substitute_label(a, bad, net, 1), net);
  net->flags2.reduced_labelset = 1;
  EXPECT_EQ(substitute_symbol(a, plain, net, 0), net);
  net->flags2.reduced_labelset = 0;
  EXPECT_EQ(substitute_symbol(a, plain, nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"Cannot substitute for an fstpair.",
                                      "Cannot substitute an fstpair.",
                                      "substitute_worker: Bad label id: 11259375",
                                      "Cannot do this operation on a network with reduced labelsets.",
                                      "substitute_symbol: argument is NULL."}));
  EXPECT_EQ(arc_labels(net), std::set<uint32_t>{a});
  free_network(net);
  for (ALPH *list : {pair, plain, bad}) kora::free_alph(list);
}

// x:a and x:b leave one state: substituting a by b merges them, and the result must no longer
// claim to be deterministic or minimized.
TEST_F(ModifyTest, SubstitutionThatMergesLabelsDropsDeterminism) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  const uint32_t a = id("a"), b = id("b"), x = id("x");
  NET *net = null_net();
  STATE *one = add_state_to_net(net, 1), *two = add_state_to_net(net, 0);
  add_arc_to_state(net, net->start, kora::pair_id(x, a), one, nullptr, 0);
  add_arc_to_state(net, net->start, kora::pair_id(x, b), two, nullptr, 0);
  add_arc_to_state(net, two, a, one, nullptr, 0);
  net->flags.minimized = 1;  // true of this network, though building by hand cleared it
  ALPH *old = list_of({b});
  NET *merged = substitute_symbol(a, old, net, 1);
  EXPECT_FALSE(merged->flags.deterministic || merged->flags.minimized);
  for (NET *n : {net, merged}) free_network(n);
  kora::free_alph(old);
}

// close_sigma keeps exactly the pairs that spell only symbols of the sigma (and of the list).
TEST_F(ModifyTest, CloseSigmaRemovesExactlyTheOtherInstances) {
  const uint32_t fresh = id("FRESH-1"), a = id("a");
  ALPH *symbols = list_of({fresh, a});
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = with_other_arcs(random, {.transducer = seed % 2 == 0, .other = true}, seed % 2 == 0);
    const bool with_symbols = seed % 3 == 0;
    Symbols universe = kora_test::universe_of({net});
    if (!test_alph_member(net->sigma, a)) universe.push_back(a);
    auto known = [&](uint32_t s) {
      return test_alph_member(net->sigma, s) || (with_symbols && (s == fresh || s == a));
    };
    Relation expected;
    for (const auto &pair : enumerate(net, universe, 3))
      if (std::all_of(pair.first.begin(), pair.first.end(), known) &&
          std::all_of(pair.second.begin(), pair.second.end(), known))
        expected.insert(pair);
    NET *closed = close_sigma(net, with_symbols ? symbols : nullptr, 1, 0);
    EXPECT_EQ(enumerate(closed, universe, 3), expected);
    EXPECT_FALSE(test_alph_member(closed->sigma, kora::OTHER));
    for (NET *n : {net, closed}) free_network(n);
  }, 1);
  EXPECT_TRUE(messages().warnings.empty());
  kora::free_alph(symbols);
}

// A symbol that goes wherever OTHER goes is dropped from the sigma and the arcs; the language
// stays.
TEST_F(ModifyTest, CompactSigmaKeepsTheLanguage) {
  const uint32_t twin = id("twin");
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    kora_test::RandomNetOptions options;
    options.transducer = seed % 2 == 0;
    options.other = !options.transducer;  // OTHER:a would stop the compaction
    NET *net = options.transducer ? with_other_arcs(random, options, false)
                                  : kora_test::random_net(random, options);
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next)
        if (a->label == kora::OTHER) add_arc_to_state(net, s, twin, a->destination, nullptr, 0);
    const Symbols universe = kora_test::universe_of({net});
    const Relation before = enumerate(net, universe, 3);
    kora::compact_sigma(net);
    EXPECT_EQ(enumerate(net, universe, 3), before);
    EXPECT_FALSE(test_alph_member(net->sigma, twin));
    free_network(net);
  }, 1);
}

}  // namespace
