// Reading word lists and spaced text: the network is the minimal network of the words whatever
// their order, the edge cases of both formats, encodings, and bad input.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "structure.h"

namespace {

using kora::pair_id;
using kora_test::label_paths;
using kora_test::messages;
using kora_test::Symbols;

class TextReadTest : public kora_test::QuietLibrary {
 protected:
  // The network of a word list (spaced text with `spaced`) holding `bytes`.
  NET *read(const std::string &bytes, bool spaced = false) {
    const std::string path = files_.write("list-" + std::to_string(count_++) + ".txt", bytes);
    return spaced ? read_spaced_text(path.c_str()) : read_text(path.c_str());
  }

  // The label sequences of the words, one symbol per UTF-8 character.
  static std::set<Symbols> sequences_of(const std::vector<std::string> &words) {
    std::set<Symbols> sequences;
    for (const std::string &word : words) {
      Symbols symbols;
      for (const std::string &character : kora_test::utf8_characters(word))
        symbols.push_back(kora::symbol_id(character.c_str()));
      if (!word.empty()) sequences.insert(symbols);
    }
    return sequences;
  }

  kora_test::ScratchFiles files_;
  int count_ = 0;
};

std::string lines_of(const std::vector<std::string> &words, const char *eol = "\n") {
  std::string text;
  for (const std::string &word : words) text += word + eol;
  return text;
}

// Sorted, reversed and shuffled lists of the same words give the same network, marked and truly
// minimal, with exactly the words as paths.
TEST_F(TextReadTest, AnyOrderOfTheWordsGivesTheMinimizedTrie) {
  kora_test::for_seeds(40, [&](unsigned, std::mt19937 &random) {
    const std::vector<std::string> letters = {"a", "b", "c", "\xC3\xA9", "\xE4\xB8\x80"};
    std::vector<std::string> words;
    const int count = std::uniform_int_distribution<int>(1, 60)(random);
    for (int i = 0; i < count; ++i) {
      std::string word;
      const int length = std::uniform_int_distribution<int>(1, 7)(random);
      for (int k = 0; k < length; ++k)
        word += letters[std::uniform_int_distribution<size_t>(0, letters.size() - 1)(random)];
      words.push_back(word);
      if (random() % 5 == 0) words.push_back(word);  // repeats count once
    }
    std::vector<std::string> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> reversed(sorted.rbegin(), sorted.rend());
    const std::set<Symbols> expected_paths = sequences_of(words);

    NET *from_sorted = read(lines_of(sorted));
    NET *from_reversed = read(lines_of(reversed));
    NET *from_shuffled = read(lines_of(words));
    // Listing a network puts its states in order and marks it so: list each one once.
    const std::string listing = kora_test::listing(from_sorted);
    EXPECT_EQ(kora_test::listing(from_reversed), listing);
    EXPECT_EQ(kora_test::listing(from_shuffled), listing);
    for (NET *net : {from_sorted, from_reversed, from_shuffled}) {
      ASSERT_NE(net, nullptr);
      EXPECT_EQ(label_paths(net), expected_paths);
      EXPECT_TRUE(net->flags.minimized);
      EXPECT_EQ(kora_test::false_claims(net), "");  // deterministic and of the minimal size
      EXPECT_EQ(kora_test::alph_members(net->sigma), kora_test::alph_members(net->labels));
    }
    for (NET *net : {from_sorted, from_reversed, from_shuffled}) free_network(net);
  });
}

// Blank lines are skipped; "END;" and a line "\x04" end the list; NUL bytes spell nothing (a
// line of them is empty, found by fuzz_read_text); every kind of line end and a last line
// without one end a word; a line longer than ten thousand bytes is one word; the encoding
// comes from a declaration or a byte order mark, and is restored after the file.
TEST_F(TextReadTest, WordListsOfEveryShapeGiveTheirWords) {
  const std::string longest(12345, 'q');
  const std::vector<std::string> cafe = {"caf\xC3\xA9", "na\xC3\xAFve"};
  const struct {
    std::string bytes;
    std::vector<std::string> words;
  } cases[] = {
      {"\ncat\n\n\ncar\n\n", {"cat", "car"}},
      {"cat\ncar\nEND;\ndog\n", {"cat", "car"}},
      {"cat\ncar\n\x04\ndog\n", {"cat", "car"}},
      {std::string("a\0b\n\0\0\nc\nEN\0D;\nd\n", 17), {"ab", "c"}},
      {kora_test::read_file(KORA_TEST_DATA "/fuzz/read_text-nul-bytes-and-end.txt"), {}},
      {"one\rtwo\r\nthree", {"one", "two", "three"}},
      {"one\r\ntwo\nthree\r", {"one", "two", "three"}},
      {"a\n" + longest + "\nb\n", {"a", longest, "b"}},
      {"caf\xC3\xA9\nna\xC3\xAFve\n", cafe},
      {"# -*- coding: iso-8859-1 -*-\ncaf\xE9\nna\xEFve\n", cafe},
      {"\xEF\xBB\xBF" "caf\xC3\xA9\nna\xC3\xAFve\n", cafe},
      {"# -*- coding: utf-8 -*-\ncaf\xC3\xA9\nna\xC3\xAFve\n", cafe},
  };
  for (const auto &c : cases) {
    NET *net = read(c.bytes);
    ASSERT_NE(net, nullptr) << c.bytes;
    EXPECT_EQ(label_paths(net), sequences_of(c.words)) << c.bytes;
    EXPECT_EQ(context_->in_char_encoding, KORA_UTF8);
    free_network(net);
  }

  // A Latin-1 context reads bytes, and a UTF-8 declaration switches it for one file.
  set_char_encoding(context_, KORA_LATIN1);
  NET *bytes = read("caf\xE9\n");
  NET *switched = read("# -*- coding: utf-8 -*-\ncaf\xC3\xA9\n");
  EXPECT_EQ(label_paths(bytes), label_paths(switched));
  EXPECT_EQ(context_->in_char_encoding, KORA_LATIN1);
  free_network(bytes);
  free_network(switched);
}

// Spaced text whose pairs include an empty label sequence beside others sorts it without
// reading its (absent) bytes (found by fuzz_read_spaced_text).
TEST_F(TextReadTest, AnEmptyLabelSequenceSortsWithTheOthers) {
  NET *found = read_spaced_text(KORA_TEST_DATA "/fuzz/read_spaced_text-empty-label-sequence.txt");
  ASSERT_NE(found, nullptr);
  free_network(found);
}

// The sequence store codes a label in one byte below 0x80, two below 0x4000, three below
// 0x200000: words of labels on both sides of the bounds come back as they were.
TEST_F(TextReadTest, LabelsAtTheBoundsOfTheSequenceCodeComeBack) {
  std::map<uint32_t, std::string> names = {{'a', "a"}};
  for (int i = 0; kora::label_count() <= 0x4001; ++i) {
    std::string name = "s";
    name += std::to_string(i);
    names[kora::symbol_id(name.c_str())] = name;
  }
  const std::set<Symbols> words = {{0x3FFF, 0x4000}, {0x4000}, {0x4001, 0x4000, 'a'}};
  std::string text;
  for (const Symbols &word : words) {
    for (uint32_t id : word) text += names[id] + " ";
    text += "\n\n";
  }
  NET *net = read(text, true);
  EXPECT_EQ(label_paths(net), words);
  free_network(net);
}

TEST_F(TextReadTest, AWordWithInvalidUtf8IsLeftOutWithAWarningNamingTheLine) {
  const std::string path = files_.write("bad.txt", "good\nba\xFF" "d\nfine\n");
  NET *net = read_text(path.c_str());
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(label_paths(net), sequences_of({"good", "fine"}));
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"'" + path + "', line 2: invalid UTF-8; the word is left out."});
  free_network(net);
}

TEST_F(TextReadTest, MissingDirectoriesAndBinaryFilesGiveNull) {
  EXPECT_EQ(read_text("/no/such/list"), nullptr);
  EXPECT_EQ(read_spaced_text(files_.directory().c_str()), nullptr);
  EXPECT_EQ(read_text(nullptr), nullptr);
  ASSERT_EQ(messages().errors.size(), 3u);
  EXPECT_EQ(messages().errors[0], "Cannot open '/no/such/list'.");
  EXPECT_EQ(messages().errors[1], "Cannot open '" + files_.directory() + "'.");
  messages().clear();
  const std::string binary = files_.write("a.out", std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\n", 13));
  const std::string late = files_.write("late.bin", "word\nother\n" + std::string(5, '\0') + "\n");
  EXPECT_EQ(read_text(binary.c_str()), nullptr);
  EXPECT_EQ(read_spaced_text(late.c_str()), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"'" + binary + "' appears not to be a text file.",
                                      "'" + late + "' appears not to be a text file."}));
}

// --- Spaced text ---------------------------------------------------------------------------

TEST_F(TextReadTest, SpacedBlocksPairUpperAndLowerSymbolsByPosition) {
  NET *net = read("a b c\nx\n\nfoo\tbar\n\n", true);
  const uint32_t foo = kora::symbol_id("foo"), bar = kora::symbol_id("bar");
  EXPECT_EQ(label_paths(net),
            (std::set<Symbols>{{pair_id('a', 'x'), pair_id('b', 0), pair_id('c', 0)}, {foo, bar}}));
  EXPECT_EQ(net->arity, 2);
  free_network(net);

  // A longer lower line pairs its rest with EPSILON; a third line starts the next block.
  net = read("a\nx y\nb\n", true);
  EXPECT_EQ(label_paths(net), (std::set<Symbols>{{pair_id('a', 'x'), pair_id(0, 'y')}, {'b'}}));
  free_network(net);
}

// Comment lines and what follows a blank and "#" are left out. (The escapes, EPSILON and OTHER
// are read back from what the writer writes, exactly as text_write_test.cpp pins it, by its
// round trips.)
TEST_F(TextReadTest, SpacedCommentsAreLeftOut) {
  NET *net = read("# -*- coding: utf-8 -*-\n! a comment line\na x# # the rest is a comment\n\n"
                  "   # an indented comment\nb\n",
                  true);
  EXPECT_EQ(label_paths(net), (std::set<Symbols>{{'a', kora::symbol_id("x#")}, {'b'}}));
  free_network(net);
}

}  // namespace
