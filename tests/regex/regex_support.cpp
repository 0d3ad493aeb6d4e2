#include "regex_support.h"

#include <gtest/gtest.h>

#include "label.h"

namespace kora_test {
namespace {

std::string symbols_text(const Symbols &symbols) {
  std::string text;
  for (uint32_t id : symbols) {
    if (id > 32 && id < 127) {
      text += static_cast<char>(id);
      continue;
    }
    std::string name;
    kora::append_label(name, id, 0);
    text.append("<").append(name).append(">");
  }
  return text;
}

}  // namespace

std::set<std::string> spell(const NET *net, size_t max_length,
                            const std::vector<const NET *> &universe_nets) {
  std::vector<const NET *> nets = universe_nets;
  nets.push_back(net);
  const Symbols universe = universe_of(nets);
  std::set<std::string> out;
  for (const StringPair &pair : enumerate(net, universe, max_length)) {
    std::string upper = symbols_text(pair.first);
    std::string lower = symbols_text(pair.second);
    out.insert(upper == lower ? upper : upper + ":" + lower);
  }
  return out;
}

::testing::AssertionResult same_relation(const NET *a, const NET *b, size_t max_length) {
  if (a == nullptr || b == nullptr) return ::testing::AssertionFailure() << "a network is null";
  const Symbols universe = universe_of({a, b});
  Relation ra = enumerate(a, universe, max_length);
  Relation rb = enumerate(b, universe, max_length);
  if (ra == rb) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << describe(ra) << "\n  differs from\n" << describe(rb);
}

}  // namespace kora_test
