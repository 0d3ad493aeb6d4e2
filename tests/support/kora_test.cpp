#include "kora_test.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace kora_test {
namespace {

void record_warning(const char *message, const char *, int) {
  messages().warnings.emplace_back(message);
}
void record_error(const char *message, const char *, int) {
  messages().errors.emplace_back(message);
}

}  // namespace

Messages &messages() {
  static Messages captured;
  return captured;
}

// The parameter record outlives reclaim_kora; every test starts from the defaults.
void Library::SetUp() {
  static const INT_PARAMETERS defaults = *int_parameters();
  *int_parameters() = defaults;
  messages().clear();
  set_warning_function(record_warning);
  set_error_function(record_error);
  context_ = initialize_kora();
}

void Library::TearDown() {
  reclaim_kora(context_);
  set_warning_function(nullptr);
  set_error_function(nullptr);
}

std::set<uint32_t> alph_members(const ALPH *alph) {
  std::set<uint32_t> ids;
  for (int i = 0; i < alph->len; ++i) {
    if (alph->type == KORA_BINARY_ALPH && alph->items[i] != 0) ids.insert(i);
    if (alph->type == KORA_LABEL_ALPH) ids.insert(alph->items[i]);
  }
  return ids;
}

std::vector<unsigned> seeds(unsigned count) {
  if (const char *one = std::getenv("KORA_TEST_SEED")) return {static_cast<unsigned>(std::atol(one))};
  if (const char *many = std::getenv("KORA_TEST_SEEDS")) count = static_cast<unsigned>(std::atol(many));
  std::vector<unsigned> all(count);
  for (unsigned i = 0; i < count; i++) all[i] = i + 1;
  return all;
}

std::vector<std::string> sorted_results(NET *net, int side, const std::string &input) {
  APPLY_CONTEXT *applyer = init_apply(net, side, nullptr);
  const char *output = apply_to_string(input.c_str(), applyer);
  std::vector<std::string> lines;
  std::istringstream text(output == nullptr ? "" : output);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  free_applyer(applyer);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace kora_test
