// The calculus on the minimal acceptors of generated word lists of tens of thousands of states,
// the size of a real dictionary: intersection, difference and closure agree with set
// membership on sampled strings, and the products are minimal. Products of networks marked
// deterministic and loop-free, whose marks lie, still come out right.

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "kora_test.h"
#include "label_sequences.h"
#include "minimal-sequences.h"
#include "struct.h"

namespace {

class WordListScaleTest : public kora_test::Library {};

using Word = std::vector<uint32_t>;

// `count` distinct random words of 3 to 11 letters over a..h.
std::set<Word> random_words(std::mt19937 &random, size_t count) {
  std::set<Word> words;
  while (words.size() < count) {
    Word word(3 + random() % 9);
    for (uint32_t &letter : word) letter = 'a' + random() % 8;
    words.insert(word);
  }
  return words;
}

NET *minimal_acceptor(const std::set<Word> &words) {
  kora::LabelSequences sequences;
  for (const Word &word : words) sequences.add(word.data(), word.size());
  return kora::minimal_net_of_sequences(sequences);
}

// Whether the deterministic `net` accepts `word`.
bool accepts(const NET *net, const Word &word) {
  const STATE *state = net->start;
  for (uint32_t letter : word) {
    const ARC *arc = state->arcs;
    while (arc != nullptr && arc->label != letter) arc = arc->next;
    if (arc == nullptr) return false;
    state = arc->destination;
  }
  return state->flags.final;
}

// Whether `word` is a concatenation of members of `words` (the empty word is).
bool in_closure(const std::set<Word> &words, const Word &word) {
  std::vector<bool> split(word.size() + 1, false);
  split[0] = true;
  for (size_t end = 1; end <= word.size(); ++end)
    for (size_t begin = 0; begin < end && !split[end]; ++begin)
      split[end] = split[begin] && words.count(Word(word.begin() + begin, word.begin() + end)) != 0;
  return split[word.size()];
}

// Whether minimizing a copy leaves as many states.
bool minimal(NET *net) {
  NET *copy = copy_net(net);
  minimize_net(copy);
  const bool same = copy->num_states == net->num_states;
  free_network(copy);
  return same;
}

TEST_F(WordListScaleTest, OperationsAgreeWithSetMembershipOnSampledStrings) {
  std::mt19937 random(34);
  const std::set<Word> list_a = random_words(random, 40000);
  std::set<Word> list_b = random_words(random, 40000);
  // Half of A is in B too.
  size_t i = 0;
  for (const Word &word : list_a)
    if (i++ % 2 == 0) list_b.insert(word);
  NET *a = minimal_acceptor(list_a);
  NET *b = minimal_acceptor(list_b);
  ASSERT_GT(a->num_states, 25000u);
  const uint32_t a_states = a->num_states, b_states = b->num_states;

  NET *both = intersect_net(a, b, 1, 1);
  NET *b_only = minus_net(b, a, 1, 1);
  NET *closure = zero_plus_net(a, 1);
  // A consumed first operand gives the difference the states the two share, whether the
  // second is kept or consumed too.
  NET *b_only_taken = minus_net(copy_net(b), a, 0, 1);
  NET *b_only_consumed = minus_net(copy_net(b), copy_net(a), 0, 0);
  for (NET *taken : {b_only_taken, b_only_consumed}) {
    EXPECT_EQ(taken->num_states, b_only->num_states);
    EXPECT_EQ(taken->num_arcs, b_only->num_arcs);
  }
  // The kept operands were read where they were and are left as they were.
  EXPECT_EQ(a->num_states, a_states);
  EXPECT_EQ(b->num_states, b_states);
  for (NET *net : {a, b})
    for (STATE *state = net->states; state != nullptr; state = state->next)
      ASSERT_EQ(state->client_cell, nullptr);
  for (NET *product : {both, b_only, b_only_taken, b_only_consumed}) {
    EXPECT_EQ(label_sequences::fault(product, true), "");
    EXPECT_TRUE(minimal(product));
  }

  // Members of either list, the same with one letter changed (perhaps to one no list has), and
  // two or three words of A in a row, a third of them with a letter changed.
  const std::vector<Word> words_a(list_a.begin(), list_a.end()), words_b(list_b.begin(), list_b.end());
  std::vector<Word> samples{{}};
  for (int n = 0; n < 3000; ++n) {
    Word word = n % 2 ? words_a[random() % words_a.size()] : words_b[random() % words_b.size()];
    samples.push_back(word);
    word[random() % word.size()] = 'a' + random() % 9;
    samples.push_back(word);
    Word joined;
    for (int k = 0; k < 2 + n % 2; ++k) {
      const Word &part = words_a[random() % words_a.size()];
      joined.insert(joined.end(), part.begin(), part.end());
    }
    if (n % 3 == 0) joined[random() % joined.size()] = 'a' + random() % 8;
    samples.push_back(joined);
  }
  for (const Word &word : samples) {
    const bool in_a = list_a.count(word) != 0, in_b = list_b.count(word) != 0;
    EXPECT_EQ(accepts(both, word), in_a && in_b);
    EXPECT_EQ(accepts(b_only, word), in_b && !in_a);
    EXPECT_EQ(accepts(b_only_taken, word), in_b && !in_a);
    EXPECT_EQ(accepts(b_only_consumed, word), in_b && !in_a);
    EXPECT_EQ(accepts(closure, word), in_closure(list_a, word));
  }
  for (NET *net : {a, b, both, b_only, b_only_taken, b_only_consumed, closure}) free_network(net);
  EXPECT_TRUE(kora_test::messages().errors.empty());
}

// a(ba)* marked loop-free, and a network with two arcs a from its start marked deterministic,
// intersected with a list of words and with the list taken from them: each product notices the
// lie and takes the general way.
TEST_F(WordListScaleTest, MarksThatLieGiveTheGeneralProduct) {
  const struct {
    const char *name;
    std::vector<kora_test::Arc> arcs;
    std::set<int> finals;
  } liars[] = {
      {"cycle", {{0, 'a', 1}, {1, 'b', 0}}, {1}},
      {"two arcs a", {{0, 'a', 1}, {0, 'a', 2}, {2, 'b', 1}}, {1}},
  };
  for (const auto &liar : liars) {
    SCOPED_TRACE(liar.name);
    NET *words = minimal_acceptor({{'a'}, {'a', 'b', 'a'}, {'b'}});
    NET *truthful = kora_test::build_net(3, liar.finals, liar.arcs);
    NET *lying = copy_net(truthful);
    lying->flags.loop_free = lying->flags.deterministic = lying->flags.epsilon_free = 1;
    for (STATE *s = lying->states; s != nullptr; s = s->next) s->flags.deterministic = 1;
    NET *expected_both = intersect_net(words, truthful, 1, 1);
    NET *both = intersect_net(words, lying, 1, 1);
    NET *expected_minus = minus_net(truthful, words, 1, 1);
    NET *minus = minus_net(lying, words, 1, 1);
    EXPECT_TRUE(kora_test::same_relation(both, expected_both, 6));
    EXPECT_TRUE(kora_test::same_relation(minus, expected_minus, 6));
    for (NET *net : {words, truthful, lying, expected_both, both, expected_minus, minus}) free_network(net);
  }
}

}  // namespace
