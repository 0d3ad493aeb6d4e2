// The regular operators against the same operations on enumerated languages, on seeded random
// networks (automata and transducers, with OTHER and different sigmas, with and without
// minimization of results), and their edge cases.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "calculus.h"
#include "context.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"
#include "struct.h"

namespace {

using namespace operator_oracle;
using kora_test::describe;
using kora_test::messages;

void expect_language(const Relation &got, const Relation &want) {
  EXPECT_EQ(got, want) << "got  " << describe(got) << "\nwant " << describe(want);
}

// A binary operation on random pairs with random keep flags and word 16, against `expected` of
// the operands' languages. Kept operands must come back unchanged.
void check_binary(NET *(*operation)(NET *, NET *, int, int),
                  Relation (*expected)(const Relation &, const Relation &)) {
  for_seeds(200, [&](unsigned, std::mt19937 &random) {
    auto shape = [&] { return Shape{random() % 3 == 0, random() % 2 == 0, random() % 5 == 0}; };
    NET *a = random_operand(random, shape());
    NET *b = random_operand(random, shape());
    const int keep_a = random() % 2, keep_b = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = random() % 2;
    const Symbols universe = kora_test::universe_of({a, b});
    const Relation la = language(a, universe), lb = language(b, universe);
    NET *result = operation(a, b, keep_a, keep_b);
    ASSERT_NE(result, nullptr);
    expect_language(language(result, universe), expected(la, lb));
    if (keep_a) { EXPECT_EQ(language(a, universe), la); }
    if (keep_b) { EXPECT_EQ(language(b, universe), lb); }
    for (NET *net : {keep_a ? a : nullptr, keep_b ? b : nullptr, result})
      if (net != nullptr) free_network(net);
  });
  EXPECT_TRUE(messages().errors.empty());
}

using Unary = std::function<NET *(NET *, int)>;
using Expected = std::function<Relation(NET *, const Symbols &)>;

// A unary operation with a random copy flag and word 16 on random operands of `shape`: a copy
// leaves the argument alone, otherwise the argument itself is the result.
void check_unary(const Unary &operation, const Expected &expected, Shape shape, int seeds = 200) {
  for_seeds(seeds, [&](unsigned, std::mt19937 &random) {
    shape.other = random() % 2 == 0;
    NET *net = random_operand(random, shape);
    const int copy = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = random() % 2;
    const Symbols universe = kora_test::universe_of({net});
    const Relation want = expected(net, universe), before = language(net, universe);
    NET *result = operation(net, copy);
    ASSERT_NE(result, nullptr);
    expect_language(language(result, universe), want);
    EXPECT_EQ(result == net, !copy);
    if (copy) {
      EXPECT_EQ(language(net, universe), before);
      free_network(net);
    }
    free_network(result);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// Applies a relation operation to the operand's language.
Expected of_language(Relation (*operation)(const Relation &)) {
  return [=](NET *net, const Symbols &u) { return operation(language(net, u)); };
}

// The upper (or lower) strings of the network up to kLength symbols, however long the other
// side: a shortest path for such a string has at most num_states - 1 arcs in a row that spell
// nothing on that side, so its other side is at most `bound` symbols long.
Relation side_language(NET *net, const Symbols &universe, bool upper) {
  const size_t bound = kLength + (kLength + 1) * (net->num_states - 1);
  return side(kora_test::enumerate(net, universe, upper ? kLength : bound, upper ? bound : kLength),
              upper);
}

class OperatorsTest : public kora_test::Library {};
class StringToNetTest : public kora_test::Library {};

TEST_F(OperatorsTest, ConcatAndUnionAgreeWithTheOracle) {
  check_binary(concat_net, [](const Relation &a, const Relation &b) { return concatenation(a, b); });
  check_binary(union_net, [](const Relation &a, const Relation &b) { return united(a, b); });
}

TEST_F(OperatorsTest, UnaryOperatorsAgreeWithTheOracle) {
  const Shape automaton, transducer{true}, with_epsilon{false, false, true};
  const struct {
    const char *name;
    Unary operation;
    Expected expected;
    Shape shape;
  } cases[] = {
      {"plus", one_plus_net,
       of_language([](const Relation &a) { return repetitions(a, 1, -1); }), automaton},
      {"star", zero_plus_net,
       of_language([](const Relation &a) { return repetitions(a, 0, -1); }), transducer},
      {"optional", optional_net, of_language([](const Relation &a) { return optional(a); }),
       with_epsilon},
      {"reverse", reverse_net, of_language(reversal), {true, false, true}},
      {"invert", invert_net, of_language(inversion), transducer},
      {"substring", substring_net, [](NET *net, const Symbols &u) { return infixes(net, u); },
       automaton},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    check_unary(c.operation, c.expected, c.shape);
  }
  const Shape small{true, false, false, 3, 6};
  check_unary(upper_side_net, [](NET *n, const Symbols &u) { return side_language(n, u, true); },
              small, 150);
  check_unary(lower_side_net, [](NET *n, const Symbols &u) { return side_language(n, u, false); },
              small, 150);
}

// MAX below MIN is warned about and read as exactly MAX repetitions.
TEST_F(OperatorsTest, RepeatAgreesWithBoundedRepetitions) {
  const int cases[][2] = {{0, 0}, {0, -1}, {1, -1}, {2, -1}, {3, -1}, {0, 1},
                          {0, 3}, {1, 3},  {2, 4},  {2, 2},  {3, 2}};
  for (const auto &[min, max] : cases) {
    SCOPED_TRACE("repeat " + std::to_string(min) + ", " + std::to_string(max));
    const bool swapped = max >= 0 && max < min;
    check_unary([min, max](NET *net, int copy) { return repeat_net(net, min, max, copy); },
                [=](NET *net, const Symbols &u) {
                  return repetitions(language(net, u), swapped ? max : min, max);
                },
                Shape{}, 40);
    const auto &warnings = messages().warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), "repeat_fsm: MAX less than MIN"),
              swapped ? 40 : 0);
    messages().clear();
  }
}

// One record given as both operands is read twice, not consumed twice.
TEST_F(OperatorsTest, ConcatOfTheSameRecordAndOfVectors) {
  NET *net = union_net(symbol_net("a"), string_to_net("bc", 0), 0, 0);
  const Symbols universe = kora_test::universe_of({net});
  const Relation once = language(net, universe, 4);
  NET *square = concat_net(net, net, 0, 0);
  expect_language(language(square, universe, 4), concatenation(once, once, 4));
  free_network(square);

  NET *nets[] = {string_to_net("a", 0), string_to_net("b", 0), string_to_net("a", 0)};
  NV vector{3, nets};
  NET *copy = kora::concat_fsm(&vector, 1, 1);
  EXPECT_EQ(language(copy, {'a', 'b'}), Relation({{{'a', 'b', 'a'}, {'a', 'b', 'a'}}}));
  EXPECT_TRUE(copy->flags.minimized);
  NET *empty = kora::concat_fsm(nullptr, 0, 0);
  EXPECT_EQ(language(empty, {'a'}), Relation({{{}, {}}}));
  for (NET *n : {copy, empty, kora::concat_fsm(&vector, 0, 0)}) free_network(n);
}

// The union of minimized networks with disjoint labels claims to be minimized: it must be.
TEST_F(OperatorsTest, UnionOfDisjointMinimalNetworksIsMinimal) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  auto words = [](const char *x, const char *y) {
    return kora::min_fsm(union_net(string_to_net(x, 0), string_to_net(y, 0), 0, 0), 0);
  };
  NET *result = union_net(words("ab", "b"), words("cd", "dd"), 0, 0);
  EXPECT_TRUE(result->flags.minimized);
  NET *copy = copy_net(result);
  copy->flags.minimized = 0;
  copy = kora::min_fsm(copy, 0);
  EXPECT_EQ(std::tie(result->num_states, result->num_arcs), std::tie(copy->num_states, copy->num_arcs));
  for (NET *n : {copy, result}) free_network(n);
}

TEST_F(OperatorsTest, UniversalNetworks) {
  const Symbols universe = {'a', 'b', kora::symbol_id("FRESH-1")};
  const Relation all = all_strings(universe);
  NET *star = kleene_star_net(), *plus = kleene_plus_net();
  EXPECT_EQ(star->num_states, 1u);
  expect_language(language(star, universe), all);
  expect_language(language(plus, universe), difference(all, {{{}, {}}}));

  // OTHER:a also loops on a itself: every string paired with a string of a's.
  NET *pairs = kora::kleene_star_fsm(kora::pair_id(kora::OTHER, 'a'));
  NET *same_length = kora::equal_length_star_fsm();
  Relation want, equal_length;
  for (const auto &[u, ignored] : all) {
    want.insert({u, Symbols(u.size(), 'a')});
    for (const auto &[l, ignored2] : all)
      if (u.size() == l.size()) equal_length.insert({u, l});
  }
  expect_language(language(pairs, universe), want);
  expect_language(language(same_length, universe), equal_length);
  NET *empty_string = kora::kleene_plus_fsm(kora::EPSILON);
  EXPECT_EQ(language(empty_string, universe), Relation({{{}, {}}}));
  for (NET *n : {star, plus, pairs, same_length, empty_string}) free_network(n);
}

TEST_F(OperatorsTest, SideOfReducedLabelsetIsRefused) {
  NET *pair = pair_net('a', 'b');
  pair->flags2.reduced_labelset = 1;
  EXPECT_EQ(upper_side_net(pair, 0), pair);
  EXPECT_EQ(messages().errors, std::vector<std::string>{
                                   "'upper-side net' cannot be applied to a net with a reduced "
                                   "labelset.\n"});
  pair->flags2.reduced_labelset = 0;
  free_network(pair);
}

using Path = std::vector<std::pair<uint32_t, intptr_t>>;

// The label and the user pointer (a byte offset) of each arc along a one-path network.
Path path_of(const NET *net) {
  Path path;
  const STATE *state = net->start;
  for (; state->arcs != nullptr; state = state->arcs->destination) {
    EXPECT_EQ(state->arcs->next, nullptr);
    path.push_back(
        {static_cast<uint32_t>(state->arcs->label), reinterpret_cast<intptr_t>(kora::arc_user_pointer(state->arcs))});
  }
  EXPECT_TRUE(state->flags.final);
  return path;
}

TEST_F(StringToNetTest, PositionsAreByteOffsetsInTheEncoding) {
  const uint32_t e_acute = kora::symbol_id("\xC3\xA9");
  NET *net = string_to_net("\xC3\xA9" "ab", 1);
  EXPECT_EQ(path_of(net), (Path{{e_acute, 1}, {'a', 3}, {'b', 4}}));
  EXPECT_TRUE(net->flags.deterministic && net->flags.minimized && net->flags.has_arc_user_pointer);
  NET *plain = string_to_net("ab", 0);
  EXPECT_FALSE(plain->flags.has_arc_user_pointer);
  ASSERT_EQ(set_char_encoding(context_, KORA_LATIN1), 0);
  NET *latin1 = string_to_net("\xE9" "a", 1);
  EXPECT_EQ(path_of(latin1), (Path{{e_acute, 1}, {'a', 2}}));
  for (NET *n : {net, plain, latin1}) free_network(n);
}

TEST_F(StringToNetTest, TextReadersMode) {
  // a, EPSILON, OTHER, a literal 0, a newline, a literal %, the escape \x41 (A)
  NET *net = kora::make_string_net("a0?%0\\n%%\\x41", false, true);
  const Symbols universe = {'a', '0', '\n', '%', 'A', kora::symbol_id("FRESH-1")};
  Relation want;
  for (uint32_t any : universe) {
    Symbols s = {'a', any, '0', '\n', '%', 'A'};
    want.insert({s, s});
  }
  expect_language(language(net, universe, 6), want);
  free_network(net);
}

TEST_F(StringToNetTest, EmptyAndNullStrings) {
  NET *empty = string_to_net("", 1);
  EXPECT_EQ(language(empty, {'a'}), Relation({{{}, {}}}));
  free_network(empty);
  EXPECT_EQ(string_to_net(nullptr, 0), nullptr);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"Unexpected NULL argument in string_to_net()."});
}

}  // namespace
