// The label maps: built-in ids, interning of names and tuples against std::map, label
// information, map switching and checks, hashing and printing.

#include "label.h"

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "alph.h"
#include "context.h"
#include "label_helpers.h"

namespace {

using namespace kora;
using kora_test::fat;
using kora_test::label_name;
using kora_test::messages;
using kora_test::u32;

class LabelTest : public kora_test::Library {};

// What print_label writes.
std::string printed(uint32_t id, int escape) {
  char buffer[64];
  int length = label_to_buffer(buffer, id, sizeof buffer, escape);
  EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
  return buffer;
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

TEST_F(LabelTest, EveryBuiltinIdHasItsNameArityAndApplyMarks) {
  struct Builtin {
    uint32_t id;
    std::u32string name;
  };
  std::vector<Builtin> table = {{EPSILON, U"**EPSILON**"},
                                {OTHER, U"**OTHER**"},
                                {ALTCHAIN_SYMBOL, U"*ALTCHAIN*"},
                                {GUARDED_EPSILON, U"GUARDEDEPSILON"},
                                {DET_EPSILON, U"_DET_EPSILON_"},
                                {DUMMY_SYMBOL, U"**DUMMY_SYMBOL**"},
                                {BOUNDARY_SYMBOL, U"**BOUNDARY_SYMBOL**"},
                                {AND_CHECK, U"*AND_CHECK*"},
                                {OR_CHECK, U"*OR_CHECK*"},
                                {LEFT_CONTEXT, U"*LEFT_CONTEXT*"},
                                {RIGHT_CONTEXT, U"*RIGHT_CONTEXT*"},
                                {NON_LEFT_CONTEXT, U"*NON_LEFT_CONTEXT*"},
                                {NON_RIGHT_CONTEXT, U"*NON_RIGHT_CONTEXT*"}};
  for (uint32_t code = 5; code < 128; code++) table.push_back({code, std::u32string(1, code)});
  const char32_t *functions[] = {
      U"Explode(", U"Implode(", U"UpCase(",  U"DownCase(", U"OptUpCase(", U"OptDownCase(",
      U"Cap(",     U"OptCap(",  U"AnyCase(", U"Latin1(",   U"AND(",       U"OR(",
      U"LC(",      U"RC(",      U"NLC(",     U"NRC(",      U"EndTag("};
  for (uint32_t i = 0; i < 17; i++) table.push_back({FIRST_FUNCTION_SYMBOL + i, functions[i]});
  ASSERT_EQ(table.size(), 153u);
  EXPECT_EQ(LAST_FUNCTION_SYMBOL, 152u);
  EXPECT_EQ(current_label_map()->reserved_count, 153u);
  EXPECT_STREQ(current_label_map()->name, "Default");

  for (const Builtin &b : table) {
    SCOPED_TRACE(b.id);
    const LABEL *label = label_record(b.id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->id, b.id);
    EXPECT_EQ(label->arity, 1);
    EXPECT_EQ(label->reserved, ID_NO_SYMBOL);
    EXPECT_EQ(label->flag, nullptr);
    EXPECT_EQ(u32(label->name), b.name);
    bool mark_1 = b.id > ALTCHAIN_SYMBOL && b.id < DUMMY_SYMBOL;
    bool mark_2 = !(b.id == GUARDED_EPSILON || b.id == DET_EPSILON ||
                    (b.id >= BOUNDARY_SYMBOL && b.id <= NON_RIGHT_CONTEXT));
    EXPECT_EQ(label->apply_mark_1, mark_1 ? 1u : 0u);
    EXPECT_EQ(label->apply_mark_2, mark_2 ? 1u : 0u);
    uint32_t found;
    std::u32string name = b.name;
    EXPECT_EQ(lookup_symbol(&found, fat(name)), 0);
    EXPECT_EQ(found, b.id);
    bool special = b.id == OTHER || b.id == GUARDED_EPSILON || b.id == DET_EPSILON ||
                   (b.id >= BOUNDARY_SYMBOL && b.id <= NON_RIGHT_CONTEXT);
    EXPECT_EQ(is_special_symbol(b.id), special ? 1 : 0);
  }
  EXPECT_EQ(SPACE_SYMBOL, static_cast<uint32_t>(' '));
  EXPECT_EQ(ASTERISK_SYMBOL, static_cast<uint32_t>('*'));
}

TEST_F(LabelTest, FlagNameMapsReserveIdZero) {
  for (LABEL_MAP *map : {attribute_label_map(), value_label_map()}) {
    EXPECT_EQ(map->count, 1u);
    EXPECT_EQ(map->reserved_count, 1u);
    std::u32string name = U"CASE";
    uint32_t id;
    EXPECT_EQ(intern_symbol_in_map(map, &id, fat(name)), 0);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(lookup_symbol_in_map(map, fat(name)), 1u);
  }
  EXPECT_STREQ(attribute_label_map()->name, "Attribute");
  EXPECT_STREQ(value_label_map()->name, "Value");
  EXPECT_EQ(attribute_label_map()->increment, 10u);
  EXPECT_EQ(value_label_map()->increment, 50u);
  EXPECT_EQ(current_label_map()->increment, 32768u);
  std::u32string absent = U"absent";
  EXPECT_EQ(lookup_symbol_in_map(value_label_map(), fat(absent)), DUMMY_SYMBOL);
}

TEST_F(LabelTest, ThinNamesInBothEncodings) {
  uint32_t first = label_count();
  EXPECT_EQ(symbol_id(""), EPSILON);
  EXPECT_EQ(symbol_id("a"), 97u);
  EXPECT_EQ(symbol_id("\x02"), ALTCHAIN_SYMBOL);
  EXPECT_EQ(symbol_id("**EPSILON**"), EPSILON);
  EXPECT_EQ(symbol_id("**BOUNDARY_SYMBOL**"), BOUNDARY_SYMBOL);
  EXPECT_EQ(label_count(), first);

  uint32_t e_acute = symbol_id("\xC3\xA9");
  EXPECT_LT(e_acute, first) << "the Latin-1 lists interned it at start";
  EXPECT_EQ(label_name(e_acute), U"\u00E9");
  EXPECT_EQ(symbol_id("\xC3\xA9"), e_acute);
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

  uint32_t byte_id;
  EXPECT_EQ(intern_byte_symbol(&byte_id, 'z'), 0);
  EXPECT_EQ(byte_id, static_cast<uint32_t>('z'));
  EXPECT_EQ(intern_byte_symbol(&byte_id, 0x80), 0);
  EXPECT_EQ(label_name(byte_id), U"\u20AC");
  EXPECT_EQ(intern_byte_symbol(&byte_id, 0x81), 0);
  EXPECT_EQ(intern_byte_symbol(&byte_id, 0x81), 0);
  EXPECT_EQ(label_name(byte_id), std::u32string(1, 0x81));
  ASSERT_EQ(messages().warnings.size(), 1u);  // warned once
  EXPECT_EQ(messages().warnings[0], "'0x81' is an undefined code\n in ISO-8859-1 and in CP1252.");

  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  std::u32string raw = {0x80};
  uint32_t raw_id = intern(raw);
  EXPECT_EQ(label_name(raw_id), std::u32string(1, 0x80));
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
    uint32_t id = intern(name);
    ASSERT_EQ(id, entry->second) << "seed 20240611, name " << i;
    if (added) next++;
  }
  EXPECT_EQ(label_count(), next);
  EXPECT_GT(current_label_map()->table->bucket_count, 8192);  // the table grew
  for (auto &[name, id] : reference) {
    std::u32string copy = name;
    uint32_t found;
    ASSERT_EQ(lookup_symbol(&found, fat(copy)), 0);
    EXPECT_EQ(found, id);
    EXPECT_EQ(label_name(id), name);
  }
  for (int i = 0; i < 1000; i++) {
    std::u32string absent =
        U"m" + std::u32string(1, letters[random() % 13]) + std::u32string(1, U'0' + i % 10);
    uint32_t found;
    EXPECT_EQ(lookup_symbol(&found, fat(absent)), 2);
    EXPECT_EQ(found, ID_NO_SYMBOL);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(LabelTest, PairsAndTheirSides) {
  uint32_t a = 'a', b = 'b';
  EXPECT_EQ(pair(a, a), a);
  uint32_t ab = pair(a, b);
  EXPECT_EQ(label_arity(ab), 2);
  EXPECT_EQ(upper_id(ab), a);
  EXPECT_EQ(lower_id(ab), b);
  EXPECT_EQ(pair(a, b), ab);
  EXPECT_NE(pair(b, a), ab);
  uint32_t any = pair(OTHER, OTHER);
  EXPECT_EQ(label_arity(any), 2);
  EXPECT_EQ(upper_id(any), OTHER);
  EXPECT_EQ(lower_id(any), OTHER);
  EXPECT_EQ(upper_id(a), a);
  EXPECT_EQ(lower_id(a), a);
  EXPECT_EQ(pair_id(EPSILON, a), pair(EPSILON, a));

  const uint32_t triple[3] = {a, b, EPSILON};
  uint32_t t;
  ASSERT_EQ(intern_tuple(&t, triple, 3), 0);
  EXPECT_EQ(label_arity(t), 3);
  EXPECT_EQ(label_record(t)->tuple->filler, ID_NO_SYMBOL);
  uint32_t again;
  EXPECT_EQ(intern_tuple(&again, triple, 3), 0);
  EXPECT_EQ(again, t);
  EXPECT_NE(t, ab);
  EXPECT_EQ(intern_tuple(&again, triple, 1), 1);
  EXPECT_EQ(again, ID_NO_SYMBOL);
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(LabelTest, BadPairComponentsAreRefused) {
  uint32_t ab = pair('a', 'b');
  uint32_t id;
  EXPECT_EQ(intern_pair(&id, ab, 'c'), 1);
  EXPECT_EQ(id, ID_NO_SYMBOL);
  EXPECT_EQ(intern_pair(&id, ab, ab), 1);
  EXPECT_EQ(pair_id(0xFFFFFF, 'a'), ID_NO_SYMBOL);
  EXPECT_EQ(intern_pair(&id, 'a', label_count() + 5), 1);
  ASSERT_EQ(messages().errors.size(), 4u);
  std::string tuple_error =
      "a:b: Tuple as a tuple constituent in TUPLE_ERROR (" + std::to_string(ab) + ")";
  EXPECT_EQ(messages().errors[0], tuple_error);
  EXPECT_EQ(messages().errors[1], tuple_error);
  EXPECT_EQ(messages().errors[2], "16777215 is not a legal symbol id");
  EXPECT_EQ(messages().errors[3], std::to_string(label_count() + 5) + " is not a legal symbol id");

  uint32_t set = symbol_id("@P.CASE.NOM@"), clear = symbol_id("@C.CASE@");
  uint32_t flags = pair(set, clear);
  EXPECT_EQ(label_arity(flags), 2);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "Label '@P.CASE.NOM@:@C.CASE@' is illegal: flag diacritics  on both sides of the "
            "symbol pair.");
}

// Pairs of a big transducer over a big alphabet: many share a side, which must not crowd a few
// buckets (the tuple hash keeps the lower side in its low bits).
TEST_F(LabelTest, ManyPairsStayInShortChains) {
  std::vector<uint32_t> symbols;
  for (int i = 0; i < 70000; i++) symbols.push_back(symbol_id(("sym" + std::to_string(i)).c_str()));
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> reference;
  for (int u = 0; u < 600; u++)
    for (int k = 0; k < 330; k++) {
      uint32_t upper = symbols[u];
      uint32_t lower =
          k < 300 ? symbols[symbols.size() - 1 - k] : static_cast<uint32_t>('a' + k % 26);
      if (upper == lower) continue;
      uint32_t id = pair(upper, lower);
      auto [entry, added] = reference.emplace(std::make_pair(upper, lower), id);
      ASSERT_EQ(entry->second, id);
    }
  for (auto &[sides, id] : reference) {
    ASSERT_EQ(upper_id(id), sides.first);
    ASSERT_EQ(lower_id(id), sides.second);
  }
  const HASH_TABLE *table = current_label_map()->table;
  EXPECT_LE(table->entry_count, 2 * table->bucket_count);
  int longest = 0;
  for (int i = 0; i < table->bucket_count; i++) {
    int length = 0;
    for (const HASH_ENTRY *e = table->buckets[i]; e != nullptr; e = e->next) length++;
    longest = std::max(longest, length);
  }
  EXPECT_LE(longest, 16);
}

TEST_F(LabelTest, LabelInformation) {
  uint32_t e_acute = symbol_id("\xC3\xA9"), han = symbol_id("\xE4\xB8\x80");
  uint32_t tag = symbol_id("+Noun"), star = symbol_id("*x*"), flag = symbol_id("@C.A@");
  EXPECT_TRUE(is_byte_label('a'));
  EXPECT_TRUE(is_byte_label(e_acute));
  EXPECT_FALSE(is_byte_label(han));
  EXPECT_TRUE(is_byte_label(pair('a', e_acute)));
  EXPECT_FALSE(is_byte_label(pair(han, 'a')));
  EXPECT_TRUE(is_multichar_symbol(tag));
  EXPECT_FALSE(is_multichar_symbol('a'));
  EXPECT_FALSE(is_multichar_symbol(star));
  EXPECT_FALSE(is_multichar_symbol(flag));
  EXPECT_FALSE(is_multichar_symbol(pair(tag, 'a')));

  uint32_t unknown = label_count() + 10;
  EXPECT_EQ(label_record(unknown), nullptr);
  EXPECT_EQ(label_arity(unknown), 0);
  EXPECT_EQ(upper_id(unknown), ID_NO_SYMBOL);
  EXPECT_FALSE(is_byte_label(unknown));
  EXPECT_EQ(print_label(unknown, nullptr, 1), 0);

  uint32_t ab = pair('a', 'b');
  update_match_tables();
  LABEL_MAP *map = current_label_map();
  ASSERT_EQ(map->match_count, map->count);
  EXPECT_EQ(map->upper_sides[ab], static_cast<uint32_t>('a'));
  EXPECT_EQ(map->lower_sides[ab], static_cast<uint32_t>('b'));
  EXPECT_EQ(map->upper_sides[tag], tag);
  uint32_t later = pair('b', 'a');
  update_match_tables();
  EXPECT_EQ(map->lower_sides[later], static_cast<uint32_t>('a'));

  ALPH marker{};
  label_record(tag)->definition = &marker;
  clear_label_definitions();
  EXPECT_EQ(label_record(tag)->definition, nullptr);
}

TEST_F(LabelTest, SwitchingAndCheckingMaps) {
  LABEL_MAP *standard = current_label_map();
  LABEL_MAP *other = make_label_map("Other", 5);
  EXPECT_EQ(other->count, 0u);
  ASSERT_EQ(set_label_map(other), 0);
  std::u32string name = U"x";
  EXPECT_EQ(intern(name), 0u);  // a map without built-ins gives ids from 0
  for (int i = 0; i < 20; i++) intern(U"name" + std::u32string(1, U'a' + i));
  EXPECT_EQ(label_count(), 21u);
  EXPECT_EQ(label_name(20), U"namet");

  LABEL_MAP bogus{};
  EXPECT_EQ(set_label_map(&bogus), 1);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0], "Cannot set label map to a non-existing label map.");
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
  ASSERT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(messages().errors[0],
            "The label map of the network and thecurrent label map are different.\n"
            "    Network has 'Other', current label map is 'Default'.");
  EXPECT_EQ(messages().errors[1],
            "Networks do not have a common label map.\n"
            "One specifies 'Default', another specifies 'Other'.");
  free_alph(sigma);
}

TEST_F(LabelTest, HashValues) {
  std::u32string empty;
  EXPECT_EQ(fat_hash(fat(empty)), 0xDEADBEEFu + 101u);
  EXPECT_EQ(hashword(nullptr, 0, 7), 0xDEADBEEFu + 7u);
  uint32_t ab = pair('a', 'b');
  EXPECT_EQ(label_hash(label_record(ab)), (((58u << 7) + 'a') << 7) + 'b');
  EXPECT_EQ(label_hash(label_record('a')), fat_hash(label_record('a')->name));
  // On whole words, hashword agrees with lookup3's byte-wise hashlittle over the same bytes
  // (little-endian): here "Four score and seven years a".
  const uint32_t text[7] = {1920298822, 1868788512, 1629513074, 1931502702,
                            1852143205, 1634040096, 1629516658};
  EXPECT_EQ(hashword(text, 7, 101), 0xC0FCF67Au);
  // Every word and its position count.
  const uint32_t words[4] = {1, 2, 3, 4}, swapped[4] = {2, 1, 3, 4};
  EXPECT_NE(hashword(words, 4, 101), hashword(swapped, 4, 101));
  EXPECT_NE(hashword(words, 4, 101), hashword(words, 3, 101));
  EXPECT_NE(hashword(words, 4, 101), hashword(words, 4, 102));
}

TEST_F(LabelTest, PrintingLabels) {
  uint32_t zero = '0', space = ' ', percent = '%', newline = '\n';
  EXPECT_EQ(printed(pair(EPSILON, 'a'), 0), "0:a");
  EXPECT_EQ(printed(EPSILON, 1), "0");
  EXPECT_EQ(printed(OTHER, 1), "?");
  EXPECT_EQ(printed(pair(OTHER, OTHER), 0), "?:?");
  EXPECT_EQ(printed(BOUNDARY_SYMBOL, 0), ".#.");
  EXPECT_EQ(printed(zero, 0), "0");
  EXPECT_EQ(printed(zero, 1), "%0");
  EXPECT_EQ(printed('?', 1), "%?");
  EXPECT_EQ(printed(percent, 1), "%%");
  EXPECT_EQ(printed(space, 1), "\" \"");
  EXPECT_EQ(printed(newline, 1), "\"\\n\"");
  EXPECT_EQ(printed(pair(zero, space), 1), "%0:\" \"");
  EXPECT_EQ(printed(symbol_id("+Noun"), 1), "+Noun");
  EXPECT_EQ(printed(symbol_id("\xC3\xA9"), 1), "\xC3\xA9");
  EXPECT_EQ(printed(ALTCHAIN_SYMBOL, 0), "*ALTCHAIN*");

  uint32_t tag = symbol_id("+Noun");
  char small[5];
  EXPECT_EQ(label_to_buffer(small, tag, sizeof small, 0), -1);
  EXPECT_STREQ(small, "");
  char exact[6];
  EXPECT_EQ(label_to_buffer(exact, tag, sizeof exact, 0), 5);
  EXPECT_STREQ(exact, "+Noun");

  FILE *stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(print_label(pair(EPSILON, tag), stream, 0), 7);
  rewind(stream);
  char text[16] = {};
  ASSERT_NE(fgets(text, sizeof text, stream), nullptr);
  EXPECT_STREQ(text, "0:+Noun");
  fclose(stream);
}

TEST_F(LabelTest, SafeSnprintfReportsOverruns) {
  char buffer[8];
  EXPECT_EQ(safe_snprintf(buffer, sizeof buffer, "%s", "abc"), 3);
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_EQ(safe_snprintf(buffer, sizeof buffer, "%d-%s", 12, "abcdef"), 9);
  EXPECT_STREQ(buffer, "12-abcd");
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0],
            "safe_snprintf: Buffer Overrun. Result would be 9 chars, buffer is only 8.");
}

}  // namespace
