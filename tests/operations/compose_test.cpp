// Composition against relational composition of enumerated relations, on seeded random
// transducers (one-sided epsilons, OTHER on either side, multi-character symbols); the epsilon
// filter (one path per interleaving); flags, lists and user pointers; refusals and messages.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "big-arc.h"
#include "compose.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"
#include "path-counts.h"
#include "structure.h"

namespace {

using namespace operator_oracle;
using kora_test::describe;
using kora_test::messages;

class ComposeTest : public kora_test::Library {};

// Long enough for every path of an acyclic random network of five states.
constexpr size_t kAcyclicLength = 4;

// The universe of the networks with a third fresh symbol: OTHER:OTHER followed by OTHER:OTHER
// maps u to v through a middle symbol different from both.
Symbols composition_universe(const NET *a, const NET *b) {
  Symbols universe = kora_test::universe_of({a, b});
  universe.push_back(kora::symbol_id("FRESH-3"));
  return universe;
}

RandomNetOptions transducer_options(std::mt19937 &random, const Symbols &symbols, bool acyclic) {
  return {.max_states = 5, .max_arcs = 8, .acyclic = acyclic, .transducer = true,
          .epsilon = acyclic, .other = random() % 2 == 0, .symbols = symbols};
}

// Both operands random, kept and consumed, minimized or not; the result against the
// relational composition, whole when both are acyclic, up to three symbols a side otherwise.
TEST_F(ComposeTest, AgreesWithRelationalComposition) {
  const Symbols many = kora_test::many_symbols(50);
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    const bool acyclic = seed % 3 != 0;
    Symbols symbols_a{'a', 'b', 'c'}, symbols_b{'b', 'c', 'd'};
    if (seed % 5 == 0) symbols_a = symbols_b = {many[seed % 50], many[(seed + 1) % 50], 'a'};
    NET *a = random_operand(random, transducer_options(random, symbols_a, acyclic));
    NET *b = random_operand(random, transducer_options(random, symbols_b, acyclic));
    const size_t length = acyclic ? kAcyclicLength : kLength;
    const Symbols universe = composition_universe(a, b);
    const Relation la = language(a, universe, length), lb = language(b, universe, length);
    const Relation want = composition(la, lb);
    const int minimize = static_cast<int>(random() % 2);
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    const int keep = static_cast<int>(random() % 2);
    NET *result = compose_net(a, b, keep, keep);
    EXPECT_EQ(language(result, universe, length), want)
        << "upper " << describe(la) << "\nlower " << describe(lb) << "\nwant " << describe(want);
    expect_lawful(result, minimize);
    if (keep) {
      EXPECT_EQ(language(a, universe, length), la);
      EXPECT_EQ(language(b, universe, length), lb);
      free_network(a);
      free_network(b);
    }
    free_network(result);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// A single path composed with a single path has one path at most, whatever the one-sided
// moves: every interleaving of them is built once.
TEST_F(ComposeTest, EachInterleavingIsBuiltOnce) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  for_seeds(300, [&](unsigned, std::mt19937 &random) {
    auto chain = [&](bool upper) {
      NET *net = epsilon_net();
      STATE *last = net->start;
      for (int i = 1 + static_cast<int>(random() % 4); i > 0; i--) {
        STATE *next = add_state_to_net(net, 0);
        const uint32_t symbol = 'a' + random() % 2, kind = random() % 3;
        uint32_t label = kind == 0 ? symbol : upper ? kora::pair_id(symbol, kora::EPSILON)
                                                    : kora::pair_id(kora::EPSILON, symbol);
        if (kind == 2) label = upper ? kora::pair_id(kora::EPSILON, symbol) : kora::pair_id(symbol, kora::EPSILON);
        add_arc_to_state(net, last, label, next, nullptr, 0);
        last = next;
      }
      net->start->flags.final = 0;
      last->flags.final = 1;
      return net;
    };
    NET *a = chain(true), *b = chain(false);
    const Symbols universe{'a', 'b'};
    const Relation want = composition(language(a, universe, 8), language(b, universe, 8));
    NET *result = compose_net(a, b, 0, 0);
    ASSERT_EQ(kora::index_net(result), kora::PATHS_INDEXED);
    EXPECT_EQ(kora::path_count(result->start), want.size()) << describe(want);
    EXPECT_EQ(language(result, universe, 8), want);
    free_network(result);
  });
}

TEST_F(ComposeTest, VectorsBalancedAndLeftToRightAgree) {
  for_seeds(60, [&](unsigned, std::mt19937 &random) {
    NET *nets[4];
    for (NET *&net : nets) net = random_operand(random, transducer_options(random, {'a', 'b'}, true));
    const Symbols universe = composition_universe(nets[0], nets[1]);
    Relation want = language(nets[0], universe, kAcyclicLength);
    for (int i = 1; i < 4; i++) want = composition(want, language(nets[i], universe, kAcyclicLength));
    NV nv{4, nets};
    for (int balanced : {0, 1})
      for (int merge : {0, 1}) {
        NET *result = kora::compose_fsm(&nv, 1, random() % 2, merge, balanced, 0);
        EXPECT_EQ(language(result, universe, kAcyclicLength), want) << balanced << merge;
        free_network(result);
      }
    NET *consumed = kora::compose_fsm(&nv, 0, 1, 0, 1, 0);
    EXPECT_EQ(language(consumed, universe, kAcyclicLength), want);
    free_network(consumed);
  });
}

TEST_F(ComposeTest, MergePassKeepsTheRelation) {
  for_seeds(100, [&](unsigned, std::mt19937 &random) {
    NET *net = random_operand(random, transducer_options(random, {'a', 'b'}, random() % 2));
    const Symbols universe = kora_test::universe_of({net});
    const Relation before = language(net, universe);
    net = kora::merge_one_sided_pairs(net, random() % 2);
    EXPECT_EQ(language(net, universe), before);
    EXPECT_EQ(kora_test::false_claims(net), "");
    free_network(net);
  });
  // a:0 followed by 0:b becomes a:b.
  NET *net = concat_net(pair_net('a', kora::EPSILON), pair_net(kora::EPSILON, 'b'), 0, 0);
  net = kora::merge_one_sided_pairs(net, 1);
  ASSERT_EQ(net->num_arcs, 1u);
  EXPECT_EQ(net->start->arcs->label, kora::pair_id('a', 'b'));
  free_network(net);
}

TEST_F(ComposeTest, EdgeCases) {
  // Nothing composed with anything is a new null network.
  NET *a = pair_net('a', 'b');
  NET *empty = null_net();
  NET *result = compose_net(a, empty, 1, 1);
  EXPECT_NE(result, a);
  EXPECT_NE(result, empty);
  EXPECT_EQ(result->num_states, 1u);
  EXPECT_EQ(result->num_arcs, 0u);
  EXPECT_FALSE(result->start->flags.final);
  free_network(result);
  free_network(empty);
  // A network with itself, consumed once.
  NET *shift = union_net(pair_net('a', 'b'), pair_net('b', 'c'), 0, 0);
  result = compose_net(shift, shift, 0, 0);
  EXPECT_EQ(language(result, {'a', 'b', 'c'}), (Relation{{{'a'}, {'c'}}}));
  free_network(result);
  // No networks compose to the identity on all strings.
  NV none{0, nullptr};
  result = kora::compose_fsm(&none, 0, 1, 0, 1, 0);
  EXPECT_EQ(language(result, {'a', 'b'}), all_strings({'a', 'b'}));
  free_network(result);
  free_network(a);
}

// With compose-flag-as-special on, flags on the facing sides are not matched but copied.
TEST_F(ComposeTest, FlagsAsSpecial) {
  const uint32_t flag = kora::symbol_id("@P.CASE.NOM@");
  auto upper = [&] { return concat_net(symbol_net("a"), pair_net('b', flag), 0, 0); };
  const Symbols universe{'a', 'b', 'x', flag};
  int_parameters()->word[KORA_COMPOSE_FLAG_AS_SPECIAL] = 1;
  NET *result = compose_net(upper(), kleene_star_net(), 0, 0);
  EXPECT_EQ(language(result, universe), (Relation{{{'a', 'b'}, {'a', flag}}}));
  EXPECT_TRUE(messages().warnings.empty());
  free_network(result);
  // Flags on both facing sides: a warning, and each side still moves alone.
  NET *lower = concat_net(label_net(flag), kleene_star_net(), 0, 0);
  result = compose_net(upper(), lower, 0, 0);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "It is unsafe to treat flag diacritics as special in\n"
            "composition when both networks contain flags. Please set the\n"
            "variable compose-flag-as-special to OFF.");
  EXPECT_FALSE(language(result, universe).empty());
  free_network(result);
  // Off: flags are symbols like others.
  int_parameters()->word[KORA_COMPOSE_FLAG_AS_SPECIAL] = 0;
  result = compose_net(upper(), kleene_star_net(), 0, 0);
  EXPECT_EQ(language(result, universe), (Relation{{{'a', 'b'}, {'a', flag}}}));
  free_network(result);
  result = compose_net(upper(), symbol_net("a"), 0, 0);
  EXPECT_TRUE(language(result, universe).empty());
  free_network(result);
}

// A list flag on the lower network's upper side matches the members of its list (L) or the
// other symbols (X); an undefined list matches nothing and is reported.
TEST_F(ComposeTest, ListFlags) {
  kora_test::define_list("V", {'a', 'e'});
  const Symbols universe{'a', 'b', 'e'};
  NET *words = union_net(string_to_net("ab", 0), string_to_net("eb", 0), 0, 0);
  words = union_net(words, string_to_net("bb", 0), 0, 0);
  auto followed_by_b = [](const char *flag) {
    return concat_net(symbol_net(flag), symbol_net("b"), 0, 0);
  };
  NET *in = compose_net(words, followed_by_b("@L.V@"), 1, 0);
  EXPECT_EQ(language(in, universe), (Relation{{{'a', 'b'}, {'a', 'b'}}, {{'e', 'b'}, {'e', 'b'}}}));
  NET *out = compose_net(words, followed_by_b("@X.V@"), 1, 0);
  EXPECT_EQ(language(out, universe), (Relation{{{'b', 'b'}, {'b', 'b'}}}));
  EXPECT_TRUE(messages().errors.empty());
  NET *undefined = compose_net(words, followed_by_b("@L.W@"), 1, 0);
  EXPECT_TRUE(language(undefined, universe).empty());
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Composition fails because the symbol 'W' in '@L.W@'\n"
                                   "    is not defined as a list."});
  for (NET *net : {words, in, out, undefined}) free_network(net);
}

// The result's arcs carry the user pointers of the one network that has them, or, from both,
// the lower network's, with an error.
TEST_F(ComposeTest, UserPointers) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *with = string_to_net("ab", 1);
  NET *result = compose_net(with, concat_net(pair_net('a', 'x'), symbol_net("b"), 0, 0), 1, 0);
  ASSERT_NE(result->start->arcs, nullptr);
  EXPECT_TRUE(result->flags.has_arc_user_pointer);
  EXPECT_EQ(kora::arc_user_pointer(result->start->arcs), reinterpret_cast<void *>(1));
  free_network(result);
  EXPECT_TRUE(messages().errors.empty());
  result = compose_net(with, string_to_net("ab", 1), 0, 0);
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "Composing two nets with arc userpointers.\n"
                                   "    Only the pointers of the lower net are preserved in the result."});
  free_network(result);
}

// Insert flags are replaced by the networks they name before matching, and their symbols leave
// the sigma; with FLAGS_NO_INSERT they are matched as symbols.
TEST_F(ComposeTest, InsertFlagsAreExpanded) {
  define_net("Noun", string_to_net("ca", 0), 0);
  const uint32_t insert = kora::symbol_id("@I.Noun@");
  const Symbols universe{'a', 'c', 's', insert};
  NET *upper = concat_net(label_net(insert), symbol_net("s"), 0, 0);
  NET *result = compose_net(upper, kleene_star_net(), 1, 0);
  EXPECT_EQ(language(result, universe), (Relation{{{'c', 'a', 's'}, {'c', 'a', 's'}}}));
  EXPECT_FALSE(test_alph_member(result->sigma, insert));
  free_network(result);
  NET *star = kleene_star_net();
  result = kora::compose_fst(upper, star, 1, kora::FLAGS_NO_INSERT);
  EXPECT_EQ(language(result, universe), (Relation{{{insert, 's'}, {insert, 's'}}}));
  for (NET *net : {result, upper, star}) free_network(net);
  EXPECT_TRUE(kora_test::messages().errors.empty());
}

// Word 28: when the pairs run out, failure arcs FAIL_TOKEN:0 lead from the last pairs back to
// the start of the upper network; the construction ends and the label is used.
TEST_F(ComposeTest, FailurePhaseEnds) {
  int_parameters()->word[KORA_COMPOSE_FAILURE_TOKENS] = 1;
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *result = compose_net(string_to_net("ab", 0), kleene_star_net(), 0, 0);
  const uint32_t fail = kora::pair_id(kora::symbol_id("FAIL_TOKEN"), kora::EPSILON);
  EXPECT_TRUE(test_alph_member(result->labels, fail));
  const Relation relation = language(result, {'a', 'b'}, 3);
  EXPECT_TRUE(relation.count({{'a', 'b'}, {'a', 'b'}}));
  EXPECT_EQ(kora_test::false_claims(result), "");
  free_network(result);
}

}  // namespace
