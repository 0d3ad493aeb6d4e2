// Pruning, the start-loop and epsilon-only tests, and label-set maintenance,
// checked against reference computations on random networks.

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "alph.h"
#include "kora_test.h"
#include "label-check.h"
#include "label.h"
#include "language.h"
#include "prune.h"
#include "struct.h"
#include "structure.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using kora_test::arcs_of;
using kora_test::reachable;
using kora_test::reversed;
using kora_test::states_of;

class PruneTest : public kora_test::Library {};

// The useful states are those both reachable from the start and co-reachable from a final
// state; with none, the start state stays alone and without arcs. The label set follows. A
// pruned copy leaves its argument as it was.
TEST_F(PruneTest, KeepsLanguageAndExactlyTheUsefulStates) {
  kora_test::for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 7, .max_arcs = 12, .transducer = seed % 2 == 0, .pointers = seed % 3 == 0});
    const kora_test::Symbols universe = kora_test::universe_of({net});
    const kora_test::Relation before = kora_test::enumerate(net, universe, 4);

    const kora_test::ArcSet arcs = arcs_of(net);
    std::set<const STATE *> finals, useful;
    for (const STATE *s : states_of(net))
      if (s->flags.final) finals.insert(s);
    const auto forward = reachable({net->start}, arcs);
    const auto backward = reachable(finals, reversed(arcs));
    std::set_intersection(forward.begin(), forward.end(), backward.begin(), backward.end(),
                          std::inserter(useful, useful.begin()));
    kora_test::ArcSet kept;
    std::set<uint32_t> labels;
    for (const auto &[source, label, dest] : arcs)
      if (useful.count(source) != 0 && useful.count(dest) != 0) {
        kept.insert({source, label, dest});
        if (label != kora::EPSILON) labels.insert(label);
      }
    if (useful.empty()) useful.insert(net->start);
    const STATE *start = net->start;
    NET *copy = kora::prune_fsm(net, 1);
    EXPECT_EQ(arcs_of(net), arcs);
    EXPECT_EQ(copy->num_states, useful.size());
    EXPECT_EQ(kora_test::enumerate(copy, universe, 4), before);
    free_network(copy);

    ASSERT_EQ(kora::prune_fsm(net, 0), net);
    EXPECT_EQ(net->start, start);
    EXPECT_EQ(states_of(net), useful);
    EXPECT_EQ(arcs_of(net), kept);
    EXPECT_EQ(std::make_pair(size_t{net->num_states}, size_t{net->num_arcs}),
              std::make_pair(useful.size(), kept.size()));
    EXPECT_EQ(alph_members(net->labels), labels);
    EXPECT_EQ(kora_test::enumerate(net, universe, 4), before);
    free_network(net);
  });
  EXPECT_EQ(kora::prune_fsm(nullptr, 0), nullptr);
}

// A wrong loop_free mark is corrected with a warning.
TEST_F(PruneTest, StartLoopsCorrectTheLoopFreeMark) {
  NET *net = symbol_net("a");
  EXPECT_EQ(kora::start_loops_p(net), 0);
  add_arc_to_state(net, net->start->arcs->destination, 'b', net->start, nullptr, 0);
  net->flags.loop_free = 1;
  EXPECT_EQ(kora::start_loops_p(net), 1);
  EXPECT_FALSE(net->flags.loop_free);
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"start_loops_p: Net incorrectly marked as loopfree."});
  free_network(net);
}

// The last network is start -0-> s -0-> start with s final, and a useless a-arc that pruning
// removes.
TEST_F(PruneTest, EpsilonOnly) {
  NET *cycle = kora_test::build_net(3, {1}, {{0, kora::EPSILON, 1}, {1, kora::EPSILON, 0}, {1, 'a', 2}});
  cycle->flags.pruned = 0;
  const std::pair<NET *, int> cases[] = {{epsilon_net(), 1}, {null_net(), 0}, {symbol_net("a"), 0}, {cycle, 1}};
  for (const auto &[net, expected] : cases) {
    EXPECT_EQ(kora::epsilon_only_p(net), expected);
    free_network(net);
  }
}

TEST_F(PruneTest, LabelCheckRebuildsAndReportsUnknownLabels) {
  NET *net = symbol_net("a");
  STATE *end = net->start->arcs->destination;
  const uint32_t big = kora::symbol_id("BIG");
  kora::push_arc(kora::alloc_arc(big, end, net), net->start);
  kora::push_arc(kora::alloc_arc(kora::pair_id('x', 'y'), end, net), net->start);
  kora::label_check(net);
  EXPECT_EQ(alph_members(net->labels), (std::set<uint32_t>{'a', big, kora::pair_id('x', 'y')}));
  EXPECT_EQ(net->arity, 2);
  ASSERT_EQ(messages().warnings.size(), 3u);
  EXPECT_EQ(messages().warnings[1], "label_check: Unaccounted label (" + std::to_string(big) + "): BIG");
  EXPECT_EQ(messages().warnings[2], "label_check: Unaccounted labels (2)");
  free_network(net);
}

}  // namespace
