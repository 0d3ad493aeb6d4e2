// The pattern applyer: markup, extraction and counts of seeded random texts against a
// brute-force longest-match reference (overlapping patterns, prefixes of one another, matches
// at the ends of the text and beside line ends, multi-byte characters), from strings and from
// streams, with rings small enough that matches wrap around them, and with contexts; the edge
// cases and messages of the interface; transducer and function tags. ISO-8859-1 text, deletion
// and the table of counts are tested through the tool (tests/tool/patterns.sh).

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "apply-patterns.h"
#include "files.h"
#include "apply_support.h"
#include "kora_test.h"
#include "language.h"

namespace {

using kora_test::messages;
using kora_test::utf8_characters;

using PatternTest = apply_tests::Applying;

// A pattern, its text in UTF-8, and a context of one of the four kinds ("" for none).
struct Pattern {
  std::string text, tag, kind = "", context = "";
};

// `text` as a regex: its characters inside braces (no "}" among them).
std::string braced(const std::string &text) {
  return text.empty() ? "[]" : std::string("{").append(text).append("}");
}

// The regex of a pattern network: each pattern followed by EndTag of its tag (upper side) and
// its context.
std::string pattern_regex(const std::vector<Pattern> &patterns) {
  std::string regex;
  for (const Pattern &p : patterns) {
    if (!regex.empty()) regex += " | ";
    regex.append("[").append(braced(p.text)).append(" EndTag(").append(p.tag).append(")");
    if (!p.kind.empty()) regex.append(" ").append(p.kind).append(braced(p.context)).append(")");
    regex += "]";
  }
  return regex;
}

// Whether the characters of `c` end `chars` before `i` (left) or begin it at `i` (right),
// within the line.
bool context_fits(const std::vector<std::string> &chars, size_t i, bool left,
                  const std::vector<std::string> &c) {
  for (size_t k = 0; k < c.size(); k++) {
    const size_t at = left ? i - c.size() + k : i + k;
    if ((left && i < c.size()) || at >= chars.size() || chars[at] != c[k]) return false;
  }
  for (size_t k = 0; k < c.size(); k++)
    if (chars[left ? i - 1 - k : i + k] == "\n") return false;
  return true;
}

struct Reference {
  std::string marked, extracted;
  std::map<std::string, long> counts;
};

// The longest match at each position by trying every pattern, with its context, there; a match
// never holds a line feed. Each pattern text has one tag in these tests.
Reference reference(const std::vector<Pattern> &patterns, const std::string &text) {
  const std::vector<std::string> chars = utf8_characters(text);
  Reference r;
  for (size_t i = 0; i < chars.size();) {
    const Pattern *best = nullptr;
    size_t best_length = 0;
    for (const Pattern &p : patterns) {
      const std::vector<std::string> pc = utf8_characters(p.text), c = utf8_characters(p.context);
      if (pc.size() <= best_length || i + pc.size() > chars.size()) continue;
      bool same = true;
      for (size_t k = 0; k < pc.size() && same; k++) same = chars[i + k] == pc[k];
      const bool left = !p.kind.empty() && p.kind[p.kind.size() - 3] == 'L';
      if (same && !p.kind.empty())
        same = context_fits(chars, left ? i : i + pc.size(), left, c) == (p.kind[0] != 'N');
      if (same) {
        best = &p;
        best_length = pc.size();
      }
    }
    if (best == nullptr) {
      r.marked += chars[i++];
      continue;
    }
    std::string item = std::string("<").append(best->tag).append(">").append(best->text);
    item.append("</").append(best->tag).append(">");
    r.marked += item;
    r.extracted += item + "\n";
    r.counts[best->tag]++;
    i += best_length;
  }
  return r;
}

// Everything next_pattern_output gives, joined.
std::string all_output(APPLY_CONTEXT *applyer) {
  std::string out;
  for (const char *chunk; (chunk = next_pattern_output(applyer)) != nullptr;) out += chunk;
  return out;
}

std::string mark(NET *net, const std::string &text, int side = 1) {
  APPLY_CONTEXT *applyer = new_pattern_applyer(net, text.c_str(), nullptr, nullptr, side, nullptr);
  std::string out = all_output(applyer);
  free_applyer(applyer);
  return out;
}

std::map<std::string, long> counts_of(APPLY_CONTEXT *applyer) {
  std::map<std::string, long> counts;
  const char *name = nullptr;
  for (int k = 0; pattern_match_count(applyer, k, &name) >= 0; k++) {
    const long n = pattern_match_count(applyer, k, &name);
    if (n > 0) counts[name] = n;
  }
  return counts;
}

std::string random_text(std::mt19937 &random, const std::vector<std::string> &alphabet,
                        size_t most) {
  std::string text;
  const size_t length = random() % (most + 1);
  for (size_t k = 0; k < length; k++) text += alphabet[random() % alphabet.size()];
  return text;
}

// Random patterns over a, b and é, of one to `longest` characters, each text once.
std::vector<Pattern> random_patterns(std::mt19937 &random, size_t longest) {
  const std::vector<std::string> letters = {"a", "b", "\xC3\xA9"};
  std::vector<Pattern> patterns;
  const size_t count = 1 + random() % 6;
  while (patterns.size() < count) {
    std::string text;
    const size_t length = 1 + random() % longest;
    for (size_t k = 0; k < length; k++) text += letters[random() % letters.size()];
    bool seen = false;
    for (const Pattern &p : patterns) seen = seen || p.text == text;
    // Prefixes of patterns already chosen come often: they make the longest match matter.
    if (!patterns.empty() && random() % 3 == 0) {
      const std::string &prefixed = patterns[random() % patterns.size()].text;
      const std::vector<std::string> chars = utf8_characters(prefixed);
      text.clear();
      for (size_t k = 0, n = 1 + random() % chars.size(); k < n; k++) text += chars[k];
      seen = false;
      for (const Pattern &p : patterns) seen = seen || p.text == text;
    }
    if (!seen) patterns.push_back({text, std::string("t").append(std::to_string(random() % 3))});
  }
  return patterns;
}

TEST_F(PatternTest, MarkupExtractionAndCountsAgreeWithTheLongestMatchReference) {
  const std::vector<std::string> alphabet = {"a", "b", "\xC3\xA9", "\n", " ", "a", "b"};
  kora_test::for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    const std::vector<Pattern> patterns = random_patterns(random, 4);
    // Half of the networks start with a flag diacritic on a path that matches nothing here:
    // they are searched by the general search, the others mostly by the walk down the trie.
    std::string regex = pattern_regex(patterns);
    if (seed % 2 == 0) regex += " | [\"@U.x.y@\" {zz} EndTag(flagged)]";
    NET *net = read_regex(regex.c_str());
    ASSERT_NE(net, nullptr);
    const std::string text = random_text(random, alphabet, 40);
    SCOPED_TRACE(regex + " over '" + text + "'");
    const Reference expected = reference(patterns, text);
    EXPECT_EQ(mark(net, text), expected.marked);
    int32_t *option = int_parameters()->word;
    option[KORA_EXTRACT_PATTERNS] = 1;
    EXPECT_EQ(mark(net, text), expected.extracted);
    option[KORA_DELETE_PATTERNS] = option[KORA_COUNT_PATTERNS] = 1;
    APPLY_CONTEXT *applyer = new_pattern_applyer(net, text.c_str(), nullptr, nullptr, 1, nullptr);
    EXPECT_EQ(all_output(applyer), "");
    EXPECT_EQ(counts_of(applyer), expected.counts);
    free_applyer(applyer);
    option[KORA_EXTRACT_PATTERNS] = option[KORA_DELETE_PATTERNS] = option[KORA_COUNT_PATTERNS] = 0;
    free_network(net);
  });
}

TEST_F(PatternTest, SmallWindowsAndStreamsGiveTheSameMarkupAsAString) {
  // Matches up to ten symbols (twenty bytes), windows of 32 bytes read 4 or 3 at a time:
  // matches span several blocks, and the window moves in the middle of a search.
  const std::vector<std::string> alphabet = {"a", "b", "\xC3\xA9", "\n", "a", "b"};
  kora_test::for_seeds(60, [&](unsigned, std::mt19937 &random) {
    const std::vector<Pattern> patterns = random_patterns(random, 10);
    NET *net = read_regex(pattern_regex(patterns).c_str());
    ASSERT_NE(net, nullptr);
    const std::string text = random_text(random, alphabet, 300);
    const Reference expected = reference(patterns, text);
    for (const size_t block : {4u, 3u, 32u}) {
      APPLY_CONTEXT *applyer =
          new_pattern_applyer(net, text.c_str(), nullptr, nullptr, 1, nullptr);
      ASSERT_TRUE(kora::set_pattern_window(applyer, 32, block));
      EXPECT_EQ(all_output(applyer), expected.marked) << "block " << block;
      FILE *stream = kora_test::stream_of(text);
      init_apply_to_stream(stream, applyer);
      EXPECT_EQ(all_output(applyer), expected.marked) << "stream, block " << block;
      EXPECT_EQ(counts_of(applyer), expected.counts);
      std::fclose(stream);
      free_applyer(applyer);
    }
    free_network(net);
  });
}

TEST_F(PatternTest, AMatchLongerThanTheWindowIsNotFound) {
  NET *net = read_regex("[{abcdefghijklmnopqrstuvwxyz} EndTag(long)] | [{abc} EndTag(short)]");
  FILE *stream = kora_test::stream_of("xabcdefghijklmnopqrstuvwxyzx");
  APPLY_CONTEXT *applyer = new_pattern_applyer(net, nullptr, stream, nullptr, 1, nullptr);
  ASSERT_TRUE(kora::set_pattern_window(applyer, 20, 2));
  EXPECT_STREQ(next_pattern_output(applyer), "x<short>abc</short>defghijklmnopqrstuvwxyzx");
  EXPECT_FALSE(kora::set_pattern_window(applyer, 2, 2));  // smaller than two spellings
  std::fclose(stream);
  free_applyer(applyer);
  free_network(net);
}

TEST_F(PatternTest, EdgeCasesOfMarkup) {
  // Two tags on one text: both, nested in the order of the network's labels, counted each.
  NET *net = read_regex("[{Paris} EndTag(city)] | [{Paris} EndTag(name)]");
  APPLY_CONTEXT *applyer = new_pattern_applyer(net, "in Paris.", nullptr, nullptr, 1, nullptr);
  const std::string out = next_pattern_output(applyer);
  EXPECT_TRUE(out == "in <city><name>Paris</name></city>." ||
              out == "in <name><city>Paris</city></name>.")
      << out;
  EXPECT_EQ(pattern_match_count(applyer, -1, nullptr), 2);
  EXPECT_EQ(next_pattern_output(applyer), nullptr);
  free_applyer(applyer);
  free_network(net);

  // A pattern network read the other way: the tag on the lower side, input side 0; and one
  // whose output differs from its input, written in the match's place.
  net = invert_net(read_regex("[{cat} EndTag(animal)] | [{DOG}:{dog} EndTag(big)]"), 0);
  EXPECT_EQ(mark(net, "cat dog", 0), "<animal>cat</animal> <big>DOG</big>");
  int_parameters()->word[KORA_MARK_PATTERNS] = 0;
  EXPECT_EQ(mark(net, "cat dog", 0), "cat DOG");
  int_parameters()->word[KORA_MARK_PATTERNS] = 1;
  int_parameters()->word[KORA_LOCATE_PATTERNS] = 1;
  EXPECT_EQ(mark(net, "cat dog", 0), "0\t3\tanimal\n4\t3\tbig\n");
  EXPECT_EQ(mark(net, "\xC3\xA9 dog", 0), "3\t3\tbig\n");  // in bytes
  int_parameters()->word[KORA_LOCATE_PATTERNS] = 0;
  free_network(net);

  // OTHER in a pattern matches a symbol outside the network's sigma.
  net = read_regex("[c ? t EndTag(cXt)]");
  EXPECT_EQ(mark(net, "cut ct cu t"), "<cXt>cut</cXt> ct cu t");
  free_network(net);
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(PatternTest, MessagesOfTheInterface) {
  NET *net = read_regex("[{cat} EndTag(animal)]");
  EXPECT_EQ(init_apply_patterns(nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(new_pattern_applyer(nullptr, "x", nullptr, nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(new_pattern_applyer(net, nullptr, nullptr, nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(new_pattern_applyer(net, "x", stdin, nullptr, 1, nullptr), nullptr);
  int_parameters()->word[KORA_EXTRACT_PATTERNS] = int_parameters()->word[KORA_DELETE_PATTERNS] = 1;
  EXPECT_EQ(init_apply_patterns(net, 1, nullptr), nullptr);
  int_parameters()->word[KORA_EXTRACT_PATTERNS] = int_parameters()->word[KORA_DELETE_PATTERNS] = 0;
  EXPECT_EQ(make_pattern_applyer("no-such-file", "x", "other", nullptr, 1, nullptr), nullptr);
  const std::vector<std::string> expected = {
      "Usage: init_apply_patterns(net, input_side, cntxt).",
      "No network!",
      "Must specify either an input string or\n    an input stream.",
      "Cannot use an input string and\n    an input stream. Only one should be specified.",
      "When the variables 'delete-patterns' and 'extract-patterns' are both ON\n'apply patterns "
      "up' and 'apply patterns down' produce no output.\nunless 'count-patterns' is ON. "
      "Aborting...",
      "A pattern applyer can be initialized for a string or a stream but not both."};
  EXPECT_EQ(messages().errors, expected);
  messages().clear();
  net->flags.compacted = 1;
  EXPECT_EQ(init_apply_patterns(net, 1, nullptr), nullptr);
  net->flags.compacted = 0;
  net->flags2.reduced_labelset = 1;
  EXPECT_EQ(init_apply_patterns(net, 1, nullptr), nullptr);
  net->flags2.reduced_labelset = 0;
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "Sorry. This function has not yet been implemented for compacted networks.",
                "Sorry. This function has not yet been implemented for reduced networks."}));
  // Not a pattern applyer.
  APPLY_CONTEXT *plain = init_apply(net, 1, nullptr);
  EXPECT_EQ(apply_patterns(plain), -1);
  EXPECT_EQ(pattern_match_count(plain, -1, nullptr), -1);
  free_applyer(plain);
  free_network(net);
}

TEST_F(PatternTest, ApplyPatternsWritesToTheOutputFileAndMakePatternApplyerOwnsItsFiles) {
  NET *net = read_regex("[{cat} EndTag(animal)]");
  const std::string net_file = kora_test::scratch_path("patterns.knet");
  const std::string in_file = kora_test::scratch_path("patterns-in.txt");
  const std::string out_file = kora_test::scratch_path("patterns-out.txt");
  ASSERT_EQ(save_net(net, net_file.c_str(), nullptr), 0);
  std::string text;
  for (int k = 0; k < 20000; k++) text += "a cat\n";
  kora_test::write_bytes(in_file, kora_test::Bytes(text.begin(), text.end()));
  APPLY_CONTEXT *applyer = make_pattern_applyer(net_file.c_str(), nullptr, in_file.c_str(),
                                                out_file.c_str(), 1, nullptr);
  ASSERT_NE(applyer, nullptr);
  EXPECT_EQ(apply_patterns(applyer), 20000);
  free_applyer(applyer);
  std::string expected;
  for (int k = 0; k < 20000; k++) expected += "a <animal>cat</animal>\n";
  EXPECT_EQ(kora_test::read_file(out_file), expected);
  EXPECT_EQ(make_pattern_applyer(net_file.c_str(), nullptr, "no/such/file", nullptr, 1, nullptr),
            nullptr);
  free_network(net);
}

TEST_F(PatternTest, TransducerAndFunctionTagsReplaceTheMatch) {
  define_regex_net("year", "{1999}:{99} | {2001}:{01}");
  define_function("shout(X)", "X .o. [a -> A]");
  NET *net = read_regex("[[{1999} | {2001} | {2002}] EndTag(year)] | [{banana} EndTag(shout)]");
  EXPECT_EQ(mark(net, "banana"), "bAnAnA");
  EXPECT_EQ(mark(net, "1999 banana 2001"), "99 bAnAnA 01");
  EXPECT_TRUE(messages().errors.empty());
  EXPECT_EQ(mark(net, "2002"), "<year>2002</year>");
  ASSERT_EQ(messages().errors.size(), 1u);
  EXPECT_EQ(messages().errors[0],
            "Transducer 'year' defined as 'year' yields no result when applied to:\n2002");
  free_network(net);
  // Any character of the match reaches the function as itself.
  net = read_regex("[{a b}|{a}b%}] EndTag(shout)");
  EXPECT_EQ(mark(net, "a b, ab}"), "A b, Ab}");
  free_network(net);
}

TEST_F(PatternTest, ContextsAgreeWithTheReferenceFromStringsAndThroughSmallWindows) {
  const std::vector<std::string> alphabet = {"a", "b", "\xC3\xA9", "\n", " ", "a", "b"};
  const std::vector<std::string> kinds = {"", "LC(", "RC(", "NLC(", "NRC("};
  kora_test::for_seeds(150, [&](unsigned, std::mt19937 &random) {
    std::vector<Pattern> patterns = random_patterns(random, 3);
    for (Pattern &p : patterns) {
      p.kind = kinds[random() % kinds.size()];
      if (!p.kind.empty()) p.context = random_text(random, alphabet, 2);
    }
    const std::string regex = pattern_regex(patterns);
    NET *net = read_regex(regex.c_str());
    ASSERT_NE(net, nullptr) << regex;
    const std::string text = random_text(random, alphabet, 150);
    SCOPED_TRACE(regex + " over '" + text + "'");
    const std::string expected = reference(patterns, text).marked;
    EXPECT_EQ(mark(net, text), expected);
    APPLY_CONTEXT *applyer = new_pattern_applyer(net, text.c_str(), nullptr, nullptr, 1, nullptr);
    // (the window holds two spellings of the longest symbol, *NON_RIGHT_CONTEXT*, at least)
    ASSERT_TRUE(kora::set_pattern_window(applyer, 160, 3));  // contexts of 40 bytes at most
    FILE *stream = kora_test::stream_of(text);
    init_apply_to_stream(stream, applyer);
    EXPECT_EQ(all_output(applyer), expected) << "stream";
    std::fclose(stream);
    free_applyer(applyer);
    free_network(net);
  });
  EXPECT_TRUE(messages().errors.empty());
}

// Checks combined by AND( and OR(, two in a row, contexts that are expressions and OTHER: what
// the random contexts above (one literal check a pattern) do not make.
TEST_F(PatternTest, ContextChecksCombineAndFollowEachOther) {
  const struct {
    const char *regex, *text, *marked;
  } cases[] = {
      {"{cat} EndTag(a) AND(LC(\" \"), RC(\",\"))", "cat cat,cat cat", "cat <a>cat</a>,cat cat"},
      {"{cat} EndTag(a) OR(NLC(?), NRC(?))", "cat cat,cat\ncat x",
       "<a>cat</a> cat,<a>cat</a>\n<a>cat</a> x"},
      {"{cat} EndTag(a) AND(NLC(x), NRC(y))", "xcat caty cat", "xcat caty <a>cat</a>"},
      {"{cat} EndTag(a) LC(x) RC(y)", "xcaty xcat caty", "x<a>cat</a>y xcat caty"},
      {"{cat} EndTag(a) LC([a|b]+ \" \")", "ab cat  cat", "ab <a>cat</a>  cat"},
      // A context never sees past a line end.
      {"{cat} EndTag(a) NLC(?)", "x\ncat xcat", "x\n<a>cat</a> xcat"},
  };
  for (const auto &c : cases) {
    NET *net = read_regex(c.regex);
    ASSERT_NE(net, nullptr) << c.regex;
    EXPECT_EQ(mark(net, c.text), c.marked) << c.regex;
    free_network(net);
  }
  EXPECT_TRUE(messages().errors.empty());
}

TEST_F(PatternTest, MessagesOfTheSearch) {
  // A window of 160 bytes: contexts see 40 bytes beyond the match.
  const std::string digits = "01234567890123456789012345678901234567890123456789";
  const std::string cat_digits = std::string("cat ").append(digits);
  const std::string maximum = "\n*** Maximum context length (40) exceeded while checking the ";
  const struct {
    std::string regex, text, message;
  } cases[] = {
      {"{cat} EndTag(a) LC(\"#\" ?*)", digits + " cat",
       maximum + "left context\n    for the a tag. The string under consideration is:\n" +
           (digits + " cat").substr(11)},
      {"{cat} EndTag(a) RC(?* \"#\")", cat_digits,
       maximum + "right context\n    for the a tag. The string under consideration is:\n" +
           cat_digits.substr(0, 43)},
      {"{cat} EndTag(a) \"*AND_CHECK*\" x", "cat",
       "Expecting a context marker. Found 'x' instead.\n"},
      {"c LC(\" \") {at} EndTag(a)", " cat",
       "Context marker '*LEFT_CONTEXT*' ahead of the closing tag found but no check "
       "followed.\n"},
      {"\"@T.x@\" {cat} EndTag(a)", "cat", "Unimplemented flag diacritic."},
  };
  for (const auto &c : cases) {
    NET *net = read_regex(c.regex.c_str());
    ASSERT_NE(net, nullptr) << c.regex;
    FILE *stream = kora_test::stream_of(c.text);
    APPLY_CONTEXT *applyer = new_pattern_applyer(net, nullptr, stream, nullptr, 1, nullptr);
    ASSERT_TRUE(kora::set_pattern_window(applyer, 160, 4));
    EXPECT_EQ(all_output(applyer), c.text) << c.regex;  // nothing is marked
    EXPECT_EQ(messages().errors, std::vector<std::string>{c.message}) << c.regex;
    messages().clear();
    std::fclose(stream);
    free_applyer(applyer);
    free_network(net);
  }
  NET *net = read_regex("[{cat} \"@I.nowhere@\" EndTag(a)]");
  EXPECT_EQ(mark(net, "cat"), "cat");
  ASSERT_FALSE(messages().errors.empty());
  EXPECT_EQ(messages().errors.back(), "Insert flag without defined network");
  free_network(net);
}

TEST_F(PatternTest, TagDefinitionsThatGiveNoSingleStringAreReported) {
  define_regex_net("many", "a:b | a:c");
  define_regex_net("endless", "a .x. b+");
  define_function("two(X,Y)", "X Y");
  const struct {
    const char *tag, *message;
  } cases[] = {
      {"many", "Transducer 'many' defined as 'many' yields multiple strings when applied to:\na"},
      {"endless",
       "Transducer 'endless' defined as 'endless' yields an infinite string when applied to:\na"},
      {"two", "Function 'two(' defined as 'X Y'\n    It cannot be applied to a pattern.\n"},
  };
  for (const auto &c : cases) {
    NET *net = read_regex(std::string("a EndTag(").append(c.tag).append(")").c_str());
    const std::string tag = c.tag;
    EXPECT_EQ(mark(net, "a"), std::string("<").append(tag).append(">a</").append(tag).append(">"));
    EXPECT_EQ(messages().errors, std::vector<std::string>{c.message});
    messages().clear();
    free_network(net);
  }
}

}  // namespace
