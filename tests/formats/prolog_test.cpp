// Prolog facts: the exact text written, the naming of networks, escapes, both reading passes and
// the one pass of the standard input, syntax errors, and round trips of random networks, which
// come back state for state and arc for arc.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fat-str.h"
#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "prop-names.h"
#include "prop.h"

namespace {

using kora_test::messages;
using kora_test::Symbols;

uint32_t symbol(const char *name) { return kora::symbol_id(name); }
uint32_t pair(uint32_t upper, uint32_t lower) { return kora::pair_id(upper, lower); }

class PrologTest : public kora_test::QuietLibrary {
 protected:
  // What write_prolog_nets puts in a file for the networks.
  std::string written(const std::vector<NET *> &nets) {
    const std::string path =
        files_.path(std::string("out-").append(std::to_string(count_++)).append(".pl"));
    NV *nv = make_nv(static_cast<int>(nets.size()));
    for (size_t i = 0; i < nets.size(); i++) nv->nets[i] = nets[i];
    EXPECT_EQ(write_prolog_nets(nv, path.c_str()), 0);
    free_nv(nv);
    return kora_test::read_file(path);
  }
  std::string written(NET *net) { return written(std::vector<NET *>{net}); }

  std::string file(const std::string &text) {
    return files_.write(std::string("in-").append(std::to_string(count_++)).append(".pl"), text);
  }

  // The networks of the text, read from a file; *stderr_text receives what went to stderr.
  std::vector<NET *> read_back(const std::string &text, std::string *stderr_text = nullptr) {
    const std::string path = file(text);
    testing::internal::CaptureStderr();
    NV *nv = read_prolog_nets(path.c_str());
    const std::string printed = testing::internal::GetCapturedStderr();
    if (stderr_text != nullptr) *stderr_text = printed;
    std::vector<NET *> nets;
    for (int i = 0; nv != nullptr && i < nv->len; i++) nets.push_back(nv->nets[i]);
    free_nv(nv);
    return nets;
  }

  kora_test::ScratchFiles files_;
  int count_ = 0;
};

// The NETWORKNAME of the network in UTF-8.
std::string name_of(const NET *net) {
  const kora::OBJECT *value = kora::get_prop(net, kora::standard_name("NETWORKNAME"));
  if (value == nullptr || value->type != kora::STRING_TYPE) return "(none)";
  char *utf8 = kora::fat_to_utf8(value->value.string, nullptr);
  const std::string name = utf8;
  std::free(utf8);
  return name;
}

void set_name(NET *net, const char *name) { add_string_property(net, "NETWORKNAME", name); }

// The network state by state in list order: finality, then each arc as label and the position
// of its destination.
std::vector<std::string> structure(const NET *net) {
  std::vector<const STATE *> states;
  for (const STATE *s = net->states; s != nullptr; s = s->next) states.push_back(s);
  std::vector<std::string> lines;
  for (const STATE *s : states) {
    std::string line = s->flags.final ? "final" : "-";
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      const size_t to = std::find(states.begin(), states.end(), arc->destination) - states.begin();
      line.append(" ").append(std::to_string(arc->label)).append(">").append(std::to_string(to));
    }
    lines.push_back(line);
  }
  return lines;
}

void free_all(const std::vector<NET *> &nets) {
  for (NET *net : nets) free_network(net);
}

TEST_F(PrologTest, WritesTheNetworkStateByStateAfterItsSymbols) {
  // Arcs are added in front of a state's list: the start state's list is c, then a.
  NET *net = kora_test::build_net(
      3, {2}, {{0, 'a', 1}, {1, pair('b', kora::EPSILON), 2}, {0, 'c', 2}});
  update_net_labels_and_sigma(net);
  set_name(net, "Big Net");
  EXPECT_EQ(written(net),
            "# -*- coding: utf-8 -*-\n"
            "network(big_net).\n"
            "symbol(big_net, \"a\").\n"
            "symbol(big_net, \"b\").\n"
            "symbol(big_net, \"c\").\n"
            "arc(big_net, 0, 1, \"c\").\n"
            "arc(big_net, 0, 2, \"a\").\n"
            "arc(big_net, 2, 1, \"b\":\"0\").\n"
            "final(big_net, 1).\n");
  std::vector<NET *> back = read_back(written(net));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(name_of(back[0]), "big_net");
  EXPECT_EQ(structure(back[0]), structure(net));
  EXPECT_EQ(NET_arity(back[0]), 2);
  EXPECT_TRUE(back[0]->flags.deterministic);
  EXPECT_TRUE(back[0]->flags.epsilon_free);
  free_all(back);
  free_network(net);
}

// The Prolog name: NETWORKNAME lowered, blanks and the characters that end an atom made "_", at
// most 78 characters, one name per network of a file; else net_ and the network's number, which
// the reader takes for no name.
TEST_F(PrologTest, NamesFollowNetworkNamesOrAreGenerated) {
  const std::string x78(78, 'x'), x79(79, 'x');
  // Each NETWORKNAME and its Prolog name, "" for a generated one: taken by an earlier network,
  // too long, generated in form, none.
  const struct {
    const char *name;
    std::string declared;
  } cases[] = {{"Big Net", "big_net"}, {"A.b(c):d,e!f\"g\th", "a_b_c__d_e_f_g_h"},
               {"Größe", "größe"},     {"big net", ""},
               {x78.c_str(), x78},     {x79.c_str(), ""},
               {"NET_1F", ""},         {nullptr, ""}};
  std::vector<NET *> nets;
  for (const auto &c : cases) {
    nets.push_back(null_net());
    if (c.name != nullptr) set_name(nets.back(), c.name);
  }
  NET *numbered = null_net();  // a NETWORKNAME that is not a string
  kora::add_prop(numbered, kora::standard_name("NETWORKNAME"),
                 kora::MAKE_OBJECT(kora::INTEGER_TYPE, kora::OBJ_VALUE{.integer = 7}));
  nets.push_back(numbered);
  const std::string text = written(nets);
  std::vector<std::string> declared;
  for (size_t at = text.find("network("); at != std::string::npos;
       at = text.find("network(", at + 1))
    declared.push_back(text.substr(at + 8, text.find(')', at) - at - 8));
  ASSERT_EQ(declared.size(), nets.size());
  std::vector<NET *> back = read_back(text);
  ASSERT_EQ(back.size(), nets.size());
  std::set<std::string> generated;
  for (size_t i = 0; i < nets.size(); i++) {
    const std::string expected = i < std::size(cases) ? cases[i].declared : "";
    if (expected.empty()) {
      EXPECT_EQ(declared[i].compare(0, 4, "net_"), 0) << declared[i];
      EXPECT_EQ(declared[i].find_first_not_of("0123456789abcdef", 4), std::string::npos);
      generated.insert(declared[i]);
    } else {
      EXPECT_EQ(declared[i], expected);
    }
    // The reader takes a generated name for no name, and a name for its characters.
    EXPECT_EQ(name_of(back[i]), expected.empty() ? "(none)" : expected) << i;
  }
  EXPECT_EQ(generated.size(), 5u);
  // A network keeps its number: written again, it has the same name.
  EXPECT_NE(written(nets[7]).find("network(" + declared[7] + ")."), std::string::npos);
  free_all(back);
  free_all(nets);
}

// Inside quotes EPSILON is 0 and OTHER ?; the symbols 0 and ? are %0 and %?; %, ", \ and line
// ends are escaped; everything comes back as the same label.
TEST_F(PrologTest, SymbolsAreQuotedAndEscapedAndReadBackAsTheSameLabels) {
  const Symbols labels = {'0', '?', '%', '"', '\\', symbol("a\nb\tc\rd"), symbol("%0"),
                          symbol("two words"), symbol("\xC3\xA9t\xC3\xA9"), symbol("!#"),
                          symbol("@U.case.nom@"), kora::OTHER, pair('a', kora::EPSILON),
                          pair(kora::OTHER, kora::OTHER), pair(kora::OTHER, 'a'),
                          pair(kora::EPSILON, '?'), kora::EPSILON};
  std::vector<kora_test::Arc> arcs;
  for (size_t i = 0; i < labels.size(); i++)
    arcs.push_back({0, labels[i], static_cast<int>(i % 2) + 1});
  NET *net = kora_test::build_net(3, {1, 2}, arcs);
  set_name(net, "n");
  const std::string text = written(net);
  for (const char *line : {"symbol(n, \"%0\").", "symbol(n, \"%?\").", "symbol(n, \"%%\").",
                           "symbol(n, \"\\\"\").", "symbol(n, \"\\\\\").", "symbol(n, \"?\").",
                           "symbol(n, \"a\\nb\\tc\\rd\").", "symbol(n, \"%%0\").",
                           "\"a\":\"0\").", "\"?\":\"?\").", "\"?\":\"a\").", "\"0\":\"%?\").",
                           ", \"0\").", "symbol(n, \"two words\").", "symbol(n, \"!#\")."})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  std::vector<NET *> back = read_back(text);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(structure(back[0]), structure(net));
  EXPECT_EQ(kora_test::alph_members(net_sigma(back[0])), kora_test::alph_members(net_sigma(net)));
  EXPECT_TRUE(back[0]->flags2.upper_has_flags);
  EXPECT_FALSE(back[0]->flags.epsilon_free);
  EXPECT_FALSE(back[0]->flags.deterministic);
  EXPECT_TRUE(messages().errors.empty());
  free_all(back);
  free_network(net);
}

TEST_F(PrologTest, Latin1OutputTurnsToUtf8OnlyWhenASymbolOrTheNameNeedsIt) {
  set_char_encoding(context_, KORA_LATIN1);
  NET *latin = kora_test::build_net(2, {1}, {{0, symbol("\xE9"), 1}});
  set_name(latin, "caf\xE9");
  const std::string text = written(latin);
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1)),
            "# -*- coding: iso-8859-1 -*-\nnetwork(caf\xE9).");
  NET *wide = kora_test::build_net(2, {1}, {{0, kora::symbol_id("\x80"), 1}});  // the euro sign
  set_name(wide, "w");
  EXPECT_EQ(written(wide).substr(0, 24), "# -*- coding: utf-8 -*-\n");
  EXPECT_EQ(context_->out_char_encoding, KORA_LATIN1);
  // The coding line is obeyed whatever the context says.
  set_char_encoding(context_, KORA_UTF8);
  for (NET *net : {latin, wide}) {
    std::vector<NET *> back = read_back(written(net));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(structure(back[0]), structure(net));
    free_all(back);
  }
  free_network(latin);
  free_network(wide);
}

// Random networks (automata and transducers, with OTHER, EPSILON and cycles, over symbols that
// need escapes) come back with the same states in the same order, the same arcs and the same
// sigma; a network in another representation is written as its plain form.
TEST_F(PrologTest, RandomNetworksComeBackStateForState) {
  kora_test::RandomNetOptions options;
  options.max_states = 7;
  options.max_arcs = 14;
  options.symbols = {'a', '0', '?', '%', '"', symbol("multi"), symbol("x y"), symbol("\xC3\xA9")};
  kora_test::for_seeds(200, [&](unsigned seed, std::mt19937 &random) {
    options.transducer = seed % 2 == 0;
    options.other = seed % 3 == 0;
    std::vector<NET *> nets = {kora_test::random_net(random, options),
                               kora_test::random_net(random, options)};
    for (NET *net : nets) {
      // The facts cannot name a state that is not final and has no arcs in or out.
      std::set<const STATE *> reached;
      for (STATE *s = net->states; s != nullptr; s = s->next)
        for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) reached.insert(arc->destination);
      for (STATE *s = net->states; s != nullptr; s = s->next)
        if (s != net->start && s->arcs == nullptr && reached.count(s) == 0) s->flags.final = 1;
    }
    if (seed % 4 == 0) minimize_net(nets[1]);
    const std::string text = written(nets);
    std::vector<NET *> back = read_back(text);
    ASSERT_EQ(back.size(), 2u) << text;
    for (size_t i = 0; i < 2; i++) {
      EXPECT_EQ(structure(back[i]), structure(nets[i])) << text;
      EXPECT_EQ(back[i]->num_states, nets[i]->num_states);
      EXPECT_EQ(back[i]->num_arcs, nets[i]->num_arcs);
      EXPECT_EQ(kora_test::alph_members(net_sigma(back[i])),
                kora_test::alph_members(net_sigma(nets[i])));
      // The arity is that of the labels (a transducer's pairs may all be gone).
      int arity = 1;
      for (uint32_t label : kora_test::alph_members(net_labels(nets[i])))
        arity = std::max(arity, kora::label_arity(label));
      EXPECT_EQ(NET_arity(back[i]), arity);
    }
    if (nets[1]->flags.minimized && nets[1]->num_arcs > 0) {
      NET *optimized = copy_net(nets[1]);
      optimize_arcs(optimized);
      std::vector<NET *> plain = read_back(written(optimized));
      ASSERT_EQ(plain.size(), 1u);
      EXPECT_TRUE(kora_test::same_relation(plain[0], nets[1], 4));
      free_all(plain);
      free_network(optimized);
    }
    free_all(back);
    free_all(nets);
  });
}

// read_prolog and a regular expression's @pl take the first network of a file: the one with a
// note when verbose, the other with a warning.
TEST_F(PrologTest, ReadPrologAndTheFileOperatorTakeTheFirstNetwork) {
  const std::string two = file(
      "network(ab).\narc(ab, 0, 1, \"a\").\narc(ab, 1, 2, \"b\").\nfinal(ab, 2).\n"
      "network(other).\nfinal(other, 0).\n");
  int_parameters()->word[KORA_VERBOSE] = 1;
  testing::internal::CaptureStderr();
  NET *net = read_prolog(two.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Returning only the first network out of 2\n");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(name_of(net), "ab");
  EXPECT_EQ(net->num_states, 3u);
  free_network(net);
  int_parameters()->word[KORA_VERBOSE] = 0;
  net = read_regex(("[@pl \"" + two + "\"] c").c_str());
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(kora_test::words(net, 4), std::set<std::string>{"abc"});
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{"File '" + two + "' was called by a regular expression.\n"
                                     "It contains 2 prolog networks.\nOnly the first network "
                                     "was used !!!"});
  free_network(net);
  const std::string empty = file("! no network\n");
  net = read_regex(("@pl \"" + empty + "\"").c_str());
  EXPECT_FALSE(test_non_null(net));
  EXPECT_EQ(messages().errors.front(),
            "Failed to build networks from the prolog file '" + empty + "'.");
  free_network(net);
}

// Comments, blanks, "start" facts, facts of several networks in any order, a line END;, and
// state numbers far apart (kept in a hash table rather than a table by number).
TEST_F(PrologTest, TheGrammarAroundTheFacts) {
  std::vector<NET *> back = read_back(
      "! a comment\n"
      "  arc( two , 2000000000 , 0 ,\"b\" ) . ! after a fact\n"
      "network(one).start(one, 0).\tarc(one, 0, 3, \"a\"). arc(one, 3, 1, \"%%\").\n"
      "final(two, 2000000000). final(one, 1). symbol(one, \"z\").\n"
      "END;\n"
      "arc(three, 0, 0, \"c\").\n");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(name_of(back[0]), "two");
  EXPECT_EQ(structure(back[0]), (std::vector<std::string>{"-", "final 98>0"}));
  EXPECT_EQ(structure(back[1]),
            (std::vector<std::string>{"- 97>2", "final",
                                      std::string("- ").append(std::to_string('%')).append(">1")}));
  EXPECT_TRUE(kora_test::alph_members(net_sigma(back[1])).count('z'));
  EXPECT_TRUE(messages().errors.empty());
  free_all(back);
}

TEST_F(PrologTest, ASyntaxErrorStopsTheReadingWithTheNetworksSoFar) {
  const struct {
    const char *text;
    const char *printed;
    long line;
    size_t networks;
  } cases[] = {
      {"network(n).\narc(n, 0, 1 \"a\").\n", "*** syntax error at '\"a\"'\n", 2, 1},
      {"arc(n, 0, x, \"a\").\n", "*** bad state number at 'x'\n", 1, 0},
      {"final(n, 2147483648).\n", "*** bad state number at '2147483648'\n", 1, 0},
      {"network(n).\n\nsymbol(n, \"abc).\n", "*** unterminated string at '\"abc).'\n", 3, 1},
      {"edge(n, 0, 1).\n", "*** syntax error at 'edge'\n", 1, 0},
      {"network(n)\n", "*** syntax error at ''\n", 1, 0},
      {"network(n).\narc(n, 0, 1, \"a\":).\n", "*** syntax error at ')'\n", 2, 1},
      {"symbol(n, \"\xFF\").\n", "*** invalid UTF-8 at '\"\xFF\").'\n", 1, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    messages().clear();
    const std::string path = file(c.text);
    testing::internal::CaptureStderr();
    NV *nv = read_prolog_nets(path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed);
    EXPECT_EQ(messages().errors, std::vector<std::string>{"Parse error on line " +
                                                          std::to_string(c.line) + " in file '" +
                                                          path + "'."});
    EXPECT_EQ(nv == nullptr ? 0 : static_cast<size_t>(nv->len), c.networks);
    free_nv_and_nets(nv);
  }
}

// The standard input is read in one pass when it cannot be rewound (a pipe) or when
// KORA_PROLOG_ONE_PASS is set, in two otherwise; each way gives the same networks.
TEST_F(PrologTest, TheStandardInputInOnePassOrTwo) {
  NET *net = kora_test::build_net(4, {3}, {{0, 'a', 1}, {1, 'b', 3}, {0, 'c', 2}, {2, 'd', 3}});
  update_net_labels_and_sigma(net);
  const std::string path = file(written(net) + "arc(broken, 0, 1 \"a\").\n");
  const int saved = dup(0);
  auto read_standard_input = [&](const char *command) {
    FILE *source = command == nullptr ? std::fopen(path.c_str(), "r") : popen(command, "r");
    dup2(fileno(source), 0);
    std::clearerr(stdin);
    std::fseek(stdin, 0, SEEK_SET);
    testing::internal::CaptureStderr();
    NV *nv = read_prolog_nets(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "*** syntax error at '\"a\"'\n");
    command == nullptr ? std::fclose(source) : pclose(source);
    std::clearerr(stdin);
    return nv;
  };
  const std::string cat = "cat '" + path + "'";
  for (int one_pass : {0, 1}) {
    for (const char *command : {static_cast<const char *>(nullptr), cat.c_str()}) {
      SCOPED_TRACE(command == nullptr ? "file" : "pipe");
      int_parameters()->word[KORA_PROLOG_ONE_PASS] = one_pass;
      messages().clear();
      NV *nv = read_standard_input(command);
      ASSERT_NE(nv, nullptr);
      ASSERT_EQ(nv->len, 1);
      EXPECT_EQ(structure(nv->nets[0]), structure(net));
      EXPECT_EQ(messages().errors, std::vector<std::string>{"Parse error on line 12."});
      free_nv_and_nets(nv);
    }
  }
  dup2(saved, 0);
  close(saved);
  free_network(net);
}

// The fuzzer's seeds and what it found, read in either encoding: the networks written back
// read back as as many networks of the same sizes.
TEST_F(PrologTest, WhatTheFuzzerFoundReadsBackAsWritten) {
  std::vector<std::string> inputs;
  for (const char *directory : {"/fuzz-read-prolog/seeds", "/fuzz-read-prolog/regressions"})
    for (const std::string &path : kora_test::files_in(std::string(KORA_TEST_DATA) + directory))
      inputs.push_back(path);
  ASSERT_GE(inputs.size(), 4u);
  for (const std::string &input : inputs) {
    for (int encoding : {KORA_UTF8, KORA_LATIN1}) {
      SCOPED_TRACE(input + (encoding == KORA_UTF8 ? " in UTF-8" : " in ISO-8859-1"));
      set_char_encoding(context_, encoding);
      std::vector<NET *> nets = read_back(kora_test::read_file(input));
      std::vector<NET *> back = read_back(written(nets));
      ASSERT_EQ(back.size(), nets.size());
      for (size_t i = 0; i < nets.size(); i++) {
        EXPECT_EQ(back[i]->num_states, nets[i]->num_states);
        EXPECT_EQ(back[i]->num_arcs, nets[i]->num_arcs);
      }
      free_all(back);
      free_all(nets);
    }
  }
}

TEST_F(PrologTest, Refusals) {
  const std::string path = files_.path("refused.pl");
  EXPECT_EQ(write_prolog(nullptr, path.c_str()), 1);
  NET *nets[2] = {null_net(), nullptr};
  NV two = {2, nets};
  EXPECT_EQ(write_prolog_nets(&two, path.c_str()), 1);
  EXPECT_EQ(write_prolog(nets[0], "/no/such/directory/out.pl"), 1);
  EXPECT_FALSE(kora_test::file_exists(path));
  EXPECT_EQ(read_prolog("/no/such/file.pl"), nullptr);
  const std::string binary = files_.write("binary.pl", std::string("a\0\0\0b\n", 6));
  EXPECT_EQ(read_prolog(binary.c_str()), nullptr);
  EXPECT_EQ(read_prolog(file("! nothing but a comment\n").c_str()), nullptr);
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{"No network to write to '" + path + "'.",
                                      "No network to write to '" + path + "'.",
                                      "Cannot open '/no/such/directory/out.pl'.",
                                      "Cannot open '/no/such/file.pl'.",
                                      "'" + binary + "' appears not to be a text file."}));
  free_network(nets[0]);
}

}  // namespace
