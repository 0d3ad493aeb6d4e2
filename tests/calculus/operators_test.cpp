// The regular operators against the same operations on enumerated languages, on seeded random
// networks (automata and transducers, with OTHER and different sigmas, with and without
// minimization of results), and their edge cases.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
using kora_test::Library;

void expect_language(const Relation &got, const Relation &want) {
  EXPECT_EQ(got, want) << "got  " << describe(got) << "\nwant " << describe(want);
}

Shape random_shape(std::mt19937 &random) {
  Shape shape;
  shape.transducer = random() % 3 == 0;
  shape.other = random() % 2 == 0;
  shape.epsilon = random() % 5 == 0;
  return shape;
}

// Runs a binary operation on random pairs with random keep flags and word 16, and compares the
// result with `expected` of the operands' languages. Kept operands must come back unchanged.
template <typename Operation, typename Expected>
void check_binary(Operation operation, Expected expected) {
  for (int seed = 0; seed < 200; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    NET *a = random_operand(random, random_shape(random));
    NET *b = random_operand(random, random_shape(random));
    const int keep_a = random() % 2, keep_b = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = random() % 2;
    const Symbols universe = kora_test::universe_of({a, b});
    const Relation la = language(a, universe), lb = language(b, universe);
    NET *result = operation(a, b, keep_a, keep_b);
    ASSERT_NE(result, nullptr);
    expect_language(language(result, universe), expected(la, lb));
    if (keep_a) {
      EXPECT_EQ(language(a, universe), la);
      free_network(a);
    }
    if (keep_b) {
      EXPECT_EQ(language(b, universe), lb);
      free_network(b);
    }
    free_network(result);
    EXPECT_TRUE(kora_test::messages().errors.empty());
  }
}

// Runs a unary operation with a random copy flag and word 16 on random operands of `shape`.
template <typename Operation, typename Expected>
void check_unary(Operation operation, Expected expected, Shape shape, int seeds = 200) {
  for (int seed = 0; seed < seeds; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    shape.other = random() % 2 == 0;
    NET *net = random_operand(random, shape);
    const int copy = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = random() % 2;
    const Symbols universe = kora_test::universe_of({net});
    const Relation want = expected(net, universe);
    const Relation before = language(net, universe);
    NET *result = operation(net, copy);
    ASSERT_NE(result, nullptr);
    expect_language(language(result, universe), want);
    if (copy) {
      EXPECT_NE(result, net);
      EXPECT_EQ(language(net, universe), before);
      free_network(net);
    } else {
      EXPECT_EQ(result, net);
    }
    free_network(result);
    EXPECT_TRUE(kora_test::messages().errors.empty());
  }
}

// The upper (or lower) strings of the network up to kLength symbols, however long the other
// side: a shortest path for such a string has at most num_states - 1 arcs in a row that spell
// nothing on that side, so its other side is at most `bound` symbols long.
Relation side_language(NET *net, const Symbols &universe, bool upper) {
  const size_t bound = kLength + (kLength + 1) * (net->num_states - 1);
  return side(kora_test::enumerate(net, universe, upper ? kLength : bound, upper ? bound : kLength),
              upper);
}

NET *network_of(const char *text) { return string_to_net(text, 0); }

class ConcatTest : public Library {};
class UnionTest : public Library {};
class ClosureTest : public Library {};
class RepeatTest : public Library {};
class ReverseTest : public Library {};
class InvertTest : public Library {};
class ProjectionTest : public Library {};
class SubstringTest : public Library {};
class StringToNetTest : public Library {};

TEST_F(ConcatTest, AgreesWithConcatenationOfLanguages) {
  check_binary(concat_net,
               [](const Relation &a, const Relation &b) { return concatenation(a, b); });
}

TEST_F(ConcatTest, SameRecordTwiceGivesTheSquare) {
  NET *net = union_net(symbol_net("a"), network_of("bc"), 0, 0);
  const Symbols universe = kora_test::universe_of({net});
  const Relation once = language(net, universe, 4);
  NET *square = concat_net(net, net, 0, 0);
  expect_language(language(square, universe, 4), concatenation(once, once, 4));
  free_network(square);
}

// The internal form on a vector: copies, minimization, and the empty vector.
TEST_F(ConcatTest, VectorsOfNetworks) {
  NET *nets[] = {network_of("a"), network_of("b"), network_of("a")};
  NV vector{3, nets};
  NET *copy = kora::concat_fsm(&vector, 1, 1);
  EXPECT_EQ(language(copy, {'a', 'b'}), Relation({{{'a', 'b', 'a'}, {'a', 'b', 'a'}}}));
  EXPECT_TRUE(copy->flags.minimized);
  NET *empty = kora::concat_fsm(nullptr, 0, 0);
  EXPECT_EQ(language(empty, {'a'}), Relation({{{}, {}}}));
  for (NET *net : {copy, empty, kora::concat_fsm(&vector, 0, 0)}) free_network(net);
}

TEST_F(UnionTest, AgreesWithUnionOfLanguages) {
  check_binary(union_net, [](const Relation &a, const Relation &b) { return united(a, b); });
}

TEST_F(UnionTest, OperandThatAcceptsNothingGivesTheOtherNetwork) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *word = network_of("ab");
  NET *result = union_net(null_net(), word, 0, 0);
  EXPECT_EQ(result, word);
  EXPECT_EQ(language(result, {'a', 'b'}), Relation({{{'a', 'b'}, {'a', 'b'}}}));
  free_network(result);
}

TEST_F(UnionTest, MinimizedNetworksWithDisjointLabelsStayMinimized) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *a = kora::min_fsm(union_net(network_of("ab"), network_of("b"), 0, 0), 0);
  NET *b = kora::min_fsm(union_net(network_of("cd"), network_of("dd"), 0, 0), 0);
  NET *result = union_net(a, b, 0, 0);
  EXPECT_TRUE(result->flags.minimized);
  NET *copy = copy_net(result);
  copy->flags.minimized = 0;
  copy = kora::min_fsm(copy, 0);
  EXPECT_EQ(result->num_states, copy->num_states);
  EXPECT_EQ(result->num_arcs, copy->num_arcs);
  free_network(copy);
  free_network(result);
}

// A knows a, B is OTHER with b declared in its sigma: the union matches a and every symbol
// other than a and b, but not b.
TEST_F(UnionTest, SigmasAreHarmonizedThroughOther) {
  NET *a = symbol_net("a");
  NET *b = label_net(kora::OTHER);
  alph_add_to(b->sigma, 'b', 0);
  const Symbols universe = kora_test::universe_of({a, b});
  NET *result = union_net(a, b, 0, 0);
  Relation want;
  for (uint32_t symbol : universe)
    if (symbol != 'b') want.insert({{symbol}, {symbol}});
  expect_language(language(result, universe), want);
  free_network(result);

  // OTHER:OTHER pairs two different symbols that its network does not know; with a known
  // beside it, a:x and x:a for any other x join them, but a:a comes only from the symbol net.
  NET *pairs = pair_net(kora::OTHER, kora::OTHER);
  NET *symbol = symbol_net("a");
  result = union_net(pairs, symbol, 0, 0);
  want = {{{'a'}, {'a'}}};
  for (uint32_t x : universe)
    for (uint32_t y : universe)
      if (x != y) want.insert({{x}, {y}});
  expect_language(language(result, universe), want);
  free_network(result);
}

TEST_F(ClosureTest, PlusAgreesWithRepetition) {
  check_unary(
      one_plus_net, [](NET *net, const Symbols &u) { return plus_closure(language(net, u)); },
      Shape{});
}

TEST_F(ClosureTest, StarAgreesWithRepetitionOrNothing) {
  Shape shape;
  shape.transducer = true;
  check_unary(
      zero_plus_net,
      [](NET *net, const Symbols &u) { return optional(plus_closure(language(net, u))); }, shape);
}

TEST_F(ClosureTest, OptionalAddsTheEmptyString) {
  Shape shape;
  shape.epsilon = true;
  check_unary(
      optional_net, [](NET *net, const Symbols &u) { return optional(language(net, u)); }, shape);
}

// a(ba)*: the start state is entered by the b arc; making it final would accept "ab".
TEST_F(ClosureTest, OptionalOfEnteredStartMakesAFreshStart) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *net = null_net();
  STATE *second = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, 'a', second, nullptr, 0);
  add_arc_to_state(net, second, 'b', net->start, nullptr, 0);
  STATE *old_start = net->start;
  const Relation before = language(net, {'a', 'b'});
  optional_net(net, 0);
  EXPECT_NE(net->start, old_start);
  EXPECT_FALSE(old_start->flags.final);
  expect_language(language(net, {'a', 'b'}), optional(before));
  free_network(net);
}

TEST_F(ClosureTest, UniversalNetworks) {
  const Symbols universe = {'a', 'b', kora::symbol_id("FRESH-1")};
  Relation symbols;
  for (uint32_t symbol : universe) symbols.insert({{symbol}, {symbol}});
  const Relation all = repetitions(symbols, 0, -1);

  NET *star = kleene_star_net();
  EXPECT_EQ(star->num_states, 1u);
  expect_language(language(star, universe), all);
  NET *plus = kleene_plus_net();
  Relation nonempty = all;
  nonempty.erase({{}, {}});
  expect_language(language(plus, universe), nonempty);
  free_network(star);
  free_network(plus);

  // OTHER:a also loops on a itself: every string paired with a string of a's.
  NET *pairs = kora::kleene_star_fsm(kora::pair_id(kora::OTHER, 'a'));
  Relation want;
  for (const auto &[upper, lower] : all) want.insert({upper, Symbols(upper.size(), 'a')});
  expect_language(language(pairs, universe), want);
  free_network(pairs);

  NET *same_length = kora::equal_length_star_fsm();
  Relation equal_length;
  for (const auto &[u, ignored] : all)
    for (const auto &[l, ignored2] : all)
      if (u.size() == l.size()) equal_length.insert({u, l});
  expect_language(language(same_length, universe), equal_length);
  free_network(same_length);

  NET *empty_string = kora::kleene_plus_fsm(kora::EPSILON);
  EXPECT_EQ(language(empty_string, universe), Relation({{{}, {}}}));
  free_network(empty_string);
}

TEST_F(RepeatTest, AgreesWithBoundedRepetitions) {
  const int cases[][2] = {{0, 0}, {0, -1}, {1, -1}, {2, -1}, {3, -1}, {0, 1},
                          {0, 3}, {1, 3},  {2, 4},  {2, 2},  {3, 2}};
  for (const auto &[min, max] : cases) {
    SCOPED_TRACE("repeat " + std::to_string(min) + ", " + std::to_string(max));
    check_unary(
        [min = min, max = max](NET *net, int copy) { return repeat_net(net, min, max, copy); },
        [min = min, max = max](NET *net, const Symbols &u) {
          return max >= 0 && max < min ? repetitions(language(net, u), max, max)
                                       : repetitions(language(net, u), min, max);
        },
        Shape{}, 40);
    const auto &warnings = kora_test::messages().warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), "repeat_fsm: MAX less than MIN"),
              max >= 0 && max < min ? 40 : 0);
    kora_test::messages().clear();
  }
}

TEST_F(RepeatTest, NoRepetitionIsTheEmptyString) {
  NET *net = network_of("ab");
  NET *copy = repeat_net(net, 0, 0, 1);
  EXPECT_NE(copy, net);
  EXPECT_EQ(language(copy, {'a', 'b'}), Relation({{{}, {}}}));
  EXPECT_EQ(language(net, {'a', 'b'}), Relation({{{'a', 'b'}, {'a', 'b'}}}));
  EXPECT_EQ(repeat_net(net, 0, 0, 0), net);
  EXPECT_EQ(language(net, {'a', 'b'}), Relation({{{}, {}}}));
  free_network(copy);
  free_network(net);
}

TEST_F(ReverseTest, AgreesWithReversedPairs) {
  Shape shape;
  shape.transducer = true;
  shape.epsilon = true;
  check_unary(
      reverse_net, [](NET *net, const Symbols &u) { return reversal(language(net, u)); }, shape);
}

TEST_F(ReverseTest, StartWithoutArcsIsReturnedAsItIs) {
  NET *net = epsilon_net();
  EXPECT_EQ(reverse_net(net, 0), net);
  EXPECT_EQ(net->num_states, 1u);
  EXPECT_TRUE(net->start->flags.final);
  free_network(net);
}

TEST_F(InvertTest, ExchangesTheSides) {
  Shape shape;
  shape.transducer = true;
  check_unary(
      invert_net, [](NET *net, const Symbols &u) { return inversion(language(net, u)); }, shape);
}

TEST_F(ProjectionTest, SidesOfRelations) {
  Shape shape;
  shape.transducer = true;
  shape.max_states = 3;
  shape.max_arcs = 6;
  check_unary(
      upper_side_net, [](NET *net, const Symbols &u) { return side_language(net, u, true); }, shape,
      150);
  check_unary(
      lower_side_net, [](NET *net, const Symbols &u) { return side_language(net, u, false); },
      shape, 150);
}

TEST_F(ProjectionTest, AutomataAndReducedLabelsets) {
  NET *word = network_of("ab");
  EXPECT_EQ(upper_side_net(word, 0), word);
  NET *copy = lower_side_net(word, 1);
  EXPECT_NE(copy, word);
  free_network(copy);
  free_network(word);

  NET *pair = pair_net('a', 'b');
  pair->flags2.reduced_labelset = 1;
  EXPECT_EQ(upper_side_net(pair, 0), pair);
  ASSERT_EQ(kora_test::messages().errors.size(), 1u);
  EXPECT_EQ(kora_test::messages().errors[0],
            "'upper-side net' cannot be applied to a net with a reduced labelset.\n");
  pair->flags2.reduced_labelset = 0;
  free_network(pair);
}

TEST_F(SubstringTest, AgreesWithInfixesOfPaths) {
  check_unary(
      substring_net, [](NET *net, const Symbols &u) { return infixes(net, u); }, Shape{});
}

TEST_F(SubstringTest, DeadEndsSpellNoSubstrings) {
  int_parameters()->word[KORA_MINIMIZE] = 0;
  NET *net = network_of("a");
  STATE *dead = add_state_to_net(net, 0);
  add_arc_to_state(net, net->start, 'b', dead, nullptr, 0);
  substring_net(net, 0);
  EXPECT_EQ(language(net, {'a', 'b'}), Relation({{{}, {}}, {{'a'}, {'a'}}}));
  free_network(net);
}

// The offsets of the arcs along the path, the label of each, and the final state at the end.
std::vector<std::pair<uint32_t, intptr_t>> path_of(const NET *net) {
  std::vector<std::pair<uint32_t, intptr_t>> path;
  const STATE *state = net->start;
  while (state->arcs != nullptr) {
    EXPECT_EQ(state->arcs->next, nullptr);
    const uint32_t label = state->arcs->label;
    path.push_back({label, reinterpret_cast<intptr_t>(kora::arc_user_pointer(state->arcs))});
    state = state->arcs->destination;
  }
  EXPECT_TRUE(state->flags.final);
  return path;
}

TEST_F(StringToNetTest, PositionsAreByteOffsets) {
  NET *net = string_to_net(
      "\xC3\xA9"
      "ab",
      1);
  const uint32_t e_acute = kora::symbol_id("\xC3\xA9");
  EXPECT_EQ(path_of(net),
            (std::vector<std::pair<uint32_t, intptr_t>>{{e_acute, 1}, {'a', 3}, {'b', 4}}));
  EXPECT_TRUE(net->flags.deterministic && net->flags.minimized);
  EXPECT_TRUE(net->flags.has_arc_user_pointer);
  EXPECT_EQ(net->num_states, 4u);
  free_network(net);

  NET *plain = string_to_net("ab", 0);
  EXPECT_FALSE(plain->flags.has_arc_user_pointer);
  free_network(plain);
}

TEST_F(StringToNetTest, Latin1ReadsOneByteASymbol) {
  const uint32_t e_acute = kora::symbol_id("\xC3\xA9");
  ASSERT_EQ(set_char_encoding(context_, KORA_LATIN1), 0);
  NET *net = string_to_net(
      "\xE9"
      "a",
      1);
  EXPECT_EQ(path_of(net), (std::vector<std::pair<uint32_t, intptr_t>>{{e_acute, 1}, {'a', 2}}));
  free_network(net);
}

TEST_F(StringToNetTest, TextReadersMode) {
  // a, EPSILON, OTHER, a literal 0, a newline, a literal %, the escape \x41 (A)
  NET *net = kora::make_string_net("a0?%0\\n%%\\x41", false, true);
  const uint32_t newline = '\n';
  const Symbols universe = {'a', '0', newline, '%', 'A', kora::symbol_id("FRESH-1")};
  Relation want;
  for (uint32_t any : universe) {
    Symbols s = {'a', any, '0', newline, '%', 'A'};
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
  ASSERT_EQ(kora_test::messages().errors.size(), 1u);
  EXPECT_EQ(kora_test::messages().errors[0], "Unexpected NULL argument in string_to_net().");
}

}  // namespace
