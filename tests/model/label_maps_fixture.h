// A fixture for the tests of the label maps: a fresh library whose label maps exist, with
// helpers that turn fat strings into std::u32string and back.
#pragma once

#include <string>

#include "kora_test.h"
#include "label.h"

namespace kora_test {

// Makes the label maps when initialize_kora has not, and frees them before the library's heaps
// go (free_label_maps does nothing when called a second time).
class LabelMaps : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    if (kora::current_label_map() == nullptr) kora::make_label_maps();
  }
  void TearDown() override {
    kora::free_label_maps();
    Library::TearDown();
  }
};

inline std::u32string u32(const uint32_t *fs) {
  return fs == nullptr ? U"" : std::u32string(reinterpret_cast<const char32_t *>(fs));
}

// The codes of `s`, terminated, as the FAT_STR the library takes (valid while `s` lives).
inline kora::FAT_STR fat(std::u32string &s) { return reinterpret_cast<uint32_t *>(s.data()); }

inline std::u32string label_name(uint32_t id) {
  const kora::LABEL *label = kora::label_record(id);
  return label != nullptr && label->arity == 1 ? u32(label->name) : U"";
}

}  // namespace kora_test
