// Printing networks: golden listings, summaries and sizes, words, and the small printers.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "kora_test.h"
#include "lab-vect.h"
#include "label.h"
#include "page.h"
#include "print.h"

namespace {

using kora_test::messages;

// Everything `print` writes on the stream it is given.
std::string capture(const std::function<void(FILE *)> &print) {
  char *text = nullptr;
  size_t length = 0;
  FILE *stream = open_memstream(&text, &length);
  print(stream);
  std::fclose(stream);
  std::string result(text, length);
  std::free(text);
  return result;
}

class PrintTest : public kora_test::Library {
 protected:
  void SetUp() override {
    kora_test::Library::SetUp();
    kora::reset_line_buffer();
  }
  void plain_lines() { context_->eol_string = "\n"; }
};

TEST_F(PrintTest, EpsilonNetListingUsesTheContextLineEnd) {
  NET *net = epsilon_net();
  EXPECT_EQ(capture([&](FILE *s) { print_net(net, s); }),
            "Net: \r\n"
            "Flags: deterministic, pruned, minimized, epsilon_free, loop_free\r\n"
            "Arity: 1\r\n"
            "fs0:  (no arcs)\r\n");
  free_network(net);
}

// s0 -a:b-> fs1 -c-> s2 -d-> fs1, and s0 -0-> s2: a transducer with a cycle, built with its
// states listed in an order the listing must not follow.
NET *cyclic_transducer() {
  NET *net = null_net();
  STATE *s0 = net->start;
  STATE *s2 = add_state_to_net(net, 0);
  STATE *s1 = add_state_to_net(net, 1);
  add_arc_to_state(net, s0, kora::EPSILON, s2, nullptr, 0);
  add_arc_to_state(net, s0, kora::pair_id('a', 'b'), s1, nullptr, 0);
  add_arc_to_state(net, s1, 'c', s2, nullptr, 0);
  add_arc_to_state(net, s2, 'd', s1, nullptr, 0);
  add_string_property(net, "NETWORKNAME", "demo");
  return net;
}

TEST_F(PrintTest, CyclicTransducerSummaryAndListing) {
  plain_lines();
  NET *net = cyclic_transducer();
  // 16 + 4 * 4 for the label set, 16 + 4 * 128 for the sigma, 16 * (3 states + 4 arcs).
  EXPECT_EQ(capture([&](FILE *s) { kora::print_net_size(net, s); }),
            "672 bytes. 3 states, 4 arcs, Circular.\n");
  EXPECT_TRUE(messages().warnings.empty());
  EXPECT_EQ(capture([&](FILE *s) { print_net(net, s); }),
            "Net: demo\n"
            "Flags:\n"
            "Arity: 2\n"
            "s0:   a:b -> fs1, 0 -> s2.\n"
            "fs1:  c -> s2.\n"
            "s2:   d -> fs1.\n");
  EXPECT_TRUE(net->flags.sorted_states) << "the listing put the states in the standard order";
  for (STATE *s = net->states; s != nullptr; s = s->next) EXPECT_EQ(s->client_cell, nullptr);
  free_network(net);
}

// No line passes column 72 with its comma; the literal 0 is escaped apart from EPSILON.
TEST_F(PrintTest, LongArcListsWrapAtTheLineWidth) {
  plain_lines();
  NET *net = null_net();
  STATE *final = add_state_to_net(net, 1);
  for (char c = 'z'; c >= 'a'; c--) add_arc_to_state(net, net->start, c, final, nullptr, 0);
  add_arc_to_state(net, net->start, '0', final, nullptr, 0);
  std::string listing = capture([&](FILE *s) { print_net(net, s); });
  EXPECT_EQ(listing.substr(listing.find("s0:")),
            "s0:   %0 -> fs1, a -> fs1, b -> fs1, c -> fs1, d -> fs1, e -> fs1,\n"
            "      f -> fs1, g -> fs1, h -> fs1, i -> fs1, j -> fs1, k -> fs1,\n"
            "      l -> fs1, m -> fs1, n -> fs1, o -> fs1, p -> fs1, q -> fs1,\n"
            "      r -> fs1, s -> fs1, t -> fs1, u -> fs1, v -> fs1, w -> fs1,\n"
            "      x -> fs1, y -> fs1, z -> fs1.\n"
            "fs1:  (no arcs)\n");
  free_network(net);
}

TEST_F(PrintTest, SizesUseDecimalUnits) {
  auto size = [](long long bytes) { return capture([&](FILE *s) { kora::print_size(bytes, s); }); };
  EXPECT_EQ(size(1000), "1000 bytes");
  EXPECT_EQ(size(1001), "1.0 Kb");
  EXPECT_EQ(size(1500), "1.5 Kb");
  EXPECT_EQ(size(2000000), "2.0 Mb");
  EXPECT_EQ(size(3000000000LL), "3.0 Gb");
}

TEST_F(PrintTest, SummaryOfOneStateAndOfAnotherLabelMap) {
  plain_lines();
  NET *net = epsilon_net();
  EXPECT_EQ(capture([&](FILE *s) { kora::print_net_size(net, s); }),
            "48 bytes. 1 state, 0 arcs, 1 path.\n");
  EXPECT_FALSE(net->flags.paths_indexed) << "the summary leaves no index behind";
  PAGE *page = kora::make_page(1920, 0, 72);
  kora::net_summary_to_page(net, page);
  EXPECT_STREQ(page->text, "48 bytes. 1 state, 0 arcs, 1 path.");
  free_network(net);

  kora::set_label_map(kora::make_label_map("Other", 10));
  NET *other = epsilon_net();
  kora::set_label_map(nullptr);
  EXPECT_EQ(capture([&](FILE *s) { kora::print_net_size(other, s); }),
            "48 bytes. 1 state, 0 arcs, 1 path.\n Label Map: Other.\n");
  kora::reset_page(page);
  kora::net_summary_to_page(other, page);
  EXPECT_STREQ(page->text, "48 bytes. 1 state, 0 arcs, 1 path.\n Label Map: Other.");
  free_network(other);
  kora::free_page(page);

  kora::net_summary_to_page(nullptr, nullptr);
  EXPECT_EQ(messages().errors,
            std::vector<std::string>{"Unexpected NULL pointer in string_to_page()."});
}

TEST_F(PrintTest, WordsOfALoopShowTheCutAndTheRepeatedSegments) {
  plain_lines();
  NET *net = epsilon_net();
  add_arc_to_state(net, net->start, 'a', net->start, nullptr, 0);
  EXPECT_EQ(capture([&](FILE *s) { kora::print_words(net, 72, 1, 1, s); }),
            " \nWord count: 1  (actually, infinite)\n");
  EXPECT_EQ(capture([&](FILE *s) { kora::print_words(net, 72, 2, 1, s); }),
            " \n..a\nWord count: 2  (actually, infinite)\n");
  EXPECT_EQ(net->start->flags.visit_mark, 0);
  EXPECT_FALSE(net->flags.visit_marks_dirty);
  free_network(net);
}

TEST_F(PrintTest, WordsSkipEpsilonAndBreakAtTheWidth) {
  plain_lines();
  NET *net = null_net();
  STATE *middle = add_state_to_net(net, 0);
  STATE *final = add_state_to_net(net, 1);
  add_arc_to_state(net, net->start, kora::EPSILON, middle, nullptr, 0);
  add_arc_to_state(net, net->start, kora::symbol_id("abc"), middle, nullptr, 0);
  add_arc_to_state(net, middle, kora::symbol_id("defg"), final, nullptr, 0);
  EXPECT_EQ(capture([&](FILE *s) { kora::print_words(net, 4, 1, 1, s); }),
            "abcd\nefg\ndefg\nWord count: 2\n");
  EXPECT_EQ(capture([&](FILE *s) { kora::print_words(net, 0, 1, 0, s); }), "abcdefg\ndefg\n");
  free_network(net);
}

TEST_F(PrintTest, OverfullLinesAreCutAndReported) {
  plain_lines();
  context_->output_buffer_size = 20;
  NET *net = symbol_net("abcdefghijklmnopqrstuvwxyz0123");
  EXPECT_EQ(capture([&](FILE *s) { kora::print_words(net, 0, 1, 0, s); }),
            "abcdefghijklmnopqrst\n");
  EXPECT_EQ(messages().warnings,
            std::vector<std::string>{
                "Output buffer full, please increase output_buffer_size to at least 286."});
  free_network(net);
}

TEST_F(PrintTest, SmallPrintersAndRefusals) {
  EXPECT_EQ(capture([&](FILE *s) { print_net(nullptr, s); }), "");
  EXPECT_EQ(capture([](FILE *s) { kora::print_state_name(3, 1, s); }), "fs3");
  EXPECT_EQ(capture([](FILE *s) { kora::print_state_name(12, 0, s); }), "s12");
  EXPECT_EQ(kora::half_byte2hex(10), 'A');
  EXPECT_EQ(kora::half_byte2hex(16), '?');
  EXPECT_EQ(messages().errors, (std::vector<std::string>{"Unexpected NULL pointer in print_net().",
                                                         "half_byte2hex: invalid input: 16"}));

  LAB_VECTOR *labels = kora::make_lab_vector(4);
  for (uint32_t id : {uint32_t{'a'}, kora::ID_NO_SYMBOL, kora::pair_id('a', 'b'), kora::EPSILON})
    kora::lab_vector_push(id, labels);
  EXPECT_EQ(capture([&](FILE *s) { kora::print_lab_vector(labels, s, 0); }), "aa:b0");
  int_parameters()->word[KORA_SPACE_LABEL_VECTORS] = 1;
  EXPECT_EQ(capture([&](FILE *s) { kora::print_lab_vector(labels, s, 0); }), "a a:b 0");
  kora::free_lab_vector(labels);
}

}  // namespace
