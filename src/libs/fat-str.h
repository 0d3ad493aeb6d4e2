// Fat strings: 0-terminated arrays of 32-bit character codes, the form in which the library holds
// symbol names and text. This module provides their basic operations, the Windows-1252 reading
// of the bytes 0x80-0x9F, the printable test, and the conversions between fat strings and thin
// (8-bit) strings in UTF-8 or ISO-8859-1.
//
// A string returned as "new" is allocated with malloc and belongs to the caller (std::free).
// A conversion given a STRING_BUFFER replaces the buffer's content and returns its characters,
// which stay valid until the buffer next changes. The fat scratch buffer is the context's
// `wide_buffer`; a result left there is valid only until the next conversion that uses it.
#pragma once

#include <cstdint>

#include "str-buf.h"

namespace kora {

typedef uint32_t *FAT_STR;

// ---- Basics ------------------------------------------------------------------------------------

// The number of codes before the terminator.
int fat_strlen(const uint32_t *fs);

// Copies `from` with its terminator into `to`, which has room for it; returns `to`.
FAT_STR fat_strcpy(FAT_STR to, const uint32_t *from);

// A new copy of `fs`.
FAT_STR fat_strdup(const uint32_t *fs);

// Compares by code value; a proper prefix is smaller. Negative, 0 or positive as `a` sorts
// before, with or after `b`.
int fat_strcmp(const uint32_t *a, const uint32_t *b);

// The letter of the C escape of backspace, tab, newline, vertical tab and carriage return (b, t,
// n, v, r); 0 for any other code.
char c_escape_letter(uint32_t c);

// ---- Windows-1252 ------------------------------------------------------------------------------

// For a byte 0x80-0x9F, stores its Windows-1252 character in *out (one of the five bytes that
// code page leaves undefined stands for itself) and returns 0. Any other byte is stored as it is
// and gives 1.
int cp1252_to_unicode(uint32_t *out, uint32_t byte);

// Whether `code` is one of 0x80-0x9F that Windows-1252 defines (all but 0x81, 0x8D, 0x8F, 0x90,
// 0x9D).
bool is_cp1252_defined(uint32_t code);

// Replaces every code 0x80-0x9F of `fs` that Windows-1252 defines by its character. Returns 3
// when an undefined code was met (it stays as it is), else 0.
int convert_cp1252_in_place(FAT_STR fs);

// ---- Printable test ----------------------------------------------------------------------------

// 8-12, the blank, graphic ASCII and 161-255 are printable; 128-159 only when parameter word 10
// is set, Windows-1252 defines the code, and neither the input nor the output encoding is UTF-8.
int is_printable(uint32_t c);

// ---- Thin to fat -------------------------------------------------------------------------------

// Each byte of `s` becomes its code, except that when the input encoding is not UTF-8 and
// parameter word 10 is set, the bytes 0x80-0x9F become their Windows-1252 characters.
// Returns a new string.
FAT_STR thin_to_fat(const char *s);

// Decodes UTF-8 (illegal bytes are reported and become 0xFDFF, see utf8.h): a new string, or
// the scratch buffer's characters.
FAT_STR utf8_thin_to_fat(const char *s);

// ---- Fat to thin -------------------------------------------------------------------------------

// ISO-8859-1: codes below 256 are copied as bytes; larger ones go through the Windows-1252
// table, and a code that is not in it gives the warning "\\u%X is not a Latin-1 character.\n If
// you are in TARN, ..." and contributes its low byte. Writes into the thin `buffer`, or returns
// a new string when `buffer` is null.
char *fat_to_thin(const uint32_t *fs, STRING_BUFFER *buffer);

// UTF-8, lenient (see utf8.h). Writes into the thin `buffer`, or a new string when it is null.
char *fat_to_utf8(const uint32_t *fs, STRING_BUFFER *buffer);

}  // namespace kora
