// The strings of a small automaton as text, from the shared language oracle (language.h):
// printable ASCII symbols are their characters, any other symbol is written as <id>.
#pragma once

#include <set>
#include <string>

#include "language.h"

namespace kora_test {

// Every string of at most `max_symbols` symbols that the automaton accepts, found on paths of at
// most 2 * max_symbols + 2 arcs (enough for the EPSILON arcs the tests' networks put between
// symbols).
inline std::set<std::string> words(const NET *net, size_t max_symbols) {
  std::set<std::string> texts;
  const int max_arcs = static_cast<int>(2 * max_symbols + 2);
  for (const StringPair &pair : shorter_than(enumerate(net, {}, max_arcs), max_symbols)) {
    std::string text;
    for (uint32_t id : pair.first)
      text += id > 32 && id < 127 ? std::string(1, static_cast<char>(id))
                                  : "<" + std::to_string(id) + ">";
    texts.insert(text);
  }
  return texts;
}

}  // namespace kora_test
