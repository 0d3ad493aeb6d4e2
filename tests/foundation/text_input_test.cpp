// Text input: the NUL bytes of binary files, coding declarations and byte order marks. Line ends,
// long lines, the encoding of a file and refused files are seen through the word-list reader
// (tests/formats/text_read_test.cpp).

#include "text-input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files.h"
#include "kora_test.h"

namespace {

using kora_test::messages;
using kora_test::stream_of;

struct Line {
  int status;
  std::string text;
  bool operator==(const Line &other) const = default;
};

// Every line reader result up to the end of the stream (the final -1 included).
std::vector<Line> lines_of(const std::string &bytes) {
  FILE *stream = stream_of(bytes);
  kora::LineReader reader(stream);
  std::vector<Line> lines;
  for (;;) {
    const int status = reader.next();
    const bool line = status == kora::TEXT_LINE;
    lines.push_back({status, line ? std::string(reader.text(), reader.length()) : ""});
    if (status == kora::TEXT_END || status == kora::TEXT_BINARY) break;
  }
  std::fclose(stream);
  return lines;
}

class TextInputTest : public kora_test::QuietLibrary {};

TEST_F(TextInputTest, TheThirdNulByteMarksABinaryFile) {
  const std::string two("a\0b\0c\n", 6);
  EXPECT_EQ(lines_of(two), (std::vector<Line>{{0, std::string("a\0b\0c", 5)}, {-1, ""}}));
  const std::string three("a\0\0\0b\n", 6);
  EXPECT_EQ(lines_of(three).back().status, kora::TEXT_BINARY);
}

TEST_F(TextInputTest, CodingDeclarationsNameUtf8OrLatin1InAnyCase) {
  struct Case {
    const char *line;
    int status;
    int encoding;
    bool declaration;
  };
  const Case cases[] = {
      {"# -*- coding: utf-8 -*-", 0, KORA_UTF8, true},
      {"! -*- coding:UTF8 -*-", 0, KORA_UTF8, true},
      {"# -*- coding: Latin-1 -*-", 0, KORA_LATIN1, true},
      {"#-*-coding:   ISO-8859/1", 0, KORA_LATIN1, true},
      {"# -*- coding: iso88591 -*-", 0, KORA_LATIN1, true},
      {"no comment -*- coding: latin1", 0, 0, false},  // no "#" or "!"
      {"# coding: latin1", 0, 0, false},                // no "-*-"
      {"-*- coding: latin1 # ", 0, 0, false},           // "-*-" before the comment sign
      {"# -*- coding: koi8-r -*-", 3, 0, true},
  };
  for (const Case &c : cases) {
    messages().clear();
    int encoding = 0;
    EXPECT_EQ(kora::parse_coding_declaration(c.line, &encoding), c.status) << c.line;
    EXPECT_EQ(encoding, c.encoding) << c.line;
    EXPECT_EQ(kora::is_coding_declaration(c.line), c.declaration) << c.line;
  }
  messages().clear();
  int encoding = 0;
  kora::parse_coding_declaration("# -*- coding: koi8-r -*-", &encoding);
  EXPECT_EQ(messages().warnings, std::vector<std::string>{"Unknown character encoding: koi8-r."});
}

TEST_F(TextInputTest, ALatin1DeclarationAfterAUtf8ByteOrderMarkIsRefused) {
  FILE *stream = stream_of("\xEF\xBB\xBF# -*- coding: latin-1 -*-\nword\n");
  int encoding = 0;
  EXPECT_EQ(kora::check_byte_order_mark(stream, &encoding), kora::TEXT_LINE);
  EXPECT_EQ(encoding, KORA_UTF8);
  ASSERT_EQ(messages().warnings.size(), 1u);
  EXPECT_EQ(messages().warnings[0],
            "The declaration\n\t\t      # -*- coding: latin-1 -*-\n\t\t      comes after a UTF_8 "
            "byte order mark in the beginning of the line.");
  std::fclose(stream);
}

TEST_F(TextInputTest, ByteOrderMarksAreSkippedSoReadersNeverSeeThem) {
  struct Case {
    std::string bytes;
    const char *warning;  // null: no warning
    int encoding;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" "a\n", nullptr, KORA_UTF8},
      {"\xFE\xFF" "a\n", "Big Endian UTF-16", 0},
      {std::string("\0\0\xFE\xFF", 4) + "a\n", "Big Endian UTF-32", 0},
      {std::string("\xFF\xFE\0\0", 4) + "a\n", "Little Endian UTF-32", 0},
      {"\xFF\xFE" "a\n", "Little Endian UTF-16", 0},
      {"a\n", nullptr, 0},
  };
  for (const Case &c : cases) {
    messages().clear();
    FILE *stream = stream_of(c.bytes);
    int encoding = 0;
    kora::check_byte_order_mark(stream, &encoding);
    EXPECT_EQ(encoding, c.encoding);
    EXPECT_EQ(std::getc(stream), 'a');
    if (c.warning == nullptr) {
      EXPECT_TRUE(messages().warnings.empty());
    } else {
      ASSERT_EQ(messages().warnings.size(), 1u);
      EXPECT_EQ(messages().warnings[0], std::string(c.warning) +
                                            " is not supported.\n    Use 'iconv' to convert the "
                                            "file to UTF-8.");
    }
    std::fclose(stream);
  }
}

}  // namespace
