// Flag actions on the register: the action table against set, unset and negated registers,
// agreement with the reference semantics on random flag sequences, the definitions that flags
// name, and the reports of undefined names.

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alph.h"
#include "define.h"
#include "flag-action.h"
#include "flags.h"
#include "functions-table.h"
#include "kora_test.h"
#include "lab-vect.h"
#include "label.h"
#include "networks.h"

namespace {

using namespace kora;
using kora_test::messages;

class FlagActionTest : public kora_test::Library {};

const FLAG_DIACRITIC *flag(const std::string &name) {
  const LABEL *label = label_record(symbol_id(name.c_str()));
  EXPECT_NE(label->flag, nullptr) << name;
  return label->flag;
}

// Runs the flags in order on a fresh register: the index of the first that fails, or -1.
int first_failure(const std::vector<std::string> &flags, FlagRegister *reg = nullptr) {
  FlagRegister own;
  if (reg == nullptr) reg = &own;
  for (size_t i = 0; i < flags.size(); i++)
    if (!flag_action(reg, flag(flags[i]), nullptr)) return static_cast<int>(i);
  return -1;
}

// Flags of two attributes with two values each, every action among them: every sequence of up
// to three (each row of the action table against unset, set and negated registers, and the
// index of the first failure through the sequence's prefixes), then random longer ones, against
// the reference.
TEST_F(FlagActionTest, AgreesWithTheReferenceOnEverySequenceOfThreeAndRandomLongerOnes) {
  const std::vector<std::string> names = {
      "@P.A.x@", "@P.A.y@", "@N.A.x@", "@N.A.y@", "@U.A.x@", "@U.A.y@", "@D.A@",   "@D.A.x@",
      "@R.A@",   "@R.A.y@", "@C.A@",   "@P.B.x@", "@N.B.y@", "@U.B.x@", "@R.B@",   "@D.B.y@",
      "@E.A.B@", "@E.B.A@", "@S.A.B@", "@S.B.A@", "@C.B@",   "@R.B.x@", "@D.B@",   "@U.B.y@",
      "@F@",     "@R.A.x@", "@P.B.y@"};
  auto expect_agreement = [&](const std::vector<size_t> &picks) {
    std::vector<std::string> sequence;
    kora_test::Symbols symbols;
    for (size_t pick : picks) {
      sequence.push_back(names[pick]);
      symbols.push_back(symbol_id(names[pick].c_str()));
    }
    const bool obeyed = first_failure(sequence) == -1;
    if (obeyed == kora_test::obeys_flags(symbols)) return;
    std::string trace;
    for (const std::string &name : sequence) trace += name + " ";
    ADD_FAILURE() << trace << (obeyed ? "succeeds" : "fails");
  };
  const size_t n = names.size();
  for (size_t length = 1, count = n; length <= 3; length++, count *= n)
    for (size_t i = 0; i < count; i++) {
      std::vector<size_t> picks;
      for (size_t rest = i; picks.size() < length; rest /= n) picks.push_back(rest % n);
      expect_agreement(picks);
    }
  kora_test::for_seeds(400, [&](unsigned, std::mt19937 &random) {
    std::vector<size_t> picks(4 + random() % 3);
    for (size_t &pick : picks) pick = random() % n;
    expect_agreement(picks);
  });
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(FlagActionTest, FlagsNamingDefinitionsHandThemOver) {
  NET *defined = epsilon_net();
  ASSERT_EQ(define_net("stems", defined, 0), 0);
  ASSERT_EQ(kora_test::define_list("vowels", {'a'}), 0);
  LAB_VECTOR *parameters = make_lab_vector(1);
  char *body = static_cast<char *>(std::malloc(2));
  std::strcpy(body, "a");
  FUNCTION_RECORD *function = define_function_record(symbol_id("double("), parameters, body);

  const void *vowels = defined_list(symbol_id("vowels"));
  const struct {
    const char *name;
    int result;
    const void *out;
  } table[] = {
      {"@I.stems@", 1, defined}, {"@T.stems@", 1, defined},    {"@L.vowels@", 1, vowels},
      {"@X.vowels@", 1, vowels}, {"@F.double(@", 1, function}, {"@P.A.a@", 1, nullptr},
      {"@I.vowels@", 0, nullptr}, {"@L.stems@", 0, nullptr},  // a list is no network, a network no list
  };
  FlagRegister reg;
  for (const auto &row : table) {
    void *out = &reg;
    EXPECT_EQ(flag_action(&reg, flag(row.name), &out), row.result) << row.name;
    EXPECT_EQ(out, row.out) << row.name;
  }
  const std::vector<std::string> expected = {
      "Action fails because the symbol 'vowels' in '@I.vowels@'\n    is not defined as a network.",
      "Action fails because the symbol 'stems' in '@L.stems@'\n    is not defined as a list."};
  EXPECT_EQ(messages().errors, expected);
}

TEST_F(FlagActionTest, UndefinedNamesAreReportedAndFail) {
  const struct {
    const char *name;
    const char *message;
  } table[] = {
      {"@I.nouns@", "Action fails because the symbol 'nouns' in '@I.nouns@'\n    is not defined as a network."},
      {"@L.cons@", "Action fails because the symbol 'cons' in '@L.cons@'\n    is not defined as a list."},
      {"@X.cons@", "Action fails because the symbol 'cons' in '@X.cons@'\n    is not defined as a list."},
      {"@T.tr@", "Action fails because the symbol 'tr' in '@T.tr@'\n    is not defined as a transducer."},
      {"@F.up(@", "Action fails because the symbol 'up(' in '@F.up(@'\n    is not defined as a function."},
  };
  for (const auto &row : table) {
    messages().clear();
    FlagRegister reg;
    void *out = &reg;
    EXPECT_EQ(flag_action(&reg, flag(row.name), &out), 0) << row.name;
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(messages().errors, std::vector<std::string>{row.message});
  }
}

}  // namespace
