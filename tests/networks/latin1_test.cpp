// The Latin-1 character classes, the Windows-1252 letters under parameter word 10, the list
// "delim", and the message for an unknown class.

#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "kora_test.h"
#include "label.h"
#include "latin1.h"

namespace {

using kora_test::alph_members;
using kora_test::messages;
using IdSet = std::set<uint32_t>;

class Latin1Test : public kora_test::Library {};

// The members of the named class (a binary alphabet), freed after reading.
IdSet class_members(const char *name) {
  ALPH *alph = kora::latin1_list(name);
  EXPECT_NE(alph, nullptr) << name;
  if (alph == nullptr) return {};
  EXPECT_EQ(alph->type, KORA_BINARY_ALPH);
  IdSet ids = alph_members(alph);
  kora::free_alph(alph);
  return ids;
}

uint32_t symbol_of(uint32_t code) {
  uint32_t name[2] = {code, 0};
  uint32_t id = KORA_NO_LABEL;
  kora::intern_fat_symbol(&id, name);
  return id;
}

IdSet codes(uint32_t first, uint32_t last) {
  IdSet ids;
  for (uint32_t code = first; code <= last; ++code) ids.insert(code < 5 || code > 127 ? symbol_of(code) : code);
  return ids;
}

IdSet joined(std::initializer_list<IdSet> sets) {
  IdSet all;
  for (const IdSet &set : sets) all.insert(set.begin(), set.end());
  return all;
}

// Puts `alph` (or nothing) as the symbol list of `name`, freeing the list it had.
void define_list(const char *name, ALPH *alph) {
  kora::LABEL *label = kora::label_record(kora::symbol_id(name));
  kora::free_alph(label->definition);
  label->definition = alph;
  label->definition_type = alph != nullptr ? 2 : 0;
}

TEST_F(Latin1Test, ClassesHoldTheirCodes) {
  EXPECT_EQ(class_members("digit"), codes('0', '9'));
  EXPECT_EQ(class_members("DiGiT"), codes('0', '9'));
  EXPECT_EQ(class_members("space"), joined({codes(9, 13), codes(32, 32), codes(160, 160)}));
  EXPECT_EQ(class_members("cntrl"), codes(1, 31));
  EXPECT_EQ(class_members("ascii"), codes(1, 127));
  EXPECT_EQ(class_members("labr"), IdSet{'<'});
  EXPECT_EQ(class_members(">"), IdSet{'>'});
  EXPECT_EQ(class_members("windows").size(), 27u);

  const IdSet upper = class_members("upper"), lower = class_members("lower");
  const IdSet digit = codes('0', '9'), punct = class_members("punct");
  EXPECT_EQ(class_members("alpha"), joined({upper, lower}));
  EXPECT_EQ(class_members("alnum"), joined({upper, lower, digit}));
  EXPECT_EQ(class_members("graph"), joined({upper, lower, digit, punct}));
  EXPECT_EQ(class_members("print"), joined({upper, lower, digit, punct, class_members("space")}));
  EXPECT_TRUE(punct.count(',') && punct.count('~') && punct.count(symbol_of(0xD7)));
  EXPECT_FALSE(punct.count('a') || punct.count('5') || punct.count(' ') || punct.count(symbol_of(0xC0)));

  const IdSet all = class_members(nullptr);
  EXPECT_EQ(all, class_members("all"));
  EXPECT_TRUE(all.count(symbol_of(1)) && all.count('~') && all.count(symbol_of(0xFF)));
  EXPECT_FALSE(all.count(127) || all.count(symbol_of(0x81)));
  EXPECT_TRUE(all.count(symbol_of(0x20AC))) << "the euro sign of byte 0x80, with word 10";
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(Latin1Test, WindowsLettersJoinUpperAndLowerOnlyWithWord10) {
  const uint32_t s_caron = symbol_of(0x160), y_diaeresis = symbol_of(0x178), oe = symbol_of(0x153);
  IdSet upper = class_members("upper"), lower = class_members("lower");
  EXPECT_EQ(upper.size(), 56u + 4u);
  EXPECT_EQ(lower.size(), 58u + 3u);
  EXPECT_TRUE(upper.count(s_caron) && upper.count(y_diaeresis) && lower.count(oe));
  EXPECT_TRUE(upper.count(symbol_of(0xC0)) && !upper.count(symbol_of(0xD7)));

  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  upper = class_members("upper");
  lower = class_members("lower");
  EXPECT_EQ(upper.size(), 56u);
  EXPECT_EQ(lower.size(), 58u);
  EXPECT_FALSE(upper.count(s_caron) || lower.count(oe));
  EXPECT_FALSE(class_members("all").count(symbol_of(0x20AC)));
}

TEST_F(Latin1Test, UnknownClassIsReported) {
  EXPECT_EQ(kora::latin1_list("vowels"), nullptr);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{
                "Subset 'vowels' of Latin-1 is not defined.\n"
                "    Valid arguments: 'alnum', 'alpha', 'ascii', 'digit', 'graph', 'lower', 'print',\n"
                "     'punct', 'upper', 'space', 'windows', '<', '>'"});
}

TEST_F(Latin1Test, DelimiterList) {
  define_list("space", nullptr);
  ALPH *without_space = kora::make_delim_list();
  EXPECT_EQ(messages().errors, std::vector<std::string>{"Latin-1 list 'space' is undefined."});
  EXPECT_FALSE(test_alph_member(without_space, ' '));
  kora::free_alph(without_space);

  define_list("space", kora::latin1_list("space"));
  ALPH *delim = kora::make_delim_list();
  for (uint32_t code : {uint32_t{','}, uint32_t{' '}, uint32_t{'\t'}, 0xA0u, 0xBFu, 0x2000u,
                        0x200Bu, 0x2014u, 0x2026u, 0x2028u, 0x206Fu})
    EXPECT_TRUE(test_alph_member(delim, code < 128 ? code : symbol_of(code))) << std::hex << code;
  for (uint32_t code : {uint32_t{'a'}, uint32_t{'0'}, 0xE9u, 0x200Cu, 0x2027u, 0x2070u})
    EXPECT_FALSE(test_alph_member(delim, code < 128 ? code : symbol_of(code))) << std::hex << code;
  kora::free_alph(delim);
  define_list("space", nullptr);
}

}  // namespace
