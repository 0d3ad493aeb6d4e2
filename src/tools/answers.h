// The lookup tools' answer to one input line as kora lookup writes it, appended to a growing
// block of bytes. Shared by the tool and the lookup benchmark, which times the same writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "kora.h"

namespace kora_tool {

// Answers as they are made: bytes appended at the end of one growing block, without the
// per-piece checks of std::string::append.
class Answers {
 public:
  // Room for `count` more bytes; write them from the pointer returned and then call added().
  char *room(size_t count) {
    if (capacity_ - size_ < count) grow(count);
    return bytes_.get() + size_;
  }
  // The bytes written since room() end at `end`.
  void added(const char *end) { size_ = static_cast<size_t>(end - bytes_.get()); }
  const char *data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }

 private:
  void grow(size_t count) {
    size_t capacity = capacity_ < kFirstCapacity ? kFirstCapacity : capacity_;
    while (capacity - size_ < count) capacity *= 2;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(bytes.get(), bytes_.get(), size_);
    bytes_ = std::move(bytes);
    capacity_ = capacity;
  }

  static constexpr size_t kFirstCapacity = 64 * 1024;
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

inline char *put(char *at, const char *bytes, size_t count) {
  std::memcpy(at, bytes, count);
  return at + count;
}

// Puts an input or a result into an answer line, whose fields are separated by tabs: a tab in it
// is written "\t" and a backslash "\\", as in a quoted symbol of a regular expression, so
// that the line splits into its fields at its tabs. Needs room for 2 * count bytes.
inline char *put_field(char *at, const char *bytes, size_t count) {
  const char *end = bytes + count;
  const char *special = bytes;
  while (special < end && *special != '\t' && *special != '\\') special++;
  if (special == end) return put(at, bytes, count);
  at = put(at, bytes, static_cast<size_t>(special - bytes));
  for (const char *c = special; c < end; c++) {
    if (*c == '\t' || *c == '\\') {
      *at++ = '\\';
      *at++ = *c == '\t' ? 't' : '\\';
    } else {
      *at++ = *c;
    }
  }
  return at;
}

// Appends the answer to one input line (`length` bytes, without its line end) given its
// results, each ended by "\n" (the context's end-of-line string): each result as
// "input<TAB>result", or "input<TAB>input<TAB>+?" when there is none (null or empty), then an
// empty line; inputs and results written with put_field(). The input ends at its first NUL
// byte, if it has one. At most `max_results` results are written; *cut, when given, becomes
// whether any were left out. Returns whether the line had a result.
inline bool format_answer(const char *input, size_t length, const char *results, Answers &out,
                          size_t max_results = SIZE_MAX, bool *cut = nullptr) {
  length = strnlen(input, length);
  // The input is written once per result: whether it needs escaping is found once.
  const bool input_plain = std::memchr(input, '\t', length) == nullptr &&
                           std::memchr(input, '\\', length) == nullptr;
  auto put_input = [&](char *at) {
    return input_plain ? put(at, input, length) : put_field(at, input, length);
  };
  if (results == nullptr || *results == '\0') {
    char *at = out.room(4 * length + 6);
    at = put_input(at);
    *at++ = '\t';
    at = put_input(at);
    out.added(put(at, "\t+?\n\n", 5));
    if (cut != nullptr) *cut = false;
    return false;
  }
  const char *line = results;
  for (size_t count = 0; *line != '\0' && count < max_results; count++) {
    // One pass finds the result's end and whether it needs escaping.
    const char *end = line;
    bool plain = true;
    for (; *end != '\n' && *end != '\0'; end++) plain = plain && *end != '\t' && *end != '\\';
    const size_t line_length = static_cast<size_t>(end - line);
    char *at = out.room(2 * (length + line_length) + 2);
    at = put_input(at);
    *at++ = '\t';
    at = plain ? put(at, line, line_length) : put_field(at, line, line_length);
    *at++ = '\n';
    out.added(at);
    line = *end == '\n' ? end + 1 : end;
  }
  if (cut != nullptr) *cut = *line != '\0';
  char *at = out.room(1);
  *at++ = '\n';
  out.added(at);
  return true;
}

// Looks one input line up (its line end already cut off; `length` bytes, 0-terminated) and
// appends the answer as format_answer() writes it.
inline bool answer(APPLY_CONTEXT *applyer, const char *input, size_t length, Answers &out,
                   size_t max_results = SIZE_MAX, bool *cut = nullptr) {
  length = strnlen(input, length);
  return format_answer(input, length, apply_to_string(input, applyer), out, max_results, cut);
}

}  // namespace kora_tool
