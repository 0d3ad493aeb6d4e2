// Definitions of networks and symbol lists: lookups, copies and ownership, redefinition and
// undefinition with their messages, agreement between the two kinds of definition, the
// rewriting of self-referential definitions (languages checked with the words() oracle).

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "alph.h"
#include "define.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace {

using kora_test::build_net;
using kora_test::messages;
using kora_test::stdout_of;
using kora_test::words;
using Strings = std::vector<std::string>;
using Words = std::set<std::string>;

class DefineTest : public kora_test::Library {};

uint32_t id_of(const char *name) { return kora::symbol_id(name); }

ALPH *list_of_chars(const char *chars, int type = KORA_BINARY_ALPH) {
  std::vector<uint32_t> ids(chars, chars + std::strlen(chars));
  return kora::labels_to_alph(ids.data(), static_cast<int>(ids.size()), type);
}

// --- Networks -------------------------------------------------------------------------------

// Define, redefine (the old network is freed without the lost-definition warning; ASan catches
// any later use), move to another name, undefine, and the messages of each.
TEST_F(DefineTest, DefineRedefineAndUndefine) {
  NET *a = symbol_net("a"), *b = symbol_net("b");
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(define_net("A", a, 0), 0); }).rfind("Defined 'A': ", 0), 0u);
  EXPECT_EQ(net("A"), a);
  EXPECT_EQ(kora::defined_net(id_of("A")), a);
  EXPECT_EQ(kora::defined_net(kora::EPSILON), nullptr);
  EXPECT_EQ(stdout_of([&] { define_net("A", b, 0); }).rfind("Redefined 'A': ", 0), 0u);
  EXPECT_EQ(define_net("A", b, 0), 0) << "the same network again";
  EXPECT_EQ(get_net("A", 0), b);
  EXPECT_TRUE(messages().warnings.empty());

  EXPECT_EQ(define_net("B", b, 0), 0) << "a network has one name at a time";
  EXPECT_EQ(kora::defined_net(id_of("A")), nullptr);
  EXPECT_EQ(b->definition_label, id_of("B"));
  EXPECT_EQ(stdout_of([] { EXPECT_EQ(undefine_net("B"), 0); }), "Undefined 'B',\n");
  EXPECT_EQ(undefine_net("B"), 3);
  EXPECT_EQ(get_net("B", 0), nullptr);
  EXPECT_EQ(net("B"), nullptr);
  EXPECT_EQ(messages().errors, Strings(3, "No definition for 'B'."));
  EXPECT_EQ(undefine_net(nullptr), 3);
  EXPECT_EQ(get_net(nullptr, 1), nullptr);
}

TEST_F(DefineTest, CopiesBelongToTheCaller) {
  NET *a = symbol_net("a");
  define_net("A", a, 1);
  NET *defined = net("A");
  EXPECT_NE(defined, a);
  free_network(a);
  for (NET *copy : {get_net("A", 1), kora::copy_defined_net(id_of("A"))}) {
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, defined);
    EXPECT_EQ(copy->definition_label, kora::ID_NO_SYMBOL);
    EXPECT_EQ(words(copy, 2), Words{"a"});
    free_network(copy);
  }
  EXPECT_EQ(net("A"), defined);
  EXPECT_TRUE(messages().warnings.empty());
}

// Verbose definitions end the lines of the size summary in "\n", not in the context's
// eol_string, the label map line of another map's network included.
TEST_F(DefineTest, VerboseSummaryLinesEndInNewline) {
  context_->eol_string = "\r\n";
  kora::set_label_map(kora::make_label_map("Other", 10));
  NET *other = epsilon_net();
  kora::set_label_map(nullptr);
  EXPECT_EQ(stdout_of([] { define_net("E", epsilon_net(), 0); }),
            "Defined 'E': 48 bytes. 1 state, 0 arcs, 1 path.\n");
  EXPECT_EQ(stdout_of([&] { define_net("O", other, 0); }),
            "Defined 'O': 48 bytes. 1 state, 0 arcs, 1 path.\n Label Map: Other.\n");
}

TEST_F(DefineTest, FreeingADefinedNetworkRemovesItsDefinition) {
  NET *a = symbol_net("a");
  define_net("A", a, 0);
  free_network(a);
  EXPECT_EQ(messages().warnings, Strings{"Undefined 'A' because the network got deleted."});
  EXPECT_EQ(kora::defined_net(id_of("A")), nullptr);
}

TEST_F(DefineTest, ListDefinitionsVisitsEveryDefinition) {
  EXPECT_EQ(stdout_of([] { kora::list_definitions(nullptr, nullptr); }), "No defined symbols.\n");
  std::map<uint32_t, NET *> reference, visited;
  for (const char *name : {"A", "B", "Cat", "Dog", "A"}) {
    NET *n = symbol_net("x");
    define_net(name, n, 0);
    reference[id_of(name)] = n;
  }
  kora::list_definitions(
      [](uint32_t id, NET *n, void *data) {
        (*static_cast<std::map<uint32_t, NET *> *>(data))[id] = n;
      },
      &visited);
  EXPECT_EQ(visited, reference);
}

TEST_F(DefineTest, BadArgumentsAreRefused) {
  EXPECT_EQ(define_net("A", nullptr, 0), 1);
  EXPECT_EQ(messages().errors, Strings{"Null network in 'define_net()'."});
  NET *a = symbol_net("a");
  EXPECT_EQ(define_net(nullptr, a, 0), 1);
  EXPECT_EQ(define_net("", a, 1), 1) << "EPSILON cannot be defined";
  EXPECT_EQ(messages().errors.size(), 2u);
  EXPECT_EQ(kora::define_net_by_id(kora::pair_id('a', 'b'), a, 0), 1);
  EXPECT_EQ(a->definition_label, kora::ID_NO_SYMBOL);
  free_network(a);
  EXPECT_EQ(define_symbol_list(nullptr, nullptr), 1);
  EXPECT_EQ(define_symbol_list("V", nullptr), 1);
  EXPECT_EQ(get_symbol_list(nullptr, 0), nullptr);
  EXPECT_EQ(undefine_symbol_list(nullptr), 1);
}

// --- Lists ----------------------------------------------------------------------------------

TEST_F(DefineTest, SymbolListsAreBinaryCopiesKeptUnlessChanged) {
  ALPH *vowels = list_of_chars("ae", KORA_LABEL_ALPH);
  EXPECT_EQ(stdout_of([&] { define_symbol_list("V", vowels); }), "Defined list V\n");
  EXPECT_EQ(vowels->type, KORA_BINARY_ALPH);
  ALPH *defined = symbol_list("V");
  ASSERT_NE(defined, nullptr);
  EXPECT_NE(defined, vowels);
  ALPH *copy = get_symbol_list("V", 1);
  EXPECT_NE(copy, defined);
  EXPECT_TRUE(test_equal_alphs(copy, vowels));
  kora::free_alph(copy);
  kora::free_alph(vowels);

  const uint32_t v = id_of("V");
  EXPECT_EQ(stdout_of([&] { kora::define_list_by_id(v, list_of_chars("ea"), 0); }), "")
      << "an equal list changes nothing";
  for (int force : {0, 1})
    EXPECT_EQ(stdout_of([&] { kora::define_list_by_id(v, list_of_chars("aei"), force); }),
              "Redefined list V\n");
  EXPECT_TRUE(test_alph_member(kora::defined_list(v), 'i'));

  EXPECT_EQ(undefine_symbol_list("V"), 0);
  EXPECT_EQ(undefine_symbol_list("V"), 1);
  EXPECT_EQ(get_symbol_list("V", 0), nullptr);
  EXPECT_EQ(messages().errors, (Strings{"'V' has not been defined as a symbol_list.",
                                        "'V' has no list definition."}));
}

// A network defined under a list's name must accept the list's one-symbol strings (any shape).
TEST_F(DefineTest, ANetworkMustAgreeWithTheListOfItsName) {
  ALPH *vowels = list_of_chars("ae");
  define_symbol_list("V", vowels);
  NET *longer = union_net(symbol_net("a"), string_to_net("ee", 0), 0, 0);
  EXPECT_EQ(define_net("V", longer, 0), 1);
  EXPECT_EQ(messages().errors,
            Strings{"'V' has already been defined as a list.\n"
                    "    It cannot have an incompatible definition as a network.\n"
                    "    Please undefine the label first.\n"});
  EXPECT_EQ(kora::defined_net(id_of("V")), nullptr);
  EXPECT_EQ(longer->definition_label, kora::ID_NO_SYMBOL);
  free_network(longer);

  // Two final states, unlike alphabet_net's shape.
  EXPECT_EQ(define_net("V", build_net(3, {1, 2}, {{0, 'a', 1}, {0, 'e', 2}}), 0), 0);
  EXPECT_EQ(messages().warnings, Strings{"The list symbol 'V' is also defined as a network.\n"
                                         "    The two definitions are compatible.\n"});
  EXPECT_NE(symbol_list("V"), nullptr);
  kora::free_alph(vowels);
}

TEST_F(DefineTest, AListMustAgreeWithTheNetworkOfItsName) {
  ALPH *ab = list_of_chars("ab"), *a = list_of_chars("a");
  define_net("W", alphabet_net(ab), 0);
  EXPECT_EQ(define_symbol_list("W", a), 1);
  EXPECT_EQ(messages().errors,
            Strings{"'W' has already been defined as a network.\n"
                    "    It cannot have an incompatible definition as a list.\n"
                    "    Please undefine the label first.\n"});
  EXPECT_EQ(kora::defined_list(id_of("W")), nullptr);

  EXPECT_EQ(define_symbol_list("W", ab), 0);
  EXPECT_EQ(messages().warnings, Strings{"The network symbol 'W' is also defined as a list.\n"
                                         "    The two definitions are compatible.\n"});
  kora::free_alph(a);
  kora::free_alph(ab);
}

// --- Self-reference -------------------------------------------------------------------------

// X = a X b | c
NET *a_x_b_or_c(uint32_t x) {
  return build_net(4, {3}, {{0, 'a', 1}, {1, x, 2}, {2, 'b', 3}, {0, 'c', 3}});
}

TEST_F(DefineTest, ASelfReferenceBecomesACycleThroughTheStart) {
  int_parameters()->word[KORA_READ_BY_DEFINITION] = 1;
  const uint32_t x = id_of("X");
  NET *n = a_x_b_or_c(x);
  EXPECT_EQ(define_net("X", n, 0), 0);
  Words expected;
  for (int as = 0; as <= 3; ++as)
    for (int bs = 0; as + bs <= 3; ++bs)
      expected.insert(std::string(as, 'a') + "c" + std::string(bs, 'b'));
  EXPECT_EQ(words(n, 4), expected);
  EXPECT_FALSE(test_alph_member(n->labels, x) || test_alph_member(n->sigma, x));
  EXPECT_TRUE(messages().warnings.empty());
}

TEST_F(DefineTest, ComponentsOfTuplesAreWarnedAboutAndKeepTheSigma) {
  int_parameters()->word[KORA_READ_BY_DEFINITION] = 1;
  const uint32_t z = id_of("Z"), za = kora::pair_id(z, 'a');
  const Strings warning{"Defined symbol 'Z' occurs as a component in 'Z:a'.\n"};
  EXPECT_EQ(define_net("Z", pair_net(z, 'a'), 0), 0);
  EXPECT_EQ(messages().warnings, warning);

  messages().clear();
  NET *n = build_net(3, {2}, {{0, 'x', 1}, {1, z, 2}, {0, za, 2}});
  EXPECT_EQ(define_net("Z", n, 0), 0);
  EXPECT_EQ(messages().warnings, warning);
  EXPECT_FALSE(test_alph_member(n->labels, z));
  EXPECT_TRUE(test_alph_member(n->labels, za) && test_alph_member(n->sigma, z));
}

}  // namespace
