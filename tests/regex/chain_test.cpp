// Runs of one operator (A | B | C ..., A B C ..., A & B & C ..., A .o. B .o. C ...) are combined
// at once: a long union of words is the word list's network, and every run means what its
// pairwise form means, and a syntax error mid-run frees what the run holds (runs broken by
// other operators are in grammar_test.cpp).

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "language.h"

namespace kora_test {
namespace {

class RegexChains : public kora_test::QuietLibrary {};

// A random word of 1 to 7 letters over a small alphabet, so that words share prefixes and
// suffixes; a few with a multi-byte letter.
std::string random_word(std::mt19937 &random) {
  static const char *const letters[] = {"a", "b", "c", "d", "e", "\xC3\xA9"};
  std::string word;
  const int length = 1 + static_cast<int>(random() % 7);
  for (int i = 0; i < length; i++) word += letters[random() % 6];
  return word;
}

TEST_F(RegexChains, BracedUnionOfAWordListIsTheWordListsNetwork) {
  std::mt19937 random(20261207);
  std::string expression, list;
  for (int i = 0; i < 20000; i++) {
    const std::string word = random_word(random);
    expression += (i == 0 ? "{" : " | {") + word + "}";
    list += word + "\n";
  }
  expression += ";";
  const std::string path = scratch_path("chain-words.txt");
  write_bytes(path, Bytes(list.begin(), list.end()));
  NET *from_regex = read_regex(expression.c_str());
  NET *from_list = read_text(path.c_str());
  ASSERT_NE(from_regex, nullptr);
  ASSERT_NE(from_list, nullptr);
  EXPECT_EQ(listing(from_regex), listing(from_list));
  free_network(from_regex);
  free_network(from_list);
}

// Operands of every kind a run meets: strings, symbols, pairs, OTHER, closures, the empty
// string and the empty language.
const char *const kOperands[] = {
    "a",       "{ab}",  "a:b",     "?",       "[a b]*",  "b+",  "0",     "\\a",
    "[a|c]:0", "a:?",   "[? - c]", "[c a]",   "{abc}",   "%+T", "~[a*]", "[a & b]",
};

// The pairwise form of a run of `op` over the operands (left-nested, or right-nested for
// composition) through the exported binary operations.
NET *pairwise(const std::string &op, const std::vector<std::string> &operands) {
  auto compile = [](const std::string &text) { return read_regex(text.c_str()); };
  auto combine = [&op](NET *a, NET *b) {
    if (op == "|") return union_net(a, b, 0, 0);
    if (op == "&") return intersect_net(a, b, 0, 0);
    if (op == " ") return concat_net(a, b, 0, 0);
    return compose_net(a, b, 0, 0);
  };
  if (op == ".o.") {
    NET *result = compile(operands.back());
    for (size_t i = operands.size() - 1; i-- > 0;) result = combine(compile(operands[i]), result);
    return result;
  }
  NET *result = compile(operands[0]);
  for (size_t i = 1; i < operands.size(); i++) result = combine(result, compile(operands[i]));
  return result;
}

TEST_F(RegexChains, RunsMeanTheirPairwiseForms) {
  for (const char *op : {"|", "&", " ", ".o."}) {
    for (int minimize : {1, 0}) {
      int_parameters()->word[KORA_MINIMIZE] = minimize;
      for_seeds(40, [&](unsigned, std::mt19937 &random) {
        std::vector<std::string> operands;
        std::string expression;
        const size_t count = 2 + random() % 5;
        for (size_t i = 0; i < count; i++) {
          operands.push_back(kOperands[random() % std::size(kOperands)]);
          expression += (i == 0 ? "" : std::string(" ") + op + " ") + "[" + operands.back() + "]";
        }
        SCOPED_TRACE(expression + (minimize ? "" : " (minimize off)"));
        Compiled run(expression.c_str());
        NET *expected = pairwise(op, operands);
        ASSERT_NE(run.net, nullptr);
        EXPECT_TRUE(same_relation(run.net, expected, 3));
        free_network(expected);
      });
    }
  }
}

TEST_F(RegexChains, ASyntaxErrorInsideARunFreesItsOperands) {
  for (const char *expression :
       {"{ab} | {cd} | {ef} | [ ;", "a b c d ( ;", "a & b & [ c ;", "a .o. b .o. c .o. ] ;"}) {
    SCOPED_TRACE(expression);
    messages().clear();
    EXPECT_EQ(read_regex(expression), nullptr);
    EXPECT_FALSE(messages().errors.empty());
  }
  Compiled after("{ab} | {cd}");  // the compiler is still usable
  EXPECT_EQ(words(after.net, 3), (std::set<std::string>{"ab", "cd"}));
}

}  // namespace
}  // namespace kora_test
