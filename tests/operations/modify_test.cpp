// Substitution, sigma closure and sigma compaction, checked against the enumeration oracle on
// seeded random networks, and the refusals of substitution.

#include <algorithm>
#include <functional>
#include <tuple>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "modify.h"
#include "label_sequences.h"
#include "networks.h"
#include "operator_oracle.h"
#include "struct.h"
#include "structure.h"

namespace {

using kora_test::enumerate;
using operator_oracle::expect_lawful;
using kora_test::messages;
using kora_test::for_seeds;
using kora_test::Relation;
using kora_test::Symbols;

class ModifyTest : public kora_test::Library {};

uint32_t id(const char *name) { return kora::symbol_id(name); }

// A label-form alphabet of the ids; the caller frees it.
ALPH *list_of(const Symbols &ids) {
  return kora::labels_to_alph(ids.data(), static_cast<int>(ids.size()), KORA_LABEL_ALPH);
}

// A copy of `net` in which each arc is replaced by one arc per label of image(its label), with
// the same ends and user pointer; an EPSILON loop is not made.
NET *rewritten(NET *net, const std::function<Symbols(uint32_t)> &image) {
  NET *copy = copy_net(net);
  for (STATE *s = copy->states; s != nullptr; s = s->next) {
    std::vector<std::tuple<uint32_t, STATE *, const ARC *>> arcs;
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) arcs.push_back({arc->label, arc->destination, arc});
    std::vector<ARC *> made;
    for (const auto &[old, dest, arc] : arcs)
      for (uint32_t label : image(old))
        if (label != kora::EPSILON || dest != s)
          made.push_back(arc->flags.big ? kora::alloc_big_arc(label, dest, kora::arc_user_pointer(arc), copy)
                                        : kora::alloc_arc(label, dest, copy));
    kora::free_state_arcs(s, copy);
    for (ARC *arc : made) kora::push_arc(arc, s);
  }
  update_net_labels_and_sigma(copy);
  return copy;
}

// Against the arcs rewritten here: a, and a on a side of a pair, becomes each member. Members
// are drawn from b, d, EPSILON and a itself.
TEST_F(ModifyTest, SubstituteSymbolAgreesWithRewrittenArcs) {
  const uint32_t a = id("a"), b = id("b"), d = id("d");
  const Symbols choices = {b, d, kora::EPSILON, a};
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    const bool transducer = seed % 3 == 0, epsilon = seed % 2 == 0;
    const bool minimize = !epsilon && !transducer;
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    NET *net = kora_test::random_net(random, {.transducer = transducer, .epsilon = epsilon});
    Symbols members;
    for (uint32_t s : choices)
      if (random() % 2) members.push_back(s);
    NET *expected = rewritten(net, [&](uint32_t label) {
      const uint32_t upper = kora::upper_id(label), lower = kora::lower_id(label);
      if (upper != a && lower != a) return Symbols{label};
      Symbols images;
      for (uint32_t m : members) images.push_back(kora::pair_id(upper == a ? m : upper, lower == a ? m : lower));
      return images;
    });
    ALPH *list = list_of(members);
    const Symbols universe = kora_test::universe_of({net});
    const Relation before = enumerate(net, universe, 3);
    const bool knows_a = test_alph_member(net->sigma, a);
    NET *result = substitute_symbol(a, list, net, 1);
    EXPECT_EQ(enumerate(result, universe, 3), enumerate(expected, universe, 3));
    EXPECT_EQ(enumerate(net, universe, 3), before) << "the argument is left alone";
    expect_lawful(result, false);
    EXPECT_FALSE(test_alph_member(result->sigma, kora::EPSILON));
    if (knows_a && !minimize) {  // a leaves the sigma unless listed; the members join it
      EXPECT_EQ(test_alph_member(result->sigma, a) != 0, std::count(members.begin(), members.end(), a) != 0);
      for (uint32_t s : members) EXPECT_TRUE(s == kora::EPSILON || test_alph_member(result->sigma, s));
    }
    for (NET *n : {net, result, expected}) free_network(n);
    kora::free_alph(list);
  });
}

// Label mode against a rewriting of the arcs done here: each arc with the label x becomes one
// arc per member, with the same ends and user pointer (an EPSILON loop spells nothing and is
// not made). Members mix symbols, pairs, OTHER and EPSILON; x may be EPSILON itself.
TEST_F(ModifyTest, SubstituteLabelAgreesWithRewrittenArcs) {
  const Symbols choices = {kora::EPSILON, id("b"), id("d"), kora::pair_id('a', 'd'),
                           kora::pair_id('c', kora::EPSILON), kora::OTHER};
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    int_parameters()->word[KORA_MINIMIZE] = seed % 2;
    NET *net = kora_test::random_net(
        random, {.transducer = seed % 3 == 0, .other = seed % 4 == 0, .pointers = true});
    Symbols labels{'a'};
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) labels.push_back(arc->label);
    const uint32_t x = labels[random() % labels.size()];
    Symbols members;
    for (uint32_t m : choices)
      if (random() % 3 == 0) members.push_back(m);
    NET *expected = rewritten(net, [&](uint32_t label) { return label == x ? members : Symbols{label}; });
    ALPH *list = list_of(members);
    NET *result = substitute_label(x, list, net, 1);
    EXPECT_EQ(kora_test::atom_sequences(result, 3, true), kora_test::atom_sequences(expected, 3, true))
        << "label " << x;
    expect_lawful(result, false);
    for (NET *n : {net, result, expected}) free_network(n);
    kora::free_alph(list);
  });
}

// close_sigma keeps exactly the pairs that spell only symbols of the sigma (and of the list).
TEST_F(ModifyTest, CloseSigmaRemovesExactlyTheOtherInstances) {
  const uint32_t fresh = id("FRESH-1"), a = id("a");
  ALPH *symbols = list_of({fresh, a});
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(random, {.transducer = seed % 2 == 0, .other = true});
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
    expect_lawful(closed, false);
    for (NET *n : {net, closed}) free_network(n);
  });
  EXPECT_TRUE(messages().warnings.empty());
  kora::free_alph(symbols);
}

// A symbol that goes wherever OTHER goes is dropped from the sigma and the arcs; the language
// stays.
TEST_F(ModifyTest, CompactSigmaKeepsTheLanguage) {
  const uint32_t twin = id("twin");
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    // In transducers OTHER only as a label of its own: OTHER:a would stop the compaction.
    NET *net = kora_test::random_net(random, {.transducer = seed % 2 == 0, .other = seed % 2 != 0});
    for (STATE *s = net->states; s != nullptr && seed % 2 == 0; s = s->next)
      if (random() % 2) kora_test::quiet_arc(net, s, kora::OTHER, net->start);
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next)
        if (a->label == kora::OTHER) add_arc_to_state(net, s, twin, a->destination, nullptr, 0);
    const Symbols universe = kora_test::universe_of({net});
    const Relation before = enumerate(net, universe, 3);
    kora::compact_sigma(net);
    EXPECT_EQ(enumerate(net, universe, 3), before);
    EXPECT_FALSE(test_alph_member(net->sigma, twin));
    expect_lawful(net, false);
    free_network(net);
  });
}

}  // namespace
