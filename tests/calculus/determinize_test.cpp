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
using kora::subset_construction;
using label_sequences::accepted;
using label_sequences::determinism_fault;
using label_sequences::fingerprint;
using label_sequences::unreachable_states;

class DeterminizeTest : public kora_test::Library {};
class LabelIndexTest : public kora_test::Library {};

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
      EXPECT_EQ(determinism_fault(result), "");
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
  NET *copy = determinize_fsm(net, 1);
  EXPECT_NE(copy, net);
  free_network(copy);
  free_network(net);
  EXPECT_EQ(determinize_fsm(nullptr, 0), nullptr);
}

TEST_F(DeterminizeTest, OneArcLeftAfterEpsilonRemovalIsOnlyMarked) {
  NET *net = null_net();
  STATE *middle = add_state_to_net(net, 0);
  STATE *end = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, kora::EPSILON, middle, nullptr, 0);
  add_arc_to_state(net, middle, 'a', end, nullptr, 0);
  determinize_fsm(net, 0);
  EXPECT_EQ(net->num_arcs, 1u);
  EXPECT_TRUE(net->flags.deterministic);
  EXPECT_TRUE(net->flags.epsilon_free);
  EXPECT_TRUE(net->start->flags.deterministic);
  free_network(net);
}

// S -a-> X, S -a-> Y, and X, Y loop into each other on b: the set {X, Y} turns up three times
// and is made once; X and Y themselves become unreachable and are deleted.
TEST_F(DeterminizeTest, EachSetStateIsMadeOnce) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *x = add_state_to_net(net, 0);
  STATE *y = add_state_to_net(net, 0);
  STATE *f = add_state_to_net(net, 1);
  add_arc_to_state(net, s, 'a', x, nullptr, 0);
  add_arc_to_state(net, s, 'a', y, nullptr, 0);
  add_arc_to_state(net, x, 'b', x, nullptr, 0);
  add_arc_to_state(net, x, 'b', y, nullptr, 0);
  add_arc_to_state(net, y, 'b', x, nullptr, 0);
  add_arc_to_state(net, x, 'c', f, nullptr, 0);
  add_arc_to_state(net, y, 'c', f, nullptr, 0);
  determinize_fsm(net, 0);
  EXPECT_EQ(determinism_fault(net), "");
  EXPECT_EQ(unreachable_states(net), 0u);
  ASSERT_EQ(net->num_states, 3u);
  ASSERT_EQ(net->num_arcs, 3u) << "S -a-> {X,Y}, {X,Y} -b-> {X,Y}, {X,Y} -c-> F";
  STATE *set = s->arcs->destination;
  EXPECT_NE(set, x);
  EXPECT_NE(set, y);
  for (ARC *arc = set->arcs; arc != nullptr; arc = arc->next)
    EXPECT_EQ(arc->destination, arc->label == 'b' ? set : f);
  free_network(net);
}

// {S, X} with X arcless and not final stands for S itself; once X is final and S is not, it
// needs a state of its own.
TEST_F(DeterminizeTest, SetOfStateAndDeadEndMapsBackToTheState) {
  for (bool x_final : {false, true}) {
    SCOPED_TRACE(x_final ? "X final" : "X not final");
    NET *net = null_net();
    STATE *s = net->start;
    STATE *x = add_state_to_net(net, x_final);
    add_arc_to_state(net, s, 'a', s, nullptr, 0);
    add_arc_to_state(net, s, 'a', x, nullptr, 0);
    auto sequences = accepted(net, 3, false);
    determinize_fsm(net, 0);
    EXPECT_EQ(determinism_fault(net), "");
    EXPECT_EQ(accepted(net, 3, false), sequences);
    if (!x_final) {
      EXPECT_EQ(net->num_states, 1u);
      EXPECT_EQ(s->arcs->destination, s) << "a loop rather than a new state";
    } else {
      EXPECT_EQ(net->num_states, 2u);
      EXPECT_NE(s->arcs->destination, s);
    }
    free_network(net);
  }
}

TEST_F(DeterminizeTest, UserPointersAndAndChecksKeepArcsApart) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *x = add_state_to_net(net, 1);
  STATE *y = add_state_to_net(net, 1);
  const void *p = label_sequences::kPointers[0];
  const void *q = label_sequences::kPointers[1];
  add_arc_to_state(net, s, 'a', x, const_cast<void *>(p), 1);
  add_arc_to_state(net, s, 'a', y, const_cast<void *>(q), 1);
  add_arc_to_state(net, s, 'a', x, const_cast<void *>(q), 1);  // with q: {X, Y}
  add_arc_to_state(net, s, kora::AND_CHECK, x, nullptr, 0);
  add_arc_to_state(net, s, kora::AND_CHECK, y, nullptr, 0);
  determinize_fsm(net, 0);
  EXPECT_EQ(determinism_fault(net), "");
  EXPECT_EQ(unreachable_states(net), 0u);
  std::set<std::pair<uint32_t, const void *>> arcs;
  int and_checks = 0;
  for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
    arcs.insert({static_cast<uint32_t>(arc->label), kora::arc_user_pointer(arc)});
    and_checks += arc->label == kora::AND_CHECK;
  }
  EXPECT_EQ(arcs.count({'a', p}), 1u);
  EXPECT_EQ(arcs.count({'a', q}), 1u);
  EXPECT_EQ(and_checks, 2) << "two *AND_CHECK* arcs of one state are never merged";
  EXPECT_EQ(net->num_states, 4u) << "S, X, Y and {X, Y} for a with q";
  free_network(net);
}

TEST_F(DeterminizeTest, OptimizedNetworksAreOnlyUnmarked) {
  const char *warning =
      "determinize_fsm: Can't determinize an optimized network. Un-optimizing and determinizing.";
  NET *net = null_net();
  STATE *x = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, 'a', x, nullptr, 0);
  add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0);
  auto before = fingerprint(net);
  net->flags2.optimized = 1;
  EXPECT_EQ(subset_construction(net, 1), 1) << "the construction itself refuses";
  EXPECT_EQ(determinize_fsm(net, 0), net);
  NET *copy = determinize_fsm(net, 2);
  EXPECT_NE(copy, net) << "copy_mode 2 still hands back a copy";
  ASSERT_EQ(kora_test::messages().warnings.size(), 2u);
  EXPECT_EQ(kora_test::messages().warnings[0], warning);
  EXPECT_FALSE(net->flags.deterministic);
  EXPECT_FALSE(copy->flags.deterministic);
  EXPECT_EQ(fingerprint(net), before);
  free_network(copy);

  net->flags2.optimized = 0;
  STATE *end = add_state_to_net(net, 1);
  add_arc_to_state(net, x, kora::ALTCHAIN_SYMBOL, end, nullptr, 0);
  before = fingerprint(net);
  EXPECT_EQ(determinize_fsm(net, 0), net);
  EXPECT_EQ(kora_test::messages().warnings.size(), 3u) << "an ALTCHAIN arc counts as optimized";
  EXPECT_EQ(fingerprint(net), before);
  free_network(net);
}

// Each state i has a -> i+1 and a -> a dead end of its own, so every step makes a set state:
// 100000 of them in one chain, more than any call stack would follow.
TEST_F(DeterminizeTest, LongChainOfSetStates) {
  NET *net = null_net();
  STATE *last = net->start;
  const int length = 100000;
  for (int i = 0; i < length; i++) {
    STATE *next = add_state_to_net(net, i == length - 1);
    STATE *dead_end = add_state_to_net(net, 0);
    add_arc_to_state(net, last, 'a', next, nullptr, 0);
    add_arc_to_state(net, last, 'a', dead_end, nullptr, 0);
    last = next;
  }
  determinize_fsm(net, 0);
  EXPECT_EQ(net->num_states, static_cast<uint32_t>(length + 1));
  EXPECT_EQ(net->num_arcs, static_cast<uint32_t>(length));
  EXPECT_EQ(determinism_fault(net), "");
  free_network(net);
}

TEST_F(LabelIndexTest, IndexesAreDenseAndMapBack) {
  for (unsigned seed = 1; seed <= 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *net = kora_test::random_net(random, options_for(random));
    auto before = fingerprint(net);
    std::set<uint32_t> labels;
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next) labels.insert(a->label);
    labels.erase(kora::EPSILON);

    kora::LABEL_INDEX index;
    uint32_t count = kora::renumber_arc_labels(net, &index);
    ASSERT_EQ(count, index.labels.size());
    EXPECT_EQ(std::set<uint32_t>(index.labels.begin(), index.labels.end()).size(), count)
        << "without user pointers or *AND_CHECK*, one index per label";
    bool has_epsilon = false;
    for (STATE *s = net->states; s != nullptr; s = s->next)
      for (ARC *a = s->arcs; a != nullptr; a = a->next) {
        ASSERT_LT(a->label, count);
        has_epsilon = has_epsilon || index.labels[a->label] == kora::EPSILON;
      }
    EXPECT_EQ(count, labels.size() + has_epsilon);
    kora::restore_arc_labels(net, &index);
    EXPECT_EQ(fingerprint(net), before);
    free_network(net);
  }
}

TEST_F(LabelIndexTest, UserPointersAndAndChecksGetExtraIndexes) {
  NET *net = null_net();
  STATE *s = net->start;
  STATE *t = add_state_to_net(net, 1);
  STATE *u = add_state_to_net(net, 0);
  void *p = const_cast<void *>(label_sequences::kPointers[0]);
  void *q = const_cast<void *>(label_sequences::kPointers[1]);
  // The state list is u, t, s and each arc list is in reverse order of addition.
  ARC *first = add_arc_to_state(net, t, 'a', s, p, 1);
  ARC *t_checks[2] = {add_arc_to_state(net, t, kora::AND_CHECK, t, nullptr, 0),
                      add_arc_to_state(net, t, kora::AND_CHECK, s, nullptr, 0)};
  ARC *same = add_arc_to_state(net, s, 'a', t, p, 1);
  ARC *other = add_arc_to_state(net, s, 'a', s, q, 1);
  ARC *plain = add_arc_to_state(net, s, 'a', u, nullptr, 0);
  ARC *s_checks[3] = {add_arc_to_state(net, s, kora::AND_CHECK, t, nullptr, 0),
                      add_arc_to_state(net, s, kora::AND_CHECK, s, nullptr, 0),
                      add_arc_to_state(net, s, kora::AND_CHECK, u, nullptr, 0)};

  kora::LABEL_INDEX index;
  uint32_t count = kora::renumber_arc_labels(net, &index);
  EXPECT_EQ(count, 6u) << "a, *AND_CHECK*, (a, q), (a, null), two *AND_CHECK* extras";
  EXPECT_EQ(same->label, first->label) << "the first pointer seen keeps the label's index";
  EXPECT_NE(other->label, first->label);
  EXPECT_NE(plain->label, first->label) << "an ordinary arc counts as the null pointer";
  EXPECT_NE(plain->label, other->label);
  EXPECT_EQ(index.labels[other->label], 'a');
  EXPECT_EQ(index.labels[plain->label], 'a');
  EXPECT_EQ(s_checks[2]->label, t_checks[1]->label) << "first of its state: the label's index";
  EXPECT_EQ(s_checks[1]->label, t_checks[0]->label) << "second of its state: one shared series";
  EXPECT_NE(s_checks[0]->label, s_checks[1]->label);
  EXPECT_NE(s_checks[1]->label, s_checks[2]->label);
  for (ARC *arc : s_checks) EXPECT_EQ(index.labels[arc->label], kora::AND_CHECK);
  kora::restore_arc_labels(net, &index);
  EXPECT_EQ(other->label, 'a');
  EXPECT_EQ(s_checks[0]->label, kora::AND_CHECK);
  free_network(net);
}

}  // namespace
