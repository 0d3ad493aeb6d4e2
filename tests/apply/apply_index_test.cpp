// The applyer's index (its compact copy of the network): states with many arcs, where arcs
// are found by binary search and merged with the special ones, give the results of the arc
// lists in their order; the spellings it caches follow the output encoding; and its one-byte
// symbols follow the parse table when a symbol is entered into it.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "alph.h"
#include "apply-index.h"
#include "apply.h"
#include "apply-words.h"
#include "apply_support.h"
#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "pars-tbl.h"
#include "utf8.h"

namespace {

using apply_tests::lines_of;
using apply_tests::spell;
using kora::EPSILON;
using kora::OTHER;

using ApplyIndexTest = apply_tests::Applying;


// The reference: every path of the acyclic `net` that reads `input` on side `side`, found
// depth first over the arc lists in their order, each written as the applyer writes it (the
// input symbol for an OTHER label and where the output side is OTHER:... the output side).
void walk(const NET *net, const STATE *state, const kora_test::Symbols &input, size_t position,
          int side, std::string &out, std::vector<std::string> &results) {
  if (position == input.size() && state->flags.final) results.push_back(out);
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
    const uint32_t label = arc->label;
    const uint32_t i = side == 0 ? kora::upper_id(label) : kora::lower_id(label);
    const uint32_t o = side == 0 ? kora::lower_id(label) : kora::upper_id(label);
    uint32_t read = EPSILON;
    size_t next = position;
    if (i != EPSILON) {
      if (position == input.size()) continue;
      const uint32_t x = input[position];
      const bool known = test_alph_member(net->sigma, x) != 0;
      if (i != x && !(i == OTHER && !known)) continue;
      read = x;
      next = position + 1;
    }
    const size_t length = out.size();
    if (label == OTHER)
      kora::append_label(out, read, 0);
    else if (o != EPSILON)
      kora::append_label(out, o, 0);
    walk(net, arc->destination, input, next, side, out, results);
    out.resize(length);
  }
}

int widest_state(const NET *net) {
  int widest = 0;
  for (const STATE *state = net->states; state != nullptr; state = state->next) {
    int arcs = 0;
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arcs++;
    widest = std::max(widest, arcs);
  }
  return widest;
}

// Lookup and generation on random acyclic transducers, two of three with wide states, the
// others smaller and deeper.
TEST_F(ApplyIndexTest, LookupsGiveThePathsOfTheArcListsInTheirOrder) {
  kora_test::RandomNetOptions options;
  options.acyclic = true;
  options.transducer = true;
  options.other = true;
  options.symbols = {'a', 'b', 'c', 'd', 'e', 'f'};
  // 'g' is unknown to every network.
  const kora_test::Symbols universe = {'a', 'b', 'c', 'd', 'e', 'f', 'g'};
  const std::vector<kora_test::Symbols> inputs = kora_test::strings_up_to(universe, 3);
  int wide_networks = 0;
  kora_test::for_seeds(60, [&](unsigned seed, std::mt19937 &random) {
    options.max_states = seed % 3 == 0 ? 6 : 4;
    options.max_arcs = seed % 3 == 0 ? 12 : 80;
    NET *net = kora_test::random_net(random, options);
    if (widest_state(net) > static_cast<int>(kora::ApplyIndex::kWideState)) wide_networks++;
    for (int side = 0; side < 2; side++) {
      APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
      for (const kora_test::Symbols &input : inputs) {
        std::vector<std::string> expected;
        std::string out;
        walk(net, net->start, input, 0, side, out, expected);
        ASSERT_EQ(lines_of(apply_to_string(spell(input).c_str(), applyer)), expected)
            << "side " << side << " input '" << spell(input) << "'";
      }
      free_applyer(applyer);
    }
    free_network(net);
  });
  EXPECT_GT(wide_networks, 20);
}

// Networks without flags or OTHER on the input side are searched with shortcuts: no frames
// at deterministic states, nor at states whose epsilon moves lead where no symbol is read
// while symbols remain, and tables for their wide states (of bytes for ASCII and Latin-1
// symbols, of arc entries for symbols close together, else a binary search). The same network
// with a dead-end flag arc added at its start is searched the general way; both must write the
// same results in the same order, in every output format.
TEST_F(ApplyIndexTest, NetworksWithoutFlagsGiveTheResultsOfTheGeneralSearch) {
  // Symbols of ids below 128, below 256 (Latin-1 letters), close together above 255, and
  // spread out; the last symbol of each is known to no network. All are single characters, so
  // that an input splits into symbols one way only.
  std::vector<uint32_t> latin1, interned;
  for (uint32_t code = 0xE0; code < 0x290; code++) {
    char name[4] = {};
    kora::utf8_encode_char(code, name);
    (code < 0xED ? latin1 : interned).push_back(apply_tests::sym(name));
  }
  auto ids_from = [&](uint32_t low, size_t count) {
    kora_test::Symbols ids;
    for (uint32_t id : interned)
      if (id >= low && ids.size() < count) ids.push_back(id);
    return ids;
  };
  kora_test::Symbols spread = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'};
  for (uint32_t low : {400, 450, 500, 550}) spread.push_back(ids_from(low, 1)[0]);
  const std::vector<kora_test::Symbols> alphabets = {
      {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm'}, latin1,
      ids_from(256, 13), spread};
  const uint32_t flag = kora::symbol_id("@U.dead.end@");
  int byte_tables = 0, ascii_tables = 0, entry_tables = 0, searched = 0;
  int choices = 0, dead_end_moves = 0, ending_moves = 0, other_only_moves = 0;
  int word_indexes = 0, plain_acceptors = 0;
  kora_test::for_seeds(40, [&](unsigned seed, std::mt19937 &seeded) {
    for (const kora_test::Symbols &universe : alphabets) {
      std::mt19937 random = seeded;  // the same network over each alphabet
      const kora_test::Symbols symbols(universe.begin(), universe.end() - 1);
      const std::vector<kora_test::Symbols> inputs = kora_test::strings_up_to(universe, 2);
      kora_test::RandomNetOptions options;
      options.symbols = symbols;
      options.max_states = 4;
      options.max_arcs = 40;
      options.transducer = seed % 2 == 1;
      options.epsilon = seed % 4 != 0;
      NET *net = kora_test::random_net(random, options);
      if (seed % 4 == 0) minimize_net(net);  // deterministic, its wide states with tables
      if (seed % 3 == 0) {
        // As in a tagger: an epsilon move (writing a tag) from each final state to a new one.
        std::vector<STATE *> finals;
        for (STATE *state = net->states; state != nullptr; state = state->next)
          if (state->flags.final) finals.push_back(state);
        STATE *tagged = add_state_to_net(net, 1);
        for (STATE *state : finals)
          add_arc_to_state(net, state, kora::pair_id(EPSILON, 'z'), tagged, nullptr, 0);
      }
      NET *flagged = copy_net(net);
      add_arc_to_state(flagged, flagged->start, flag, add_state_to_net(flagged, 0), nullptr, 0);
      const unsigned format = (seed / 4) % 3;  // one side, both sides, spaced
      int_parameters()->word[KORA_APPLY_BOTH_SIDES] = format == 1;
      int_parameters()->word[KORA_PRINT_SPACE] = format == 2;
      std::vector<std::string> expected[2];
      for (int side = 0; side < 2; side++) {
        kora::ApplyIndex index(side);
        index.start_of(net);
        ASSERT_TRUE(index.ordinary_or_epsilon());
        const kora::WordIndex words(index);
        word_indexes += words.made();
        plain_acceptors += format == 0 && words.plain_acceptor();
        const auto &entries = index.entries;
        for (uint32_t number = 0; number < entries.size(); number = index.next_state(number)) {
          const kora::IndexState &state = index.state(number);
          choices += !state.deterministic;
          dead_end_moves += state.reads_one && !state.deterministic;
          ending_moves += state.only_move != 0 && state.move_ends;
          other_only_moves += state.only_move != 0 && !state.move_ends;
          const uint32_t wide = index.wide_of(state);
          if (!state.deterministic || wide == kora::ApplyIndex::kNotWide) continue;
          byte_tables += state.byte_table;
          ascii_tables += state.byte_table && !state.byte_table_256;
          entry_tables += !state.byte_table && index.wides[wide].table_size != 0;
          searched += !state.byte_table && index.wides[wide].table_size == 0;
        }
        APPLY_CONTEXT *shortcuts = init_apply(net, side, nullptr);
        APPLY_CONTEXT *general = init_apply(flagged, side, nullptr);
        for (const kora_test::Symbols &input : inputs) {
          const std::string text = spell(input);
          expected[side].push_back(apply_to_string(text.c_str(), general));
          ASSERT_EQ(apply_to_string(text.c_str(), shortcuts), expected[side].back())
              << "seed " << seed << " side " << side << " format " << format << " input '" << text
              << "'";
        }
        free_applyer(shortcuts);
        free_applyer(general);
      }
      if (format != 1) {  // switching sides gives a both-sides output up
        // One applyer switched to the other side at every input: its search takes nothing
        // over from the other side's last input.
        APPLY_CONTEXT *switched = init_apply(net, 0, nullptr);
        for (size_t k = 0; k < inputs.size(); k++) {
          const std::string text = spell(inputs[k]);
          for (int side = 0; side < 2; side++) {
            ASSERT_EQ(apply_to_string(text.c_str(), switched), expected[side][k])
                << "seed " << seed << " side " << side << " input '" << text << "'";
            switch_input_side(switched);
          }
        }
        free_applyer(switched);
      }
      free_network(net);
      free_network(flagged);
    }
  });
  EXPECT_GT(ascii_tables, 2);
  EXPECT_GT(byte_tables - ascii_tables, 2);
  EXPECT_GT(entry_tables, 2);
  EXPECT_GT(searched, 2);
  EXPECT_GT(choices, 50);
  EXPECT_GT(dead_end_moves, 5);
  EXPECT_GT(ending_moves, 10);
  EXPECT_GT(other_only_moves, 10);
  EXPECT_GT(word_indexes, 100);
  EXPECT_GT(plain_acceptors, 4);
}

// A word list's acceptor, read as a user reads one, and a tagger that writes "+T" after each
// word, are looked up through their word index: every word gives itself (tagged), and what is
// not a word (a prefix, a word with a letter more or its last letter changed, a character the
// network does not know) gives nothing. The states near the start have more than eight arcs,
// which the index compares in groups. A word with a two-byte character is looked up the
// ordinary way and gives itself too.
TEST_F(ApplyIndexTest, WordListLookupsAnswerWhetherTheInputIsAWord) {
  std::mt19937 random(7);
  const std::string letters = "abcdefghijkl";
  std::set<std::string> words{"caf\xc3\xa9"};
  while (words.size() < 3000) {
    std::string word(1 + random() % 8, ' ');
    for (char &c : word) c = letters[random() % letters.size()];
    words.insert(word);
  }
  std::string list;
  for (const std::string &word : words) list += word + "\n";
  kora_test::ScratchFiles files;
  NET *acceptor = read_text(files.write("words", list).c_str());
  ASSERT_NE(acceptor, nullptr);
  NET *tag = kora_test::build_net(2, {1}, {{0, kora::pair_id(EPSILON, apply_tests::sym("+T")), 1}});
  NET *tagger = concat_net(acceptor, tag, 1, 0);
  minimize_net(tagger);
  for (NET *net : {acceptor, tagger}) {
    const std::string tagged = net == tagger ? "+T" : "";
    for (int side = 0; side < 2; side++) {
      if (net == tagger && side == 1) continue;  // the tagger's lower side ends with a symbol
      APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
      ASSERT_TRUE(applyer->words[side]->made());
      EXPECT_EQ(applyer->words[side]->plain_acceptor(), net == acceptor);
      auto expect_word = [&](const std::string &input) {
        const std::string expected = words.count(input) != 0 ? input + tagged + "\n" : "";
        ASSERT_STREQ(apply_to_string(input.c_str(), applyer), expected.c_str()) << input;
      };
      for (const std::string &word : words) {
        expect_word(word);
        expect_word(word.substr(0, word.size() - 1));
        expect_word(word + "#");
        for (char letter : letters) {
          expect_word(word + letter);
          expect_word(word.substr(0, word.size() - 1) + letter);
        }
      }
      free_applyer(applyer);
    }
  }
  free_network(acceptor);
  free_network(tagger);
}

// In `further`, from state 0, "a" leads to 1; two epsilon moves through states of epsilon moves
// only (2 and 3, in a cycle) lead to 4, which reads "b": state 0 has a choice while symbols
// remain. In `back`, after "a", state 1 has two epsilon moves; state 2's only move leads back
// to 1, visited since "a" was read, so the search turns back there instead of writing "axw...".
TEST_F(ApplyIndexTest, EpsilonMovesThatReadFurtherOnAreTriedAndLoopsCut) {
  NET *further = kora_test::build_net(6, {1, 5},
                                      {{0, 'a', 1},
                                       {0, kora::pair_id(EPSILON, 'x'), 2},
                                       {2, kora::pair_id(EPSILON, 'y'), 3},
                                       {3, EPSILON, 2},
                                       {3, EPSILON, 4},
                                       {4, 'b', 5}});
  NET *back = kora_test::build_net(4, {1, 2, 3},
                                   {{0, 'a', 1},
                                    {1, kora::pair_id(EPSILON, 'x'), 2},
                                    {1, kora::pair_id(EPSILON, 'y'), 3},
                                    {2, kora::pair_id(EPSILON, 'w'), 1}});
  const struct {
    NET *net;
    const char *input, *results;
  } cases[] = {{further, "a", "a\n"}, {further, "b", "xyb\n"}, {further, "c", ""},
               {back, "a", "a\nay\nax\n"}};
  for (const auto &c : cases) {
    APPLY_CONTEXT *applyer = init_apply(c.net, 0, nullptr);
    EXPECT_STREQ(apply_to_string(c.input, applyer), c.results) << c.input;
    free_applyer(applyer);
  }
  free_network(further);
  free_network(back);
}

TEST_F(ApplyIndexTest, CharactersOfNoLabelAreReadByNoOrdinaryArc) {
  // A character the label map does not know gets an id of the applyer's own, numbered from
  // 2^24. No ordinary arc reads it, not even the epsilon move of a state that reads one arc (an
  // OTHER arc does: threads_test.cpp).
  NET *net = kora_test::build_net(3, {1, 2}, {{0, 'a', 1}, {0, kora::pair_id(EPSILON, 'x'), 2}});
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  EXPECT_STREQ(apply_to_string("\xE2\x98\x83", applyer), "");
  EXPECT_STREQ(apply_to_string("", applyer), "x\n");
  free_applyer(applyer);
  free_network(net);
}

// Results are written from one-byte arcs and from cached spellings (a two-byte character, a
// newline, a multi-character symbol) in a result that outgrows the buffer, in the output
// encoding in force; an acceptor copies its ASCII input as read, and its OTHER arc reads '#',
// which starts no spelling of the parse table (read as ISO-8859-1, the byte E9 is e-acute).
TEST_F(ApplyIndexTest, ResultsAreSpelledInTheOutputEncoding) {
  uint32_t e_acute = 0;
  ASSERT_EQ(kora::intern_utf8_symbol(&e_acute, "\xC3\xA9"), 0);
  const uint32_t noun = kora::symbol_id("+Noun");
  NET *transducer = kora_test::build_net(1, {0},
                                         {{0, 'a', 0},
                                          {0, kora::pair_id('n', '\n'), 0},
                                          {0, kora::pair_id('e', e_acute), 0},
                                          {0, kora::pair_id('m', noun), 0}});
  NET *acceptor =
      kora_test::build_net(3, {1, 2}, {{0, 'a', 1}, {1, EPSILON, 2}, {0, e_acute, 2}, {0, OTHER, 1}});
  const std::string many(300, 'a');
  const struct {
    NET *net;
    int in, out;
    std::string input, results;
  } cases[] = {
      {transducer, KORA_UTF8, KORA_UTF8, many + "anem" + many, many + "a\n\xC3\xA9+Noun" + many + "\n"},
      {transducer, KORA_UTF8, KORA_LATIN1, "mean", "+Noun\xE9" "a\n\n"},
      {transducer, KORA_UTF8, KORA_UTF8, "e", "\xC3\xA9\n"},
      {acceptor, KORA_UTF8, KORA_UTF8, "a", "a\na\n"},
      {acceptor, KORA_UTF8, KORA_UTF8, "#", "#\n#\n"},
      {acceptor, KORA_UTF8, KORA_UTF8, "a#", ""},
      {acceptor, KORA_UTF8, KORA_UTF8, "\xC3\xA9", "\xC3\xA9\n"},
      {acceptor, KORA_LATIN1, KORA_UTF8, "\xE9", "\xC3\xA9\n"},
  };
  APPLY_CONTEXT *applyers[] = {init_apply(transducer, 0, nullptr), init_apply(acceptor, 0, nullptr)};
  for (const auto &c : cases) {
    context_->in_char_encoding = c.in;
    context_->out_char_encoding = c.out;
    const char *results = apply_to_string(c.input.c_str(), applyers[c.net == acceptor]);
    EXPECT_EQ(results == nullptr ? "" : results, c.results) << c.input;
  }
  context_->in_char_encoding = context_->out_char_encoding = KORA_UTF8;
  for (APPLY_CONTEXT *applyer : applyers) free_applyer(applyer);
  for (NET *net : {transducer, acceptor}) free_network(net);
}

TEST_F(ApplyIndexTest, OneByteSymbolsFollowTheParseTable) {
  // "c" is a one-byte symbol of the table until "ch" is entered into it; from then on the same
  // applyer cuts "ch" as one symbol, which no arc reads.
  const uint32_t ch = kora::symbol_id("ch");
  NET *net = kora_test::build_net(
      3, {2}, {{0, kora::pair_id('c', 'x'), 1}, {1, kora::pair_id('h', 'y'), 2}});
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  EXPECT_STREQ(apply_to_string("ch", applyer), "xy\n");
  kora::add_symbol_to_parse_table(kora::get_parse_table(net, 0), ch);
  EXPECT_STREQ(apply_to_string("ch", applyer), "");
  EXPECT_STREQ(apply_to_string("c", applyer), "");
  free_applyer(applyer);
  free_network(net);
}

}  // namespace
