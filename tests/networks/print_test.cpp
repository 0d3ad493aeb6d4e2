// Printing networks: a golden listing with its summary, and the breaking and cutting of long lines.

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "kora_test.h"
#include "label.h"
#include "language.h"
#include "page.h"
#include "print.h"

namespace {

using kora_test::messages;

using kora_test::listing;
using kora_test::written_by;

std::string size_line(NET *net) {
  return written_by([&](FILE *s) { kora::print_net_size(net, s, "\n"); });
}

// Plain "\n" line ends.
class PrintTest : public kora_test::Library {
 protected:
  void SetUp() override {
    kora_test::Library::SetUp();
    kora::reset_line_buffer();
    context_->eol_string = "\n";
  }
};

// A transducer with a cycle whose states were made in an order the listing must not follow.
TEST_F(PrintTest, CyclicTransducerSummaryAndListing) {
  NET *net = kora_test::build_net(
      3, {2}, {{0, kora::EPSILON, 1}, {0, kora::pair_id('a', 'b'), 2}, {2, 'c', 1}, {1, 'd', 2}});
  add_string_property(net, "NETWORKNAME", "demo");
  // 16 + 4 * 4 for the label set, 16 + 4 * 128 for the sigma, 16 * (3 states + 4 arcs).
  EXPECT_EQ(size_line(net), "672 bytes. 3 states, 4 arcs, Circular.\n");
  EXPECT_EQ(listing(net),
            "Net: demo\n"
            "Flags:\n"
            "Arity: 2\n"
            "s0:   a:b -> fs1, 0 -> s2.\n"
            "fs1:  c -> s2.\n"
            "s2:   d -> fs1.\n");
  EXPECT_TRUE(net->flags.sorted_states) << "the listing put the states in the standard order";
  EXPECT_TRUE(messages().warnings.empty());
  free_network(net);
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Listings of random networks over symbols of 2 to 13 characters, at the width of one of their
// unbroken lines (which must then end exactly at the margin), one column less, and any width.
// Joining each continuation line to the line before gives the unbroken listing back; a line
// longer than the width holds one item; and a line is broken only before an item that would
// have passed the width with its punctuation.
TEST_F(PrintTest, ListingLinesBreakOnlyBeforeAnItemThatWouldNotFit) {
  const kora_test::Symbols symbols = kora_test::many_symbols(40);
  kora_test::for_seeds(100, [&](unsigned seed, std::mt19937 &random) {
    NET *net = kora_test::random_net(
        random, {.max_states = 4, .max_arcs = 16, .transducer = seed % 2 == 0, .symbols = symbols});
    context_->line_width = 0;
    listing(net);  // the first listing sorts the states, which shows in the flags
    const std::vector<std::string> whole = lines_of(listing(net));
    const int chosen = static_cast<int>(whole[random() % whole.size()].size());
    for (int width : {chosen, chosen - 1, 20 + static_cast<int>(random() % 60)}) {
      SCOPED_TRACE(::testing::Message() << "width " << width);
      context_->line_width = width;
      const std::vector<std::string> lines = lines_of(listing(net));
      std::vector<std::string> joined;
      for (size_t i = 0; i < lines.size(); i++) {
        const size_t text = lines[i].find_first_not_of(' ');
        if (text == 0 || i == 0) {
          joined.push_back(lines[i]);
          continue;
        }
        // Unbroken, the line before would have gone on with a blank, the item and a comma or
        // period in place of its own final comma.
        const std::string item = lines[i].substr(text, lines[i].find_first_of(",.", text) - text);
        EXPECT_GT(lines[i - 1].size() + 1 + item.size() + 1, static_cast<size_t>(width))
            << "needless break before " << item;
        joined.back().append(" ").append(lines[i].substr(text));
      }
      EXPECT_EQ(joined, whole);
      for (const std::string &line : lines) {
        if (line.size() > static_cast<size_t>(width)) {
          EXPECT_EQ(line.find(", "), std::string::npos) << line;
        }
      }
    }
    free_network(net);
  });
}

TEST_F(PrintTest, OverfullLinesAreCutAndReported) {
  context_->output_buffer_size = 20;
  NET *net = symbol_net("abcdefghijklmnopqrstuvwxyz0123");
  EXPECT_NE(listing(net).find("\ns0:   abcdefghijklmn\nfs1:  (no arcs)\n"), std::string::npos)
      << "each line keeps the first 20 bytes";
  ASSERT_FALSE(messages().warnings.empty());
  EXPECT_EQ(messages().warnings[0].rfind("Output buffer full, please increase output_buffer_size", 0),
            0u);
  free_network(net);
}

}  // namespace
