// The has_flags marks: recomputed from the labels, and right after every operation of the
// calculus on random networks that carry flag diacritics.

#include <functional>
#include <string>
#include <vector>

#include "flag-marks.h"
#include "flags.h"
#include "kora_test.h"
#include "label.h"
#include "networks.h"

namespace {

using namespace kora;
using kora_test::flag_marks_of;
using kora_test::flag_marks_of_arcs;

class FlagMarksTest : public kora_test::Library {};

TEST_F(FlagMarksTest, RecomputedFromTheLabels) {
  const uint32_t flag = symbol_id("@P.A.x@"), b = 'b';
  const struct {
    uint32_t label;
    int marks;
  } table[] = {
      {flag, 3}, {pair_id(flag, b), 1}, {pair_id(b, flag), 2}, {b, 0}, {pair_id('a', b), 0}};
  for (const auto &row : table) {
    NET *net = label_net(row.label);
    net->flags2.upper_has_flags = net->flags2.lower_has_flags = 1 - (row.marks & 1);
    EXPECT_EQ(flag_marks_of(recompute_flag_marks(net)), row.marks) << row.label;
    free_network(net);
  }
  NET *compressed = label_net(flag);
  compressed->flags2.vantel_compressed = 1;
  EXPECT_EQ(flag_marks_of(recompute_flag_marks(compressed)), 0);
  compressed->flags2.vantel_compressed = 0;
  free_network(compressed);
  EXPECT_EQ(recompute_flag_marks(nullptr), nullptr);
}

// Random operands over a, b and two flags, automata or transducers.
NET *flagged(std::mt19937 &random, bool transducer) {
  return kora_test::random_net(
      random, {.max_states = 4, .max_arcs = 7, .transducer = transducer, .other = random() % 3 == 0,
               .symbols = {'a', 'b', symbol_id("@P.A.x@"), symbol_id("@R.A.x@")}});
}

TEST_F(FlagMarksTest, EveryOperationLeavesTrueMarks) {
  using Unary = std::function<NET *(NET *)>;
  using Binary = std::function<NET *(NET *, NET *)>;
  const std::vector<std::pair<std::string, Unary>> unary = {
      {"one_plus", [](NET *n) { return one_plus_net(n, 1); }},
      {"zero_plus", [](NET *n) { return zero_plus_net(n, 1); }},
      {"optional", [](NET *n) { return optional_net(n, 1); }},
      {"repeat", [](NET *n) { return repeat_net(n, 1, 3, 1); }},
      {"reverse", [](NET *n) { return reverse_net(n, 1); }},
      {"invert", [](NET *n) { return invert_net(n, 1); }},
      {"upper_side", [](NET *n) { return upper_side_net(n, 1); }},
      {"lower_side", [](NET *n) { return lower_side_net(n, 1); }},
      {"substring", [](NET *n) { return substring_net(n, 1); }},
      {"negate", [](NET *n) { return n->arity == 1 ? negate_net(n, 1) : copy_net(n); }},
      {"minimize", [](NET *n) {
         NET *copy = copy_net(n);
         minimize_net(copy);
         return copy;
       }},
  };
  const std::vector<std::pair<std::string, Binary>> binary = {
      {"union", [](NET *a, NET *b) { return union_net(a, b, 1, 1); }},
      {"concat", [](NET *a, NET *b) { return concat_net(a, b, 1, 1); }},
      {"intersect", [](NET *a, NET *b) { return intersect_net(a, b, 1, 1); }},
      {"minus", [](NET *a, NET *b) { return minus_net(a, b, 1, 1); }},
  };
  int_parameters()->word[KORA_VERBOSE] = 0;
  for (int minimize : {1, 0}) {
    int_parameters()->word[KORA_MINIMIZE] = minimize;
    kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
      NET *a = recompute_flag_marks(flagged(random, seed % 3 == 0));
      NET *b = recompute_flag_marks(flagged(random, seed % 3 == 0));
      for (const auto &[name, operate] : unary) {
        NET *result = operate(a);
        EXPECT_EQ(flag_marks_of(result), flag_marks_of_arcs(result)) << name << " min " << minimize;
        free_network(result);
      }
      for (const auto &[name, operate] : binary) {
        NET *result = operate(a, b);
        EXPECT_EQ(flag_marks_of(result), flag_marks_of_arcs(result)) << name << " min " << minimize;
        free_network(result);
      }
      free_network(a);
      free_network(b);
    });
  }
}

}  // namespace
