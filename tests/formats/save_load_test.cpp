// Saving and loading: seeded random automata and transducers come back with the same language,
// labels, sigma, flags and properties; the refusals of save_nets and the memory variants (a
// network with shared arc lists, written through a copy, is in optimize_test.cpp).

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "bin-objects.h"
#include "bin-out.h"
#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "prop-names.h"
#include "prop.h"
#include "structure.h"

namespace {

using kora_test::messages;
using kora_test::RandomNetOptions;

class SaveLoadTest : public kora_test::QuietLibrary {
 protected:
  NET *round_trip(NET *net) {
    EXPECT_EQ(save_net(net, path_.c_str(), nullptr), 0);
    return load_net(path_.c_str(), nullptr);
  }
  kora_test::ScratchFiles files_;
  const std::string path_ = files_.path("net.fst");
};

// The labels on the arcs of the states reachable from the start state.
std::set<uint32_t> reachable_labels(const NET *net) {
  const kora_test::ArcSet arcs = kora_test::arcs_of(net);
  const std::set<const STATE *> reached = kora_test::reachable({net->start}, arcs);
  std::set<uint32_t> labels;
  for (const auto &[source, label, destination] : arcs)
    if (reached.count(source) != 0 && label != KORA_EPSILON) labels.insert(label);
  return labels;
}

std::set<uint32_t> without_other(std::set<uint32_t> ids) {
  ids.erase(KORA_OTHER);
  return ids;
}

void expect_same_network(NET *original, NET *loaded, size_t length = 4) {
  ASSERT_NE(loaded, nullptr);
  kora_test::Symbols universe = kora_test::universe_of({original});
  EXPECT_EQ(kora_test::enumerate(loaded, universe, length),
            kora_test::enumerate(original, universe, length));
  const std::set<uint32_t> labels = reachable_labels(original);
  EXPECT_EQ(kora_test::alph_members(net_labels(loaded)), labels);
  EXPECT_EQ(without_other(kora_test::alph_members(net_sigma(loaded))),
            without_other(kora_test::alph_members(net_sigma(original))));
  // A file does not list OTHER: the loaded sigma has it exactly when a label uses it.
  const bool other_used = std::any_of(labels.begin(), labels.end(), [](uint32_t label) {
    return kora::upper_id(label) == KORA_OTHER || kora::lower_id(label) == KORA_OTHER;
  });
  EXPECT_EQ(test_alph_member(net_sigma(loaded), KORA_OTHER) != 0, other_used);
  EXPECT_EQ(kora::file_flag_word(loaded), kora::file_flag_word(original));
  int arity = 1;
  for (uint32_t label : labels) arity = std::max(arity, kora::label_arity(label));
  EXPECT_EQ(loaded->arity, arity);
}

// Small random networks whose kind turns with the seed: automata and transducers, with and
// without OTHER and EPSILON arcs, some acyclic; every tenth seed a larger transducer over many
// symbols with long names (compare those on shorter strings).
bool large_seed(unsigned seed) { return seed % 10 == 0; }

RandomNetOptions varied_options(unsigned seed) {
  const bool large = large_seed(seed);
  RandomNetOptions options;
  options.max_states = large ? 12 : 7;
  options.max_arcs = large ? 80 : 16;
  options.transducer = large || seed % 2 == 0;
  options.other = seed % 3 == 0;
  options.epsilon = seed % 5 != 0;
  options.acyclic = seed % 7 == 0;
  if (large) options.symbols = kora_test::many_symbols(40);
  return options;
}

// Every third seed also through memory: save_net_to_memory writes the bytes save_net writes to
// a file (but for the date in the header), and load_net_from_memory reads them back. A loaded
// state is deterministic exactly when it has no EPSILON arc and no two arcs with one label (the
// reader decides while it reads; this is the definition, state by state).
TEST_F(SaveLoadTest, RandomAutomataAndTransducersComeBackWithTheirLanguagesLabelsAndFlags) {
  uint32_t nondeterministic = 0;
  kora_test::for_seeds(160, [&](unsigned seed, std::mt19937 &random) {
    const size_t length = large_seed(seed) ? 2 : 4;
    NET *net = kora_test::random_net(random, varied_options(seed));
    if (seed % 4 == 0) minimize_net(net);
    NET *loaded = round_trip(net);
    ASSERT_NE(loaded, nullptr);
    expect_same_network(net, loaded, length);
    for (const STATE *state = loaded->states; state != nullptr; state = state->next) {
      std::multiset<uint32_t> labels;
      for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) labels.insert(arc->label);
      const std::set<uint32_t> distinct(labels.begin(), labels.end());
      const bool deterministic =
          labels.count(KORA_EPSILON) == 0 && distinct.size() == labels.size();
      EXPECT_EQ(state->flags.deterministic, deterministic);
      nondeterministic += !deterministic;
    }
    if (seed % 3 == 0) {
      size_t size = 0;
      unsigned char *bytes = save_net_to_memory(net, &size, nullptr);
      ASSERT_NE(bytes, nullptr);
      EXPECT_EQ(kora_test::read_bytes(path_).size(), size);
      NET *from_memory = load_net_from_memory(bytes, size, nullptr);
      expect_same_network(net, from_memory, length);
      EXPECT_EQ(kora::file_flag_word(from_memory), kora::file_flag_word(loaded));
      std::free(bytes);
      free_network(from_memory);
    }
    EXPECT_TRUE(messages().errors.empty()) << messages().errors.front();
    free_network(loaded);
    free_network(net);
  });
  EXPECT_GT(nondeterministic, 0u) << "the seeds include nondeterministic states";
}

TEST_F(SaveLoadTest, PropertiesOfEveryTypeComeBackInOrder) {
  NET *net = symbol_net("a");
  add_string_property(net, "NETWORKNAME", "nouns");
  const uint32_t number_key[] = {'N', 0};
  add_prop(net, number_key, kora::MAKE_OBJECT(kora::INTEGER_TYPE, kora::OBJ_VALUE{.integer = -12}));
  const uint32_t char_key[] = {'C', 0};
  kora::add_character_prop(net, char_key, 0x20AC);
  kora::SEQUENCE *list = kora::NewSequence(kora::OBJECT_TYPE, 3);
  list->data[0].object = kora::MAKE_OBJECT(
      kora::SYMBOL_TYPE,
      kora::OBJ_VALUE{.symbol = kora::make_io_symbol(kora::fat_strdup(number_key))});
  list->data[1].object =
      kora::MAKE_OBJECT(kora::BYTE_BLOCK_TYPE,
                        kora::OBJ_VALUE{.byte_block = kora::make_byte_block("\x00\xFF\x10", 3)});
  kora::SEQUENCE *numbers = kora::NewSequence(kora::INTEGER_TYPE, 2);
  numbers->data[0].integer = 1 << 30;
  numbers->data[1].integer = -5;
  list->data[2].object = kora::MAKE_OBJECT(kora::ARRAY_TYPE, kora::OBJ_VALUE{.sequence = numbers});
  const uint32_t list_key[] = {'L', 0};
  kora::add_list_prop(net, list_key, list);
  NET *loaded = round_trip(net);
  ASSERT_NE(loaded, nullptr);
  // Writing both property lists must give the same bytes.
  kora::ByteWriter original, reloaded;
  for (const kora::PROP *p = kora::net_properties(net), *q = kora::net_properties(loaded);
       p != nullptr || q != nullptr;
       p = p == nullptr ? p : p->next, q = q == nullptr ? q : q->next) {
    ASSERT_TRUE(p != nullptr && q != nullptr);
    EXPECT_EQ(kora::fat_strcmp(p->key, q->key), 0);
    kora::write_object(original, p->value);
    kora::write_object(reloaded, q->value);
  }
  EXPECT_EQ(original.bytes(), reloaded.bytes());
  char *name = get_string_property(loaded, "NETWORKNAME");
  EXPECT_STREQ(name, "nouns");
  std::free(name);
  free_network(loaded);
  free_network(net);
}

TEST_F(SaveLoadTest, UnwritableFilesAndNetworksAreReported) {
  NET *net = symbol_net("a");
  EXPECT_EQ(save_net(net, "/no-such-directory/x.fst", nullptr), 9);
  EXPECT_EQ(messages().errors.back(), "Cannot open '/no-such-directory/x.fst'.");
  EXPECT_EQ(load_net("/no-such-directory/x.fst", nullptr), nullptr);
  EXPECT_EQ(messages().errors.back(), "Cannot open '/no-such-directory/x.fst'.");
  EXPECT_EQ(load_nets("/no-such-directory/x.fst", nullptr), nullptr);
  EXPECT_EQ(messages().errors.back(), "Cannot open input file '/no-such-directory/x.fst'.");
  // A symbol beyond two-byte characters cannot be written: that network gets location 0.
  NET *wide = symbol_net("\xF0\x9F\x98\x80");
  NV *nv = make_nv(2);
  nv->nets[0] = wide;
  nv->nets[1] = net;
  ASSERT_EQ(save_nets(nv, path_.c_str(), nullptr), 0);
  kora_test::Bytes bytes = kora_test::read_bytes(path_);
  uint32_t table = static_cast<uint32_t>(bytes[11]) << 8 | bytes[12];
  EXPECT_EQ(kora_test::u32_at(bytes, table), 0u);
  EXPECT_NE(kora_test::u32_at(bytes, table + 4), 0u);
  NV *loaded = load_nets(path_.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->len, 1);
  free_nv_and_nets(loaded);
  free_nv_and_nets(nv);
}

TEST_F(SaveLoadTest, UnreachableStatesAreLeftOut) {
  NET *net = symbol_net("a");
  STATE *stray = add_state_to_net(net, 1);
  add_arc_to_state(net, stray, 'z', stray, nullptr, 0);
  NET *loaded = round_trip(net);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->num_states, 2u);
  EXPECT_EQ(loaded->num_arcs, 1u);
  free_network(loaded);
  free_network(net);
}

TEST_F(SaveLoadTest, DefinedListsOfListSymbolsTravelWithTheNetwork) {
  NET *letters = string_to_net("aeiou", 0);
  ASSERT_EQ(define_symbol_list("vowel", net_sigma(letters)), 0);
  std::set<uint32_t> vowels = kora_test::alph_members(symbol_list("vowel"));
  NET *net = union_net(symbol_net("@L.vowel@"), symbol_net("@T.none@"), 0, 0);
  ASSERT_EQ(save_net(net, path_.c_str(), nullptr), 0);
  EXPECT_EQ(messages().warnings,
            (std::vector<std::string>{
                "*** Warning: list 'none' referred to by '@T.none@' is undefined."}));
  ASSERT_EQ(undefine_symbol_list("vowel"), 0);
  NET *loaded = load_net(path_.c_str(), nullptr);
  ASSERT_NE(loaded, nullptr);
  ASSERT_NE(symbol_list("vowel"), nullptr);
  EXPECT_EQ(kora_test::alph_members(symbol_list("vowel")), vowels);
  free_network(loaded);
  free_network(net);
  free_network(letters);
}

TEST_F(SaveLoadTest, MemoryVariantsRefuseNullAndForeignBytes) {
  size_t length = 7;
  EXPECT_EQ(save_net_to_memory(nullptr, &length, nullptr), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(load_net_from_memory(nullptr, 3, nullptr), nullptr);
  const unsigned char text[] = "just some text\n";
  EXPECT_EQ(load_net_from_memory(text, sizeof text - 1, nullptr), nullptr);
  NET *net = symbol_net("a");
  unsigned char *bytes = save_net_to_memory(net, &length, nullptr);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(load_net_from_memory(bytes, length / 2, nullptr), nullptr);
  ASSERT_GE(messages().errors.size(), 4u);
  EXPECT_EQ(messages().errors[0], "save_net_to_memory: Unexpected NULL argument.");
  EXPECT_EQ(messages().errors[1], "load_net_from_memory: Unexpected NULL argument.");
  std::free(bytes);
  free_network(net);
}

}  // namespace
