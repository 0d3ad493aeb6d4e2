// Writing word lists and spaced text: exact output, refusals, and round trips of random
// loop-free automata and transducers through the spaced format.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "networks.h"
#include "page.h"

namespace {

using kora::pair_id;
using kora_test::label_paths;
using kora_test::messages;
using kora_test::Symbols;

class TextWriteTest : public kora_test::QuietLibrary {
 protected:
  // What write_text (write_spaced_text with `spaced`) puts in a file for the network.
  std::string written(NET *net, bool spaced = false) {
    const std::string path = files_.path("out-" + std::to_string(count_++) + ".txt");
    const int status = spaced ? write_spaced_text(net, path.c_str()) : write_text(net, path.c_str());
    EXPECT_EQ(status, 0);
    return kora_test::read_file(path);
  }

  NET *read_back(const std::string &bytes, bool spaced) {
    const std::string path = files_.write("in-" + std::to_string(count_++) + ".txt", bytes);
    return spaced ? read_spaced_text(path.c_str()) : read_text(path.c_str());
  }

  kora_test::ScratchFiles files_;
  int count_ = 0;
};

uint32_t symbol(const char *name) { return kora::symbol_id(name); }

// One path of the labels, built by hand.
NET *path_net(const Symbols &labels) {
  NET *net = null_net();
  STATE *state = net->start;
  for (uint32_t label : labels) {
    STATE *next = add_state_to_net(net, 0);
    add_arc_to_state(net, state, label, next, nullptr, 0);
    state = next;
  }
  state->flags.final = 1;
  update_net_labels_and_sigma(net);
  return net;
}

// Words in arc order after the coding line of the output encoding, ISO-8859-1 turning to UTF-8
// for a file whose symbols it cannot write.
TEST_F(TextWriteTest, WordsAreWrittenInArcOrderAfterTheCodingLine) {
  NET *net = read_back("cat\ncar\n", false);
  NET *wide = read_back("\xE4\xB8\x80\n", false);
  EXPECT_EQ(written(net), "# -*- coding: utf-8 -*-\r\ncar\r\ncat\r\n");
  context_->eol_string = "\n";
  set_char_encoding(context_, KORA_LATIN1);
  NET *latin = read_back("caf\xE9\n", false);
  EXPECT_EQ(written(net), "# -*- coding: iso-8859-1 -*-\ncar\ncat\n");
  EXPECT_EQ(written(latin), "# -*- coding: iso-8859-1 -*-\ncaf\xE9\n");
  EXPECT_EQ(written(wide), "# -*- coding: utf-8 -*-\n\xE4\xB8\x80\n");
  EXPECT_EQ(context_->out_char_encoding, KORA_LATIN1);
  for (NET *each : {net, latin, wide}) free_network(each);
}

TEST_F(TextWriteTest, SpacedTextCentresSymbolsInColumnsAndEscapes) {
  context_->eol_string = "\n";
  NET *transducer = path_net({pair_id('a', 'x'), pair_id('b', 0), pair_id('c', 0)});
  EXPECT_EQ(written(transducer, true), "# -*- coding: utf-8 -*-\na b c\nx 0 0\n\n");
  free_network(transducer);

  // Columns as wide as their wider symbol, the odd blank on the left, none at a line's end.
  transducer = path_net({pair_id(symbol("foo"), 'x'), pair_id('y', symbol("long")), 'b'});
  EXPECT_EQ(written(transducer, true), "# -*- coding: utf-8 -*-\nfoo   y  b\n x  long b\n\n");
  free_network(transducer);

  NET *escapes = path_net({'%', '0', '?', KORA_OTHER, ' ', symbol("#x"), symbol("a!b"),
                           symbol("x#")});
  EXPECT_EQ(written(escapes, true), "# -*- coding: utf-8 -*-\n%% %0 %? ? %  %#x a%!b x#\n\n");
  free_network(escapes);
}

TEST_F(TextWriteTest, RefusalsWriteNothing) {
  const std::string path = files_.path("refused.txt");
  EXPECT_EQ(write_text(nullptr, path.c_str()), 1);
  NET *loop = kora_test::chain_net(2, true);
  EXPECT_EQ(write_spaced_text(loop, path.c_str()), 1);
  NET *transducer = path_net({pair_id('a', 'b')});
  EXPECT_EQ(write_text(transducer, path.c_str()), 1);
  NET *multichar = path_net({symbol("ab")});
  EXPECT_EQ(write_text(multichar, path.c_str()), 1);
  EXPECT_EQ(write_spaced_text(multichar, "/no/such/directory/out.txt"), 1);
  EXPECT_FALSE(kora_test::file_exists(path));
  EXPECT_EQ(messages().errors,
            (std::vector<std::string>{
                "No network to write to '" + path + "'.",
                "A circular net cannot be written in text format.",
                "The network is a transducer, use the write_spaced_text()\n          function instead.",
                "The network has multicharacter symbols, use write_spaced_text()\n          "
                "function instead.",
                "Cannot open output file /no/such/directory/out.txt."}));
  for (NET *net : {loop, transducer, multichar}) free_network(net);
}

// A cycle under a loop_free mark is not trusted to end: each writer stops at the cycle, after
// the paths met before it, with the error of a circular network; the mark goes, the marks of
// the walk are cleared, and no half-written file is left.
TEST_F(TextWriteTest, ACycleUnderALoopFreeMarkStopsEveryWriterWithAnError) {
  context_->eol_string = "\n";
  // The empty path and a are words; b c loops back to the state after a.
  NET *net = kora_test::build_net(3, {0, 1}, {{0, 'a', 1}, {1, 'b', 2}, {2, 'c', 1}});
  const std::string path = files_.path("cycle.txt");
  PAGE *page = kora::make_page(100, 0, -1);
  const std::function<int()> writers[] = {
      [&] { return write_text(net, path.c_str()); },
      [&] { return write_spaced_text(net, path.c_str()); },
      [&] {
        int status = 0;
        EXPECT_EQ(kora_test::stdout_of([&] { status = write_text(net, nullptr); }), "\na\n");
        return status;
      },
      [&] { return write_spaced_text_to_page(net, page); },
  };
  for (const std::function<int()> &write : writers) {
    net->flags.loop_free = 1;
    EXPECT_EQ(write(), 1);
    EXPECT_FALSE(net->flags.loop_free);
    for (STATE *state = net->states; state != nullptr; state = state->next)
      EXPECT_EQ(state->flags.visit_mark, 0);
  }
  EXPECT_FALSE(kora_test::file_exists(path));
  EXPECT_EQ(std::string(page->text), "0\n\na\n\n");
  EXPECT_EQ(messages().errors,
            std::vector<std::string>(4, "A circular net cannot be written in text format."));
  free_network(net);
  kora::free_page(page);
}

TEST_F(TextWriteTest, PagesReceiveTheSameLines) {
  PAGE *page = kora::make_page(100, 0, -1);
  NET *net = read_back("cat\ncar\n", false);
  EXPECT_EQ(write_text_to_page(net, page), 0);
  EXPECT_EQ(std::string(page->text), "car\r\ncat\r\n");
  NET *transducer = path_net({pair_id('a', 'x'), 'b'});
  EXPECT_EQ(write_spaced_text_to_page(transducer, page), 0);
  EXPECT_EQ(std::string(page->text), "car\r\ncat\r\na b\r\nx b\r\n\r\n");
  EXPECT_EQ(write_text_to_page(transducer, page), 0);  // the upper side, with a warning
  EXPECT_EQ(std::string(page->text), "car\r\ncat\r\na b\r\nx b\r\n\r\nab\r\n");
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"print_fsm_path: Not expecting an FSTLABEL."});
  EXPECT_EQ(write_text_to_page(nullptr, page), 1);
  EXPECT_EQ(write_spaced_text_to_page(net, nullptr), 1);
  EXPECT_EQ(messages().errors, (std::vector<std::string>{"No network in OUTPUT_TEXT_TO_PAGE",
                                                         "No page in OUTPUT_TEXT_TO_PAGE"}));
  free_network(net);
  free_network(transducer);
  kora::free_page(page);
}

// The control characters 1 to 4 are symbols of their own, not OTHER or the internal markers
// whose ids they are, so they are written back as they were read (found by fuzz_read_text).
TEST_F(TextWriteTest, ControlCharactersReadFromTextAreWrittenBack) {
  const std::string found = kora_test::read_file(KORA_TEST_DATA "/fuzz/read_text-latin1-control-character.txt");
  ASSERT_FALSE(found.empty());
  for (int encoding : {KORA_LATIN1, KORA_UTF8}) {
    set_char_encoding(context_, encoding);
    for (bool spaced : {false, true}) {
      NET *net = read_back(spaced ? "\x01 \x02\n\n\x03 \x04\n\n" : "a\x01" "b\n\x02\x03\x04x\n" + found,
                           spaced);
      for (const kora_test::Symbols &path : label_paths(net))
        for (uint32_t label : path) EXPECT_GT(label, 4u);
      NET *back = read_back(written(net, spaced), spaced);
      EXPECT_EQ(label_paths(back), label_paths(net));
      free_network(net);
      free_network(back);
    }
  }
}

// Random loop-free networks, minimized, written as spaced text and read back, keep their label
// paths and their size. Symbols include multicharacter names and the names that need escapes.
// Odd seeds make transducers, even ones automata with OTHER.
TEST_F(TextWriteTest, AutomataWithOtherAndTransducersSurviveTheSpacedRoundTrip) {
  kora_test::RandomNetOptions options;
  options.acyclic = true;
  options.max_states = 6;
  options.max_arcs = 12;
  kora_test::for_seeds(120, [&](unsigned seed, std::mt19937 &random) {
    options.transducer = seed % 2 == 1;
    options.other = !options.transducer;
    options.symbols = {'a', '%', '0', '?', ' ', '!', symbol("#"), symbol("multi"), symbol("\xC3\xA9t\xC3\xA9")};
    NET *net = kora_test::random_net(random, options);
    minimize_net(net);
    const std::string text = written(net, true);
    NET *back = read_back(text, true);
    ASSERT_NE(back, nullptr) << text;
    EXPECT_EQ(label_paths(back), label_paths(net)) << text;
    EXPECT_EQ(back->num_states, net->num_states) << text;
    EXPECT_EQ(back->num_arcs, net->num_arcs) << text;
    free_network(net);
    free_network(back);
  });
}

TEST_F(TextWriteTest, WordListsSurviveTheRoundTrip) {
  kora_test::RandomNetOptions options;
  options.acyclic = true;
  options.epsilon = false;
  kora_test::for_seeds(40, [&](unsigned, std::mt19937 &random) {
    options.symbols = {'a', 'b', '0', ' ', symbol("\xC3\xA9")};
    NET *net = kora_test::random_net(random, options);
    minimize_net(net);
    net->start->flags.final = 0;  // a word list has no empty word
    net->flags.minimized = 0;
    minimize_net(net);
    NET *back = read_back(written(net), false);
    EXPECT_EQ(label_paths(back), label_paths(net));
    free_network(net);
    free_network(back);
  });
}

}  // namespace
