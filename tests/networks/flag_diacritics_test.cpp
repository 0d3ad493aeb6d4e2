// Flag diacritics: which names are flags, the records made from them, and the reports on
// ill-formed ones.

#include <string>
#include <vector>

#include "fat_strings.h"
#include "flag-diacritics.h"
#include "label.h"

namespace {

using namespace kora;
using kora_test::fat;
using kora_test::label_name;
using kora_test::messages;
using kora_test::u32;

class FlagDiacriticTest : public kora_test::Library {};

// The name of `id` in a flag map; "" for id 0 (no attribute or value).
std::u32string map_name(LABEL_MAP *map, uint32_t id) {
  return id == 0 ? U"" : id < map->count ? u32(map->labels[id]->name) : U"<none>";
}

// Where the value of a flag is named: the value map, the attribute map, or the symbols.
enum Map { kValue, kAttribute, kSymbol };

TEST_F(FlagDiacriticTest, WellFormedFlagsAndTheirRecords) {
  const struct {
    const char *name;
    int action;
    std::u32string attribute;
    Map map;
    std::u32string value;
  } table[] = {
      {"@P.CASE.NOM@", POSITIVE_SETTING, U"CASE", kValue, U"NOM"},
      {"@N.CASE.NOM@", NEGATIVE_SETTING, U"CASE", kValue, U"NOM"},
      {"@U.CASE.GEN@", UNIFY_TEST, U"CASE", kValue, U"GEN"},
      {"@D.CASE@", DISALLOW_TEST, U"CASE", kValue, U""},
      {"@D.CASE.GEN@", DISALLOW_TEST, U"CASE", kValue, U"GEN"},
      {"@R.NUM@", REQUIRE_TEST, U"NUM", kValue, U""},
      {"@R.NUM.PL@", REQUIRE_TEST, U"NUM", kValue, U"PL"},
      {"@C.CASE@", CLEAR_SETTING, U"CASE", kValue, U""},
      {"@F@", FAIL_ACTION, U"", kValue, U""},
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
  for (const auto &w : table) {
    SCOPED_TRACE(w.name);
    const LABEL *label = label_record(symbol_id(w.name));
    ASSERT_NE(label->flag, nullptr);
    EXPECT_TRUE(is_flag_diacritic(label->name, 1));
    EXPECT_EQ(label->apply_mark_1 + label->apply_mark_2, 0u);
    const FLAG_DIACRITIC *flag = label->flag;
    EXPECT_EQ(flag->action, w.action);
    EXPECT_EQ(flag_diacr_action(label->name), w.action);
    EXPECT_EQ(map_name(attribute_label_map(), flag->attribute), w.attribute);
    EXPECT_EQ(w.map == kSymbol      ? label_name(flag->value)
              : w.map == kAttribute ? map_name(attribute_label_map(), flag->value)
                                    : map_name(value_label_map(), flag->value),
              w.value);
  }
  EXPECT_TRUE(messages().errors.empty());
  // One attribute, one id, whichever flag names it.
  EXPECT_EQ(label_record(symbol_id("@P.CASE.NOM@"))->flag->attribute,
            label_record(symbol_id("@C.CASE@"))->flag->attribute);
}

TEST_F(FlagDiacriticTest, IllFormedFlagsAreReportedOnceAndStayOrdinary) {
  for (std::string name : {"@P.CASE@", "@U.CASE@", "@S.CASE@", "@C.CASE.NOM@", "@C.CASE",
                           "@P..NOM@", "@P.CASE.@", "@P.A.B.C@", "@P.A.B@x", "@P.A.B", "@I.@",
                           "@L.list", "@D.@", "@F.foo@", "@F.@"}) {
    SCOPED_TRACE(name);
    messages().clear();
    const LABEL *label = label_record(symbol_id(name.c_str()));
    EXPECT_EQ(label->flag, nullptr);
    EXPECT_EQ(label->apply_mark_1, 1u);
    std::string expected = "Symbol '" + name + "' looks like an illformed flag diacritic.";
    if (name == "@F.foo@") expected += "\n    Function name must end with '('";
    EXPECT_EQ(messages().errors, std::vector<std::string>{expected});
    EXPECT_FALSE(is_flag_diacritic(label->name, 0));
    EXPECT_EQ(make_flag_diacr(label->name), nullptr);
    symbol_id(name.c_str());  // reported only when first interned
    EXPECT_EQ(messages().errors.size(), 1u);
  }
}

TEST_F(FlagDiacriticTest, ValueIdsBeyondTheRegisterAreWarnedAbout) {
  uint32_t id = 0;
  for (int i = 1; i < 32768; i++) {
    std::u32string name = {U'v', static_cast<char32_t>(U'0' + i % 10),
                           static_cast<char32_t>(0x100 + i / 10)};
    ASSERT_EQ(intern_flag_value(&id, fat(name)), 0);
  }
  EXPECT_EQ(id, 32767u);
  EXPECT_TRUE(messages().warnings.empty());
  std::u32string next = U"one too many";
  EXPECT_EQ(intern_flag_value(&id, fat(next)), 8);
  EXPECT_EQ(id, 32768u);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{
                "id of the flag value greater than 32767; some flag actions may fail."});
}

}  // namespace
