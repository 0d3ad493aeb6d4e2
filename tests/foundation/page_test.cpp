// Pages: line ends with indentation, and growth.

#include "page.h"

#include <string>

#include "context.h"
#include "kora_test.h"

namespace {


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

}  // namespace
