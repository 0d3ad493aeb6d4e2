// The Latin-1 character classes ("alpha", "digit", "space", ...) as alphabets of one-character
// symbols, and the list "delim" of characters that separate words.
//
// The label map defines every class, and then "delim", as a symbol list under its name when it
// is made. Building a class interns at most a few hundred one-character symbols.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// The class names, in the order in which the label map defines them as symbol lists.
constexpr int LATIN1_CLASS_COUNT = 15;
constexpr const char *LATIN1_CLASS_NAMES[LATIN1_CLASS_COUNT] = {
    "all", "alnum", "alpha", "ascii", "cntrl", "digit", "graph", "lower",
    "print", "punct", "upper", "space", "windows", "labr", "rabr"};

// A new binary alphabet (owned by the caller; initial length 128) of the Latin-1 class named
// `name`, case-insensitively: one of LATIN1_CLASS_NAMES, with "<" and ">" for "labr" and
// "rabr", and null for "all". A code from 5 to 127 stands for itself; the other codes are
// interned as one-character symbols. With parameter word 10 set, the Windows-1252 letters join
// "upper" and "lower" (and the classes made of them) and the Windows-1252 characters join
// "all". Any other name is reported as an error and gives null.
ALPH *latin1_list(const char *name);

// A new binary alphabet (owned by the caller) for the list "delim": the class "punct", the
// symbol list defined under "space" (reported when there is none) and the general punctuation
// U+2000-U+200B, U+2010-U+2026 and U+2028-U+206F.
ALPH *make_delim_list();

}  // namespace kora
