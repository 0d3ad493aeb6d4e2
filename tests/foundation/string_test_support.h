// Helpers for the tests of fat strings, string buffers and pages: fat strings from u32string
// literals, and the text that a printing function writes to a stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace string_test {

// The codes of a UTF-32 literal, as a fat string valid while `s` lives.
inline const uint32_t *fat(const std::u32string &s) {
  return reinterpret_cast<const uint32_t *>(s.c_str());
}

// The codes of a fat string.
inline std::u32string codes(const uint32_t *fs) {
  return std::u32string(reinterpret_cast<const char32_t *>(fs));
}

// Calls print(stream) on a temporary file and returns what it wrote; *result receives what
// print returned.
template <typename Print>
std::string printed(Print print, int *result = nullptr) {
  FILE *stream = std::tmpfile();
  int value = print(stream);
  if (result != nullptr) *result = value;
  std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
  std::rewind(stream);
  size_t got = std::fread(text.data(), 1, text.size(), stream);
  text.resize(got);
  std::fclose(stream);
  return text;
}

}  // namespace string_test
