// Alphabets: set operations against std::set on random alphabets in both forms, equality,
// conversions, and the alphabets of a network.

#include <random>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "struct.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using IdSet = std::set<uint32_t>;

class AlphTest : public kora_test::Library {};

ALPH *alph_of(const IdSet &ids, int type) {
  ALPH *alph = kora::make_alph(0, type);
  for (uint32_t id : ids) alph_add_to(alph, id, 0);
  return alph;
}

IdSet random_ids(std::mt19937 &rng) {
  const uint32_t bounds[] = {6, 64, 700};
  std::uniform_int_distribution<uint32_t> id(1, bounds[rng() % 3] - 1);
  IdSet ids;
  for (int n = static_cast<int>(rng() % 30); n > 0; --n) ids.insert(id(rng));
  return ids;
}

// An operand that must survive: same members, same form.
void expect_unchanged(const ALPH *alph, const IdSet &ids, int type) {
  EXPECT_EQ(alph_members(alph), ids);
  EXPECT_EQ(alph->type, type);
}

std::vector<uint32_t> items(const ALPH *alph) { return {alph->items, alph->items + alph->len}; }

TEST_F(AlphTest, SetOperationsAgreeWithStdSet) {
  const int baseline = kora::ALPH_HEAP->cells_in_use;
  kora_test::for_seeds(300, [&](unsigned, std::mt19937 &rng) {
    const IdSet a_ids = random_ids(rng), b_ids = random_ids(rng);
    const int a_type = rng() % 2, b_type = rng() % 2;
    const int op = rng() % 3;
    const bool keep_a = rng() % 2, keep_b = rng() % 2;
    ALPH *a = alph_of(a_ids, a_type);
    ALPH *b = alph_of(b_ids, b_type);
    IdSet expected;
    auto out = std::inserter(expected, expected.end());
    ALPH *result = nullptr;
    if (op == 0) {
      std::set_union(a_ids.begin(), a_ids.end(), b_ids.begin(), b_ids.end(), out);
      result = union_alph(a, b, keep_a, keep_b);
      EXPECT_EQ(result == a, !keep_a);
    } else if (op == 1) {
      std::set_intersection(a_ids.begin(), a_ids.end(), b_ids.begin(), b_ids.end(), out);
      result = intersect_alph(a, b, keep_a, keep_b);
    } else {
      std::set_difference(a_ids.begin(), a_ids.end(), b_ids.begin(), b_ids.end(), out);
      result = minus_alph(a, b, keep_a, keep_b);
      EXPECT_EQ(result->len, expected.empty() ? 0 : static_cast<int>(*expected.rbegin()) + 1);
    }
    EXPECT_EQ(alph_members(result), expected);
    EXPECT_EQ(result->type, KORA_BINARY_ALPH);
    if (keep_a) expect_unchanged(a, a_ids, a_type);
    if (keep_b) expect_unchanged(b, b_ids, b_type);
    kora::free_alph(result);
    if (keep_a) kora::free_alph(a);
    if (keep_b) kora::free_alph(b);
    EXPECT_EQ(kora::ALPH_HEAP->cells_in_use, baseline) << "operands freed exactly once";
  });
}

TEST_F(AlphTest, EqualityIgnoresFormAndTrailingZeros) {
  kora_test::for_seeds(100, [&](unsigned, std::mt19937 &rng) {
    const IdSet a_ids = random_ids(rng);
    const IdSet b_ids = rng() % 2 ? a_ids : random_ids(rng);
    const int a_type = rng() % 2, b_type = rng() % 2;
    ALPH *a = alph_of(a_ids, a_type);
    ALPH *b = alph_of(b_ids, b_type);
    if (b_type == KORA_BINARY_ALPH) kora::adjust_alph_size(b, b->len + 1 + rng() % 40);
    EXPECT_EQ(test_equal_alphs(a, b), a_ids == b_ids);
    expect_unchanged(a, a_ids, a_type);
    expect_unchanged(b, b_ids, b_type);
    kora::free_alph(a);
    kora::free_alph(b);
  });
}

TEST_F(AlphTest, ConversionsRoundTrip) {
  kora_test::for_seeds(100, [&](unsigned, std::mt19937 &rng) {
    const IdSet ids = random_ids(rng);
    ALPH *alph = alph_of(ids, KORA_BINARY_ALPH);
    kora::adjust_alph_size(alph, alph->len + rng() % 100);
    binary_to_label(alph);
    EXPECT_EQ(items(alph), std::vector<uint32_t>(ids.begin(), ids.end()));
    label_to_binary(alph);
    EXPECT_EQ(alph_members(alph), ids);
    EXPECT_EQ(alph->len, ids.empty() ? 0 : static_cast<int>(*ids.rbegin()) + 1);
    kora::free_alph(alph);
  });
}

// A network made of plain records: state 0 --labels--> state 1.
struct TestNet {
  NET net{};
  STATE states[2]{};
  std::vector<ARC> arcs;
  explicit TestNet(std::vector<uint32_t> labels) : arcs(labels.size()) {
    net.states = &states[0];
    states[0].next = &states[1];
    for (size_t i = 0; i < labels.size(); ++i) {
      arcs[i].label = labels[i];
      arcs[i].destination = &states[1];
      arcs[i].next = i + 1 < labels.size() ? &arcs[i + 1] : nullptr;
    }
    states[0].arcs = arcs.empty() ? nullptr : &arcs[0];
  }
  ~TestNet() { kora::free_alph(net.labels), kora::free_alph(net.sigma); }
};

TEST_F(AlphTest, NetworkAlphabetsFollowTheArcs) {
  const uint32_t a = 'a', b = 'b', c = 'c', z = 'z';
  const uint32_t b_c = kora::pair_id(b, c);
  TestNet t({a, b_c, KORA_EPSILON, a});
  ALPH *sigma = net_sigma(&t.net);
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"sigma: NET_labels is NULL."});
  EXPECT_EQ(alph_members(t.net.labels), (IdSet{a, b_c}));
  EXPECT_EQ(t.net.arity, 2);
  EXPECT_EQ(alph_members(sigma), (IdSet{a, b, c}));
  ALPH *upper = kora::sigma_from_labels(&t.net, 0), *lower = kora::sigma_from_labels(&t.net, 1);
  EXPECT_EQ(alph_members(upper), (IdSet{a, b}));
  EXPECT_EQ(alph_members(lower), (IdSet{a, c}));
  EXPECT_FALSE(kora::alph_has_other(t.net.labels));

  // z is declared but unused; it survives when the arc b:c becomes OTHER, and b and c go.
  alph_add_to(t.net.sigma, z, 0);
  ALPH *extras = kora::sigma_extras(&t.net);
  EXPECT_EQ(alph_members(extras), (IdSet{z}));
  t.arcs[1].label = KORA_OTHER;
  update_net_labels_and_sigma(&t.net);
  EXPECT_EQ(alph_members(t.net.labels), (IdSet{KORA_OTHER, a}));
  EXPECT_EQ(alph_members(t.net.sigma), (IdSet{KORA_OTHER, a, z}));
  EXPECT_TRUE(kora::alph_has_other(t.net.labels));
  EXPECT_EQ(t.net.arity, 1);
  for (ALPH *x : {upper, lower, extras}) kora::free_alph(x);
}

}  // namespace
