// Typed objects and sequences (prop.h) in network files: the property values of a network
// record.
//
// An object is its type code as a number followed by its value: an integer as a number, a
// character as two bytes, a string or a symbol's name as a string, an array or a list as a
// sequence, a byte block as its length and its bytes. A sequence is its length and element
// type as numbers, then each element in the way of its type (objects as objects, the names of
// a symbol package as strings). Writing and reading are linear in the bytes; nesting is
// followed by recursion, bounded on reading by MAX_NESTING so that a hostile file cannot
// exhaust the stack. Tested in tests/formats/save_load_test.cpp and
// tests/formats/corrupt_test.cpp.
#pragma once

#include <cstdint>

#include "bin-code.h"
#include "prop.h"

namespace kora {

// The deepest nesting of arrays and lists a file may hold.
constexpr int MAX_NESTING = 64;

// Appends the object; returns false after reporting "write_object: Illegal object type %d"
// (or "write_sequence: Illegal sequence type %d" for an element type) when a part of it has no
// encoding, or a character above U+FFFF when it holds one. What was appended is then garbage
// that the caller drops.
bool write_object(ByteWriter &out, const OBJECT *object);

// Reads an object, owned by the caller (free_object). Null when the bytes run out (reported
// by the reader) or hold an unknown type: "get_object: Illegal object type %d",
// "get_sequence: Illegal sequence type %d", "get_byte_block: Length mismatch. Difference is %d";
// the reader is then failed. `cp1252` as for ByteReader::get_string.
OBJECT *get_object(ByteReader &in, bool cp1252);

// Whether every code of the string is at most 0xFFFF (so that it fits in two bytes).
bool fits_in_file(const uint32_t *codes);

}  // namespace kora
