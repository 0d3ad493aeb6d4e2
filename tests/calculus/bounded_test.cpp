// Boundedness: the cases of one-sided epsilon cycles, the cache, the refusals, and a
// cross-check against a cycle search by repeated removal of sources on random transducers.

#include <map>
#include <random>
#include <string>
#include <tuple>

#include "bounded.h"
#include "kora_test.h"
#include "label.h"
#include "struct.h"
#include "structure_helpers.h"

namespace {

using kora_test::messages;

class BoundedTest : public kora_test::Library {};

// A two-state network: start -a-> s, and a cycle s -label-> t -label-> s with t final.
NET *cycle_net(uint32_t label) {
  NET *net = null_net();
  STATE *s = add_state_to_net(net, 0);
  STATE *t = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, 'a', s, nullptr, 0);
  add_arc_to_state(net, s, label, t, nullptr, 0);
  add_arc_to_state(net, t, label, s, nullptr, 0);
  net->flags.loop_free = 0;
  return net;
}

// Whether the arcs silent on `side` form a cycle: Kahn's removal of states without incoming
// silent arcs leaves something exactly when they do.
bool has_silent_cycle(const NET *net, int side) {
  std::map<const STATE *, int> incoming;
  structure_test::ArcSet silent;
  for (const auto &[source, label, dest] : structure_test::arcs_of(net)) {
    incoming[source];
    const bool tuple = kora::label_arity(label) == 2;
    const uint32_t id = side == 0 ? kora::upper_id(label) : kora::lower_id(label);
    if (tuple ? id == kora::EPSILON : label == kora::ALTCHAIN_SYMBOL || label == kora::DET_EPSILON) {
      silent.insert({source, label, dest});
      incoming[dest]++;
    }
  }
  for (bool removed = true; removed;) {
    removed = false;
    for (auto it = incoming.begin(); it != incoming.end();) {
      if (it->second != 0) {
        ++it;
        continue;
      }
      for (const auto &[source, label, dest] : silent)
        if (source == it->first) incoming[dest]--;
      it = incoming.erase(it);
      removed = true;
    }
  }
  return !incoming.empty();
}

// (cycle label, upper bounded, lower bounded): 0:a inserts without bound, a:0 deletes, the
// markers are silent on both sides, a plain symbol on neither.
TEST_F(BoundedTest, OneSidedEpsilonCycles) {
  const std::tuple<uint32_t, int, int> cases[] = {{kora::pair_id(kora::EPSILON, 'a'), 0, 1},
                                                  {kora::pair_id('a', kora::EPSILON), 1, 0},
                                                  {kora::ALTCHAIN_SYMBOL, 0, 0},
                                                  {kora::DET_EPSILON, 0, 0},
                                                  {'b', 1, 1}};
  for (const auto &[label, upper, lower] : cases) {
    NET *net = cycle_net(label);
    EXPECT_EQ(test_upper_bounded(net), upper) << label;
    EXPECT_EQ(test_lower_bounded(net), lower) << label;
    EXPECT_FALSE(net->flags.visit_marks_dirty);
    for (const STATE *s = net->states; s != nullptr; s = s->next) EXPECT_EQ(s->flags.visit_mark, 0);
    free_network(net);
  }
  EXPECT_TRUE(messages().errors.empty());
}

// A cycle of 100000 arcs 0:a: the search is iterative, so its length does not matter.
TEST_F(BoundedTest, LongCyclesAreFoundWithoutDeepRecursion) {
  constexpr int kLength = 100000;
  const uint32_t inserting = kora::pair_id(kora::EPSILON, 'a');
  NET *net = null_net();
  STATE *state = net->start;
  for (int i = 1; i < kLength; i++) {
    STATE *next = kora::make_state(nullptr, net);
    kora::push_arc(kora::alloc_arc(inserting, next, net), state);
    state = next;
  }
  kora::push_arc(kora::alloc_arc(inserting, net->start, net), state);
  net->flags.loop_free = 0;
  EXPECT_EQ(test_lower_bounded(net), 1);
  EXPECT_EQ(test_upper_bounded(net), 0);
  free_network(net);
}

TEST_F(BoundedTest, PositiveAnswersAreCachedAndFlagsAreTrusted) {
  NET *net = cycle_net(kora::pair_id('a', kora::EPSILON));
  EXPECT_EQ(test_upper_bounded(net), 1);
  EXPECT_TRUE(net->flags2.upper_bounded_known);
  EXPECT_EQ(test_lower_bounded(net), 0);
  EXPECT_FALSE(net->flags2.lower_bounded_known);
  net->flags2.lower_bounded_known = 1;
  EXPECT_EQ(test_lower_bounded(net), 1) << "the cache is believed";
  net->flags2.lower_bounded_known = 0;
  net->flags.loop_free = 1;
  EXPECT_EQ(test_lower_bounded(net), 1) << "so is loop_free";
  net->flags.loop_free = 0;

  net->flags.compacted = 1;
  EXPECT_EQ(test_lower_bounded(net), 1);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"linearbounded_p: Can't check loops on a compacted network."});
  net->flags.compacted = 0;
  EXPECT_EQ(test_upper_bounded(nullptr), 0);
  EXPECT_EQ(messages().errors.size(), 1u);
  free_network(net);
}

TEST_F(BoundedTest, AgreesWithSourceRemovalOnRandomTransducers) {
  for (unsigned seed = 1; seed <= 400; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    kora_test::RandomNetOptions options;
    options.max_states = 5;
    options.max_arcs = 10;
    options.transducer = true;
    NET *net = kora_test::random_net(random, options);
    const int upper = !has_silent_cycle(net, 0), lower = !has_silent_cycle(net, 1);
    EXPECT_EQ(test_upper_bounded(net), upper);
    EXPECT_EQ(test_lower_bounded(net), lower);
    EXPECT_EQ(test_upper_bounded(net), upper) << "asked again";
    free_network(net);
  }
}

}  // namespace
