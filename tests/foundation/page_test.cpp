// Pages: line ends with indentation, growth, and the reports of inconsistent margins and missing
// pages.

#include "page.h"

#include <string>

#include "context.h"
#include "kora_test.h"

namespace {

using kora_test::messages;

class PageTest : public kora_test::Library {
 protected:
  void TearDown() override {
    kora::free_page(page_);
    Library::TearDown();
  }
  std::string text() const { return page_->text; }
  PAGE *page_ = nullptr;
};

TEST_F(PageTest, LinesEndWithTheContextsTerminatorAndTheTextGrows) {
  context_->eol_string = "\n";
  page_ = kora::make_page(10, 1, 72);
  context_->eol_string = "\r\n";
  const std::string line(5000, 'z');
  EXPECT_EQ(kora::line_to_page(line.c_str(), page_), 1);
  EXPECT_EQ(kora::line_to_page("end", page_), 2);
  EXPECT_EQ(text(), line + "\n end\n ");
}

TEST_F(PageTest, InconsistentMarginsAndMissingPagesAreReported) {
  page_ = kora::make_page(50, 80, 72);
  EXPECT_EQ(messages().warnings,
            (std::vector<std::string>{
                "make_page: right margin (72) exceeds size of page (50).",
                "make_page: page indentation (80) exceeds right margin (72)."}));
  kora::new_page_line(nullptr);
  EXPECT_EQ(kora::line_to_page("x", nullptr), 0);
  std::vector<std::string> expected;
  for (const char *f : {"new_page_line", "string_to_page"})
    expected.push_back(std::string("Unexpected NULL pointer in ") + f + "().");
  EXPECT_EQ(messages().errors, expected);
}

}  // namespace
