// Properties text: the written form of every type of value, reading into a network (replacing
// in place), the messages of lines that do not read, the round trip of random property lists,
// and the sigma recovered from a property value.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "prop-names.h"
#include "prop.h"
#include "twol.h"

namespace {

using kora::OBJ_VALUE;
using kora::OBJECT;
using kora::SEQUENCE;
using kora_test::Library;
using kora_test::messages;

// A fat string made from UTF-32 text (owned by the caller).
kora::FAT_STR fat(const std::u32string &text) {
  std::vector<uint32_t> codes(text.begin(), text.end());
  codes.push_back(0);
  return kora::fat_strdup(codes.data());
}

OBJECT *integer(int32_t n) {
  return kora::MAKE_OBJECT(kora::INTEGER_TYPE, OBJ_VALUE{.integer = n});
}
OBJECT *character(uint32_t c) {
  return kora::MAKE_OBJECT(kora::CHARACTER_TYPE, OBJ_VALUE{.character = c});
}
OBJECT *string(const std::u32string &text) {
  return kora::MAKE_OBJECT(kora::STRING_TYPE, OBJ_VALUE{.string = fat(text)});
}
OBJECT *symbol(const std::u32string &name) {
  return kora::MAKE_OBJECT(kora::SYMBOL_TYPE, OBJ_VALUE{.symbol = kora::make_io_symbol(fat(name))});
}
OBJECT *bytes(const std::vector<unsigned char> &data) {
  kora::BYTE_BLOCK *block = kora::make_byte_block(data.data(), static_cast<int>(data.size()));
  return kora::MAKE_OBJECT(kora::BYTE_BLOCK_TYPE, OBJ_VALUE{.byte_block = block});
}
// An array or a list of objects (taken over).
OBJECT *sequence(int32_t type, const std::vector<OBJECT *> &items) {
  SEQUENCE *s = kora::NewSequence(kora::OBJECT_TYPE, static_cast<int>(items.size()));
  for (size_t i = 0; i < items.size(); i++) s->data[i].object = items[i];
  return kora::MAKE_OBJECT(type, OBJ_VALUE{.sequence = s});
}

class PropTextTest : public kora_test::QuietLibrary {
 protected:
  void SetUp() override {
    QuietLibrary::SetUp();
    net_ = null_net();
  }
  void TearDown() override {
    free_network(net_);
    Library::TearDown();
  }

  void add(const std::u32string &key, OBJECT *value) {
    kora::FAT_STR k = fat(key);
    kora::add_prop(net_, k, value);
    std::free(k);
  }

  // What write_net_properties puts in a file for the network.
  std::string written(NET *net) {
    const std::string path =
        files_.path(std::string("out-").append(std::to_string(count_++)).append(".txt"));
    EXPECT_EQ(write_net_properties(net, path.c_str()), 0);
    return kora_test::read_file(path);
  }

  // Reads the text into the network; returns read_net_properties's status and what it printed.
  int read_into(NET *net, const std::string &text, std::string *printed = nullptr) {
    const std::string path =
        files_.write(std::string("in-").append(std::to_string(count_++)).append(".txt"), text);
    testing::internal::CaptureStderr();
    const int status = read_net_properties(net, path.c_str());
    const std::string out = testing::internal::GetCapturedStderr();
    if (printed != nullptr) *printed = out;
    return status;
  }

  NET *net_ = nullptr;
  kora_test::ScratchFiles files_;
  int count_ = 0;
};

TEST_F(PropTextTest, EveryTypeHasItsWrittenForm) {
  add_string_property(net_, "NETWORKNAME", "nouns");
  add(U"COUNT", integer(3));
  add(U"negative", integer(-12));
  add(U"letter", character('a'));
  add(U"quote", character('\''));
  add(U"text", string(U"say \"hi\"\nback\\slash"));
  add(U"word", symbol(U"Noun"));
  add(U"digits", symbol(U"123"));
  add(U"minus", symbol(U"-5"));
  add(U"empty", symbol(U""));
  add(U"odd", symbol(U"a b:c,[d]<e>(f)'g\"h"));
  add(U"hash", symbol(U"#x#"));
  add(U"strings", sequence(kora::LIST_TYPE, {string(U"a"), string(U"b")}));
  add(U"numbers", sequence(kora::ARRAY_TYPE, {integer(1), integer(-2)}));
  add(U"nothing", sequence(kora::LIST_TYPE, {}));
  add(U"mixed", sequence(kora::LIST_TYPE, {integer(1), string(U"a"), symbol(U"b"),
                                           sequence(kora::ARRAY_TYPE, {character('c')}),
                                           bytes({0x00, 0xAB})}));
  add(U"block", bytes({0x00, 0xFF, 0x10}));
  add(U"no bytes", bytes({}));
  add(U"#key: odd", integer(0));
  add(U"", integer(1));
  EXPECT_EQ(written(net_),
            "NETWORKNAME: \"nouns\"\n"
            "COUNT: 3\n"
            "negative: -12\n"
            "letter: 'a'\n"
            "quote: '\\''\n"
            "text: \"say \\\"hi\\\"\\nback\\\\slash\"\n"
            "word: Noun\n"
            "digits: :123\n"
            "minus: :-5\n"
            "empty: :\n"
            "odd: a\\ b\\:c\\,\\[d\\]\\<e\\>\\(f\\)\\'g\\\"h\n"
            "hash: \\#x#\n"
            "strings: ( \"a\" \"b\" )\n"
            "numbers: < 1 -2 >\n"
            "nothing: ( )\n"
            "mixed: ( 1 \"a\" b < 'c' > #00AB# )\n"
            "block: #00FF10#\n"
            "no\\ bytes: ##\n"
            "\\#key\\:\\ odd: 0\n"
            "\"\": 1\n");
}

// Characters that the output encoding cannot hold, and control characters, are escaped.
TEST_F(PropTextTest, CharactersOutsideTheEncodingAreEscaped) {
  add(U"größe", string(U"€ \u00E9 \x01 \x85 \U0001F600"));
  add(U"tab", character('\t'));
  EXPECT_EQ(written(net_), "größe: \"€ é \\x01 \\x85 😀\"\ntab: '\\t'\n");
  set_char_encoding(context_, KORA_LATIN1);
  const std::string latin = written(net_);
  EXPECT_EQ(latin, "gr\xF6\xDF" "e: \"\\u20AC \xE9 \\x01 \\x85 \\U0001F600\"\ntab: '\\t'\n");
  NET *back = null_net();
  EXPECT_EQ(read_into(back, latin), 0);
  EXPECT_EQ(written(back), latin);
  free_network(back);
}

TEST_F(PropTextTest, ReadingReplacesAKeyInPlaceAndAppendsNewOnes) {
  add(U"A", integer(1));
  add(U"B", integer(2));
  EXPECT_EQ(read_into(net_, "# a comment\n\n  B : 5\nC: x\r\nA: \"one\"\n"), 0);
  EXPECT_EQ(written(net_), "A: \"one\"\nB: 5\nC: x\n");
}

TEST_F(PropTextTest, ALineThatDoesNotReadIsReportedAndLeftOut) {
  const std::string nested = std::string("D: ").append(65, '(').append(65, ')');
  const struct {
    std::string line;
    std::string printed;
  } cases[] = {
      {": 5", "Invalid Properpty Name at : 5"},
      {"KEY 5", "Invalid Properpty Name at 5"},
      {"\"KEY: 5", "Invalid Properpty Name at \"KEY: 5"},
      {"K: 'ab'", "Invalid Character definition at 'ab'"},
      {"K: ''", "Invalid Character definition at ''"},
      {"K: \"abc", "Invalid String definition at \"abc"},
      {"K: \"a\\x4\"", "Invalid String definition at \"a\\x4\""},
      {"K: ab\\", "Invalid Symbol definition at \\"},
      {"K: )", "Illegal value at )"},
      {"K:", "Illegal value at end of line"},
      {"K: 99999999999", "Illegal value at 99999999999"},
      {"K: #0G#", "Illegal value at #0G#"},
      {"K: ( 1 2", "Error in Value at ( 1 2"},
      {"K: ( 1 >", "Error in Value at >"},
      {"K: < , >", "Error in Value at , >"},
      {nested, "Error in Value at " + nested.substr(3 + 64)},
      {"K: 1 2", "Error found at 2"},
      {"K: pkg:sym", "Package no more supported at :sym"},
      {"K: [a b]", "Package no more supported at [a b]"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    NET *net = null_net();
    std::string printed;
    EXPECT_EQ(read_into(net, "BEFORE: 1\n" + c.line + "\nAFTER: 2\n", &printed), 0);
    EXPECT_EQ(printed, "WARNING: " + c.printed + "\nAborting\n");
    EXPECT_EQ(written(net), "BEFORE: 1\nAFTER: 2\n");
    free_network(net);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(PropTextTest, Refusals) {
  const std::string path = files_.path("refused.txt");
  EXPECT_EQ(write_net_properties(nullptr, path.c_str()), 1);
  EXPECT_EQ(read_net_properties(nullptr, path.c_str()), 1);
  EXPECT_EQ(write_net_properties(net_, "/no/such/directory/props.txt"), 1);
  EXPECT_EQ(read_net_properties(net_, "/no/such/props.txt"), 9);
  add(U"bare", kora::MAKE_OBJECT(kora::OBJECT_TYPE, OBJ_VALUE{}));
  add(U"kept", integer(1));
  add(U"unknown", kora::MAKE_OBJECT(42, OBJ_VALUE{}));
  add(U"package", kora::MAKE_OBJECT(kora::SYMBOL_PACKAGE_TYPE, OBJ_VALUE{}));
  SEQUENCE *odd = kora::NewSequence(kora::INTEGER_TYPE, 1);
  odd->element_type = 42;  // no such element type
  add(U"sequence", kora::MAKE_OBJECT(kora::LIST_TYPE, OBJ_VALUE{.sequence = odd}));
  EXPECT_EQ(write_net_properties(net_, path.c_str()), 1);
  EXPECT_EQ(kora_test::read_file(path), "kept: 1\n");
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"NULL network has no properties.",
                                      "NULL network cannot have any properties",
                                      "Cannot open '/no/such/directory/props.txt'.",
                                      "Cannot open '/no/such/props.txt'.",
                                      "print_object: Illegal object type \"Object\"",
                                      "print_object: Illegal object type 42",
                                      "print_object: Illegal object type \"Symbol_package\"",
                                      "print_sequence: Illegal sequence type 42"}));
}

// A first line that would be taken for a byte order mark or a coding declaration comes after a
// line "#" (found by fuzz_read_net_properties).
TEST_F(PropTextTest, AFirstLineThatWouldBeMisreadComesAfterAComment) {
  set_char_encoding(context_, KORA_LATIN1);
  add(U"\u00FE\u00FF", symbol(U"\u00FF"));
  add(U"later", integer(1));
  EXPECT_EQ(written(net_), "#\n\xFE\xFF: \xFF\nlater: 1\n");
}

// What the fuzzer found, and its seeds, read in either encoding: what is written of what was
// read reads back whole and is written again as the same text.
TEST_F(PropTextTest, WhatTheFuzzerFoundReadsBackAsWritten) {
  std::vector<std::string> inputs;
  for (const char *directory : {"/fuzz-read-properties/seeds", "/fuzz-read-properties/regressions"})
    for (const std::string &path : kora_test::files_in(std::string(KORA_TEST_DATA) + directory))
      inputs.push_back(path);
  ASSERT_GE(inputs.size(), 2u);
  for (const std::string &input : inputs) {
    for (int encoding : {KORA_UTF8, KORA_LATIN1}) {
      SCOPED_TRACE(input + (encoding == KORA_UTF8 ? " in UTF-8" : " in ISO-8859-1"));
      set_char_encoding(context_, encoding);
      NET *net = null_net();
      read_into(net, kora_test::read_file(input));
      const std::string text = written(net);
      NET *back = null_net();
      EXPECT_EQ(read_into(back, text), 0);
      EXPECT_EQ(written(back), text);
      free_network(back);
      free_network(net);
    }
  }
}

// ---- Random property lists ------------------------------------------------------------------

// A random value of at most `depth` levels of nesting, over texts that need escapes.
OBJECT *random_value(std::mt19937 &random, int depth) {
  static const std::u32string texts[] = {U"", U"a", U"0", U"-7", U"a b", U"x:y", U"\"'\\",
                                         U"#", U"\n\t\r", U"é€😀", U"\x01\x7F\x9F", U"( < [",
                                         U"END;", U"!"};
  auto text = [&] { return texts[random() % std::size(texts)]; };
  switch (random() % (depth > 0 ? 8 : 6)) {
    case 0: return integer(static_cast<int32_t>(random()));
    case 1: {
      const std::u32string chosen = text();
      return character(chosen.empty() ? 0 : chosen[0]);
    }
    case 2: return string(text());
    case 3: return symbol(text());
    case 4: {
      std::vector<unsigned char> data(random() % 4);
      for (unsigned char &b : data) b = static_cast<unsigned char>(random());
      return bytes(data);
    }
    case 5: return integer(static_cast<int32_t>(random() % 100) - 50);
    default: {
      std::vector<OBJECT *> items(random() % 4);
      // Half of the sequences hold items of one type, the way the reader types them.
      const bool uniform = random() % 2 == 0;
      for (size_t i = 0; i < items.size(); i++)
        items[i] = uniform && i > 0 ? kora::copy_object(items[0]) : random_value(random, depth - 1);
      return sequence(random() % 2 ? kora::ARRAY_TYPE : kora::LIST_TYPE, items);
    }
  }
}

// Whatever a list holds, its text read back and written again is the same text: the text is a
// fixed point, in both encodings.
TEST_F(PropTextTest, RandomPropertyListsSurviveTheRoundTrip) {
  kora_test::for_seeds(150, [&](unsigned seed, std::mt19937 &random) {
    set_char_encoding(context_, seed % 2 ? KORA_UTF8 : KORA_LATIN1);
    NET *net = null_net();
    for (int i = random() % 6; i > 0; i--) {
      kora::FAT_STR key = fat(std::u32string(U"key ") + static_cast<char32_t>('a' + random() % 26));
      kora::add_prop(net, key, random_value(random, 3));
      std::free(key);
    }
    const std::string text = written(net);
    NET *back = null_net();
    std::string printed;
    EXPECT_EQ(read_into(back, text, &printed), 0) << text << printed;
    EXPECT_EQ(written(back), text);
    free_network(back);
    free_network(net);
  });
}

// ---- The sigma as a property value -------------------------------------------------------------

uint32_t sym(const char *name) { return kora::symbol_id(name); }

// A loaded network's sigma comes from its SAVED-SIGMA, a list of names (written here as the
// properties text reads it), which goes; NIL only goes; without it the sigma is that of the
// labels.
TEST_F(PropTextTest, RecoverSigmaTakesTheSavedSigmaOrTheLabels) {
  NET *net = symbol_net("a");
  const kora::FAT_STR key = kora::standard_name("SAVED-SIGMA");
  EXPECT_EQ(read_into(net, "SAVED-SIGMA: ( **OTHER** z a )\n"), 0);
  kora::recover_sigma(net);
  EXPECT_EQ(kora_test::alph_members(net->sigma), (std::set<uint32_t>{kora::OTHER, 'a', 'z'}));
  EXPECT_EQ(kora::get_prop(net, key), nullptr);
  kora::add_prop(net, key, symbol(U"NIL"));
  kora::recover_sigma(net);
  EXPECT_EQ(kora::get_prop(net, key), nullptr);
  EXPECT_EQ(kora_test::alph_members(net->sigma), (std::set<uint32_t>{kora::OTHER, 'a', 'z'}));
  kora::recover_sigma(net);
  EXPECT_EQ(kora_test::alph_members(net->sigma), std::set<uint32_t>{'a'});
  kora::add_prop(net, key, integer(1));
  kora::recover_sigma(net);
  EXPECT_NE(kora::get_prop(net, key), nullptr);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"recover_sigma: unexpected type of SAVED-SIGMA: 0"});
  free_network(net);
}

TEST_F(PropTextTest, ObjectsThatNameNoSymbolOrAlphabetAreRefused) {
  OBJECT *number = integer(1);
  OBJECT *list = sequence(kora::LIST_TYPE, {symbol(U"a"), symbol(U"b")});
  OBJECT *pair = sequence(kora::ARRAY_TYPE, {symbol(U"a"), symbol(U"b")});
  OBJECT *triple = sequence(kora::ARRAY_TYPE, {symbol(U"a"), symbol(U"b"), symbol(U"c")});
  SEQUENCE *integers = kora::NewSequence(kora::INTEGER_TYPE, 1);
  integers->data[0].integer = 1;
  OBJECT *numbers = kora::MAKE_OBJECT(kora::LIST_TYPE, OBJ_VALUE{.sequence = integers});
  OBJECT *odd_items = sequence(kora::LIST_TYPE, {integer(2)});
  OBJECT *letter = character('x');
  OBJECT *text = string(U"xy");
  EXPECT_EQ(kora::obj_to_symbol_id(letter), static_cast<uint32_t>('x'));
  EXPECT_EQ(kora::obj_to_symbol_id(text), sym("xy"));
  EXPECT_EQ(kora::obj_to_symbol_id(number), kora::ID_NO_SYMBOL);
  EXPECT_EQ(kora::obj_to_tuple_id(pair), kora::pair_id('a', 'b'));
  EXPECT_EQ(kora::obj_to_tuple_id(list), kora::ID_NO_SYMBOL);
  EXPECT_EQ(kora::obj_to_tuple_id(triple), kora::ID_NO_SYMBOL);
  EXPECT_EQ(kora::prop_val_to_alph(number), nullptr);
  EXPECT_EQ(kora::prop_val_to_alph(numbers), nullptr);
  ALPH *empty = kora::prop_val_to_alph(odd_items);
  EXPECT_TRUE(kora_test::alph_members(empty).empty());
  kora::free_alph(empty);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"obj_to_symbol_id: Illegal object type: 0",
                                      "obj_to_tuple_id: Wrong type of array: 5",
                                      "obj_to_tuple_id: Wrong type of array: -1",
                                      "prop_val_to_alph: Unexpected type of alphabet property: 0",
                                      "prop_val_to_alph: Bad alphabet type: 0",
                                      "prop_val_to_alph: Illegal symbol type: 0"}));
  for (OBJECT *object : {letter, text, number, pair, list, triple, numbers, odd_items})
    kora::free_object(object);
}

}  // namespace
