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
// are added once. The path of the winner goes through the applyer's own formatter. Most pattern
// networks (a list of names or terms, each followed by its tag) need none of that: when every
// state's ordinary arcs read distinct symbols and its only other arc writes a closing tag into
// a final state without arcs, the network is walked as a trie, one arc per symbol, without
// frames or a path, and the general search is kept for the states and matches the walk cannot
// decide. Cost per scan position: the paths explored from it, which for a trie is one step per
// symbol of the longest prefix of the text there that the network can read.
//
// The text is read into a window of bytes a block at a time (a string is its own window), so
// that a stream of any length is scanned in constant memory; symbols are cut from it by the
// network's parse table, as the applyer cuts its input, when the search asks for them. A match
// is never longer than the window (kDefaultWindowBytes unless set_pattern_window changes it)
// and never contains a line feed: the line end is copied and the scan starts afresh after it,
// so that blocks of whole lines can be marked up independently (the tool's -j) with the same
// result as the whole text. Where the input and output encodings are the same, runs of bytes
// with which no match can start (by a table of the start state's symbols) are copied as they
// are, without being cut into symbols: the cost of unmatched text is a table look-up per byte.
//
// After its closing tag a path may ask for contexts (the markers and checks that LC(, RC(, NLC(,
// NRC(, AND( and OR( write): the match counts only when they hold, the left ones read backwards
// from the start of the match and the right ones forwards from its end, never past a line feed
// nor more than a quarter of the window away (the window keeps that much text before the scan
// position). The Contexts section of apply-patterns.cpp gives the rules and the cost.
//
// Tag symbols whose name is defined as a network (a "transducer" tag) or as a regex function
// of one argument (a "function" tag) replace the match by the single string that the
// definition gives for it. Tested in tests/apply/apply_patterns_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kora.h"

namespace kora {

// The window's size in bytes and the bytes read into it at a time.
constexpr size_t kDefaultWindowBytes = 1 << 16;
constexpr size_t kDefaultWindowBlock = 1 << 14;

// Sets the window of a pattern applyer to `bytes` read `block` at a time (at least 1, at most
// `bytes`); takes effect when it starts reading the input it is bound to (at once when it has
// not yet read any). Tests use small windows to make
// matches span several blocks and several moves of the window. False, changing nothing, for a
// window too small for two of the network's longest spellings or an applyer that is not a
// pattern applyer.
bool set_pattern_window(APPLY_CONTEXT *applyer, size_t bytes, size_t block);

// Makes the pattern applyer close its output file when it is freed (make_pattern_applyer opened
// it).
void set_pattern_output_owned(APPLY_CONTEXT *applyer);

}  // namespace kora
