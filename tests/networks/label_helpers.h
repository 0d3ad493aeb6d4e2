// Helpers for the tests of labels: fat strings as std::u32string and back.
#pragma once

#include <string>

#include "kora_test.h"
#include "label.h"

namespace kora_test {

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
