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

TEST_F(FlagActionTest, EachActionAgainstUnsetSetAndNegatedRegisters) {
  const struct {
    std::vector<std::string> flags;
    int fails_at;  // -1: all succeed
  } table[] = {
      // Unify.
      {{"@U.A.a@"}, -1},
      {{"@P.A.a@", "@U.A.a@"}, -1},
      {{"@P.A.a@", "@U.A.b@"}, 1},
      {{"@N.A.a@", "@U.A.b@", "@R.A.b@"}, -1},  // sets b
      {{"@N.A.a@", "@U.A.a@"}, 1},
      {{"@U.A.a@", "@U.A.b@"}, 1},
      // Disallow.
      {{"@D.A@"}, -1},
      {{"@C.A@", "@D.A@"}, -1},
      {{"@P.A.a@", "@D.A@"}, 1},
      {{"@N.A.a@", "@D.A@"}, 1},
      {{"@D.A.a@"}, -1},
      {{"@P.A.a@", "@D.A.a@"}, 1},
      {{"@P.A.b@", "@D.A.a@"}, -1},
      {{"@N.A.a@", "@D.A.a@"}, -1},
      {{"@N.A.b@", "@D.A.a@"}, 1},
      // Require.
      {{"@R.A@"}, 0},
      {{"@P.A.a@", "@R.A@"}, -1},
      {{"@N.A.a@", "@R.A@"}, -1},
      {{"@P.A.a@", "@C.A@", "@R.A@"}, 2},
      {{"@P.A.a@", "@R.A.a@"}, -1},
      {{"@P.A.b@", "@R.A.a@"}, 1},
      {{"@N.A.a@", "@R.A.a@"}, 1},
      {{"@R.A.a@"}, 0},
      // Settings overwrite; attributes are independent.
      {{"@P.A.a@", "@P.A.b@", "@R.A.b@"}, -1},
      {{"@P.A.a@", "@N.A.a@", "@R.A.a@"}, 2},
      {{"@P.B.a@", "@R.A@"}, 1},
      // Failing flag.
      {{"@F@"}, 0},
      // Equal and set from attribute.
      {{"@E.A.B@"}, -1},
      {{"@P.A.a@", "@E.A.B@"}, -1},
      {{"@P.B.a@", "@E.A.B@"}, -1},
      {{"@P.A.a@", "@P.B.a@", "@E.A.B@"}, -1},
      {{"@P.A.a@", "@P.B.b@", "@E.A.B@"}, 2},
      {{"@P.A.a@", "@N.B.a@", "@E.A.B@"}, 2},
      {{"@P.B.b@", "@S.A.B@", "@R.A.b@"}, -1},
      {{"@P.A.a@", "@S.A.B@", "@R.A@"}, 2},  // B unset: A becomes unset
  };
  for (const auto &row : table) {
    std::string trace;
    for (const std::string &name : row.flags) trace += name + " ";
    SCOPED_TRACE(trace);
    EXPECT_EQ(first_failure(row.flags), row.fails_at);
  }
  EXPECT_TRUE(messages().errors.empty());
}

// Random sequences of flags of two attributes with two values each, against the reference.
TEST_F(FlagActionTest, AgreesWithTheReferenceOnRandomSequences) {
  const std::vector<std::string> names = {
      "@P.A.x@", "@P.A.y@", "@N.A.x@", "@N.A.y@", "@U.A.x@", "@U.A.y@", "@D.A@",   "@D.A.x@",
      "@R.A@",   "@R.A.y@", "@C.A@",   "@P.B.x@", "@N.B.y@", "@U.B.x@", "@R.B@",   "@D.B.y@",
      "@E.A.B@", "@E.B.A@", "@S.A.B@", "@S.B.A@", "@C.B@",   "@R.B.x@", "@D.B@",   "@U.B.y@"};
  kora_test::for_seeds(400, [&](unsigned, std::mt19937 &random) {
    const size_t length = 1 + random() % 6;
    std::vector<std::string> sequence;
    kora_test::Symbols symbols;
    for (size_t i = 0; i < length; i++) {
      sequence.push_back(names[random() % names.size()]);
      symbols.push_back(symbol_id(sequence.back().c_str()));
    }
    EXPECT_EQ(first_failure(sequence) == -1, kora_test::obeys_flags(symbols));
  });
}

TEST_F(FlagActionTest, FlagsNamingDefinitionsHandThemOver) {
  NET *defined = epsilon_net();
  ASSERT_EQ(define_net("stems", defined, 0), 0);
  ASSERT_EQ(kora_test::define_list("vowels", {'a'}), 0);
  LAB_VECTOR *parameters = make_lab_vector(1);
  char *body = static_cast<char *>(std::malloc(2));
  std::strcpy(body, "a");
  FUNCTION_RECORD *function = define_function_record(symbol_id("double("), parameters, body);

  FlagRegister reg;
  void *out = nullptr;
  EXPECT_EQ(flag_action(&reg, flag("@I.stems@"), &out), 1);
  EXPECT_EQ(out, defined);
  EXPECT_EQ(flag_action(&reg, flag("@T.stems@"), &out), 1);
  EXPECT_EQ(out, defined);
  EXPECT_EQ(flag_action(&reg, flag("@L.vowels@"), &out), 1);
  EXPECT_EQ(out, defined_list(symbol_id("vowels")));
  EXPECT_EQ(flag_action(&reg, flag("@X.vowels@"), &out), 1);
  EXPECT_EQ(out, defined_list(symbol_id("vowels")));
  EXPECT_EQ(flag_action(&reg, flag("@F.double(@"), &out), 1);
  EXPECT_EQ(out, function);
  EXPECT_EQ(flag_action(&reg, flag("@P.A.a@"), &out), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_TRUE(messages().errors.empty());

  // A list is no network, a network no list.
  EXPECT_EQ(flag_action(&reg, flag("@I.vowels@"), &out), 0);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(flag_action(&reg, flag("@L.stems@"), &out), 0);
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
