// Helpers for the string tests: fat strings from u32string literals, taking over the text that a
// conversion allocated, and the text that a printing function writes to a stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kora_test.h"

namespace string_test {

// The codes of a UTF-32 literal, as a fat string valid while `s` lives.
inline const uint32_t *fat(const std::u32string &s) {
  return reinterpret_cast<const uint32_t *>(s.c_str());
}

inline std::u32string codes(const uint32_t *fs) {
  return std::u32string(reinterpret_cast<const char32_t *>(fs));
}

// The text of an allocated thin or fat string, which is freed.
inline std::string take(char *text) { std::string result(text); std::free(text); return result; }
inline std::u32string take(uint32_t *fs) { std::u32string result = codes(fs); std::free(fs); return result; }

// What print(stream) wrote; *result receives what print returned.
template <typename Print>
std::string printed(Print print, int *result = nullptr) {
  return kora_test::written_by([&](FILE *stream) {
    int value = print(stream);
    if (result != nullptr) *result = value;
  });
}

}  // namespace string_test
