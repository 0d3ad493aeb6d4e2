// String buffers of thin or fat characters.

#include "str-buf.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boundary.h"
#include "error.h"
#include "memory-budget.h"

namespace kora {
namespace {

// Reports a null buffer under the operation's name; true when the buffer is there.
bool present(const STRING_BUFFER *buffer, const char *operation) {
  if (buffer == nullptr) error_printf("Unexpected NULL pointer in %s().", operation);
  return buffer != nullptr;
}

// True for a present thin buffer; a null or fat one is reported, `what` naming the kind of append.
bool thin_target(const STRING_BUFFER *buffer, const char *operation, const char *what) {
  if (!present(buffer, operation)) return false;
  if (buffer->char_size != 1) error_printf("Appending a thin %s to a fat string buffer", what);
  return buffer->char_size == 1;
}

// The most characters a buffer holds, the terminator included: its positions are ints.
constexpr size_t kLongestBuffer = INT_MAX;

size_t bytes_of(const STRING_BUFFER *buffer) {
  return static_cast<size_t>(buffer->length) * static_cast<size_t>(buffer->char_size);
}

// `length` zeroed characters of `char_size` bytes, charged to the memory budget.
void *allocate_characters(int length, int char_size) {
  KORA_ASSERT(char_size == 1 || char_size == 4);
  charge_memory(static_cast<size_t>(length) * static_cast<size_t>(char_size));
  void *characters = std::calloc(static_cast<size_t>(length), static_cast<size_t>(char_size));
  if (characters == nullptr) out_of_memory("MAKE_STRING_BUFFER");
  return characters;
}

void terminate(STRING_BUFFER *buffer) {
  if (buffer->char_size == 1) {
    STRING_BUFFER_thin(buffer)[buffer->pos] = '\0';
  } else {
    STRING_BUFFER_fat(buffer)[buffer->pos] = 0;
  }
}

// Appends `count` thin bytes. The buffer is thin.
int append_bytes(const char *bytes, int count, STRING_BUFFER *buffer) {
  assure_buffer_space(count, buffer);
  char *text = STRING_BUFFER_thin(buffer);
  std::memcpy(text + buffer->pos, bytes, static_cast<size_t>(count));
  buffer->pos += count;
  text[buffer->pos] = '\0';
  return buffer->pos;
}

}  // namespace

STRING_BUFFER *make_string_buffer(int length, int char_size) {
  KORA_ASSERT(length > 0);
  auto *buffer = static_cast<STRING_BUFFER *>(std::calloc(1, sizeof(STRING_BUFFER)));
  if (buffer == nullptr) out_of_memory("MAKE_STRING_BUFFER");
  buffer->char_size = char_size;
  buffer->length = length;
  buffer->string = allocate_characters(length, char_size);
  return buffer;
}

STRING_BUFFER *make_thin_buffer(int length) { return make_string_buffer(length, 1); }

STRING_BUFFER *make_fat_buffer(int length) { return make_string_buffer(length, 4); }

void free_string_buffer(STRING_BUFFER *buffer) {
  if (buffer == nullptr) return;
  if (buffer->string != nullptr) release_memory(bytes_of(buffer));
  std::free(buffer->string);
  std::free(buffer);
}

void reset_string_buffer(STRING_BUFFER *buffer) {
  if (!present(buffer, "reset_string_buffer")) return;
  buffer->pos = 0;
  terminate(buffer);
}

void assure_buffer_space(size_t n, STRING_BUFFER *buffer) {
  if (!present(buffer, "assure buffer space")) return;
  const size_t needed = static_cast<size_t>(buffer->pos) + n + 1;
  const size_t length = static_cast<size_t>(buffer->length);
  if (needed <= length) return;
  if (needed > kLongestBuffer || needed < n)
    throw CallAbandoned{"Text too long",
                        "more than " + std::to_string(kLongestBuffer - 1) + " characters"};
  const size_t grown = std::min(std::max(2 * length, needed), kLongestBuffer);
  const size_t char_size = static_cast<size_t>(buffer->char_size);
  charge_memory((grown - length) * char_size);
  void *string = std::realloc(buffer->string, grown * char_size);
  if (string == nullptr) out_of_memory("ASSURE_BUFFER_SPACE");
  std::memset(static_cast<char *>(string) + length * char_size, 0, (grown - length) * char_size);
  buffer->string = string;
  buffer->length = static_cast<int>(grown);
}

int append_char_to_buffer(int c, STRING_BUFFER *buffer) {
  if (!thin_target(buffer, "append_char_to_buffer", "character")) {
    return buffer != nullptr ? buffer->pos : 0;
  }
  char byte = static_cast<char>(c);
  return append_bytes(&byte, 1, buffer);
}

int append_string_to_buffer(const char *s, STRING_BUFFER *buffer) {
  if (!thin_target(buffer, "append_string_to_buffer", "string")) {
    return buffer != nullptr ? buffer->pos : 0;
  }
  return append_bytes(s, static_cast<int>(std::strlen(s)), buffer);
}

}  // namespace kora
