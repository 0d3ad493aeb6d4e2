// The label maps: built-in ids, interning of names and tuples against std::map, map switching
// and checks, hashing and printing.

#include "label.h"

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "alph.h"
#include "context.h"
#include "fat_strings.h"
#include "label-check.h"

namespace {

using namespace kora;
using kora_test::fat;
using kora_test::label_name;
using kora_test::messages;

class LabelTest : public kora_test::Library {};

// What print_label writes; the returned length must match it.
std::string printed(uint32_t id, int escape) {
  std::string text;
  append_label(text, id, escape);
  return text;
}

uint32_t intern(std::u32string name) {
  uint32_t id;
  EXPECT_EQ(intern_fat_symbol(&id, fat(name)), 0);
  return id;
}

uint32_t pair(uint32_t upper, uint32_t lower) {
  uint32_t id;
  EXPECT_EQ(intern_pair(&id, upper, lower), 0);
  return id;
}

// The reserved ids each have a name that looks up to the id and are their own sides; only the
// context markers and the two special epsilons are special symbols, besides OTHER.
TEST_F(LabelTest, EveryBuiltinIdIsFoundByItsName) {
  EXPECT_EQ(current_label_map()->reserved_count, LAST_FUNCTION_SYMBOL + 1);
  EXPECT_EQ(label_name(EPSILON), U"**EPSILON**");
  EXPECT_EQ(label_name(BOUNDARY_SYMBOL), U"**BOUNDARY_SYMBOL**");
  for (uint32_t id = 0; id <= LAST_FUNCTION_SYMBOL; id++) {
    std::u32string name = label_name(id);
    uint32_t found;
    EXPECT_EQ(lookup_symbol(&found, fat(name)), 0) << id;
    EXPECT_EQ(found, id);
    EXPECT_TRUE(upper_id(id) == id && lower_id(id) == id && label_arity(id) == 1) << id;
    const bool special = id == GUARDED_EPSILON || id == DET_EPSILON ||
                         (id >= BOUNDARY_SYMBOL && id <= NON_RIGHT_CONTEXT);
    EXPECT_EQ(is_special_symbol(id), special || id == OTHER ? 1 : 0) << id;
  }
}

TEST_F(LabelTest, ThinNamesInBothEncodings) {
  uint32_t first = label_count();
  EXPECT_EQ(symbol_id(""), EPSILON);
  EXPECT_EQ(symbol_id("a"), 97u);
  EXPECT_EQ(symbol_id("\x02"), ALTCHAIN_SYMBOL);
  EXPECT_EQ(symbol_id("**BOUNDARY_SYMBOL**"), BOUNDARY_SYMBOL);
  EXPECT_EQ(label_count(), first);

  uint32_t e_acute = symbol_id("\xC3\xA9");
  EXPECT_LT(e_acute, first) << "the Latin-1 lists interned it at start";
  EXPECT_EQ(label_name(e_acute), U"\u00E9");
  uint32_t tag = symbol_id("+Noun");
  EXPECT_EQ(tag, first);
  EXPECT_EQ(label_name(tag), U"+Noun");

  uint32_t id;
  EXPECT_EQ(intern_symbol(&id, "a\xFF"), 1);
  EXPECT_EQ(label_name(id), U"a\uFDFF");
  EXPECT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(intern_symbol(&id, "\xEF\xB7\xBF"), 0);  // U+FDFF itself is legal
  EXPECT_EQ(intern_symbol(&id, nullptr), 1);
  EXPECT_EQ(id, ID_NO_SYMBOL);

  ASSERT_EQ(set_char_encoding(context(), KORA_LATIN1), 0);
  EXPECT_EQ(symbol_id("\xE9"), e_acute);
  EXPECT_EQ(label_name(symbol_id("\x80x")), U"\u20ACx");
  EXPECT_EQ(intern_utf8_symbol(&id, "\xC3\xA9"), 0);
  EXPECT_EQ(id, e_acute);
}

TEST_F(LabelTest, FatAndByteNamesGoThroughWindows1252) {
  std::u32string euro = {0x80, 'x'};
  uint32_t id;
  ASSERT_EQ(intern_fat_symbol(&id, fat(euro)), 0);
  EXPECT_EQ(euro, U"\u20ACx");  // converted in place
  EXPECT_EQ(label_name(id), U"\u20ACx");
  EXPECT_EQ(intern(U""), EPSILON);

  EXPECT_EQ(intern_byte_symbol(&id, 0x80), 0);
  EXPECT_EQ(label_name(id), U"\u20AC");
  EXPECT_EQ(intern_byte_symbol(&id, 0x81), 0);
  EXPECT_EQ(intern_byte_symbol(&id, 0x81), 0);
  EXPECT_EQ(label_name(id), std::u32string(1, 0x81));
  EXPECT_EQ(messages().warnings,  // warned once
            std::vector<std::string>{"'0x81' is an undefined code\n in ISO-8859-1 and in CP1252."});

  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  EXPECT_EQ(label_name(intern(std::u32string(1, 0x80))), std::u32string(1, 0x80));
}

// Thousands of random names, many repeated: every id is given once, in order, and stays.
TEST_F(LabelTest, RandomNamesAgreeWithStdMap) {
  std::mt19937 random(20240611);
  const char32_t letters[] = U"abcxyz+@.%\u00E9\u4E00\U0001F600";
  std::map<std::u32string, uint32_t> reference;
  uint32_t next = label_count();
  for (int i = 0; i < 40000; i++) {
    std::u32string name;
    int length = 2 + static_cast<int>(random() % 6);
    for (int k = 0; k < length; k++) name.push_back(letters[random() % 13]);
    name[0] = U'n';  // never a flag diacritic, never a built-in
    auto [entry, added] = reference.emplace(name, next);
    ASSERT_EQ(intern(name), entry->second) << "seed 20240611, name " << i;
    if (added) next++;
  }
  EXPECT_EQ(label_count(), next);
  for (auto &[name, id] : reference) {
    std::u32string copy = name;
    uint32_t found;
    ASSERT_EQ(lookup_symbol(&found, fat(copy)), 0);
    EXPECT_EQ(found, id);
    EXPECT_EQ(label_name(id), name);
  }
  for (int i = 0; i < 1000; i++) {
    std::u32string absent = {U'm', letters[random() % 13], static_cast<char32_t>(U'0' + i % 10)};
    uint32_t found;
    EXPECT_EQ(lookup_symbol(&found, fat(absent)), 2);
    EXPECT_EQ(found, ID_NO_SYMBOL);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(LabelTest, PairsAndTuples) {
  uint32_t a = 'a', b = 'b';
  EXPECT_EQ(pair(a, a), a);
  uint32_t ab = pair(a, b);
  EXPECT_EQ(pair(a, b), ab);
  EXPECT_NE(pair(b, a), ab);
  EXPECT_EQ(lower_id(pair(OTHER, OTHER)), OTHER);
  EXPECT_EQ(pair_id(EPSILON, a), pair(EPSILON, a));

  const uint32_t triple[3] = {a, b, EPSILON};
  uint32_t t, again;
  ASSERT_EQ(intern_tuple(&t, triple, 3), 0);
  EXPECT_EQ(intern_tuple(&again, triple, 3), 0);
  EXPECT_EQ(again, t);
  EXPECT_EQ(intern_tuple(&again, triple, 1), 1);
  EXPECT_EQ(again, ID_NO_SYMBOL);
  EXPECT_TRUE(messages().errors.empty());
}

// upper_id, lower_id and label_arity read arrays kept beside each map's labels: they must
// survive the growth of the arrays, follow the map made current (and not a map interned into
// while another is current), and be gone once the library is reclaimed.
TEST_F(LabelTest, SidesAndAritiesFollowTheCurrentMap) {
  LABEL_MAP *standard = current_label_map();
  const uint32_t ab = pair('a', 'b');
  struct Expected {
    uint32_t id, upper, lower;
    int arity;
  };
  std::vector<Expected> expected;
  LABEL_MAP *small = make_label_map("Small", 1);
  ASSERT_EQ(set_label_map(small), 0);
  uint32_t previous = intern(U"s");
  expected.push_back({previous, previous, previous, 1});
  for (char32_t c = U'\u0400'; c < U'\u0400' + 300; c++) {  // clear of the Windows-1252 codes
    const uint32_t symbol = intern(std::u32string(1, c));
    const uint32_t reversed = pair(symbol, previous);
    const uint32_t components[3] = {previous, symbol, EPSILON};
    uint32_t triple;
    ASSERT_EQ(intern_tuple(&triple, components, 3), 0);
    expected.push_back({symbol, symbol, symbol, 1});
    expected.push_back({reversed, symbol, previous, 2});
    expected.push_back({triple, previous, symbol, 3});
    previous = symbol;
  }
  uint32_t attribute;
  std::u32string name = U"CASE";
  ASSERT_EQ(intern_symbol_in_map(attribute_label_map(), &attribute, fat(name)), 0);
  ASSERT_EQ(label_count(), expected.size());
  for (const Expected &label : expected) {
    SCOPED_TRACE(label.id);
    EXPECT_EQ(upper_id(label.id), label.upper);
    EXPECT_EQ(lower_id(label.id), label.lower);
    EXPECT_EQ(label_arity(label.id), label.arity);
  }
  EXPECT_EQ(lower_id(label_count()), ID_NO_SYMBOL);

  ASSERT_EQ(set_label_map(standard), 0);
  EXPECT_EQ(label_arity(ab), 2);
  EXPECT_EQ(lower_id(ab), uint32_t{'b'});
  EXPECT_EQ(label_arity(label_count()), 0);

  reclaim_kora(context_);
  EXPECT_EQ(upper_id('a'), ID_NO_SYMBOL);
  EXPECT_EQ(label_arity(EPSILON), 0);
  context_ = initialize_kora();
  EXPECT_EQ(label_arity(ab), 0) << "a fresh library has only the built-in ids";
  EXPECT_EQ(upper_id('a'), uint32_t{'a'});
}

TEST_F(LabelTest, BadPairComponentsAreRefused) {
  uint32_t ab = pair('a', 'b');
  uint32_t id;
  EXPECT_EQ(intern_pair(&id, ab, 'c'), 1);
  EXPECT_EQ(id, ID_NO_SYMBOL);
  EXPECT_EQ(intern_pair(&id, ab, ab), 1);
  EXPECT_EQ(pair_id(0xFFFFFF, 'a'), ID_NO_SYMBOL);
  EXPECT_EQ(intern_pair(&id, 'a', label_count() + 5), 1);
  std::string tuple_error =
      "a:b: Tuple as a tuple constituent in TUPLE_ERROR (" + std::to_string(ab) + ")";
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                tuple_error, tuple_error, "16777215 is not a legal symbol id",
                std::to_string(label_count() + 5) + " is not a legal symbol id"}));

  EXPECT_EQ(label_arity(pair(symbol_id("@P.CASE.NOM@"), symbol_id("@C.CASE@"))), 2);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"Label '@P.CASE.NOM@:@C.CASE@' is illegal: flag diacritics "
                                     " on both sides of the symbol pair."});
}

TEST_F(LabelTest, SwitchingAndCheckingMaps) {
  LABEL_MAP *standard = current_label_map();
  LABEL_MAP *other = make_label_map("Other", 5);
  ASSERT_EQ(set_label_map(other), 0);
  EXPECT_EQ(intern(U"x"), 0u);  // a map without built-ins gives ids from 0
  EXPECT_EQ(intern(U"y"), 1u);

  LABEL_MAP bogus{};
  EXPECT_EQ(set_label_map(&bogus), 1);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"Cannot set label map to a non-existing label map."});
  EXPECT_EQ(current_label_map(), other);
  EXPECT_EQ(set_label_map(nullptr), 0);
  EXPECT_EQ(current_label_map(), standard);

  NET fresh{}, elsewhere{}, here{};
  here.label_map = standard;
  elsewhere.label_map = other;
  EXPECT_EQ(check_net_label_map(&here), 0);
  EXPECT_EQ(check_net_label_map(&fresh), 0);
  EXPECT_EQ(fresh.label_map, standard);
  ALPH *sigma = make_alph(300, KORA_BINARY_ALPH);
  alph_add_to(sigma, 'a', 0);
  elsewhere.sigma = sigma;
  EXPECT_EQ(check_net_label_map(&elsewhere), 0);  // built-in ids only: adopts the map
  EXPECT_EQ(elsewhere.label_map, standard);
  elsewhere.label_map = other;
  alph_add_to(sigma, 200, 0);
  EXPECT_EQ(check_net_label_map(&elsewhere), 1);
  EXPECT_EQ(check_common_label_map(&here, &elsewhere), 1);
  EXPECT_EQ(check_common_label_map(&here, &fresh), 0);
  EXPECT_EQ(check_net_label_map(nullptr), 1);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "The label map of the network and thecurrent label map are different.\n"
                "    Network has 'Other', current label map is 'Default'.",
                "Networks do not have a common label map.\n"
                "One specifies 'Default', another specifies 'Other'."}));
  free_alph(sigma);
}

TEST_F(LabelTest, PrintingLabels) {
  const struct {
    uint32_t id;
    int escape;
    const char *text;
  } table[] = {
      {pair(EPSILON, 'a'), 0, "0:a"},  {EPSILON, 1, "0"},         {OTHER, 1, "?"},
      {pair(OTHER, OTHER), 0, "?:?"},  {BOUNDARY_SYMBOL, 0, ".#."}, {'0', 0, "0"},
      {'0', 1, "%0"},                  {'?', 1, "%?"},            {'%', 1, "%%"},
      {' ', 1, "\" \""},               {'\n', 1, "\"\\n\""},      {pair('0', ' '), 1, "%0:\" \""},
      {symbol_id("+Noun"), 1, "+Noun"}, {symbol_id("\xC3\xA9"), 1, "\xC3\xA9"},
      {ALTCHAIN_SYMBOL, 0, "*ALTCHAIN*"},
  };
  for (const auto &row : table) EXPECT_EQ(printed(row.id, row.escape), row.text) << row.id;

  const uint32_t tag = pair(EPSILON, symbol_id("+Noun"));
  int length = 0;
  EXPECT_EQ(kora_test::written_by([&](FILE *s) { length = print_label(tag, s, 0); }), "0:+Noun");
  EXPECT_EQ(length, 7);
}

// label_side_name, the public way to spell a label: each side of a pair, a symbol on both
// sides, EPSILON as nothing and OTHER as "?", multi-character and non-ASCII names in UTF-8; an
// id never given out and a bad side are errors.
TEST_F(LabelTest, LabelSideNameSpellsEachSide) {
  auto side = [](uint32_t label, int which) {
    char *name = label_side_name(label, which);
    std::string text = name == nullptr ? "<null>" : name;
    free(name);
    return text;
  };
  const uint32_t noun = intern(U"+Noun"), e_acute = intern(U"\u00e9");
  const uint32_t noun_to_nothing = pair(noun, EPSILON), a_to_e = pair('a', e_acute);
  EXPECT_EQ(side(noun_to_nothing, 0), "+Noun");
  EXPECT_EQ(side(noun_to_nothing, 1), "");
  EXPECT_EQ(side(a_to_e, 0), "a");
  EXPECT_EQ(side(a_to_e, 1), "\xc3\xa9");
  EXPECT_EQ(side('%', 0), "%");
  EXPECT_EQ(side('%', 1), "%");
  EXPECT_EQ(side(OTHER, 1), "?");
  EXPECT_EQ(side(pair(OTHER, 'b'), 0), "?");
  EXPECT_EQ(side(EPSILON, 0), "");
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_EQ(side(label_count() + 5, 0), "<null>");
  EXPECT_EQ(side('a', 2), "<null>");
  ASSERT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(messages().errors[1], "label_side_name: No label 97 or no side 2.");
}

}  // namespace
