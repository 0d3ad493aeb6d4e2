// Lexicon construction: the networks of lexicon source files (read_vorn, declared in kora.h).
//
// The parser (lexicon-grammar.h) reports the constructs of a lexicon; the builder here turns
// them into one network:
//   - Entry words are cut into symbols by longest match over the declared multi-character
//     symbols (a parse table, pars-tbl.h); "0" is EPSILON and "%" escapes the next byte. A pair
//     entry U:L aligns the symbols of its two words from the left, the shorter side padded with
//     EPSILON.
//   - Each sublexicon N keeps its entries as label sequences ended by the class label
//     "<<<C>>>" of the entry's continuation class C, and becomes the minimal network of those
//     sequences (minimal-sequences.h), united with the networks of its regular-expression
//     entries.
//   - The sublexicons that the root (ROOT or Root, else the first declared) reaches are joined
//     into one network: every arc labelled "<<<C>>>" becomes an EPSILON arc into the start state
//     of C, and a word ends where it reaches the start state of the end class "#". The joined
//     network is pruned and minimized (which removes the EPSILON arcs).
// Undefined and unused sublexicons, symbols lost with them, info strings and sublexicons
// declared twice are warned about, each warning beginning with its line ("line N: "); parse
// errors abort the compilation.
//
// Cost: tokenizing is linear in the bytes of the entries; building each sublexicon is the
// incremental minimal construction (sorting its sequences when they come unsorted); the join is
// linear in the arcs, and the final minimization is that of minimize.h on a network whose size
// is the sum of the minimal sublexicons. Tested in tests/lexicon/.
#pragma once

#include <cstdio>
#include <string_view>

#include "kora.h"

namespace kora {

// Compiles the lexicon `source` and returns its network (the caller's): the null network (one
// non-final state) when the compilation was aborted or found no sublexicon. *lines, when given,
// receives the number of lines read. `progress` allows the progress output that verbose mode
// prints (the compilation of a file read from a terminal has none).
NET *compile_lexicon(std::string_view source, bool progress, long long *lines);

// Reads `stream` to its end and compiles it as compile_lexicon does. The stream stays the
// caller's.
NET *compile_lexicon_stream(FILE *stream, long long *lines);

}  // namespace kora
