// One differential test over every representation: lookup in both directions gives the same
// results on the plain form of a network and on its reduced, optimized, shared, vectorized and
// compacted forms, alone and combined. The networks are seeded random ones with twin labels (so that
// reduction folds some), transducers, OTHER, a flag diacritic and EPSILON arcs before
// minimization.

#include <functional>
#include <string>
#include <vector>

#include "kora_test.h"
#include "networks.h"

namespace {

class FormsTest : public kora_test::LineFeedLibrary {};

// The results of every input, sorted within each input (a form may try arcs in another order).
std::vector<std::vector<std::string>> lookups(NET *net, int side,
                                              const std::vector<std::string> &inputs) {
  std::vector<std::vector<std::string>> results;
  for (const std::string &input : inputs)
    results.push_back(kora_test::sorted_results(net, side, input));
  return results;
}

struct Form {
  const char *name;
  std::function<void(NET *net)> make;
};

TEST_F(FormsTest, LookupGivesThePlainResultsOnEveryForm) {
  const Form forms[] = {
      {"reduced", [](NET *net) { reduce_labelset(net); }},
      {"optimized", [](NET *net) { optimize_arcs(net); }},
      {"shared", [](NET *net) { optimize_arcs(net), share_arcs(net); }},
      {"vectorized", [](NET *net) { vectorize_states(net, 1); }},
      {"reduced and optimized", [](NET *net) { reduce_labelset(net), optimize_arcs(net); }},
      {"optimized and vectorized", [](NET *net) { optimize_arcs(net), vectorize_states(net, 2); }},
      {"compacted", [](NET *net) { compact_net(net, nullptr); }},
      {"vectorized and compacted", [](NET *net) { vectorize_states(net, 1), compact_net(net, nullptr); }},
  };
  // Every input of up to two characters over the symbols, their twins and z, which no network
  // knows.
  std::vector<std::string> inputs{""};
  const std::string characters = "abcdefgz";
  for (char first : characters) {
    inputs.push_back(std::string(1, first));
    for (char second : characters) inputs.push_back(std::string{first, second});
  }
  size_t changed = 0, results = 0;
  kora_test::for_seeds(40, [&](unsigned, std::mt19937 &random) {
    NET *plain = kora_test::twinned_net(random);
    minimize_net(plain);
    const std::vector<std::vector<std::string>> expected[2] = {lookups(plain, 0, inputs),
                                                              lookups(plain, 1, inputs)};
    for (const auto &side : expected)
      for (const auto &lines : side) results += lines.size();
    for (const Form &form : forms) {
      NET *net = copy_net(plain);
      form.make(net);
      changed += net->num_arcs != plain->num_arcs || net->flags2.has_arc_vectors ||
                 net->flags.compacted;
      for (int side = 0; side < 2; side++)
        ASSERT_EQ(lookups(net, side, inputs), expected[side]) << form.name << ", side " << side;
      free_network(net);
    }
    free_network(plain);
  });
  // The forms were made, and the inputs found something.
  EXPECT_GT(changed, 60u);
  EXPECT_GT(results, 2000u);
}

}  // namespace
