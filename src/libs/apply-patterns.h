// The pattern applyer: marking up the matches of a pattern network in running text.
//
// A pattern network is a transducer whose paths read a pattern on the input side and write it
// (or what should replace it) followed by a closing tag, a symbol spelled "</name>". The text is
// scanned from left to right; at each scan position the longest match is taken (the longest
// path from the start state that reads symbols of the text from there and ends, at a final
// state, with a closing tag written), "<name>" is written before its output and "</name>" after
// it, and the scan goes on after the match; where nothing matches one symbol is copied. Options
// delete the matches, extract them one per item, write their locations, or only count them.
//
// Longest match from a position: a depth-first walk with explicit frames over the applyer's
// index of the network (apply-index.h), obeying flag diacritics through the applyer's flag
// register, entering inserted networks (@I.name@), matching list flags and OTHER like the
// applyer's general search (apply.h), and cutting epsilon loops the same way (an epsilon move
// may not revisit a state visited since the last consumed symbol). Every final state reached
// after a closing tag is a candidate; the longest wins, and equally long ones with other tags
// are added once. The path of the winner goes through the applyer's own formatter. Cost per
// scan position: the paths explored from it, which for a deterministic network is one step per
// symbol of the longest prefix of the text there that the network can read.
//
// The text is read into a ring buffer of symbols (cut by the network's parse table, as the
// applyer cuts input), a block at a time, so that a stream of any length is scanned in constant
// memory. A match is never longer than the ring (kDefaultRingSymbols symbols unless
// set_pattern_ring changes it) and never contains a line feed: the line end is copied and the
// scan starts afresh after it, so that blocks of whole lines can be marked up independently
// (the tool's -j) with the same result as the whole text.
//
// Tag symbols whose name is defined as a network (a "transducer" tag) or as a regex function
// of one argument (a "function" tag) replace the match by the single string that the
// definition gives for it. Tested in tests/apply/apply_patterns_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// The ring's size in symbols and the symbols read into it at a time.
constexpr uint32_t kDefaultRingSymbols = 1 << 16;
constexpr uint32_t kDefaultRingBlock = 1 << 12;

// Sets the ring of a pattern applyer to `symbols` (a power of two, at least 2) read `block` at
// a time (at least 1, at most `symbols`); takes effect when it is next bound to input. Tests
// use small rings to make matches wrap around. False, changing nothing, for other values or an
// applyer that is not a pattern applyer.
bool set_pattern_ring(APPLY_CONTEXT *applyer, uint32_t symbols, uint32_t block);

// Makes the pattern applyer close its output file when it is freed (make_pattern_applyer opened
// it).
void set_pattern_output_owned(APPLY_CONTEXT *applyer);

}  // namespace kora
