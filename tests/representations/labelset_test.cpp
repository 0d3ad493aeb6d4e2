// Labelset reduction: on random networks given twin labels (a second label on exactly the arcs
// of a first one, so that the two are equivalent), reducing and restoring keeps the relation,
// the labels and the arc count, also after saving and loading (forms_test.cpp checks lookup on
// the reduced form in memory, tests/tool/optimize.sh on saved ones); and the refusals and the
// cases that change nothing.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "labelset.h"
#include "language.h"
#include "networks.h"
#include "print.h"

namespace {

using kora_test::messages;

class LabelsetTest : public kora_test::LineFeedLibrary {};

TEST_F(LabelsetTest, ReducingAndRestoringKeepsRelationLabelsAndArcs) {
  kora_test::for_seeds(60, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::twinned_net(random);
    const kora_test::Symbols universe = kora_test::universe_of({net});
    const kora_test::Relation relation = kora_test::enumerate(net, universe, 3);
    const std::set<uint32_t> labels = kora_test::alph_members(net_labels(net));
    const uint32_t arcs = net->num_arcs;
    const bool has_twins = std::any_of(labels.begin(), labels.end(), [&](uint32_t label) {
      return kora_test::twin_label(label) != label && labels.count(kora_test::twin_label(label));
    });

    ASSERT_EQ(reduce_labelset(net), net);
    if (has_twins) {
      EXPECT_TRUE(net->flags2.reduced_labelset);
    }
    if (net->flags2.reduced_labelset) {
      EXPECT_LT(net->num_arcs, arcs);
      EXPECT_LT(kora_test::alph_members(net->labels).size(), labels.size());
      // The full label set is still what the network answers for.
      ALPH *full = kora::unreduced_labels(net);
      EXPECT_EQ(kora_test::alph_members(full), labels);
      kora::free_alph(full);
      // A file keeps the flag and both records: the loaded network restores to the relation and
      // the labels.
      size_t length = 0;
      unsigned char *bytes = save_net_to_memory(net, &length, nullptr);
      NET *loaded = load_net_from_memory(bytes, length, nullptr);
      std::free(bytes);
      ASSERT_NE(loaded, nullptr);
      EXPECT_TRUE(loaded->flags2.reduced_labelset);
      unreduce_labelset(loaded);
      EXPECT_EQ(kora_test::enumerate(loaded, universe, 3), relation);
      EXPECT_EQ(kora_test::alph_members(loaded->labels), labels);
      free_network(loaded);
    }
    if (net->flags2.reduced_labelset) {
      ASSERT_EQ(unreduce_labelset(net), net);
    }
    EXPECT_FALSE(net->flags2.reduced_labelset);
    EXPECT_EQ(net->num_arcs, arcs);
    EXPECT_EQ(kora_test::alph_members(net->labels), labels);
    EXPECT_EQ(kora_test::enumerate(net, universe, 3), relation);
    EXPECT_EQ(get_string_property(net, "EQV-VECTOR"), nullptr);
    free_network(net);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// Union and substitution restore a reduced operand (in place, or in the copy they make) and
// compute what they compute on the plain one; substitution reduces its result again.
TEST_F(LabelsetTest, UnionAndSubstitutionWorkOnTheFullLabelSet) {
  kora_test::for_seeds(30, [&](unsigned seed, std::mt19937 &random) {
    NET *plain = kora_test::twinned_net(random);
    NET *other = kora_test::twinned_net(random);
    NET *reduced = reduce_labelset(copy_net(plain));
    const bool copy = seed % 2 == 0;
    const kora_test::Symbols universe = kora_test::universe_of({plain, other});

    NET *expected = union_net(plain, other, 1, 1);
    // (a copy of a reduced network is a plain one)
    NET *united = union_net(copy ? reduced : reduce_labelset(copy_net(plain)), other, copy, 1);
    ASSERT_NE(united, nullptr);
    EXPECT_FALSE(united->flags2.reduced_labelset);
    EXPECT_EQ(kora_test::enumerate(united, universe, 3), kora_test::enumerate(expected, universe, 3));
    free_network(united);
    free_network(expected);

    ALPH *by = kora::make_alph(0, KORA_BINARY_ALPH);
    alph_add_to(by, 'x', 0);
    const bool was_reduced = reduced->flags2.reduced_labelset;
    expected = substitute_symbol('a', by, copy_net(plain), 0);
    NET *substituted = substitute_symbol('a', by, reduced, copy);
    ASSERT_NE(substituted, nullptr);
    if (was_reduced) {
      NET *again = reduce_labelset(copy_net(expected));
      EXPECT_EQ(substituted->flags2.reduced_labelset, again->flags2.reduced_labelset);
      free_network(again);
    }
    if (substituted->flags2.reduced_labelset) unreduce_labelset(substituted);
    const kora_test::Symbols with_x = kora_test::universe_of({expected});
    EXPECT_EQ(kora_test::enumerate(substituted, with_x, 3), kora_test::enumerate(expected, with_x, 3));
    if (copy) free_network(substituted);
    kora::free_alph(by);
    free_network(expected);
    free_network(reduced);
    free_network(other);
    free_network(plain);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// a and d lead alike from the start; b is on its own.
NET *small_net() {
  return kora_test::build_net(3, {2}, {{0, 'a', 1}, {0, 'd', 1}, {1, 'b', 2}});
}

TEST_F(LabelsetTest, RefusalsAndCasesThatChangeNothing) {
  NET *distinct = kora_test::build_net(2, {1}, {{0, 'a', 1}, {0, 'b', 0}});
  reduce_labelset(distinct);
  EXPECT_FALSE(distinct->flags2.reduced_labelset);
  EXPECT_EQ(distinct->num_arcs, 2u);
  EXPECT_EQ(get_string_property(distinct, "EQV-VECTOR"), nullptr);
  unreduce_labelset(distinct);
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"Nothing to do. The labelset has not been reduced."});
  messages().clear();

  NET *net = small_net();
  reduce_labelset(net);
  ASSERT_TRUE(net->flags2.reduced_labelset);
  EXPECT_EQ(net->num_arcs, 2u);
  EXPECT_EQ(reduce_labelset(net), net);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"The labelset has already been reduced."});
  EXPECT_EQ(net->num_arcs, 2u);
  messages().clear();

  // A reduced network answers for its full label set; its copy is restored.
  ALPH *sigma = kora::sigma_from_labels(net, 2);
  EXPECT_TRUE(test_alph_member(sigma, 'd'));
  kora::free_alph(sigma);
  ALPH *key = kora::unreduce_key(net);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->items['d'], static_cast<uint32_t>('a'));
  EXPECT_EQ(key->items['b'], static_cast<uint32_t>('b'));
  // The summary counts the paths of the full network.
  const std::string printed = kora_test::stdout_of([&] {
    kora::print_net_size(net, stdout, "\n");
    print_net(net, stdout);
  });
  EXPECT_NE(printed.find("2 arcs, 2 paths"), std::string::npos) << printed;
  EXPECT_NE(printed.find("reduced_labelset"), std::string::npos) << printed;
  NET *copy = copy_net(net);
  EXPECT_FALSE(copy->flags2.reduced_labelset);
  EXPECT_EQ(copy->num_arcs, 3u);
  free_network(copy);

  // Labels to keep stay in classes of their own.
  NET *kept = small_net();
  ALPH *keep = kora::make_alph(0, KORA_BINARY_ALPH);
  alph_add_to(keep, 'd', 0);
  kora::reduce_labelset_aux(kept, keep, true, true);
  EXPECT_FALSE(kept->flags2.reduced_labelset);
  EXPECT_EQ(kept->num_arcs, 3u);
  kora::free_alph(keep);

  NET *shared = small_net();
  shared->flags.shared_arc_lists = 1;
  reduce_labelset(shared);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"Cannot apply labelset reduction to a network\nthat has shared arcs."});
  EXPECT_FALSE(shared->flags2.reduced_labelset);
  shared->flags.shared_arc_lists = 0;
  messages().clear();

  // Without its records a reduced network cannot be restored.
  NET *lost = small_net();
  reduce_labelset(lost);
  remove_string_property(lost, "SIGMA");
  messages().clear();
  unreduce_labelset(lost);
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"Cannot restore without the full alphabet."});

  for (NET *each : {distinct, net, kept, shared, lost}) free_network(each);
}

// ALTCHAIN added by arc optimization to a reduced transducer (whose pairs a:x and d:x lead alike)
// joins the records as a class of its own. (The projections' refusal of a reduced network is a
// row of CalculusFrameTest's refusal table.)
TEST_F(LabelsetTest, AltchainExtendsTheRecords) {
  uint32_t ax = 0, dx = 0;
  kora::intern_pair(&ax, 'a', 'x');
  kora::intern_pair(&dx, 'd', 'x');
  NET *net = kora_test::build_net(2, {1}, {{0, ax, 1}, {0, dx, 1}});
  reduce_labelset(net);
  ASSERT_TRUE(net->flags2.reduced_labelset);
  kora::extend_reduction_with_altchain(net);
  ALPH *key = kora::unreduce_key(net);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->items[kora::ALTCHAIN_SYMBOL], kora::ALTCHAIN_SYMBOL);
  EXPECT_EQ(key->items[dx], ax);
  unreduce_labelset(net);
  EXPECT_EQ(net->num_arcs, 2u);
  EXPECT_TRUE(test_alph_member(net->labels, kora::ALTCHAIN_SYMBOL));
  free_network(net);
}

}  // namespace
