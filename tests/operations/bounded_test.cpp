// Boundedness: cycles silent on one side checked against a cycle search on random transducers,
// the markers the random networks lack, a long cycle, and the refusals.

#include <random>
#include <string>
#include <tuple>

#include "bounded.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"
#include "struct.h"
#include "structure.h"

namespace {

using kora_test::messages;

class BoundedTest : public kora_test::Library {};

// Whether the arcs silent on `side` form a cycle: some silent arc's source is reachable from
// its destination along silent arcs.
bool has_silent_cycle(const NET *net, int side) {
  kora_test::ArcSet silent;
  for (const auto &arc : kora_test::arcs_of(net)) {
    const uint32_t label = std::get<1>(arc);
    const uint32_t id = side == 0 ? kora::upper_id(label) : kora::lower_id(label);
    if (kora::label_arity(label) == 2 ? id == kora::EPSILON
                                      : label == kora::ALTCHAIN_SYMBOL || label == kora::DET_EPSILON)
      silent.insert(arc);
  }
  for (const auto &[source, label, dest] : silent)
    if (kora_test::reachable({dest}, silent).count(source) != 0) return true;
  return false;
}

// Each network asked twice, so that a cached answer is checked too.
TEST_F(BoundedTest, AgreesWithACycleSearchOnRandomTransducers) {
  kora_test::for_seeds(400, [&](unsigned, std::mt19937 &random) {
    NET *net = kora_test::random_net(random, {.max_arcs = 10, .transducer = true});
    const int upper = !has_silent_cycle(net, 0), lower = !has_silent_cycle(net, 1);
    for (int round = 0; round < 2; round++) {
      EXPECT_EQ(test_upper_bounded(net), upper);
      EXPECT_EQ(test_lower_bounded(net), lower);
    }
    free_network(net);
  });
}

// start -a-> s, and a cycle s -label-> t -label-> s with t final: the markers are silent on both
// sides.
TEST_F(BoundedTest, MarkerCyclesAreUnbounded) {
  for (uint32_t label : {kora::ALTCHAIN_SYMBOL, kora::DET_EPSILON}) {
    NET *net = kora_test::build_net(3, {2}, {{0, 'a', 1}, {1, label, 2}, {2, label, 1}});
    net->flags.loop_free = 0;
    EXPECT_EQ(test_upper_bounded(net), 0) << label;
    EXPECT_EQ(test_lower_bounded(net), 0) << label;
    free_network(net);
  }
}

// A cycle of 100000 arcs 0:a, searched on a small stack. Then the
// refusals: a compacted network (answered bounded, with a warning) and NULL.
TEST_F(BoundedTest, LongCyclesAndRefusals) {
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
  kora_test::with_small_stack([&] {
    EXPECT_EQ(test_lower_bounded(net), 1);
    EXPECT_EQ(test_upper_bounded(net), 0);
  });

  net->flags.compacted = 1;
  EXPECT_EQ(test_upper_bounded(net), 1);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"linearbounded_p: Can't check loops on a compacted network."});
  net->flags.compacted = 0;
  free_network(net);
  EXPECT_EQ(test_upper_bounded(nullptr), 0);
  EXPECT_EQ(messages().errors.size(), 1u);
}

}  // namespace
