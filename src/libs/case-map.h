// Simple case mappings of Unicode characters: the one-character upper- and lower-case forms that
// the Unicode character database gives for the characters below U+2000. Characters from U+2000 up
// and characters without a simple mapping map to themselves (so "ß" stays "ß", and "ÿ" maps to
// U+0178).
//
// The mappings are kept as a sorted table of runs (case-table.inc, written by
// tools/gen-case-table.py): each run maps every stride-th code of a range by one delta, so the
// Latin, Greek, Cyrillic, Armenian, Georgian, Cherokee and Greek-extended blocks take under 160
// runs per direction. A lookup is a binary search: O(log runs). Tested in
// tests/regex/functions_test.cpp.
#pragma once

#include <cstdint>

namespace kora {

// The simple upper-case form of `code`, or `code` itself.
uint32_t simple_upper(uint32_t code);
// The simple lower-case form of `code`, or `code` itself.
uint32_t simple_lower(uint32_t code);

}  // namespace kora
