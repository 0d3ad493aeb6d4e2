// The regular operators against the same operations on enumerated languages, on seeded random
// networks (automata and transducers, with OTHER and different sigmas, with and without
// minimization of results), and their edge cases.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "calculus.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "operator_oracle.h"
#include "struct.h"
#include "structure.h"

namespace {

using namespace operator_oracle;
using kora_test::describe;
using kora_test::messages;

// The symbols of an operand: a, b, c, or (one seed in four) three of many symbols interned
// before, so that the label table has grown and pairs of them collide in it.
Symbols operand_symbols(unsigned seed, std::mt19937 &random, const Symbols &many) {
  if (seed % 4 != 0) return RandomNetOptions{}.symbols;
  return {many[random() % many.size()], many[random() % many.size()], many[random() % many.size()]};
}

using Unary = std::function<NET *(NET *, int)>;
using Expected = std::function<Relation(NET *, const Symbols &)>;

// A unary operation with a random copy flag and word 16 on random operands like `options`: a
// copy leaves the argument alone, otherwise the argument itself is the result. Results are
// minimal when word 16 is set and the operation minimizes operands of that arity.
enum class Minimizes { kAll, kTransducers, kNone };
void check_unary(const Unary &operation, const Expected &expected, RandomNetOptions options,
                 int seeds = 200, Minimizes minimizes = Minimizes::kAll) {
  for_seeds(seeds, [&](unsigned, std::mt19937 &random) {
    options.other = random() % 2 == 0;
    NET *net = random_operand(random, options);
    const int copy = random() % 2;
    const bool minimize = random() % 2;
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    const Symbols universe = kora_test::universe_of({net});
    const Relation want = expected(net, universe), before = language(net, universe);
    const bool minimizable = minimizes == Minimizes::kAll ||
                             (minimizes == Minimizes::kTransducers && net->arity == 2);
    NET *result = operation(net, copy);
    EXPECT_EQ(language(result, universe), want) << "want " << describe(want);
    expect_lawful(result, minimize && minimizable);
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

// Operands of all kinds: automata and transducers, with EPSILON and OTHER.
TEST_F(OperatorsTest, ConcatAndUnionAgreeWithTheOracle) {
  const Symbols many = kora_test::many_symbols(20000);
  const MakeOperands make = [&many](unsigned seed, std::mt19937 &random) {
    const Symbols symbols = operand_symbols(seed, random, many);
    auto operand = [&] {
      return random_operand(random, {.transducer = random() % 3 == 0, .epsilon = random() % 5 == 0,
                                     .other = random() % 2 == 0, .symbols = symbols});
    };
    NET *a = operand();
    return Operands{a, operand()};
  };
  expect_agreement_on_random_pairs(
      concat_net, [](const Relation &a, const Relation &b) { return concatenation(a, b); }, make);
  expect_agreement_on_random_pairs(union_net, [](const Relation &a, const Relation &b) { return united(a, b); },
                                   make);
}

TEST_F(OperatorsTest, UnaryOperatorsAgreeWithTheOracle) {
  const RandomNetOptions automaton{.epsilon = false}, transducer{.transducer = true, .epsilon = false},
      with_epsilon{}, small{.max_states = 3, .max_arcs = 6, .transducer = true, .epsilon = false};
  const struct {
    const char *name;
    Unary operation;
    Expected expected;
    RandomNetOptions options;
    int seeds = 200;
    Minimizes minimizes = Minimizes::kAll;
  } cases[] = {
      {"plus", one_plus_net,
       of_language([](const Relation &a) { return repetitions(a, 1, -1); }), automaton},
      {"star", zero_plus_net,
       of_language([](const Relation &a) { return repetitions(a, 0, -1); }), transducer},
      {"optional", optional_net,
       of_language([](const Relation &a) { return united(a, {{{}, {}}}); }), with_epsilon},
      {"reverse", reverse_net, of_language(reversal), {.transducer = true}},
      {"complement", negate_net,
       [](NET *net, const Symbols &u) { return difference(all_strings(u), language(net, u)); }, with_epsilon},
      {"contains", contains_net,
       [](NET *net, const Symbols &u) {
         return concatenation(all_strings(u), concatenation(language(net, u), all_strings(u)));
       },
       transducer},
      {"invert", invert_net, of_language(inversion), transducer, 200, Minimizes::kNone},
      {"substring", substring_net, [](NET *net, const Symbols &u) { return infixes(net, u); },
       automaton},
      {"upper side", upper_side_net,
       [](NET *n, const Symbols &u) { return side_language(n, u, true); }, small, 150,
       Minimizes::kTransducers},
      {"lower side", lower_side_net,
       [](NET *n, const Symbols &u) { return side_language(n, u, false); }, small, 150,
       Minimizes::kTransducers},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    check_unary(c.operation, c.expected, c.options, c.seeds, c.minimizes);
  }
}

// MAX below MIN is warned about and read as exactly MAX repetitions.
TEST_F(OperatorsTest, RepeatAgreesWithBoundedRepetitions) {
  const int cases[][2] = {{0, 0}, {0, -1}, {1, -1}, {3, -1}, {0, 3}, {2, 4}, {2, 2}, {3, 2}};
  for (const auto &[min, max] : cases) {
    SCOPED_TRACE("repeat " + std::to_string(min) + ", " + std::to_string(max));
    const bool swapped = max >= 0 && max < min;
    check_unary([min, max](NET *net, int copy) { return repeat_net(net, min, max, copy); },
                [=](NET *net, const Symbols &u) {
                  return repetitions(language(net, u), swapped ? max : min, max);
                },
                {.epsilon = false}, 40);
    const auto &warnings = messages().warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), "repeat_fsm: MAX less than MIN"),
              swapped ? kora_test::seeds(40).size() : 0);
    messages().clear();
  }
}

using Path = std::vector<std::pair<uint32_t, intptr_t>>;

// The label and the user pointer (a byte offset) of each arc along a one-path network.
Path path_of(const NET *net) {
  Path path;
  for (const ARC *arc = net->start->arcs; arc != nullptr; arc = arc->destination->arcs)
    path.push_back({arc->label, reinterpret_cast<intptr_t>(kora::arc_user_pointer(arc))});
  return path;
}

TEST_F(StringToNetTest, PositionsAreByteOffsets) {
  const uint32_t e_acute = kora::symbol_id("\xC3\xA9");
  NET *net = string_to_net("\xC3\xA9" "ab", 1);
  EXPECT_EQ(path_of(net), (Path{{e_acute, 1}, {'a', 3}, {'b', 4}}));
  free_network(net);
}

}  // namespace
