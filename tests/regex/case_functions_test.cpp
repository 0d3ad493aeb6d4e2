// The case functions and the simple case maps under them. Random automata over a few letters
// (with blanks and hyphens, a multi-character symbol and "ÿ", whose upper case U+0178 lies
// outside Latin-1) are case-mapped and their relations compared with the strings of the
// original mapped by a reference written here: per-character tables, the word starts of Cap(,
// and every mix for the optional forms and AnyCase(. The final-sigma rule, pairs, sides,
// special symbols and the messages are checked on hand-built networks.

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "case-map.h"
#include "functions.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::messages;
using kora_test::Relation;
using kora_test::spelled_pairs;
using kora_test::spellings;
using kora_test::Symbols;
using Texts = std::set<std::string>;
using Pairs = std::set<std::pair<std::string, std::string>>;

class CaseFunctionsTest : public kora_test::Library {};

uint32_t id_of(const char *name) { return kora::symbol_id(name); }

// --- The reference ---------------------------------------------------------------------------

char32_t reference_upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  switch (c) {
    case 0xFF: return 0x178;
    case 0xE9: return 0xC9;
    case 0x3C3: case 0x3C2: return 0x3A3;
    default: return c;
  }
}

char32_t reference_lower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  switch (c) {
    case 0x178: return 0xFF;
    case 0xC9: return 0xE9;
    case 0x3A3: return 0x3C3;
    default: return c;
  }
}

// The symbol whose name is the name of `id` with `map` applied to every character (only the
// first with `first_only`).
uint32_t map_symbol(uint32_t id, char32_t (*map)(char32_t), bool first_only = false) {
  const kora::LABEL *label = kora::label_record(id);
  std::u32string name(reinterpret_cast<const char32_t *>(label->name));
  for (size_t i = 0; i < name.size() && (i == 0 || !first_only); i++) name[i] = map(name[i]);
  uint32_t out = KORA_NO_LABEL;
  kora::intern_fat_symbol(&out, reinterpret_cast<uint32_t *>(name.data()));
  return out;
}

uint32_t up(uint32_t id) { return map_symbol(id, reference_upper); }
uint32_t down(uint32_t id) { return map_symbol(id, reference_lower); }
uint32_t up_first(uint32_t id) { return map_symbol(id, reference_upper, true); }

bool separator(uint32_t id) { return id == ' ' || id == '-'; }

// Every string made by choosing, at each position, one of the symbols choices(position).
std::set<Symbols> mixes(const Symbols &word,
                        const std::function<std::set<uint32_t>(size_t)> &choices) {
  std::set<Symbols> result{{}};
  for (size_t i = 0; i < word.size(); i++) {
    std::set<Symbols> longer;
    for (const Symbols &prefix : result)
      for (uint32_t choice : choices(i)) {
        Symbols next = prefix;
        next.push_back(choice);
        longer.insert(next);
      }
    result = longer;
  }
  return result;
}

// The symbols position i of `word` may become under the case function `name`.
std::set<uint32_t> reference_choices(const std::string &name, const Symbols &word, size_t i) {
  const uint32_t x = word[i];
  const bool starts = (i == 0 || separator(word[i - 1])) && !separator(x);
  if (name == "UpCase(") return {up(x)};
  if (name == "DownCase(") return {down(x)};
  if (name == "OptUpCase(") return {x, up(x)};
  if (name == "OptDownCase(") return {x, down(x)};
  if (name == "AnyCase(") return {x, up(x), down(x)};
  if (name == "Cap(") return {starts ? up_first(down(x)) : down(x)};
  if (starts) return {x, down(x), up_first(x), up_first(down(x))};  // OptCap(
  return {x, down(x)};
}

// The relation expected from the case function on the given sides of an automaton.
Relation reference_relation(const std::string &name, bool upper, bool lower, const Relation &words) {
  Relation expected;
  for (const auto &[word, same] : words) {
    for (const Symbols &image :
         mixes(word, [&](size_t i) { return reference_choices(name, word, i); })) {
      if (upper && lower)
        expected.insert({image, image});
      else
        expected.insert(upper ? kora_test::StringPair{image, word} : kora_test::StringPair{word, image});
    }
  }
  return expected;
}

const char *const kFunctions[] = {"UpCase(", "DownCase(", "OptUpCase(", "OptDownCase(",
                                  "Cap(",    "OptCap(",   "AnyCase("};

NET *apply(const char *function, NET *net, const char *side = nullptr) {
  return kora::case_function(id_of(function), net, side == nullptr ? KORA_NO_LABEL : id_of(side));
}

Texts strings_of(NET *net, size_t max = 6) {
  Texts texts = spellings(net, max);
  free_network(net);
  return texts;
}

NET *words_net(std::initializer_list<const char *> words) {
  NET *net = null_net();
  for (const char *word : words) net = union_net(net, string_to_net(word, 0), 0, 0);
  return net;
}

// --- Laws against the reference ----------------------------------------------------------------

TEST_F(CaseFunctionsTest, RandomAutomataAgreeWithTheReference) {
  kora_test::RandomNetOptions options;
  options.acyclic = true;
  options.max_states = 6;
  options.max_arcs = 10;
  options.symbols = {'a', 'B', ' ', '-', id_of("\xC3\xBF"), id_of("\xC3\x89"), id_of("xY")};
  const std::pair<const char *, std::pair<bool, bool>> sides[] = {
      {nullptr, {true, true}}, {"upper", {true, false}}, {"lower", {false, true}}};
  kora_test::for_seeds(150, [&](unsigned, std::mt19937 &random) {
    NET *original = kora_test::random_net(random, options);
    const Relation words = kora_test::enumerate(original, {}, 5);
    for (const char *function : kFunctions) {
      for (const auto &[side, chosen] : sides) {
        NET *result = apply(function, copy_net(original), side);
        const Relation expected = reference_relation(function, chosen.first, chosen.second, words);
        EXPECT_EQ(kora_test::enumerate(result, {}, 5), expected)
            << function << " on side " << (side ? side : "both") << " of "
            << kora_test::describe(words);
        free_network(result);
      }
    }
    free_network(original);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// Cap( on a cyclic network: the product with the word tracker keeps later words apart from the
// first one.
TEST_F(CaseFunctionsTest, CapOfCyclicNetworks) {
  NET *words = kora_test::build_net(2, {0}, {{0, 'a', 1}, {1, 'b', 0}, {1, ' ', 0}});
  EXPECT_EQ(strings_of(apply("Cap(", words), 4),
            (Texts{"", "Ab", "A ", "Abab", "Aba ", "A Ab", "A A "}));
  NET *hyphens = words_net({"jean-paul", "new york", "ABC DEF", "x\ty", "a\nb", "c\rd"});
  EXPECT_EQ(strings_of(apply("Cap(", hyphens), 9),
            (Texts{"Jean-Paul", "New York", "Abc Def", "X\tY", "A\nB", "C\rD"}));
}

// --- Single cases ------------------------------------------------------------------------------

TEST_F(CaseFunctionsTest, FinalSigmaWhenLowerCasing) {
  // ΣΑΣ -> σας: only the last Σ enters a final state away from the start state.
  EXPECT_EQ(strings_of(apply("DownCase(", string_to_net("\xCE\xA3\xCE\x91\xCE\xA3", 0))),
            (Texts{"\xCF\x83\xCE\xB1\xCF\x82"}));
  // A lone Σ leaves the start state: σ.
  EXPECT_EQ(strings_of(apply("DownCase(", symbol_net("\xCE\xA3"))), (Texts{"\xCF\x83"}));
  EXPECT_EQ(strings_of(apply("Cap(", string_to_net("\xCE\xA3\xCE\x91\xCE\xA3", 0))),
            (Texts{"\xCE\xA3\xCE\xB1\xCF\x82"}));
  EXPECT_EQ(strings_of(apply("AnyCase(", string_to_net("\xCE\x91\xCE\xA3", 0))),
            (Texts{"\xCE\x91\xCE\xA3", "\xCE\x91\xCF\x82", "\xCE\xB1\xCE\xA3", "\xCE\xB1\xCF\x82"}));
  EXPECT_EQ(strings_of(apply("UpCase(", string_to_net("\xCF\x83\xCF\x82", 0))),
            (Texts{"\xCE\xA3\xCE\xA3"}));
  // ÿ and ß: the one's upper case is outside Latin-1, the other has no one-character upper case.
  EXPECT_EQ(strings_of(apply("UpCase(", string_to_net("\xC3\xBF\xC3\x9F", 0))),
            (Texts{"\xC5\xB8\xC3\x9F"}));
}

TEST_F(CaseFunctionsTest, PairsChangeOnTheChosenSides) {
  EXPECT_EQ(spelled_pairs(apply("UpCase(", pair_net('a', 'b'), "upper"), 2), (Pairs{{"A", "b"}}));
  EXPECT_EQ(spelled_pairs(apply("DownCase(", pair_net('A', 'B'), "Lower"), 2), (Pairs{{"A", "b"}}));
  EXPECT_EQ(spelled_pairs(apply("UpCase(", pair_net('a', 'b'), "both"), 2), (Pairs{{"A", "B"}}));
  EXPECT_EQ(spelled_pairs(apply("UpCase(", pair_net('a', 'b')), 2), (Pairs{{"A", "B"}}));
  EXPECT_EQ(spelled_pairs(apply("AnyCase(", pair_net('a', 'B')), 2),
            (Pairs{{"a", "B"}, {"a", "b"}, {"A", "B"}, {"A", "b"}}));
  EXPECT_EQ(spelled_pairs(apply("OptUpCase(", pair_net('a', 'b'), "U"), 2),
            (Pairs{{"a", "b"}, {"A", "b"}}));
  // A change that makes the two sides equal gives the plain symbol.
  NET *same = apply("UpCase(", pair_net('a', 'A'), "upper");
  EXPECT_EQ(same->start->arcs->label, static_cast<uint32_t>('A'));
  EXPECT_EQ(same->arity, 1);
  free_network(same);
}

TEST_F(CaseFunctionsTest, SpecialSymbolsAndFlagsStayAsTheyAre) {
  NET *flagged = concat_net(symbol_net("@U.case.nom@"), symbol_net("abc"), 0, 0);
  flagged = concat_net(flagged, label_net(kora::BOUNDARY_SYMBOL), 0, 0);
  NET *result = apply("UpCase(", flagged);
  EXPECT_EQ(spellings(result, 4, " "), (Texts{"@U.case.nom@ ABC **BOUNDARY_SYMBOL**"}));
  free_network(result);
  // OTHER stays OTHER and must go on excluding the symbol it excluded.
  result = apply("UpCase(", union_net(symbol_net("abc"), label_net(KORA_OTHER), 0, 0));
  EXPECT_EQ(kora_test::alph_members(result->labels), (std::set<uint32_t>{KORA_OTHER, id_of("ABC")}));
  EXPECT_EQ(kora_test::alph_members(result->sigma),
            (std::set<uint32_t>{KORA_OTHER, id_of("ABC"), id_of("abc")}));
  free_network(result);
}

TEST_F(CaseFunctionsTest, BadFunctionsAndSidesAreReported) {
  EXPECT_EQ(strings_of(apply("UpCase(", symbol_net("a"), "x")), Texts{});
  EXPECT_EQ(messages().errors.back(),
            "x is not a valid side. Only upper, lower, or both are accepted here.");
  EXPECT_EQ(strings_of(apply("UpCase(", symbol_net("a"), "middle")), Texts{});
  EXPECT_EQ(messages().errors.back(),
            "middle is not a valid side. Only upper, lower, or both are accepted here.");
  EXPECT_EQ(strings_of(apply("Foo(", symbol_net("a"))), Texts{});
  EXPECT_EQ(messages().errors.back(), "'Foo(' is an unknown function.");
  EXPECT_EQ(strings_of(apply("Implode(", symbol_net("a"))), Texts{});
  EXPECT_EQ(messages().errors.back(), "'Implode(' is an unknown function.");
  EXPECT_EQ(messages().errors.size(), 4u);
  NET *empty = apply("UpCase(", nullptr);
  EXPECT_EQ(strings_of(empty), Texts{});
}

// --- The simple case maps ------------------------------------------------------------------------

// Mapping twice maps as once, ASCII maps as the C locale does, and every mapped character
// maps back to a character of the same case class: upper(lower(upper(c))) = upper(c).
TEST(CaseMap, Laws) {
  for (uint32_t c = 0; c < 0x2000; c++) {
    const uint32_t u = kora::simple_upper(c), l = kora::simple_lower(c);
    ASSERT_EQ(kora::simple_upper(u), u) << std::hex << c;
    ASSERT_EQ(kora::simple_lower(l), l) << std::hex << c;
    if (c < 128) {
      ASSERT_EQ(u, static_cast<uint32_t>(std::toupper(static_cast<int>(c)))) << c;
      ASSERT_EQ(l, static_cast<uint32_t>(std::tolower(static_cast<int>(c)))) << c;
    }
  }
}

}  // namespace
