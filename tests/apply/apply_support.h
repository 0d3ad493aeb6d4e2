// What the applyer tests share: a fixture whose results end with a line feed, symbols and pairs
// by name, label sequences spelled as the applyer reads and writes them, and an applyer's output
// cut into its lines.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "kora_test.h"
#include "label.h"
#include "language.h"

namespace apply_tests {

// The library fixture, each result of an applyer ending with "\n".
using Applying = kora_test::LineFeedLibrary;

inline uint32_t sym(const char *name) { return kora::symbol_id(name); }
inline uint32_t pair(const char *upper, const char *lower) {
  return kora::pair_id(sym(upper), sym(lower));
}

inline std::string spell(const kora_test::Symbols &symbols) {
  std::string text;
  for (uint32_t s : symbols) kora::append_label(text, s, 0);
  return text;
}

inline std::vector<std::string> lines_of(const char *output) {
  std::vector<std::string> lines;
  std::istringstream text(output == nullptr ? "" : output);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

}  // namespace apply_tests
