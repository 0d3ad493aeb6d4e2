// Splicing and ignore against their definitions on enumerated languages, and their edge cases
// (contains is among the unary operators of operators_test.cpp).

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ignore.h"
#include "kora_test.h"
#include "label.h"
#include "modify.h"
#include "networks.h"
#include "operator_oracle.h"
#include "splice.h"

namespace {

using namespace operator_oracle;
using kora::ID_NO_SYMBOL;
using kora_test::messages;

class SpliceTest : public kora_test::Library {};

std::vector<STATE *> states_of(NET *net) {
  std::vector<STATE *> states;
  for (STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
  return states;
}

// The splice made the plain way, as a reference: the states and arcs of both networks, an
// EPSILON arc from s to the inserted start state and one from each inserted final state to t.
// Both networks must have been harmonized.
NET *spliced_with_epsilons(NET *net, STATE *s, STATE *t, NET *inserted) {
  std::map<const STATE *, int> index;
  for (NET *part : {net, inserted})
    for (STATE *q : states_of(part)) index.emplace(q, static_cast<int>(index.size()));
  // build_net makes state 0 the start.
  std::swap(index[net->start], index[states_of(net)[0]]);
  std::vector<kora_test::Arc> arcs;
  std::set<int> finals;
  for (NET *part : {net, inserted})
    for (STATE *q : states_of(part)) {
      if (q->flags.final && part == net) finals.insert(index[q]);
      if (q->flags.final && part == inserted) arcs.push_back({index[q], kora::EPSILON, index[t]});
      for (ARC *arc = q->arcs; arc != nullptr; arc = arc->next)
        arcs.push_back({index[q], arc->label, index[arc->destination]});
    }
  arcs.push_back({index[s], kora::EPSILON, index[inserted->start]});
  NET *reference = kora_test::build_net(static_cast<int>(index.size()), finals, arcs);
  reference->sigma = union_alph(reference->sigma, net->sigma, 0, 1);
  reference->sigma = union_alph(reference->sigma, inserted->sigma, 0, 1);
  return reference;
}

TEST_F(SpliceTest, AddsThePathsThroughTheInsertedNetwork) {
  for_seeds(300, [&](unsigned seed, std::mt19937 &random) {
    NET *net = random_automaton(random);
    NET *inserted = random_operand(random, {.max_states = 3, .max_arcs = 5, .other = random() % 2 == 0});
    std::vector<STATE *> states = states_of(net);
    STATE *s = states[random() % states.size()];
    STATE *t = seed % 4 == 0 ? s : states[random() % states.size()];
    Symbols universe = kora_test::universe_of({net, inserted});
    kora::harmonize_sigmas(net, inserted);
    NET *reference = spliced_with_epsilons(net, s, t, inserted);
    // With a label, an arc of s carrying it makes the splice use an EPSILON arc.
    uint32_t label = ID_NO_SYMBOL;
    if (seed % 3 == 1 && s->arcs != nullptr) label = s->arcs->label;
    kora::splice_fsm(net, s, t, inserted, true, label);
    EXPECT_EQ(language(net, universe), language(reference, universe));
    EXPECT_EQ(kora_test::false_claims(net), "");
    EXPECT_EQ(net->num_states, kora_test::states_of(net).size());
    EXPECT_EQ(net->num_arcs, kora_test::arcs_of(net).size());
    free_network(net);
    free_network(reference);
  });
}

TEST_F(SpliceTest, EdgeCases) {
  // The empty string of the inserted network: s continues as t does, without EPSILON arcs.
  NET *net = symbol_net("a");
  STATE *s = net->start, *t = s->arcs->destination;
  NET *b_or_nothing = optional_net(symbol_net("b"), 0);
  kora::splice_fsm(net, s, t, b_or_nothing, true, ID_NO_SYMBOL);
  EXPECT_EQ(kora_test::words(net, 2), (std::set<std::string>{"", "a", "b"}));
  EXPECT_TRUE(net->flags.epsilon_free);
  free_network(net);

  // Different label maps: reported, nothing inserted.
  net = symbol_net("a");
  s = net->start, t = s->arcs->destination;
  NET *foreign = symbol_net("b");
  foreign->label_map = kora::make_label_map("Private", 10);
  kora::splice_fsm(net, s, t, foreign, true, ID_NO_SYMBOL);
  EXPECT_EQ(net->num_arcs, 1u);
  EXPECT_EQ(messages().errors.size(), 1u);
  free_network(net);
}

// Every way of inserting strings of `b` (non-empty, any number) into the strings of `a`, up to
// the length of the comparison.
Relation with_insertions(const Relation &a, const Relation &b) {
  Relation result = a, frontier = a;
  while (!frontier.empty()) {
    Relation next;
    for (const StringPair &x : frontier)
      for (const StringPair &y : b) {
        if (y.first.empty() || x.first.size() + y.first.size() > kLength) continue;
        for (size_t i = 0; i <= x.first.size(); i++) {
          Symbols s = x.first;
          s.insert(s.begin() + static_cast<long>(i), y.first.begin(), y.first.end());
          if (result.insert({s, s}).second) next.insert({s, s});
        }
      }
    frontier = next;
  }
  return result;
}

TEST_F(SpliceTest, IgnoreAgreesWithItsDefinition) {
  for (int minimize : {1, 0}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    for_seeds(100, [&](unsigned seed, std::mt19937 &random) {
      NET *a = random_automaton(random);
      NET *b = seed % 2 ? random_automaton(random) : alphabet_net(nullptr);
      if (seed % 4 == 1) {  // a set of single symbols
        free_network(b);
        b = union_net(symbol_net("c"), symbol_net("d"), 0, 0);
      }
      Symbols universe = kora_test::universe_of({a, b});
      auto before_b = snapshot(b, universe);
      Relation expected = with_insertions(language(a, universe), language(b, universe));
      NET *kept = ignore_net(a, b, 1, 1);
      EXPECT_EQ(language(kept, universe), expected);
      EXPECT_EQ(kora_test::false_claims(kept), "");
      EXPECT_EQ(snapshot(b, universe), before_b);
      NET *consumed = ignore_net(a, b, 0, 0);
      EXPECT_EQ(language(consumed, universe), expected);
      free_network(kept);
      free_network(consumed);
    });
  }
}

// A network ignoring itself, and the refusals.
TEST_F(SpliceTest, IgnoreEdgeCases) {
  NET *abc = string_to_net("abc", 0);
  NET *twice = ignore_net(abc, abc, 1, 1);
  EXPECT_TRUE(kora_test::words(twice, 6).count("aabcbc"));
  free_network(twice);
  EXPECT_EQ(contains_net(nullptr, 1), nullptr);
  EXPECT_EQ(ignore_net(abc, nullptr, 1, 1), nullptr);
  EXPECT_EQ(messages().errors.at(1), "Unexpected NULL argument in ignore_net().");
  free_network(abc);
}

}  // namespace
