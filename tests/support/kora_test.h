// Test helpers: a fixture that runs each test in a freshly initialized library and records
// every warning and error the library reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "kora.h"

namespace kora_test {

// The messages reported since the last clear().
struct Messages {
  std::vector<std::string> warnings;
  std::vector<std::string> errors;
  void clear() {
    warnings.clear();
    errors.clear();
  }
};

// Messages captured by the callbacks that Library installs.
Messages &messages();

// Each test starts with initialize_kora(), capturing callbacks and the default parameters, and
// ends with reclaim_kora(), so that LeakSanitizer sees whatever a test left behind.
class Library : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  FST_CONTEXT *context_ = nullptr;
};

// The members of a binary or a label alphabet, read straight from its items.
std::set<uint32_t> alph_members(const ALPH *alph);

}  // namespace kora_test
