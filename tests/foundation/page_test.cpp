// Pages: line breaking at the margin with indentation, number formatting, growth, and the
// reports of inconsistent margins and missing pages.

#include "page.h"

#include <string>

#include "context.h"
#include "kora_test.h"
#include "platform.h"
#include "string_test_support.h"

namespace {

using kora_test::messages;
using string_test::fat;
using string_test::printed;

class PageTest : public kora_test::Library {
 protected:
  void TearDown() override {
    kora::free_page(page_);
    Library::TearDown();
  }
  std::string text() const { return PAGE_text(page_); }
  PAGE *page_ = nullptr;
};

TEST_F(PageTest, WrappingBreaksBeforeTheWordThatReachesTheMargin) {
  page_ = kora::make_page(100, 2, 10);
  kora::string_to_page("abcd efgh ijkl", 1, page_);
  EXPECT_EQ(PAGE_column(page_), 6);
  // Word by word, the blank is part of the room that each word asks for.
  kora::string_to_page(" mn", 1, page_);
  kora::string_to_page(" o", 1, page_);
  EXPECT_EQ(text(), "abcd efgh\r\n  ijkl mn\r\n  o");
  EXPECT_EQ(PAGE_line_count(page_), 2);
}

// Without a margin (-1), or with wrapping off, a long line stays one line.
TEST_F(PageTest, WithoutAMarginOrWrapNothingBreaks) {
  page_ = kora::make_page(8, 0, -1);
  const std::string long_line(300, 'w');
  kora::string_to_page((long_line + " " + long_line).c_str(), 1, page_);
  EXPECT_EQ(kora::page_room(page_, 1000), 0);
  page_->right_margin = 5;
  kora::string_to_page(" abcdefgh ijk", 0, page_);
  EXPECT_EQ(PAGE_line_count(page_), 0);
  EXPECT_EQ(PAGE_column(page_), 1601);
}

TEST_F(PageTest, PageRoomBreaksWhenTheMarginIsReachedUnlessALineJustEnded) {
  page_ = kora::make_page(100, 0, 10);
  kora::char_to_page('x', page_);
  EXPECT_EQ(kora::page_room(page_, 9), 0);
  EXPECT_EQ(kora::page_room(page_, 1), 1);
  kora::string_to_page("y\n", 0, page_);
  EXPECT_EQ(kora::page_room(page_, 50), 0);
  EXPECT_EQ(text(), "x\r\ny\n");
}

TEST_F(PageTest, LinesEndWithTheContextsTerminatorAndTheTextGrows) {
  context_->eol_string = "\n";
  page_ = kora::make_page(10, 1, 72);
  context_->eol_string = "\r\n";
  const std::string line(5000, 'z');
  EXPECT_EQ(kora::line_to_page(line.c_str(), page_), 1);
  EXPECT_EQ(kora::line_to_page("end", page_), 2);
  EXPECT_EQ(text(), line + "\n end\n ");
  EXPECT_EQ(printed([&](FILE *s) { return kora::print_page(page_, s), 0; }), line + "\n end\n \r\n");
}

TEST_F(PageTest, NumbersAreFormattedAsInReports) {
  page_ = kora::make_page(100, 0, -1);
  kora::hex_to_page(0, page_);
  kora::hex_to_page(0x1A2B, page_);
  EXPECT_EQ(text(), "001A2B") << "at least two hex digits";
  for (auto [bytes, out] : {std::pair{1000LL, "1000 bytes"}, {1001LL, "1.0 Kb"}, {2500000000LL, "2.5 Gb"}}) {
    kora::reset_page(page_);
    kora::size_to_page(bytes, page_);
    EXPECT_EQ(text(), out);
  }
}

TEST_F(PageTest, FatStringsAreWrittenInTheOutputEncoding) {
  page_ = kora::make_page(100, 0, 72);
  kora::fat_string_to_page(fat(U"\u00E9\u20AC"), 1, page_);
  EXPECT_EQ(text(), "\xC3\xA9\xE2\x82\xAC");
  set_char_encoding(context_, KORA_LATIN1);
  kora::reset_page(page_);
  kora::fat_string_to_page(fat(U"\u00E9\u20AC"), 1, page_);
  EXPECT_EQ(text(), "\xE9\x80");
  kora::pattern_match_counts_to_page("ab", 3, 0, page_);
  EXPECT_EQ(text(), "\xE9\x80" "ababab");
}

TEST_F(PageTest, InconsistentMarginsAndMissingPagesAreReported) {
  page_ = kora::make_page(50, 80, 72);
  EXPECT_EQ(messages().warnings,
            (std::vector<std::string>{
                "make_page: right margin (72) exceeds size of page (50).",
                "make_page: page indentation (80) exceeds right margin (72)."}));
  kora::string_to_page("x", 0, nullptr);
  kora::hex_to_page(1, nullptr);
  kora::fat_string_to_page(fat(U"x"), 0, nullptr);
  kora::new_page_line(nullptr);
  kora::reset_page(nullptr);
  kora::print_page(nullptr, nullptr);
  EXPECT_EQ(kora::line_to_page("x", nullptr), 0);
  std::vector<std::string> expected;
  for (const char *f : {"string_to_page", "hex_to_page", "fat_string_to_page", "new_page_line",
                        "reset_page", "print_page", "string_to_page"})
    expected.push_back(std::string("Unexpected NULL pointer in ") + f + "().");
  EXPECT_EQ(messages().errors, expected);
}

}  // namespace
