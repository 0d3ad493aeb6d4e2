// Flag diacritics: which names are flags, the records made from them, and the reports on
// ill-formed ones.

#include <string>
#include <vector>

#include "flag-diacritics.h"
#include "label.h"
#include "label_helpers.h"

namespace {

using namespace kora;
using kora_test::fat;
using kora_test::label_name;
using kora_test::messages;
using kora_test::u32;

class FlagDiacriticTest : public kora_test::Library {};

std::u32string map_name(LABEL_MAP *map, uint32_t id) {
  return id < map->count ? u32(map->labels[id]->name) : U"<none>";
}

enum Map { kNone, kAttribute, kValue, kSymbol };

struct WellFormed {
  const char *name;
  int action;
  std::u32string attribute;
  Map value_map;
  std::u32string value;
};

TEST_F(FlagDiacriticTest, WellFormedFlagsAndTheirRecords) {
  const std::vector<WellFormed> table = {
      {"@P.CASE.NOM@", POSITIVE_SETTING, U"CASE", kValue, U"NOM"},
      {"@N.CASE.NOM@", NEGATIVE_SETTING, U"CASE", kValue, U"NOM"},
      {"@U.CASE.GEN@", UNIFY_TEST, U"CASE", kValue, U"GEN"},
      {"@D.CASE@", DISALLOW_TEST, U"CASE", kNone, U""},
      {"@D.CASE.GEN@", DISALLOW_TEST, U"CASE", kValue, U"GEN"},
      {"@R.NUM@", REQUIRE_TEST, U"NUM", kNone, U""},
      {"@R.NUM.PL@", REQUIRE_TEST, U"NUM", kValue, U"PL"},
      {"@C.CASE@", CLEAR_SETTING, U"CASE", kNone, U""},
      {"@F@", FAIL_ACTION, U"", kNone, U""},
      {"@I.Noun.stems@", INSERT_SUBNET, U"Noun.stems", kSymbol, U"Noun.stems"},
      {"@S.CASE.NUM@", SET_TO_ATTR, U"CASE", kAttribute, U"NUM"},
      {"@E.CASE.NUM@", EQUAL_ATTR_TEST, U"CASE", kAttribute, U"NUM"},
      {"@L.vowels@", LIST_ACTION, U"vowels", kSymbol, U"vowels"},
      {"@T.tr@", EXCLUDE_LIST, U"tr", kSymbol, U"tr"},
      {"@F.double(@", FUNCTION_ACTION, U"double(", kSymbol, U"double("},
      {"@X.consonants@", EXTERNAL_ACTION, U"consonants", kSymbol, U"consonants"},
      // "%" protects the next character and stays in the field.
      {"@P.A%.B.C@", POSITIVE_SETTING, U"A%.B", kValue, U"C"},
      {"@P.A.B%@@", POSITIVE_SETTING, U"A", kValue, U"B%@"},
  };
  for (const WellFormed &w : table) {
    SCOPED_TRACE(w.name);
    uint32_t id = symbol_id(w.name);
    const LABEL *label = label_record(id);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(is_flag_diacritic(label->name, 1));
    ASSERT_NE(label->flag, nullptr);
    EXPECT_EQ(label->apply_mark_1, 0u);
    EXPECT_EQ(label->apply_mark_2, 0u);
    const FLAG_DIACRITIC *flag = label->flag;
    EXPECT_EQ(flag->action, w.action);
    EXPECT_EQ(flag_diacr_action(label->name), w.action);
    if (w.action == FAIL_ACTION) {
      EXPECT_EQ(flag->attribute, 0u);
    } else {
      EXPECT_GT(flag->attribute, 0u);
      EXPECT_EQ(map_name(attribute_label_map(), flag->attribute), w.attribute);
    }
    switch (w.value_map) {
      case kNone: EXPECT_EQ(flag->value, 0u); break;
      case kAttribute: EXPECT_EQ(map_name(attribute_label_map(), flag->value), w.value); break;
      case kValue:
        EXPECT_GT(flag->value, 0u);
        EXPECT_EQ(map_name(value_label_map(), flag->value), w.value);
        break;
      case kSymbol: EXPECT_EQ(label_name(flag->value), w.value); break;
    }
  }
  EXPECT_TRUE(messages().errors.empty());
  // One attribute, one id, whichever flag names it.
  EXPECT_EQ(label_record(symbol_id("@P.CASE.NOM@"))->flag->attribute,
            label_record(symbol_id("@C.CASE@"))->flag->attribute);
  EXPECT_EQ(label_record(symbol_id("@P.CASE.NOM@"))->flag->value,
            label_record(symbol_id("@N.CASE.NOM@"))->flag->value);
}

TEST_F(FlagDiacriticTest, IllFormedFlagsAreReportedAndStayOrdinary) {
  struct IllFormed {
    const char *name;
    bool function;
  };
  const IllFormed table[] = {
      {"@P.CASE@", false}, {"@U.CASE@", false}, {"@S.CASE@", false},  {"@C.CASE.NOM@", false},
      {"@C.CASE", false},  {"@P..NOM@", false}, {"@P.CASE.@", false}, {"@P.A.B.C@", false},
      {"@P.A.B@x", false}, {"@P.A.B", false},   {"@I.@", false},      {"@L.list", false},
      {"@D.@", false},     {"@F.foo@", true},   {"@F.@", false},
  };
  for (const IllFormed &i : table) {
    SCOPED_TRACE(i.name);
    messages().clear();
    uint32_t id = symbol_id(i.name);
    const LABEL *label = label_record(id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->flag, nullptr);
    EXPECT_EQ(label->apply_mark_1, 1u);
    ASSERT_EQ(messages().errors.size(), 1u);
    std::string expected =
        std::string("Symbol '") + i.name + "' looks like an illformed flag diacritic.";
    if (i.function) expected += "\n    Function name must end with '('";
    EXPECT_EQ(messages().errors[0], expected);
    EXPECT_FALSE(is_flag_diacritic(label->name, 0));
    EXPECT_EQ(make_flag_diacr(label->name), nullptr);
    symbol_id(i.name);  // reported only when first interned
    EXPECT_EQ(messages().errors.size(), 1u);
  }
}

TEST_F(FlagDiacriticTest, OrdinarySymbolsThatLookAlike) {
  for (const char *name : {"@P.CASE", "@D.CASE", "@S.A", "@foo@", "@", "@@", "@F", "@F@x", "@C",
                           "a@P.A.B@", "@\xC3\xA9.A.B@"}) {
    SCOPED_TRACE(name);
    uint32_t id = symbol_id(name);
    EXPECT_EQ(label_record(id)->flag, nullptr);
    EXPECT_EQ(label_record(id)->apply_mark_1, 1u);
  }
  EXPECT_TRUE(messages().errors.empty());

  uint32_t unknown = symbol_id("@Q.x@");
  EXPECT_EQ(label_record(unknown)->flag, nullptr);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "flag_diacr_action: No such action 'Q'");
  EXPECT_EQ(flag_diacr_action(label_record(unknown)->name), 0);
  EXPECT_EQ(messages().errors.size(), 2u);
  std::u32string silent = U"@Q.x@";
  EXPECT_FALSE(is_flag_diacritic(fat(silent), 0));
  EXPECT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(flag_diacr_action(nullptr), 0);
}

TEST_F(FlagDiacriticTest, ValueIdsBeyondTheRegisterAreWarnedAbout) {
  uint32_t id = 0;
  for (int i = 1; i < 32768; i++) {
    std::u32string name =
        U"v" + std::u32string(1, U'0' + i % 10) + std::u32string(1, 0x100 + i / 10);
    ASSERT_EQ(intern_flag_value(&id, fat(name)), 0);
  }
  EXPECT_EQ(id, 32767u);
  EXPECT_TRUE(messages().warnings.empty());
  std::u32string next = U"one too many";
  EXPECT_EQ(intern_flag_value(&id, fat(next)), 8);
  EXPECT_EQ(id, 32768u);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "id of the flag value greater than 32767; some flag actions may fail.");

  std::u32string attribute = U"CASE";
  uint32_t first, second;
  EXPECT_EQ(intern_flag_attribute(&first, fat(attribute)), 0);
  EXPECT_EQ(intern_flag_attribute(&second, fat(attribute)), 0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, 1u);
}

}  // namespace
