#include "kora_test.h"

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

}  // namespace kora_test
