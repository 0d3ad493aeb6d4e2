// Approximate lookup against a brute-force reference: every string over the network's symbols
// (and the word's unknown ones) up to the longest length that can lie within the bound is looked
// up exactly, and those within the bound by an edit distance written here are the expected
// results, in the documented order. Random acceptors and transducers, with epsilons, OTHER and
// flags, and multi-character symbols; limits and ties; the error model on a small example.

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "apply_support.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using apply_tests::lines_of;
using apply_tests::spell;
using kora_test::Symbols;

struct Suggestion {
  int distance;
  std::string match;
  std::string output;
  bool operator==(const Suggestion &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Suggestion &s) {
  return out << "{" << s.distance << " '" << s.match << "' '" << s.output << "'}";
}

// The restricted edit distance from `word` to `candidate`. A symbol `wild` says is outside the
// network's sigma: only an OTHER arc reads it, which meets only its own place in the word (no
// insertion, substitution or swap of it).
template <typename Wild>
int distance(const Symbols &word, const Symbols &candidate, bool swaps, Wild wild) {
  constexpr int kFar = 1000;
  const size_t n = word.size(), m = candidate.size();
  std::vector<std::vector<int>> d(m + 1, std::vector<int>(n + 1, kFar));
  for (size_t j = 0; j <= n; j++) d[0][j] = static_cast<int>(j);
  for (size_t i = 1; i <= m; i++) {
    const uint32_t c = candidate[i - 1];
    const int edit = wild(c) ? kFar : 1;
    d[i][0] = std::min(kFar, d[i - 1][0] + edit);
    for (size_t j = 1; j <= n; j++) {
      int best = std::min(d[i - 1][j] + edit, d[i][j - 1] + 1);
      best = std::min(best, d[i - 1][j - 1] + (c == word[j - 1] ? 0 : edit));
      if (swaps && i >= 2 && j >= 2 && !wild(c) && !wild(candidate[i - 2]) && c == word[j - 2] &&
          candidate[i - 2] == word[j - 1])
        best = std::min(best, d[i - 2][j - 2] + 1);
      d[i][j] = std::min(best, kFar);
    }
  }
  return d[m][n];
}

// Every string over `alphabet` of at most `longest` symbols that `net` accepts on `side`, with
// its distinct lookup results.
struct Entry {
  Symbols symbols;
  std::vector<std::string> outputs;
};

std::vector<Entry> input_side(NET *net, int side, const Symbols &alphabet, size_t longest) {
  std::vector<Entry> entries;
  APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
  std::vector<Symbols> layer{{}};
  for (size_t length = 0; length <= longest; length++) {
    std::vector<Symbols> next;
    for (const Symbols &symbols : layer) {
      std::vector<std::string> outputs = lines_of(apply_to_string(spell(symbols).c_str(), applyer));
      std::sort(outputs.begin(), outputs.end());
      outputs.erase(std::unique(outputs.begin(), outputs.end()), outputs.end());
      if (!outputs.empty()) entries.push_back({symbols, outputs});
      for (uint32_t s : alphabet) {
        next.push_back(symbols);
        next.back().push_back(s);
      }
    }
    layer = std::move(next);
  }
  free_applyer(applyer);
  return entries;
}

std::vector<Suggestion> expected(const std::vector<Entry> &entries, NET *net, const Symbols &word,
                                 int bound, bool swaps, size_t limit) {
  auto wild = [net](uint32_t s) { return test_alph_member(net->sigma, s) == 0; };
  std::vector<Suggestion> found;
  for (const Entry &entry : entries) {
    const int d = distance(word, entry.symbols, swaps, wild);
    if (d > bound) continue;
    for (const std::string &output : entry.outputs)
      found.push_back({d, spell(entry.symbols), output});
  }
  std::sort(found.begin(), found.end(), [](const Suggestion &x, const Suggestion &y) {
    return std::tie(x.distance, x.match, x.output) < std::tie(y.distance, y.match, y.output);
  });
  if (limit != 0 && found.size() > limit) found.resize(limit);
  return found;
}

std::vector<Suggestion> suggest(APPROX_APPLYER *applyer, const std::string &word, int bound,
                                bool swaps, int limit) {
  std::vector<Suggestion> found;
  const int count =
      apply_approx(word.c_str(), bound, limit, swaps ? KORA_APPROX_TRANSPOSITIONS : 0, applyer);
  EXPECT_GE(count, 0);
  for (int k = 0; k < count; k++) {
    int d = -1;
    const char *match = nullptr;
    const char *output = approx_result(applyer, k, &d, &match);
    found.push_back({d, match, output});
  }
  EXPECT_EQ(approx_result(applyer, count, nullptr, nullptr), nullptr);
  return found;
}

class ApplyApproxTest : public apply_tests::Applying {
 protected:
  // Checks random words over `letters` (z is outside every network's sigma) against the
  // reference on `net`, read from `side`, every bound to 2, with and without swaps, limits too.
  void check_words(NET *net, int side, const Symbols &letters, std::mt19937 &random) {
    Symbols alphabet = letters;
    alphabet.push_back('z');
    const size_t longest_word = 3;
    const std::vector<Entry> entries = input_side(net, side, alphabet, longest_word + 2);
    APPROX_APPLYER *applyer = init_apply_approx(net, side, nullptr, nullptr);
    ASSERT_NE(applyer, nullptr);
    for (int round = 0; round < 6; round++) {
      Symbols word(random() % (longest_word + 1));
      for (uint32_t &s : word) s = alphabet[random() % alphabet.size()];
      const int bound = static_cast<int>(random() % 3);
      const bool swaps = random() % 2 == 0;
      const int limit = random() % 3 == 0 ? static_cast<int>(random() % 4) + 1 : 0;
      SCOPED_TRACE("word '" + spell(word) + "' bound " + std::to_string(bound) +
                   (swaps ? " with swaps" : "") + " limit " + std::to_string(limit));
      EXPECT_EQ(suggest(applyer, spell(word), bound, swaps, limit),
                expected(entries, net, word, bound, swaps, static_cast<size_t>(limit)));
    }
    free_approx_applyer(applyer);
  }
};

TEST_F(ApplyApproxTest, RandomAcceptorsAndTransducersGiveTheReferenceResultsInOrder) {
  for (const bool transducer : {false, true}) {
    SCOPED_TRACE(transducer ? "transducers" : "acceptors");
    kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
      kora_test::RandomNetOptions options;
      options.transducer = transducer;
      options.other = random() % 2 == 0;
      options.max_states = 4;
      options.max_arcs = 8;
      NET *net = kora_test::random_net(random, options);
      if (seed % 3 == 0) compact_net(net, nullptr);  // indexed whole, not as lookups go
      const int side = static_cast<int>(random() % 2);
      check_words(net, side, options.symbols, random);
      free_network(net);
    });
  }
}

// Word lists over twelve letters, whose states have many arcs (searched by symbol): the
// reference is the list itself.
TEST_F(ApplyApproxTest, WordListsWithWideStatesGiveEveryWordWithinTheBound) {
  const std::string letters = "abcdefghijkl";
  kora_test::for_seeds(30, [&](unsigned, std::mt19937 &random) {
    std::set<std::string> words;
    std::string regex = "{x}";
    while (words.size() < 60) {
      std::string word(1 + random() % 5, 'a');
      for (char &c : word) c = letters[random() % letters.size()];
      if (words.insert(word).second) regex += " | {" + word + "}";
    }
    words.insert("x");
    std::vector<Entry> entries;
    for (const std::string &word : words)
      entries.push_back({Symbols(word.begin(), word.end()), {word}});
    NET *net = read_regex((regex + ";").c_str());
    ASSERT_NE(net, nullptr);
    APPROX_APPLYER *applyer = init_apply_approx(net, 1, nullptr, nullptr);
    for (int round = 0; round < 20; round++) {
      std::string typed(random() % 6, 'a');
      for (char &c : typed) c = letters[random() % letters.size()];
      const int bound = static_cast<int>(random() % 3);
      const bool swaps = random() % 2 == 0;
      const int limit = random() % 2 == 0 ? static_cast<int>(random() % 5) + 1 : 0;
      SCOPED_TRACE("word '" + typed + "' bound " + std::to_string(bound) +
                   (swaps ? " with swaps" : "") + " limit " + std::to_string(limit));
      EXPECT_EQ(suggest(applyer, typed, bound, swaps, limit),
                expected(entries, net, Symbols(typed.begin(), typed.end()), bound, swaps,
                         static_cast<size_t>(limit)));
    }
    free_approx_applyer(applyer);
    free_network(net);
  });
}

TEST_F(ApplyApproxTest, FlagsAndMultiCharacterSymbolsAsLookupSeesThem) {
  // Each flag pairs the first symbol with the last: ac and bd, never ad or bc.
  const char *regexes[] = {
      "[@U.f.x@ a | @U.f.y@ b] (ch) [@U.f.x@ c | @U.f.y@ d];",
      "[a | ch | b]* ch;",
      "[ch:a | b:ch]* (0:b);",
  };
  int_parameters()->word[KORA_OBEY_FLAGS] = 1;
  for (const char *regex : regexes) {
    SCOPED_TRACE(regex);
    NET *net = read_regex(regex);
    ASSERT_NE(net, nullptr);
    uint32_t ch = 0;
    kora::intern_symbol(&ch, "ch");
    kora_test::for_seeds(3, [&](unsigned, std::mt19937 &random) {
      for (int side : {0, 1}) check_words(net, side, {'a', 'b', 'c', 'd', ch}, random);
    });
    free_network(net);
  }
}

TEST_F(ApplyApproxTest, AnErrorModelReplacesPlainEdits) {
  NET *net = read_regex("{fine} | {vine} | {line} | {fun} | {phone};");
  // Typed v for f and f for v is one error; f typed for ph two (f:p and 0:h, or the like); the
  // rest typed right.
  NET *model = read_regex("[? | v:f | f:v | f:{ph}]*;");
  ASSERT_NE(model, nullptr);
  APPROX_APPLYER *applyer = init_apply_approx(net, 1, model, nullptr);
  EXPECT_EQ(suggest(applyer, "vine", 1, false, 0),
            (std::vector<Suggestion>{{0, "vine", "vine"}, {1, "fine", "fine"}}));
  EXPECT_EQ(suggest(applyer, "vine", 1, false, 1), (std::vector<Suggestion>{{0, "vine", "vine"}}));
  EXPECT_EQ(suggest(applyer, "fone", 1, false, 0), (std::vector<Suggestion>{}));
  EXPECT_EQ(suggest(applyer, "fone", 2, false, 0),
            (std::vector<Suggestion>{{2, "phone", "phone"}}));
  EXPECT_EQ(suggest(applyer, "vun", 0, false, 0), (std::vector<Suggestion>{}));
  EXPECT_EQ(suggest(applyer, "vun", 2, false, 0), (std::vector<Suggestion>{{1, "fun", "fun"}}));
  // "line" is no plain edit away under the model.
  EXPECT_EQ(suggest(applyer, "xine", 2, false, 0), (std::vector<Suggestion>{}));
  free_approx_applyer(applyer);
  free_network(model);
  free_network(net);
}

TEST_F(ApplyApproxTest, BadArgumentsAreReported) {
  NET *net = read_regex("a;");
  APPROX_APPLYER *applyer = init_apply_approx(net, 1, nullptr, nullptr);
  EXPECT_EQ(apply_approx("a", -1, 0, 0, applyer), -1);
  EXPECT_EQ(apply_approx("a", 1, -2, 0, applyer), -1);
  EXPECT_EQ(apply_approx("a", 101, 0, 0, applyer), -1);
  EXPECT_EQ(kora_test::messages().errors.size(), 3u);
  EXPECT_EQ(approx_result(applyer, 0, nullptr, nullptr), nullptr);
  EXPECT_EQ(apply_approx("a", 0, 0, 0, nullptr), -1);
  EXPECT_EQ(init_apply_approx(nullptr, 1, nullptr, nullptr), nullptr);
  free_approx_applyer(applyer);
  free_approx_applyer(nullptr);
  free_network(net);
}

}  // namespace
