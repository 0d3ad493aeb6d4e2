// A lexicon of a small inflecting language: noun and verb classes, several continuation layers,
// multi-character tags, pair entries, regular-expression entries and flag diacritics. The lexicon is written once as data;
// the test renders it as a lexicon file for read_vorn and expands it itself, from the root
// through every continuation to "#", into the relation it must accept.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "kora.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::Relation;
using kora_test::Symbols;

// An entry: the symbols of its upper and lower sides (the same for a simple entry) and its class.
// A regular-expression entry has its text and, for the expansion, the pairs it stands for.
struct Entry {
  std::vector<std::string> upper;
  std::vector<std::string> lower;
  bool pair;
  std::string next;
  std::string regex = "";
  std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> regex_pairs = {};
};

struct Sublexicon {
  std::string name;
  std::vector<Entry> entries;
};

Entry simple(std::vector<std::string> word, std::string next) {
  return {word, word, false, next};
}
Entry pair(std::vector<std::string> upper, std::vector<std::string> lower, std::string next) {
  return {upper, lower, true, next};
}

Entry regex(std::string text,
            std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pairs,
            std::string next) {
  return {{}, {}, false, next, text, pairs};
}

std::vector<std::string> chars(const std::string &text) {
  std::vector<std::string> result;
  for (char c : text) result.push_back(std::string(1, c));
  return result;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kTags = {"+N",   "+V",   "+Sg",  "+Pl",  "+Pres", "+Past",
                                        "+3Sg", "+Inf", "+Prog", "@P.NUM.PL@", "@R.NUM.PL@",
                                        "@D.NUM.PL@", "@P.CASE.GEN@"};

std::vector<Sublexicon> language() {
  return {
      {"Root",
       {simple({}, "Nouns"), regex("(r e)", {{{}, {}}, {{"r", "e"}, {"r", "e"}}}, "Verbs"),
        regex("{over}:{too}", {{chars("over"), chars("too")}}, "Verbs")}},
      {"Nouns",
       {simple(chars("cat"), "RegN"), simple(chars("dog"), "RegN"), simple(chars("fox"), "EsN"),
        simple(chars("box"), "EsN"),
        pair(chars("goose") + std::vector<std::string>{"+N", "+Pl"}, chars("geese"), "Case"),
        pair(chars("goose") + std::vector<std::string>{"+N", "+Sg"}, chars("goose"), "Case")}},
      {"RegN", {pair({"+N"}, {}, "Num")}},
      {"EsN", {pair({"+N"}, {}, "EsNum")}},
      {"Num",
       {pair({"+Sg"}, {}, "Case"), pair({"@P.NUM.PL@", "+Pl"}, {"@P.NUM.PL@", "s"}, "Case")}},
      {"EsNum", {pair({"+Sg"}, {}, "Case"), pair({"+Pl"}, chars("es"), "Case")}},
      {"Case", {simple({}, "#"), pair({"@P.CASE.GEN@", "+Gen"}, {"@P.CASE.GEN@", "'"}, "#")}},
      {"Verbs",
       {simple(chars("walk"), "RegV"), simple(chars("talk"), "RegV"),
        pair(chars("go") + std::vector<std::string>{"+V", "+Past"}, chars("went"), "#"),
        simple(chars("go"), "GoV")}},
      {"RegV", {pair({"+V"}, {}, "Tense")}},
      {"GoV", {pair({"+V"}, {}, "Present")}},
      {"Tense", {pair({"+Past"}, chars("ed"), "#"), simple({}, "Present")}},
      {"Present",
       {pair({"+Pres", "+3Sg"}, {"s"}, "#"), pair({"+Pres"}, {}, "#"),
        pair({"+Inf"}, {}, "#"), pair({"+Prog"}, chars("ing"), "#")}},
  };
}

std::string spell(const std::vector<std::string> &symbols) {
  std::string text;
  for (const std::string &symbol : symbols) {
    if (symbol == "'") text += "%";
    text += symbol;
  }
  return text.empty() ? "0" : text;
}

std::string render(const std::vector<Sublexicon> &lexicon) {
  std::string text = "! A small inflecting language.\nMULTICHAR_SYMBOLS";
  for (const std::string &tag : kTags) text += " " + tag;
  text += " +Gen\n\n";
  for (const Sublexicon &sublexicon : lexicon) {
    text += "LEXICON " + sublexicon.name + "\n";
    for (const Entry &entry : sublexicon.entries) {
      if (!entry.regex.empty())
        text += "< " + entry.regex + " >";
      else if (entry.pair)
        text += spell(entry.upper) + ":" + spell(entry.lower);
      else if (!entry.upper.empty())
        text += spell(entry.upper);
      text += " " + entry.next + " ;\n";
    }
    text += "\n";
  }
  return text + "END\n";
}

Symbols ids(const std::vector<std::string> &names) {
  Symbols result;
  for (const std::string &name : names) {
    uint32_t id = kora::symbol_id(name.c_str());
    EXPECT_NE(id, kora::ID_NO_SYMBOL) << name;
    result.push_back(id);
  }
  return result;
}

// Every (upper, lower) pair from the sublexicon `name` to "#".
void expand(const std::vector<Sublexicon> &lexicon, const std::string &name, Symbols upper,
            Symbols lower, Relation *out) {
  if (name == "#") {
    out->insert({upper, lower});
    return;
  }
  for (const Sublexicon &sublexicon : lexicon) {
    if (sublexicon.name != name) continue;
    for (const Entry &entry : sublexicon.entries) {
      for (const auto &[regex_upper, regex_lower] : entry.regex_pairs) {
        Symbols u = upper, l = lower;
        for (uint32_t id : ids(regex_upper)) u.push_back(id);
        for (uint32_t id : ids(regex_lower)) l.push_back(id);
        expand(lexicon, entry.next, u, l, out);
      }
      if (!entry.regex.empty()) continue;
      Symbols u = upper, l = lower;
      for (uint32_t id : ids(entry.upper)) u.push_back(id);
      for (uint32_t id : ids(entry.lower)) l.push_back(id);
      expand(lexicon, entry.next, u, l, out);
    }
  }
}

class Inflection : public kora_test::Library {};

// The compiled lexicon against the expansion, then words looked up through it.
TEST_F(Inflection, TheLexiconAcceptsExactlyTheExpandedPairs) {
  kora_test::ScratchFiles files;
  std::vector<Sublexicon> lexicon = language();
  std::string path = files.write("inflection.vorn", render(lexicon));
  NET *net = read_vorn(path.c_str());
  ASSERT_NE(net, nullptr);
  EXPECT_TRUE(kora_test::messages().warnings.empty());
  EXPECT_TRUE(kora_test::messages().errors.empty());

  Relation expected;
  expand(lexicon, "Root", {}, {}, &expected);
  EXPECT_EQ(expected.size(), 4u * 2 * 2 + 2 * 2 + 3 * (2 * 5 + 1 + 4));
  Relation accepted = kora_test::enumerate(net, kora_test::universe_of({net}), 12);
  EXPECT_EQ(accepted, expected) << kora_test::describe(accepted);

  // The flags stay symbols of the network, which knows it has some.
  EXPECT_TRUE(net->flags2.upper_has_flags);
  EXPECT_TRUE(net->flags2.lower_has_flags);
  EXPECT_TRUE(NET_minimized(net));

  APPLY_CONTEXT *applyer = init_apply(net, 1, nullptr);
  ASSERT_NE(applyer, nullptr);
  EXPECT_EQ(std::string(apply_to_string("geese", applyer)), "goose+N+Pl\r\n");
  EXPECT_EQ(std::string(apply_to_string("walks", applyer)), "walk+V+Pres+3Sg\r\n");
  EXPECT_EQ(std::string(apply_to_string("boxes'", applyer)), "box+N+Pl+Gen\r\n");
  EXPECT_EQ(std::string(apply_to_string("going", applyer)), "go+V+Prog\r\n");
  EXPECT_EQ(std::string(apply_to_string("goed", applyer)), "");
  EXPECT_EQ(std::string(apply_to_string("rewalked", applyer)), "rewalk+V+Past\r\n");
  EXPECT_EQ(std::string(apply_to_string("toowent", applyer)), "overgo+V+Past\r\n");
  free_applyer(applyer);
  free_network(net);
}

}  // namespace
