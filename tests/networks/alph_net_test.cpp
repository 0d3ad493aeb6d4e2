// alphabet_net: the language is the members' one-symbol strings (checked against std::set on
// random alphabets in both forms), EPSILON makes the start final, and the alphabets of pairs.

#include <random>
#include <set>
#include <vector>

#include "alph.h"
#include "define.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::words;
using Words = std::set<std::string>;

class AlphNetTest : public kora_test::Library {};

// Random alphabets (EPSILON among the members in some rounds), binary and label forms in turn.
TEST_F(AlphNetTest, RandomAlphabetsGiveTheirOneSymbolStrings) {
  kora_test::for_seeds(50, [&](unsigned round, std::mt19937 &random) {
    std::set<uint32_t> chosen;
    const size_t count = random() % 8;
    while (chosen.size() < count) chosen.insert('a' + random() % 26);
    const bool epsilon = round % 3 == 0;
    std::vector<uint32_t> ids(chosen.begin(), chosen.end());
    if (epsilon) ids.push_back(kora::EPSILON);
    const int type = round % 2 == 0 ? KORA_BINARY_ALPH : KORA_LABEL_ALPH;
    ALPH *alph = kora::labels_to_alph(ids.data(), static_cast<int>(ids.size()), type);
    NET *net = alphabet_net(alph);
    Words expected;
    for (uint32_t id : chosen) expected.insert(std::string(1, static_cast<char>(id)));
    if (epsilon) expected.insert("");
    EXPECT_EQ(words(net, 2), expected);
    EXPECT_EQ(net->num_arcs, chosen.size());
    EXPECT_FALSE(test_alph_member(net->labels, kora::EPSILON) ||
                 test_alph_member(net->sigma, kora::EPSILON));
    EXPECT_TRUE(net->flags.deterministic && net->flags.minimized && net->flags.epsilon_free);
    EXPECT_EQ(alph->type, type) << "the alphabet is left as it was";
    EXPECT_TRUE(kora::list_and_net_agree(alph, net));
    free_network(net);
    kora::free_alph(alph);
  });
}

// The alphabet of OTHER is swept by the random ignore test (tests/operations/splice_test.cpp).
TEST_F(AlphNetTest, TransducerAlphabets) {
  const uint32_t pair = kora::pair_id('a', 'b');
  ALPH *pairs = kora::labels_to_alph(&pair, 1, KORA_LABEL_ALPH);
  NET *transducer = alphabet_net(pairs);
  EXPECT_EQ(transducer->arity, 2);
  EXPECT_TRUE(test_alph_member(transducer->sigma, 'a') && test_alph_member(transducer->sigma, 'b'));
  free_network(transducer);
  kora::free_alph(pairs);
}

}  // namespace
