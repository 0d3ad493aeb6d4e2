// Printing networks for people: the one-line size summary, the full listing of flags, arity,
// states and arcs (print_net, exported), and the words (paths) of a network.
//
// Everything printed here is assembled in the shared line buffer, the context's output buffer
// (output_buffer_size bytes), and written out at each line end and at the end of each call, so
// output of these functions never interleaves badly with other writes to the same stream. Every
// line break is the context's eol_string. Lists of items (flags, arcs) are wrapped at the
// context's line_width onto continuation lines indented under the first item. A stream argument
// of null means the standard output.
//
// Listing a network is linear in its size (it first puts the state list in the standard order of
// state-order.h); printing words is a depth-first walk whose cost follows the number of
// paths printed. Tested in tests/model/print_test.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

#include "kora.h"

namespace kora {

// --- The line buffer --------------------------------------------------------------------------

// Appends `length` bytes to the current line. Bytes that do not fit in the output buffer are
// dropped; the first drop of a line gives the warning "Output buffer full, please increase
// output_buffer_size to at least %d." (the capacity + 256 + the drops so far).
void line_put(const char *text, int length);
void line_put(const char *text);

// Writes the buffered bytes to `stream` and empties the buffer; the line goes on.
void line_flush(FILE *stream);

// Writes the buffered bytes and the end-of-line string; the next byte starts a new line.
void line_end(FILE *stream);

// Forgets the column and the count of dropped bytes (for initialize_kora).
void reset_line_buffer();

// --- Sizes and summaries ----------------------------------------------------------------------

// Prints a memory size: "%d bytes" up to 1000, then "%.1f Kb", "%.1f Mb", "%.1f Gb" in decimal
// units (bytes / 1000 up to 1000000, / 1000000 up to 1000000000, / 1000000000 above).
void print_size(long long bytes, FILE *stream);

// The memory a network takes: 16 + 4 * ALPH_max for each of sigma and labels that exists; then
// block_size for a compacted network, 16 per arc for a tabular one, else 16 per state and per
// arc plus every block of the arc-vector heap of a vectorized one. 0 for null.
long long net_size(const NET *net);

// Prints the summary line: the size, ". %lld state%s, %lld arc%s", for a network in plain
// arc lists its path count (", %llu path%s", ", more than 4294967295 paths" when a count
// overflowed, ", Circular", ", Virtual"), then ". Tabular.", ". Compacted." or ".", a line end,
// and " Label Map: %s." with a line end when the network was not made in the "Default" map.
// Counting paths runs index_net: the network may gain or lose loop_free; its client cells and
// paths_indexed are as they were unless it was indexed already (then the counts are fresh).
// Null prints nothing.
void print_net_size(NET *net, FILE *stream);

// The same summary on `page` (wrapping at its margin), without the final line end; the label
// map phrase goes on a new page line. A null network adds nothing; a null page is reported as
// "Unexpected NULL pointer in string_to_page().".
void net_summary_to_page(NET *net, PAGE *page);

// --- Listings ---------------------------------------------------------------------------------

// Prints the line of one state of `net`: its name (number from its client cell), ": ", blanks up
// to column 6, then its arcs ("label -> destination", separated by ", ", wrapped at the page
// margin and continued at column 6), or "(no arcs)", and a line end.
void print_state(STATE *state, NET *net, FILE *stream);

// Prints the strings of the network, one per line (the empty string as a single blank; a string
// longer than `width` continues on the next lines; width <= 0 never breaks), by a depth-first
// walk from the start state in the network's label map. An arc is followed only while its
// destination is on the current path fewer than `max_visits` times (taken as 1 to 255), so a
// cycle shows as repeated segments, each re-entry written "..". EPSILON and ALTCHAIN print
// nothing. With `show_count`, "Word count: %lld" follows, then a line end, or
// "  (actually, infinite)" and a line end when the visit limit cut an arc. Returns the number of
// strings printed. A null network prints nothing and returns 0; a compacted, vectorized or
// virtual one is reported as "Cannot do this operation on a %s." and returns 0.
long long print_words(NET *net, int width, int max_visits, int show_count, FILE *stream);

}  // namespace kora
