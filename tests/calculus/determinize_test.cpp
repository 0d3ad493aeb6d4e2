// Determinization and the dense label indexes it runs on: the language stays, the result is
// deterministic, set states are made only when needed and only once, and user pointers and
// *AND_CHECK* arcs keep arcs apart.

#include <random>
#include <set>

#include "determinize.h"
#include "kora_test.h"
#include "label-index.h"
#include "label.h"
#include "label_sequences.h"
#include "language.h"

namespace {

using kora::determinize_fsm;
using label_sequences::accepted;
using label_sequences::fault;
using label_sequences::fingerprint;
using label_sequences::kPointers;
using label_sequences::network;
using label_sequences::unreachable_states;

class DeterminizeTest : public kora_test::Library {};

kora_test::RandomNetOptions options_for(std::mt19937 &random) {
  kora_test::RandomNetOptions options;
  options.max_states = 6;
  options.max_arcs = 14;
  options.transducer = random() % 2 == 0;
  options.other = random() % 3 == 0;
  options.epsilon = random() % 4 != 0;
  return options;
}

TEST_F(DeterminizeTest, RandomNetworksBecomeDeterministicWithTheSameLanguage) {
  for (unsigned seed = 1; seed <= 300; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = kora_test::random_net(random, options_for(random));
    if (seed % 3 == 0) label_sequences::add_pointer_arcs(net, random, 4);
    auto before = fingerprint(net);
    auto sequences = accepted(net, 3, true);
    bool constructed = !(net->flags.deterministic && net->flags.epsilon_free);
    kora_test::Symbols universe = kora_test::universe_of({net});
    kora_test::Relation relation = kora_test::enumerate(net, universe, 3);

    NET *copy = determinize_fsm(net, 1);
    ASSERT_NE(copy, net);
    EXPECT_EQ(fingerprint(net), before) << "copy_mode 1 leaves the argument alone";
    STATE *start = net->start;
    ASSERT_EQ(determinize_fsm(net, 0), net);
    EXPECT_EQ(net->start, start) << "the start state keeps its identity";

    for (NET *result : {copy, net}) {
      EXPECT_EQ(fault(result, true), "");
      if (constructed && result->num_arcs >= 2) {
        EXPECT_EQ(unreachable_states(result), 0u);
      }
      EXPECT_FALSE(result->flags2.sorted_arcs);
      EXPECT_EQ(accepted(result, 3, true), sequences);
      kora_test::Relation determinized = kora_test::enumerate(result, universe, 3);
      for (const kora_test::StringPair &pair : relation)
        EXPECT_EQ(determinized.count(pair), 1u) << "paths only get shorter: "
                                                  << kora_test::describe({pair});
    }
    EXPECT_EQ(net->num_states, copy->num_states);
    EXPECT_EQ(net->num_arcs, copy->num_arcs);
    free_network(copy);
    free_network(net);
  }
}

TEST_F(DeterminizeTest, DeterministicNetworksComeBackUntouched) {
  NET *net = symbol_net("a");
  auto before = fingerprint(net);
  EXPECT_EQ(determinize_fsm(net, 0), net);
  EXPECT_EQ(determinize_fsm(net, 2), net) << "not copied when there is nothing to do";
  EXPECT_EQ(fingerprint(net), before);
  free_network(net);
  EXPECT_EQ(determinize_fsm(nullptr, 0), nullptr);

  // One arc left after epsilon removal: only marked.
  net = network(3, {2}, {{0, kora::EPSILON, 1}, {1, 'a', 2}});
  determinize_fsm(net, 0);
  EXPECT_EQ(net->num_arcs, 1u);
  EXPECT_EQ(fault(net, true), "");
  free_network(net);
}

// S -a-> X, S -a-> Y, and X, Y loop into each other on b: the set {X, Y} turns up three times
// and is made once; X and Y themselves become unreachable and are deleted.
TEST_F(DeterminizeTest, EachSetStateIsMadeOnce) {
  std::vector<STATE *> st;
  NET *net = network(4, {3}, {{0, 'a', 1}, {0, 'a', 2}, {1, 'b', 1}, {1, 'b', 2}, {2, 'b', 1},
                              {1, 'c', 3}, {2, 'c', 3}}, &st);
  determinize_fsm(net, 0);
  EXPECT_EQ(fault(net, true), "");
  ASSERT_EQ(net->num_states, 3u);
  ASSERT_EQ(net->num_arcs, 3u) << "S -a-> {X,Y}, {X,Y} -b-> {X,Y}, {X,Y} -c-> F";
  STATE *set = st[0]->arcs->destination;
  EXPECT_TRUE(set != st[1] && set != st[2]);
  for (ARC *arc = set->arcs; arc != nullptr; arc = arc->next)
    EXPECT_EQ(arc->destination, arc->label == 'b' ? set : st[3]);
  free_network(net);
}

// {S, X} with X arcless and not final stands for S itself; once X is final and S is not, it
// needs a state of its own.
TEST_F(DeterminizeTest, SetOfStateAndDeadEndMapsBackToTheState) {
  for (bool x_final : {false, true}) {
    SCOPED_TRACE(x_final ? "X final" : "X not final");
    NET *net = network(2, x_final ? std::set<int>{1} : std::set<int>{}, {{0, 'a', 0}, {0, 'a', 1}});
    STATE *s = net->start;
    auto sequences = accepted(net, 3, false);
    determinize_fsm(net, 0);
    EXPECT_EQ(fault(net, true), "");
    EXPECT_EQ(accepted(net, 3, false), sequences);
    EXPECT_EQ(net->num_states, x_final ? 2u : 1u);
    EXPECT_EQ(s->arcs->destination == s, !x_final) << "a loop rather than a new state";
    free_network(net);
  }
}

TEST_F(DeterminizeTest, UserPointersAndAndChecksKeepArcsApart) {
  const void *p = kPointers[0], *q = kPointers[1];
  NET *net = network(3, {1, 2}, {{0, 'a', 1, p}, {0, 'a', 2, q}, {0, 'a', 1, q},  // with q: {X, Y}
                                 {0, kora::AND_CHECK, 1}, {0, kora::AND_CHECK, 2}});
  determinize_fsm(net, 0);
  EXPECT_EQ(fault(net, true), "");
  EXPECT_EQ(unreachable_states(net), 0u);
  std::multiset<std::pair<uint32_t, const void *>> arcs;
  for (ARC *arc = net->start->arcs; arc != nullptr; arc = arc->next)
    arcs.insert({uint32_t{arc->label}, kora::arc_user_pointer(arc)});
  EXPECT_EQ(arcs, (std::multiset<std::pair<uint32_t, const void *>>{
                      {'a', p}, {'a', q}, {kora::AND_CHECK, nullptr}, {kora::AND_CHECK, nullptr}}))
      << "two *AND_CHECK* arcs of one state are never merged";
  EXPECT_EQ(net->num_states, 4u) << "S, X, Y and {X, Y} for a with q";
  free_network(net);
}

TEST_F(DeterminizeTest, OptimizedNetworksAreOnlyUnmarked) {
  NET *net = network(2, {1}, {{0, 'a', 1}, {0, 'a', 0}});
  auto before = fingerprint(net);
  net->flags2.optimized = 1;
  EXPECT_EQ(kora::subset_construction(net, 1), 1) << "the construction itself refuses";
  EXPECT_EQ(determinize_fsm(net, 0), net);
  NET *copy = determinize_fsm(net, 2);
  EXPECT_NE(copy, net) << "copy_mode 2 still hands back a copy";
  ASSERT_EQ(kora_test::messages().warnings.size(), 2u);
  EXPECT_EQ(kora_test::messages().warnings[0],
            "determinize_fsm: Can't determinize an optimized network. Un-optimizing and "
            "determinizing.");
  EXPECT_FALSE(net->flags.deterministic || copy->flags.deterministic);
  EXPECT_EQ(fingerprint(net), before);
  free_network(copy);

  net->flags2.optimized = 0;
  add_arc_to_state(net, net->start->arcs->destination, kora::ALTCHAIN_SYMBOL,
                   add_state_to_net(net, 1), nullptr, 0);
  before = fingerprint(net);
  EXPECT_EQ(determinize_fsm(net, 0), net);
  EXPECT_EQ(kora_test::messages().warnings.size(), 3u) << "an ALTCHAIN arc counts as optimized";
  EXPECT_EQ(fingerprint(net), before);
  free_network(net);
}

// Each state i has a -> i+1 and a -> a dead end of its own, so every step makes a set state:
// 100000 of them in one chain, more than any call stack would follow.
TEST_F(DeterminizeTest, LongChainOfSetStates) {
  const int length = 100000;
  std::vector<label_sequences::Arc> arcs;
  for (int i = 0; i < length; i++)
    arcs.insert(arcs.end(), {{2 * i, 'a', 2 * i + 2}, {2 * i, 'a', 2 * i + 1}});
  NET *net = network(2 * length + 1, {2 * length}, arcs);
  determinize_fsm(net, 0);
  EXPECT_EQ(net->num_states, static_cast<uint32_t>(length + 1));
  EXPECT_EQ(net->num_arcs, static_cast<uint32_t>(length));
  EXPECT_EQ(fault(net, true), "");
  free_network(net);
}

TEST_F(DeterminizeTest, LabelIndexesAreDenseAndMapBack) {
  for (unsigned seed = 1; seed <= 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = kora_test::random_net(random, options_for(random));
    auto before = fingerprint(net);
    std::set<uint32_t> labels;
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next) labels.insert(a->label);

    kora::LABEL_INDEX index;
    uint32_t count = kora::renumber_arc_labels(net, &index);
    ASSERT_EQ(count, index.labels.size());
    EXPECT_EQ(std::set<uint32_t>(index.labels.begin(), index.labels.end()), labels)
        << "without user pointers or *AND_CHECK*, one index per label";
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next) ASSERT_LT(a->label, count);
    kora::restore_arc_labels(net, &index);
    EXPECT_EQ(fingerprint(net), before);
    free_network(net);
  }
}

TEST_F(DeterminizeTest, UserPointersAndAndChecksGetExtraIndexes) {
  const void *p = kPointers[0], *q = kPointers[1];
  std::vector<STATE *> st;
  NET *net = network(3, {1}, {}, &st);
  auto arc = [&](int from, uint32_t label, int to, const void *pointer = nullptr) {
    return add_arc_to_state(net, st[from], label, st[to], const_cast<void *>(pointer), pointer != nullptr);
  };
  // The state list is 2, 1, 0 and each arc list is in reverse order of addition.
  ARC *first = arc(1, 'a', 0, p);
  ARC *t_checks[2] = {arc(1, kora::AND_CHECK, 1), arc(1, kora::AND_CHECK, 0)};
  ARC *same = arc(0, 'a', 1, p), *other = arc(0, 'a', 0, q), *plain = arc(0, 'a', 2);
  ARC *s_checks[3] = {arc(0, kora::AND_CHECK, 1), arc(0, kora::AND_CHECK, 0),
                      arc(0, kora::AND_CHECK, 2)};

  kora::LABEL_INDEX index;
  EXPECT_EQ(kora::renumber_arc_labels(net, &index), 6u)
      << "a, *AND_CHECK*, (a, q), (a, null), two *AND_CHECK* extras";
  EXPECT_EQ(same->label, first->label) << "the first pointer seen keeps the label's index";
  EXPECT_EQ((std::set<uint32_t>{first->label, other->label, plain->label}).size(), 3u)
      << "an ordinary arc counts as the null pointer";
  EXPECT_EQ(index.labels[other->label], 'a');
  EXPECT_EQ(index.labels[plain->label], 'a');
  EXPECT_EQ(s_checks[2]->label, t_checks[1]->label) << "first of its state: the label's index";
  EXPECT_EQ(s_checks[1]->label, t_checks[0]->label) << "second of its state: one shared series";
  EXPECT_EQ((std::set<uint32_t>{s_checks[0]->label, s_checks[1]->label, s_checks[2]->label}).size(), 3u);
  for (ARC *a : s_checks) EXPECT_EQ(index.labels[a->label], kora::AND_CHECK);
  kora::restore_arc_labels(net, &index);
  EXPECT_EQ(other->label, 'a');
  EXPECT_EQ(s_checks[0]->label, kora::AND_CHECK);
  free_network(net);
}

}  // namespace
