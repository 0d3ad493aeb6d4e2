// String buffers: growable, always terminated arrays of thin (one-byte) or fat (four-byte)
// characters that count the newlines appended to them.
//
// The operations that take a buffer report a null one as the error "Unexpected NULL pointer in
// %s()." and do nothing else; thin operations on a fat buffer are refused with an error too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "kora.h"

// Global, to complete the declaration of the public header.
struct STRING_BUFFER {
  int char_size;   // 1 for thin characters, 4 for fat ones
  int length;      // capacity in characters, the terminator included
  int pos;         // characters used; the character at pos is the terminator
  void *string;    // the characters
};

#define STRING_BUFFER_thin(buffer) (static_cast<char *>((buffer)->string))
#define STRING_BUFFER_fat(buffer) (static_cast<uint32_t *>((buffer)->string))

namespace kora {

// A new empty buffer of `length` characters of `char_size` bytes (1 or 4), owned by the caller
// (free_string_buffer). The length must be positive (assertion "length > 0").
STRING_BUFFER *make_string_buffer(int length, int char_size);
STRING_BUFFER *make_thin_buffer(int length);
STRING_BUFFER *make_fat_buffer(int length);

// Frees the buffer and its characters. Null is ignored.
void free_string_buffer(STRING_BUFFER *buffer);

// Empties the buffer: position and line count 0, empty text. The capacity is kept.
void reset_string_buffer(STRING_BUFFER *buffer);

// Makes room for `n` more characters and the terminator: when pos + n + 1 exceeds the capacity,
// the capacity becomes twice the old one, or pos + n + 1 if that is larger. The growth is
// charged to the memory budget; a buffer cannot pass INT_MAX characters, and a call that would
// make it is abandoned with "Text too long" (see boundary.h).
void assure_buffer_space(size_t n, STRING_BUFFER *buffer);

// Append to a thin buffer and return the new position; each newline is counted. A refused
// append changes nothing and returns the position (0 for a null buffer).
int append_char_to_buffer(int c, STRING_BUFFER *buffer);
int append_string_to_buffer(const char *s, STRING_BUFFER *buffer);

}  // namespace kora
