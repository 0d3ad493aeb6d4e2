// Parse tables: longest-match cutting of strings and streams into symbols, in both encodings,
// the lexicon's way of cutting, and list symbols.

#include <cstdio>
#include <string>
#include <vector>

#include "alph.h"
#include "files.h"
#include "kora_test.h"
#include "lab-vect.h"
#include "label.h"
#include "networks.h"
#include "pars-tbl.h"

namespace {

using kora::ID_NO_SYMBOL;
using kora::PARSE_TABLE;
using kora_test::messages;
using kora_test::stream_of;

class ParseTableTest : public kora_test::Library {};

uint32_t id(const char *name) { return kora::symbol_id(name); }

// A table over the named symbols; the caller frees it.
PARSE_TABLE *table_of(const std::vector<const char *> &names) {
  ALPH *alphabet = kora::make_alph(0, KORA_BINARY_ALPH);
  for (const char *name : names) alph_add_to(alphabet, id(name), 0);
  PARSE_TABLE *table = kora::make_parse_table(nullptr, alphabet, 0);
  kora::free_alph(alphabet);
  return table;
}

// The ids parse_local_symbol cuts from `text`, one call after another.
std::vector<uint32_t> cut(const char *text, PARSE_TABLE *table) {
  std::vector<uint32_t> ids;
  uint32_t symbol = 0;
  const char *end = text;
  while (kora::parse_local_symbol(&symbol, end, &end, table, nullptr) == kora::PARSE_OK)
    ids.push_back(symbol);
  return ids;
}

// The ids tokenize_string cuts from `text`, the end mark included.
std::vector<uint32_t> tokens(const char *text, PARSE_TABLE *table, int status = 0) {
  LAB_VECTOR *ids = kora::make_lab_vector(4);
  EXPECT_EQ(kora::tokenize_string(text, table, ids), status);
  std::vector<uint32_t> got(ids->items, ids->items + ids->length);
  kora::free_lab_vector(ids);
  return got;
}

std::vector<uint32_t> ids_of(const std::vector<const char *> &names) {
  std::vector<uint32_t> ids;
  for (const char *name : names) ids.push_back(id(name));
  return ids;
}

// Longest match against a brute-force cutter: at each position the longest symbol name that the
// rest of the text starts with, else one character.
TEST_F(ParseTableTest, LongestMatchAgreesWithABruteForceCutter) {
  kora_test::for_seeds(200, [&](unsigned, std::mt19937 &random) {
    std::vector<std::string> names;
    std::vector<const char *> spellings;
    for (int i = 0, count = 1 + static_cast<int>(random() % 6); i < count; i++) {
      std::string name;
      for (int k = 0, length = 1 + static_cast<int>(random() % 3); k < length; k++)
        name += static_cast<char>('a' + random() % 3);
      names.push_back(name);
    }
    for (const std::string &name : names) spellings.push_back(name.c_str());
    PARSE_TABLE *table = table_of(spellings);
    std::string text;
    for (int k = 0, length = static_cast<int>(random() % 12); k < length; k++)
      text += static_cast<char>('a' + random() % 4);
    std::vector<uint32_t> expected;
    for (size_t at = 0; at < text.size();) {
      size_t best = 0;
      for (const std::string &name : names)
        if (name.size() > best && text.compare(at, name.size(), name) == 0) best = name.size();
      if (best == 0) best = 1;
      expected.push_back(id(text.substr(at, best).c_str()));
      at += best;
    }
    EXPECT_EQ(cut(text.c_str(), table), expected) << "text " << text;
    expected.push_back(ID_NO_SYMBOL);
    EXPECT_EQ(tokens(text.c_str(), table), expected) << "text " << text;
    kora::free_parse_table(table);
  });
}

TEST_F(ParseTableTest, CharactersEpsilonOtherAndBadUtf8) {
  PARSE_TABLE *table = table_of({"a"});
  EXPECT_FALSE(table->has_multichar);
  EXPECT_EQ(cut("0?", table), (std::vector<uint32_t>{'0', '?'}));
  EXPECT_EQ(tokens("0a", table), (std::vector<uint32_t>{kora::EPSILON, 'a', ID_NO_SYMBOL}));
  // A "%" protects the byte after it: "%0" is the character 0.
  EXPECT_EQ(tokens("%0%%", table), (std::vector<uint32_t>{'0', '%', ID_NO_SYMBOL}));
  EXPECT_EQ(cut("a a", table), (std::vector<uint32_t>{'a', ' ', 'a'}));
  uint32_t symbol = 0;
  const char *end = nullptr;
  EXPECT_EQ(kora::parse_local_symbol(&symbol, "", &end, table, nullptr), kora::PARSE_END);
  EXPECT_EQ(kora::parse_local_symbol(&symbol, nullptr, &end, table, nullptr), kora::PARSE_END);
  // Invalid UTF-8 is reported with its first byte.
  EXPECT_EQ(kora::parse_local_symbol(&symbol, "\xFF" "a", &end, table, nullptr), kora::PARSE_BAD_UTF8);
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0], "Cannot parse a symbol starting with 0xFF in UTF8-mode.");
  // An unknown but valid character becomes a symbol of its own.
  EXPECT_EQ(cut("\xC3\xA9", table), ids_of({"\xC3\xA9"}));
  kora::free_parse_table(table);
}

TEST_F(ParseTableTest, SpellingsFollowTheEncodingAndTablesAreRebuiltWhenItChanges) {
  NET *net = symbol_net("\xC3\xA9t\xC3\xA9");  // "été" as one multi-character symbol
  uint32_t ete = net->start->arcs->label;
  PARSE_TABLE *utf8 = kora::get_parse_table(net, 0);
  EXPECT_EQ(utf8->encoding_mode, KORA_UTF8);
  EXPECT_EQ(kora::get_parse_table(net, 0), utf8);
  EXPECT_EQ(cut("\xC3\xA9t\xC3\xA9", utf8), (std::vector<uint32_t>{ete}));

  set_char_encoding(context_, KORA_LATIN1);
  PARSE_TABLE *latin1 = kora::get_parse_table(net, 0);
  EXPECT_EQ(latin1->encoding_mode, KORA_LATIN1);
  EXPECT_EQ(cut("\xE9t\xE9", latin1), (std::vector<uint32_t>{ete}));
  // A character above 255 is spelled \u and its code in hexadecimal in ISO-8859-1 mode.
  uint32_t alpha_name[2] = {0x3B1, 0};
  uint32_t alpha = 0;
  kora::intern_fat_symbol(&alpha, alpha_name);
  kora::add_symbol_to_parse_table(latin1, alpha);
  EXPECT_EQ(cut("\\u3B1\xE9", latin1), (std::vector<uint32_t>{alpha, id("\xE9")}));
  free_network(net);  // frees the cached table
}

TEST_F(ParseTableTest, SidesAndListSymbolsChooseTheSpellings) {
  NET *net = pair_net(id("+Noun"), id("+N"));
  PARSE_TABLE *upper = kora::get_parse_table(net, 0);
  PARSE_TABLE *lower = kora::get_parse_table(net, 1);
  EXPECT_EQ(cut("+Noun", upper), ids_of({"+Noun"}));
  EXPECT_EQ(cut("+Noun", lower), ids_of({"+N", "o", "u", "n"}));
  free_network(net);

  kora_test::define_list("Vowel", {id("ou")});
  net = symbol_net("@L.Vowel@");
  PARSE_TABLE *table = kora::make_parse_table(net, nullptr, 2);
  EXPECT_EQ(cut("ou@L.Vowel@", table), ids_of({"ou", "@L.Vowel@"}));
  kora::free_parse_table(table);
  free_network(net);

  net = symbol_net("@X.Nothing@");
  messages().clear();
  table = kora::make_parse_table(net, nullptr, 0);
  EXPECT_EQ(messages().errors, std::vector<std::string>{"List 'Nothing' is undefined"});
  kora::free_parse_table(table);
  free_network(net);
}

TEST_F(ParseTableTest, TokenizingEscapesInsideSpellingsAndLearnsNewCharacters) {
  PARSE_TABLE *table = table_of({"+Noun"});
  EXPECT_EQ(tokens("+N%oun x", table), (std::vector<uint32_t>{id("+Noun"), ' ', 'x', ID_NO_SYMBOL}));
  // x is now a spelling of the table: "+Nounx" cuts without falling back.
  EXPECT_NE(table->root->entries['x'], nullptr);
  EXPECT_EQ(tokens("x\xC0", table, 1), (std::vector<uint32_t>{ID_NO_SYMBOL}));
  kora::free_parse_table(table);
}

// Reads every symbol of a stream in line mode; a line end shows as ID_NO_SYMBOL.
std::vector<uint32_t> read_stream(FILE *file, PARSE_TABLE *table) {
  kora::StreamBuffer in;
  std::vector<uint32_t> ids;
  uint32_t symbol = 0;
  int new_line = 0, length = 0;
  while (kora::parse_symbol_from_buffer(in, &symbol, file, table, 1, &new_line, &length,
                                        nullptr) == kora::PARSE_OK) {
    EXPECT_EQ(new_line, symbol == ID_NO_SYMBOL);
    ids.push_back(symbol);
  }
  return ids;
}

// Every kind of line end, and a line much longer than the buffer, whose end never cuts a
// spelling.
TEST_F(ParseTableTest, StreamsCutLinesWithEveryLineEnd) {
  PARSE_TABLE *table = table_of({"c", "ch", "chr"});
  std::string line;
  for (int i = 0; i < 7001; i++) line += "chr";  // 21 003 bytes, well past the buffer
  FILE *file = stream_of("chrc\nchc\r\nc h \r\r" + line + "\nc");
  const uint32_t end = ID_NO_SYMBOL, chr = id("chr");
  std::vector<uint32_t> expected = {chr, 'c', end, id("ch"), 'c', end, 'c', ' ', 'h', ' ', end,
                                    end};
  expected.insert(expected.end(), 7001, chr);
  expected.insert(expected.end(), {end, 'c'});
  EXPECT_EQ(read_stream(file, table), expected);
  std::fclose(file);
  kora::free_parse_table(table);
}

}  // namespace
