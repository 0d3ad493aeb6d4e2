// Fat strings for the tests: from u32string literals and back, taking over the text that a
// conversion allocated, the name of a symbol, and the text that a printing function writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kora_test.h"
#include "label.h"

namespace kora_test {

// The codes of a fat string ("" for null).
inline std::u32string u32(const uint32_t *fs) {
  return fs == nullptr ? U"" : std::u32string(reinterpret_cast<const char32_t *>(fs));
}

// The codes of `s`, terminated, as the FAT_STR the library takes (valid while `s` lives); the
// library may change them in place.
inline kora::FAT_STR fat(std::u32string &s) { return reinterpret_cast<uint32_t *>(s.data()); }
inline const uint32_t *fat(const std::u32string &s) {
  return reinterpret_cast<const uint32_t *>(s.c_str());
}

// The text of an allocated thin or fat string, which is freed.
inline std::string take(char *text) {
  std::string result(text);
  std::free(text);
  return result;
}
inline std::u32string take(uint32_t *fs) {
  std::u32string result = u32(fs);
  std::free(fs);
  return result;
}

inline std::u32string label_name(uint32_t id) {
  const kora::LABEL *label = kora::label_record(id);
  return label != nullptr && label->arity == 1 ? u32(label->name) : U"";
}

// What print(stream) wrote; *result receives what print returned.
template <typename Print>
std::string printed(Print print, int *result = nullptr) {
  return written_by([&](FILE *stream) {
    int value = print(stream);
    if (result != nullptr) *result = value;
  });
}

}  // namespace kora_test
