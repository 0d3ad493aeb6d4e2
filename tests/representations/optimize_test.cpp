// Arc optimization and shared arc lists: on seeded random networks (transducers, OTHER, flag
// diacritics, EPSILON arcs before minimization) the optimized and shared forms keep the
// language (lookup on them is checked in forms_test.cpp); undoing them restores the arc and
// state counts; the refusals and the operations that meet optimized networks say what they do
// (the verbose statistics are those of examples/optimize-arcs.c, which a test runs).

#include <string>
#include <vector>

#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"

namespace {

using kora::ALTCHAIN_SYMBOL;
using kora_test::messages;

class OptimizeTest : public kora_test::LineFeedLibrary {};

long long count_label(const NET *net, uint32_t label) {
  long long count = 0;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) count += arc->label == label;
  return count;
}

// The shape of the optimized form: an ALTCHAIN arc is the last of its list, leads to a
// non-final state, and a state has at most one. Returns the number of final states with one.
int expect_chain_shape(const NET *net) {
  int finals = 0;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next)
      if (arc->label == ALTCHAIN_SYMBOL) {
        EXPECT_EQ(arc->next, nullptr);
        EXPECT_FALSE(arc->destination->flags.final);
        finals += s->flags.final;
      }
  return finals;
}

// Random networks of the kinds the calculus makes, minimized.
NET *random_minimal(std::mt19937 &random) {
  kora_test::RandomNetOptions options;
  options.max_states = 8;
  options.max_arcs = 24;
  options.transducer = random() % 2 == 0;
  options.other = random() % 2 == 0;
  options.symbols = {'a', 'b', 'c', kora::symbol_id("@P.F.x@")};
  NET *net = kora_test::random_net(random, options);
  minimize_net(net);
  return net;
}

// Optimizing keeps the language; unoptimizing restores the network; optimized again, sharing
// drops the ALTCHAIN arcs (refused when there are none), and unsharing gives the network back.
TEST_F(OptimizeTest, OptimizingAndSharingKeepTheLanguageAndUndoingRestoresTheCounts) {
  int optimized = 0, final_chains = 0, refused = 0;
  kora_test::for_seeds(150, [&](unsigned, std::mt19937 &random) {
    NET *net = random_minimal(random);
    const kora_test::Symbols universe = kora_test::universe_of({net});
    const kora_test::Relation expected = kora_test::enumerate(net, universe, 4);
    const uint32_t arcs = net->num_arcs, states = net->num_states;
    auto expect_plain = [&] {
      EXPECT_FALSE(net->flags2.optimized || net->flags.shared_arc_lists);
      EXPECT_EQ(count_label(net, ALTCHAIN_SYMBOL), 0);
      EXPECT_EQ(net->num_arcs, arcs);
      EXPECT_EQ(net->num_states, states);
      EXPECT_EQ(kora_test::enumerate(net, universe, 4), expected);
    };
    optimize_arcs(net);
    EXPECT_LE(net->num_arcs, arcs);
    final_chains += expect_chain_shape(net);
    const long long chains = count_label(net, ALTCHAIN_SYMBOL);
    EXPECT_EQ(net->flags2.optimized, chains > 0);
    EXPECT_EQ(test_alph_member(net->labels, ALTCHAIN_SYMBOL) != 0, chains > 0);
    if (chains == 0) {
      EXPECT_EQ(net->num_arcs, arcs);
    }
    optimized += chains > 0;
    ASSERT_EQ(kora_test::enumerate(net, universe, 4), expected);
    unoptimize_arcs(net);
    EXPECT_TRUE(net->flags.deterministic && net->flags.minimized);
    expect_plain();
    optimize_arcs(net);
    const uint32_t optimized_arcs = net->num_arcs;
    if (chains == 0) {
      EXPECT_EQ(share_arcs(net), 1);
      refused++;
    } else {
      ASSERT_EQ(share_arcs(net), 0);
      EXPECT_TRUE(net->flags.shared_arc_lists);
      EXPECT_FALSE(net->flags2.optimized);
      EXPECT_EQ(net->num_arcs, optimized_arcs - chains);
      EXPECT_EQ(count_label(net, ALTCHAIN_SYMBOL), 0);
      ASSERT_EQ(kora_test::enumerate(net, universe, 4), expected);
      net = unshare_arcs(net);
    }
    expect_plain();
    free_network(net);
  });
  EXPECT_GT(optimized, 15);
  EXPECT_GT(final_chains, 0);  // a final state's chain leads to a non-final one
  EXPECT_EQ(messages().errors.size(), static_cast<size_t>(refused));
}

// Words whose second letters overlap from state to state: the lists of the states after the
// first letter end alike ({o, u} and {a, o, u}), which optimization shares.
NET *words_net() {
  NET *net = read_regex("{bat}|{bit}|{bot}|{but}|{cat}|{cot}|{cut}|{hit}|{hot}|{hut}|{jot}|"
                        "{jut}|{nut}|{rat}|{rot}|{rut}");
  minimize_net(net);
  return net;
}

TEST_F(OptimizeTest, RefusalsSayWhy) {
  struct Case {
    const char *what;
    void (*act)(NET *net);
    const char *warning;
    const char *error;
  };
  const Case cases[] = {
      {"optimize twice", [](NET *net) { optimize_arcs(net); },
       "Nothing to do; network has already been optimized.", nullptr},
      {"optimize shared",
       [](NET *net) {
         share_arcs(net);
         optimize_arcs(net);
       },
       "Nothing to do; network has been optimized and arcs are shared.", nullptr},
      {"unoptimize shared",
       [](NET *net) {
         share_arcs(net);
         unoptimize_arcs(net);
       },
       nullptr, "Cannot unoptimize a net with shared arcs.\nPlease do 'unshare arcs' first."},
      {"share plain",
       [](NET *net) {
         unoptimize_arcs(net);
         share_arcs(net);
       },
       nullptr, "Arcs cannot be shared because the network has not been optimized."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    NET *net = words_net();
    optimize_arcs(net);
    ASSERT_TRUE(net->flags2.optimized);
    messages().clear();
    c.act(net);
    if (c.warning != nullptr) {
      ASSERT_EQ(messages().warnings.size(), 1u);
      EXPECT_EQ(messages().warnings[0], c.warning);
    }
    if (c.error != nullptr) {
      ASSERT_EQ(messages().errors.size(), 1u);
      EXPECT_EQ(messages().errors[0], c.error);
    }
    free_network(net);
  }

  // An unminimized network is minimized first.
  NET *net = read_regex("a b | a c");
  net->flags.minimized = 0;
  messages().clear();
  optimize_arcs(net);
  ASSERT_FALSE(messages().warnings.empty());
  EXPECT_EQ(messages().warnings[0], "Input net is not marked as minimized.");
  EXPECT_TRUE(net->flags.minimized);
  free_network(net);

  // An ALTCHAIN arc that is not last: the splice fails and nothing changes.
  std::vector<STATE *> states;
  NET *broken = kora_test::build_net(3, {2}, {{0, 'a', 1}, {1, 'b', 2}}, &states);
  add_arc_to_state(broken, states[0], ALTCHAIN_SYMBOL, states[1], nullptr, 0);
  add_arc_to_state(broken, states[0], 'c', states[2], nullptr, 0);
  broken->flags2.optimized = 1;
  const uint32_t arcs = broken->num_arcs;
  messages().clear();
  EXPECT_EQ(share_arcs(broken), 1);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0],
            "ALTCHAIN arc is not the last one in the arc list.\nInitial (now probably corrupted) "
            "net will be returned.");
  EXPECT_EQ(broken->num_arcs, arcs);
  EXPECT_FALSE(broken->flags.shared_arc_lists);
  free_network(broken);
}

// (Concatenation and reversal of an optimized operand: operations/calculus_frame_test.cpp.)
TEST_F(OptimizeTest, OperationsUnoptimizeTheirOperandsAndSayWhat) {
  struct Case {
    const char *what;
    NET *(*operate)(NET *optimized, NET *plain);
    const char *warning;
  };
  const Case cases[] = {
      {"union", [](NET *o, NET *p) { return union_net(o, p, 1, 1); },
       "union_fsm_aux: Can't compute union of optimized networks. Un-optimizing and then "
       "computing union."},
      {"intersection", [](NET *o, NET *p) { return intersect_net(o, p, 1, 1); },
       "Can't apply 'intersection' to an optimized network. Un-optimizing it first."},
      {"minus", [](NET *o, NET *p) { return minus_net(o, p, 1, 1); }, nullptr},
      {"negate", [](NET *o, NET *) { return negate_net(o, 1); },
       "Can't compute the negation of an optimized network. Un-optimizing before negating."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    NET *plain_operand = read_regex("{cat} | {at} | {bat}");
    NET *reference_operand = words_net();
    NET *optimized = words_net();
    optimize_arcs(optimized);
    ASSERT_TRUE(optimized->flags2.optimized);
    messages().clear();
    NET *result = c.operate(optimized, plain_operand);
    if (c.warning != nullptr) {
      ASSERT_FALSE(messages().warnings.empty());
      EXPECT_EQ(messages().warnings[0], c.warning);
    }
    EXPECT_TRUE(messages().errors.empty());
    NET *expected = c.operate(reference_operand, plain_operand);
    EXPECT_TRUE(test_equivalent(result, expected));
    free_network(result);
    free_network(expected);
    free_network(plain_operand);
    free_network(reference_operand);
    free_network(optimized);
  }
}

TEST_F(OptimizeTest, SavedOptimizedAndSharedNetworksLoadBackOptimized) {
  const std::string file = kora_test::scratch_path("optimized.fst");
  for (bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "shared" : "optimized");
    NET *net = words_net();
    NET *reference = copy_net(net);
    optimize_arcs(net);
    const uint32_t arcs = net->num_arcs, states = net->num_states;
    if (shared) share_arcs(net);
    messages().clear();
    ASSERT_EQ(save_net(net, file.c_str(), nullptr), 0);
    if (shared) {
      ASSERT_EQ(messages().warnings.size(), 1u);
      EXPECT_EQ(messages().warnings[0],
                "Network has shared arc lists. This property cannot be preserved\nin a file. "
                "Saving as an optimized network instead.");
    }
    NET *loaded = load_net(file.c_str(), nullptr);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->flags2.optimized);
    EXPECT_EQ(loaded->num_arcs, arcs);
    EXPECT_EQ(loaded->num_states, states);
    expect_chain_shape(loaded);
    const kora_test::Symbols universe = kora_test::universe_of({reference});
    EXPECT_EQ(kora_test::enumerate(loaded, universe, 5), kora_test::enumerate(reference, universe, 5));
    free_network(loaded);
    free_network(reference);
    free_network(net);
  }
}

}  // namespace
