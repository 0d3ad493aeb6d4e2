// Merge: a template's class symbols filled from a filler, against a reference that walks the
// template's strings; define_label_set; refusals.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "define.h"
#include "kora_test.h"
#include "label.h"
#include "merge.h"
#include "minimize.h"
#include "networks.h"
#include "operator_oracle.h"

namespace {

using namespace operator_oracle;
using kora::symbol_id;
using kora_test::messages;

class MergeTest : public kora_test::QuietLibrary {
 protected:
  void SetUp() override {
    QuietLibrary::SetUp();
    kora_test::define_list("V", {'a', 'e'});
  }
};

// The strings of a template string with its class symbols filled by a filler string of the
// filler language `language`: a class symbol takes the filler's next symbol when its list holds
// it; it stays itself only when no filler string that has consumed the same prefix goes on
// with a symbol of its list.
void fillings(const Symbols &t, size_t i, const Symbols &f, size_t j, const Relation &language,
              Symbols &so_far, std::set<std::pair<Symbols, bool>> *out) {
  if (i == t.size()) {
    out->insert({so_far, j == f.size()});
    return;
  }
  ALPH *list = kora::defined_list(t[i]);
  bool filler_goes_on_in_list = false;
  for (const auto &[w, unused] : language)
    if (list != nullptr && w.size() > j && std::equal(f.begin(), f.begin() + static_cast<long>(j), w.begin()) &&
        test_alph_member(list, w[j]))
      filler_goes_on_in_list = true;
  if (list != nullptr && j < f.size() && test_alph_member(list, f[j])) {
    so_far.push_back(f[j]);
    fillings(t, i + 1, f, j + 1, language, so_far, out);
    so_far.pop_back();
  }
  if (filler_goes_on_in_list) return;
  so_far.push_back(t[i]);
  fillings(t, i + 1, f, j, language, so_far, out);
  so_far.pop_back();
}

// Acyclic templates and fillers: the merge is, string by string, the filling of a template
// string that uses up a filler string.
TEST_F(MergeTest, FillsClassSymbolsFromTheFiller) {
  const uint32_t v = symbol_id("V");
  int filled = 0;  // results in which a class symbol took a filler symbol
  for_seeds(500, [&](unsigned, std::mt19937 &random) {
    NET *t = kora_test::random_net(random, {.max_states = 4, .max_arcs = 6, .acyclic = true,
                                            .epsilon = false, .symbols = {v, v, 'b'}});
    // A deterministic filler: its states are the prefixes of its strings.
    NET *filler = kora::min_fsm(kora_test::random_net(random, {.max_states = 3, .max_arcs = 4, .acyclic = true,
                                                               .epsilon = false, .symbols = {'a', 'e', 'b'}}),
                                0);
    const Symbols universe = kora_test::universe_of({t, filler});
    Relation expected;
    const Relation filler_language = language(filler, universe, 4);
    for (const auto &[ts, unused] : language(t, universe, 4))
      for (const auto &[fs, unused2] : filler_language) {
        std::set<std::pair<Symbols, bool>> out;
        Symbols so_far;
        fillings(ts, 0, fs, 0, filler_language, so_far, &out);
        for (const auto &[s, complete] : out)
          if (complete && s.size() <= kLength) expected.insert({s, s});
      }
    NET *result = kora::merge_fsm(t, filler, 1, 1);
    EXPECT_EQ(language(result, universe), expected);
    for (const auto &[s, unused] : expected) filled += std::count(s.begin(), s.end(), uint32_t{'e'}) + std::count(s.begin(), s.end(), uint32_t{'a'}) > 0;
    EXPECT_EQ(kora_test::false_claims(result), "");
    free_network(result);
    free_network(t);
    free_network(filler);
  });
  EXPECT_GT(filled, 10);
}

TEST_F(MergeTest, EdgeCasesAndRefusals) {
  // A class given as a network of single symbols becomes a list first.
  ASSERT_EQ(define_net("C", union_net(symbol_net("b"), symbol_net("d"), 0, 0), 0), 0);
  NET *t = concat_net(concat_net(symbol_net("C"), symbol_net("V"), 0, 0), symbol_net("C"), 0, 0);
  NET *result = kora::merge_fsm(t, symbol_net("a"), 0, 1);
  const uint32_t c = symbol_id("C");
  EXPECT_NE(kora::defined_list(c), nullptr);
  Relation expected = {{{c, 'a', c}, {c, 'a', c}}};
  EXPECT_EQ(language(result, kora_test::universe_of({result}), 3), expected);
  free_network(result);

  // With a cyclic filler a class symbol already used is not kept as itself.
  NET *star = a_star();
  result = kora::merge_fsm(concat_net(symbol_net("V"), symbol_net("V"), 0, 0), star, 0, 1);
  EXPECT_EQ(language(result, kora_test::universe_of({result}), 3), (Relation{{{'a', 'a'}, {'a', 'a'}}}));
  free_network(result);

  EXPECT_EQ(kora::define_label_set(c, kora_test::chain_net(3)), -1);
  EXPECT_EQ(messages().errors.back(), "Incorrect 'define_label_set'. Too many states.");
}

}  // namespace
