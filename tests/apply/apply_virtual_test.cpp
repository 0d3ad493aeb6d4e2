// The applyer over virtual networks: looking strings up (and down) in a virtual network gives
// the results, in their order, of the same lookups in a plain copy of its whole expansion,
// while expanding only the states the lookups can reach.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "alph.h"
#include "apply_support.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "struct.h"
#include "virtual-net.h"

namespace {

using kora_test::Symbols;
using ApplyVirtualTest = apply_tests::Applying;

// A plain network with the states and arcs of the whole expansion of `net`, each state's arcs
// in the same order.
NET *plain_expansion(NET *net) {
  kora::expand_virtual_net(net);
  NET *plain = kora::make_network();
  std::map<STATE *, STATE *> copies;
  auto copy_of = [&](STATE *state) {
    auto [at, added] = copies.emplace(state, nullptr);
    if (added) {
      at->second = kora::make_state(nullptr, plain);
      at->second->flags.final = state->flags.final;
    }
    return at->second;
  };
  plain->start = copy_of(net->start);
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    ARC **tail = &copy_of(state)->arcs;
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      *tail = kora::alloc_arc(arc->label, copy_of(arc->destination), plain);
      tail = &(*tail)->next;
    }
  }
  plain->sigma = kora::copy_alph(net->sigma);
  kora::labels_from_arcs(plain);
  return plain;
}

std::vector<std::string> lookups(NET *net, int side, const std::vector<Symbols> &words) {
  std::vector<std::string> results;
  APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
  for (const Symbols &word : words) {
    const char *output = apply_to_string(apply_tests::spell(word).c_str(), applyer);
    results.push_back(output == nullptr ? "(null)" : output);
  }
  free_applyer(applyer);
  return results;
}

// Compositions, unions and concatenations of random transducers (epsilons, OTHER), looked up
// on both sides, the virtual network fresh each time.
TEST_F(ApplyVirtualTest, LookupsEqualThoseOfTheExpansion) {
  const std::vector<Symbols> words = kora_test::strings_up_to({'a', 'b', 'c', 'd', 'z'}, 3);
  const int operations[] = {KORA_VIRTUAL_COMPOSE, KORA_VIRTUAL_UNION, KORA_VIRTUAL_CONCAT,
                            KORA_VIRTUAL_ZERO_PLUS};
  kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
    const kora_test::RandomNetOptions options{.max_states = 5, .max_arcs = 9, .transducer = true,
                                              .other = random() % 2 == 0,
                                              .symbols = {'a', 'b', 'c', 'd'}};
    NET *a = kora_test::random_net(random, options);
    NET *b = kora_test::random_net(random, options);
    const int id = operations[seed % 4];
    NET *second = kora::virtual_operand_count(id) == 2 ? b : nullptr;
    for (int side : {0, 1}) {
      SCOPED_TRACE(side);
      NET *lazy = virtual_net(id, a, second, 1, 1);
      const std::vector<std::string> got = lookups(lazy, side, words);
      NET *whole = virtual_net(id, a, second, 1, 1);
      NET *plain = plain_expansion(whole);
      EXPECT_EQ(got, lookups(plain, side, words));
      for (NET *net : {lazy, whole, plain}) free_network(net);
    }
    free_network(a);
    free_network(b);
  });
}

// A lookup expands the states on the paths it can take; repeating it expands nothing more.
TEST_F(ApplyVirtualTest, LookupsExpandOnlyWhatTheyReach) {
  std::vector<NET *> words;
  for (const char *word : {"cat", "cats", "dog", "dogs", "bird", "fish", "horse", "mouse"})
    words.push_back(string_to_net(word, 0));
  NET *lexicon = words[0];
  for (size_t k = 1; k < words.size(); ++k) lexicon = union_net(lexicon, words[k], 0, 0);
  NET *rule = zero_plus_net(union_net(kleene_star_net(), pair_net('s', 'z'), 0, 0), 0);
  NET *lazy = virtual_net(KORA_VIRTUAL_COMPOSE, lexicon, rule, 0, 0);
  APPLY_CONTEXT *applyer = init_apply(lazy, 0, nullptr);
  const std::string cats = apply_to_string("cats", applyer);
  EXPECT_NE(cats.find("catz"), std::string::npos);
  const kora::VIRTUAL_NET &v = *kora::virtual_of(lazy);
  const uint64_t expanded = v.expanded;
  EXPECT_EQ(apply_to_string("cats", applyer), cats);
  EXPECT_EQ(v.expanded, expanded);
  free_applyer(applyer);
  kora::expand_virtual_net(lazy);
  EXPECT_LT(expanded * 2, v.expanded);
  free_network(lazy);
}

}  // namespace
