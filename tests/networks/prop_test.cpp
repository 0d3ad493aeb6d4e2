// Property lists and typed objects: list order against a reference, the string interface and its
// messages, deep copies of nested values with shared strings, and encodings.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fat_strings.h"
#include "kora_test.h"
#include "label.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"

namespace {

using kora::OBJ_VALUE;
using kora::OBJECT;
using kora::PROP;
using kora::SEQUENCE;
using kora_test::messages;
using kora_test::u32;

// A fat string owned by the test.
kora::FAT_STR fat(const std::u32string &s) {
  auto *fs = static_cast<kora::FAT_STR>(std::calloc(s.size() + 1, sizeof(uint32_t)));
  for (size_t i = 0; i < s.size(); i++) fs[i] = s[i];
  return fs;
}

OBJECT *integer(int32_t n) { return kora::MAKE_OBJECT(kora::INTEGER_TYPE, {.integer = n}); }
OBJECT *string_object(kora::FAT_STR s) {
  return kora::MAKE_OBJECT(kora::STRING_TYPE, {.string = s});
}
OBJECT *symbol_object(kora::FAT_STR name) {
  return kora::MAKE_OBJECT(kora::SYMBOL_TYPE, {.symbol = kora::make_io_symbol(name)});
}
OBJECT *sequence_object(int32_t type, SEQUENCE *s) {
  return kora::MAKE_OBJECT(type, {.sequence = s});
}

// get_string_property as a std::string ("<null>" for null), freeing the result.
std::string text(NET *net, const char *key) {
  std::unique_ptr<char, decltype(&std::free)> value(get_string_property(net, key), std::free);
  return value == nullptr ? "<null>" : value.get();
}

std::vector<std::string> keys_of(NET *net) {
  std::vector<std::string> keys;
  for (PROP *p = kora::net_properties(net); p != nullptr; p = p->next) {
    keys.emplace_back(p->key, p->key + u32(p->key).size());
  }
  return keys;
}

// Each test gets an empty network, which reclaim_kora frees with its properties.
class PropTest : public kora_test::Library {
 protected:
  void SetUp() override {
    kora_test::Library::SetUp();
    net_ = make_empty_net();
  }
  NET *net_ = nullptr;
};

// Random adds, removes and lookups over a few keys agree with a vector of pairs kept in
// insertion order: adding a present key replaces its value in place.
TEST_F(PropTest, ListAgreesWithAnOrderedReference) {
  const char *keys[] = {"k0", "k1", "k2", "k3", "NETWORKNAME"};
  kora_test::for_seeds(20, [&](unsigned, std::mt19937 &random) {
    std::vector<std::pair<std::string, std::string>> reference;
    for (int step = 0; step < 200; step++) {
      std::string key = keys[random() % 5];
      auto found = reference.begin();
      while (found != reference.end() && found->first != key) ++found;
      std::string value = std::to_string(random() % 1000);
      switch (random() % 3) {
        case 0:
          EXPECT_EQ(add_string_property(net_, key.c_str(), value.c_str()), 0);
          if (found != reference.end()) found->second = value;
          else reference.emplace_back(key, value);
          break;
        case 1:
          EXPECT_EQ(remove_string_property(net_, key.c_str()), found == reference.end() ? 1 : 0);
          if (found != reference.end()) reference.erase(found);
          break;
        default:
          EXPECT_EQ(text(net_, key.c_str()),
                    found == reference.end() ? "<null>" : found->second)
              << "step " << step;
      }
    }
    std::vector<std::string> expected;
    for (const auto &entry : reference) expected.push_back(entry.first);
    ASSERT_EQ(keys_of(net_), expected);
    EXPECT_TRUE(messages().errors.empty());
    kora::free_property_list(kora::net_properties(net_));
    net_->properties = nullptr;
  });
}

// Scalars become text; a missing key is silent; sequences, byte blocks and objects are refused.
TEST_F(PropTest, ValuesBecomeTextOrAreRefused) {
  auto object = [](int32_t type, OBJ_VALUE value) { return kora::MAKE_OBJECT(type, value); };
  const struct {
    OBJECT *value;
    const char *text;
    const char *error;
  } table[] = {
      {integer(0), "0", nullptr},
      {integer(INT32_MIN), "-2147483648", nullptr},
      {symbol_object(fat(U"Noun")), "Noun", nullptr},
      {object(kora::CHARACTER_TYPE, {.character = U'é'}), "\xC3\xA9", nullptr},
      {object(kora::LIST_TYPE, {.sequence = kora::NewSequence(kora::INTEGER_TYPE, 2)}), "<null>",
       "Cannot coerce a value of type 'List' into a string."},
      {object(kora::ARRAY_TYPE, {.sequence = kora::NewSequence(kora::STRING_TYPE, 0)}), "<null>",
       "Cannot coerce a value of type 'Array' into a string."},
      {object(kora::BYTE_BLOCK_TYPE, {.byte_block = kora::make_byte_block("ab", 2)}), "<null>",
       "Cannot coerce a value of type 'Byte block' into a string."},
      {object(kora::OBJECT_TYPE, {}), "<null>",
       "Cannot coerce a value of type 'Object' into a string."},
  };
  for (const auto &row : table) {
    messages().clear();
    kora::add_prop(net_, kora::standard_name("TYPE"), row.value);
    EXPECT_EQ(text(net_, "TYPE"), row.text);
    EXPECT_EQ(messages().errors, row.error == nullptr ? std::vector<std::string>{}
                                                      : std::vector<std::string>{row.error});
  }
  messages().clear();
  EXPECT_EQ(text(net_, "absent"), "<null>");
  EXPECT_TRUE(messages().errors.empty()) << "a missing key is silent";
  EXPECT_STREQ(kora::object_type_name(-2), "*Unknown*");
}

TEST_F(PropTest, RemovingANonStringWarnsButRemoves) {
  kora::add_prop(net_, kora::standard_name("DATE"), integer(2010));
  add_string_property(net_, "kept", "yes");
  EXPECT_EQ(remove_string_property(net_, "DATE"), 0);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"The value of the attribute 'DATE' was not a string."});
  EXPECT_EQ(keys_of(net_), std::vector<std::string>{"kept"});
  EXPECT_NE(kora::standard_name("DATE"), nullptr) << "the shared key was not freed";

  messages().clear();
  EXPECT_EQ(remove_string_property(net_, "DATE"), 1);
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"No value for the attribute DATE was found."});
}

TEST_F(PropTest, NullArgumentsAreReported) {
  EXPECT_EQ(add_string_property(nullptr, "k", "v"), 1);
  EXPECT_EQ(add_string_property(net_, "k", nullptr), 1);
  EXPECT_EQ(get_string_property(net_, nullptr), nullptr);
  EXPECT_EQ(remove_string_property(nullptr, "k"), 1);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"Unexpected NULL pointer in add_string_property().",
                                      "Unexpected NULL pointer in add_string_property().",
                                      "Unexpected NULL pointer in get_string_property().",
                                      "Unexpected NULL arguments in remove_string_property()."}));
  EXPECT_EQ(kora::net_properties(net_), nullptr);
}

// Structural equality of two values of one type, where every record of the copy is a new one and
// every string is duplicated unless shared (then it is the very same pointer).
void expect_same(int32_t type, OBJ_VALUE a, OBJ_VALUE b);

void expect_same_object(const OBJECT *a, const OBJECT *b) {
  ASSERT_NE(a, b);
  ASSERT_EQ(a->type, b->type);
  expect_same(a->type, a->value, b->value);
}

void expect_same_string(const uint32_t *a, const uint32_t *b) {
  EXPECT_EQ(u32(a), u32(b));
  EXPECT_EQ(a == b, kora::is_shared_string(a)) << "only shared strings are not copied";
}

void expect_same_sequence(const SEQUENCE *a, const SEQUENCE *b) {
  ASSERT_NE(a, b);
  ASSERT_EQ(a->length, b->length);
  ASSERT_EQ(a->element_type, b->element_type);
  for (int i = 0; i < a->length; i++) {
    if (a->element_type == kora::SYMBOL_PACKAGE_TYPE) {
      expect_same_string(a->data[i].string, b->data[i].string);
    } else if (a->element_type == kora::OBJECT_TYPE) {
      expect_same_object(a->data[i].object, b->data[i].object);
    } else {
      expect_same(a->element_type, a->data[i], b->data[i]);
    }
  }
}

void expect_same(int32_t type, OBJ_VALUE a, OBJ_VALUE b) {
  auto bytes = [](const kora::BYTE_BLOCK *block) {
    return std::string(reinterpret_cast<char *>(block->bytes), block->length);
  };
  switch (type) {
    case kora::INTEGER_TYPE: EXPECT_EQ(a.integer, b.integer); break;
    case kora::CHARACTER_TYPE: EXPECT_EQ(a.character, b.character); break;
    case kora::STRING_TYPE: expect_same_string(a.string, b.string); break;
    case kora::SYMBOL_TYPE:
      EXPECT_NE(a.symbol, b.symbol);
      expect_same_string(a.symbol->name, b.symbol->name);
      break;
    case kora::ARRAY_TYPE:
    case kora::LIST_TYPE: expect_same_sequence(a.sequence, b.sequence); break;
    case kora::BYTE_BLOCK_TYPE:
      EXPECT_NE(a.byte_block, b.byte_block);
      EXPECT_EQ(bytes(a.byte_block), bytes(b.byte_block));
      break;
  }
}

void expect_same_lists(const PROP *a, const PROP *b) {
  for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
    expect_same_string(a->key, b->key);
    expect_same_object(a->value, b->value);
  }
  EXPECT_TRUE(a == nullptr && b == nullptr) << "lists of equal length";
}

TEST_F(PropTest, CopiesAreDeepAndSharedStringsStayShared) {
  uint32_t id = 0;
  ASSERT_EQ(kora::intern_symbol(&id, "Noun"), 0);
  kora::FAT_STR interned = kora::label_record(id)->name;

  // A list holding: an integer array, a nested list of a byte block and a symbol, a symbol
  // package mixing shared and owned names, and objects of every scalar type.
  SEQUENCE *numbers = kora::NewSequence(kora::INTEGER_TYPE, 3);
  for (int i = 0; i < 3; i++) numbers->data[i].integer = -i;
  SEQUENCE *inner = kora::NewSequence(kora::OBJECT_TYPE, 2);
  inner->data[0].object = kora::MAKE_OBJECT(kora::BYTE_BLOCK_TYPE,
                                            {.byte_block = kora::make_byte_block("\0\1\2", 3)});
  inner->data[1].object = symbol_object(interned);
  SEQUENCE *package = kora::NewSequence(kora::SYMBOL_PACKAGE_TYPE, 2);
  package->data[0].string = kora::standard_name("OTHER");
  package->data[1].string = fat(U"Verb");
  SEQUENCE *outer = kora::NewSequence(kora::OBJECT_TYPE, 6);
  outer->data[0].object = sequence_object(kora::ARRAY_TYPE, numbers);
  outer->data[1].object = sequence_object(kora::LIST_TYPE, inner);
  outer->data[2].object = sequence_object(kora::LIST_TYPE, package);
  outer->data[3].object = kora::MAKE_OBJECT(kora::CHARACTER_TYPE, {.character = U'€'});
  outer->data[4].object = string_object(fat(U"text"));
  outer->data[5].object = symbol_object(fat(U"owned"));
  kora::add_list_prop(net_, kora::standard_name("DEFINED_LISTS"), outer);
  kora::add_prop(net_, interned, string_object(kora::standard_name("NIL")));
  kora::add_prop(net_, kora::standard_name("SIGMA"), symbol_object(interned));

  PROP *copy = kora::copy_property_list(kora::net_properties(net_));
  expect_same_lists(kora::net_properties(net_), copy);
  EXPECT_EQ(copy->next->key, interned) << "a symbol's name as key is shared";
  PROP *second = kora::copy_property_list(copy);
  kora::free_property_list(copy);
  // The original and a copy of the freed copy still agree: nothing of theirs was freed.
  expect_same_lists(kora::net_properties(net_), second);
  kora::free_property_list(second);
  EXPECT_EQ(u32(kora::label_record(id)->name), U"Noun");
  EXPECT_EQ(u32(kora::standard_name("OTHER")), U"OTHER");
}

TEST_F(PropTest, DeeplyNestedListsAreCopiedAndFreedWithoutRecursion) {
  const int depth = 200000;
  SEQUENCE *innermost = kora::NewSequence(kora::INTEGER_TYPE, 1);
  innermost->data[0].integer = 7;
  OBJECT *value = sequence_object(kora::LIST_TYPE, innermost);
  for (int i = 1; i < depth; i++) {
    SEQUENCE *wrapper = kora::NewSequence(i % 2 == 0 ? kora::OBJECT_TYPE : kora::LIST_TYPE, 1);
    if (i % 2 == 0) {
      wrapper->data[0].object = value;
    } else {
      wrapper->data[0].sequence = value->value.sequence;
      std::free(value);
    }
    value = sequence_object(kora::LIST_TYPE, wrapper);
  }
  OBJECT *copy = kora::copy_object(value);
  const SEQUENCE *walk = copy->value.sequence;
  int levels = 1;
  while (walk->element_type != kora::INTEGER_TYPE) {
    walk = walk->element_type == kora::OBJECT_TYPE ? walk->data[0].object->value.sequence
                                                   : walk->data[0].sequence;
    levels++;
  }
  EXPECT_EQ(walk->data[0].integer, 7);
  EXPECT_GT(levels, depth / 2);
  kora::free_object(copy);
  kora::free_object(value);
}

// Keys and values are stored as code points and read back in the current encoding.
TEST_F(PropTest, KeysAndValuesRoundTripInBothEncodings) {
  const char *key = "gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC";
  const char *value = "\xE4\xB8\x80 \xF0\x9F\x98\x80 caf\xC3\xA9";
  ASSERT_EQ(add_string_property(net_, key, value), 0);
  EXPECT_EQ(u32(kora::net_properties(net_)->key), U"größe €");
  EXPECT_EQ(text(net_, key), value);

  ASSERT_EQ(set_char_encoding(context_, KORA_LATIN1), 0);
  ASSERT_EQ(add_string_property(net_, "cl\xE9", "\x80 \xE0 la \xFF"), 0);  // 0x80 is the euro
  EXPECT_EQ(text(net_, "cl\xE9"), "\x80 \xE0 la \xFF");
  ASSERT_EQ(set_char_encoding(context_, KORA_UTF8), 0);
  EXPECT_EQ(text(net_, "cl\xC3\xA9"), "\xE2\x82\xAC \xC3\xA0 la \xC3\xBF");
  EXPECT_TRUE(messages().warnings.empty());
}

}  // namespace
