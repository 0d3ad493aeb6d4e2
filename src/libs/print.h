// Printing networks for people: the one-line size summary and the full listing of flags, arity,
// states and arcs (print_net, exported).
//
// Everything printed here is assembled in the shared line buffer, the context's output buffer
// (output_buffer_size bytes), and written out at each line end and at the end of each call, so
// output of these functions never interleaves badly with other writes to the same stream. Every
// line break is the context's eol_string. Lists of items (flags, arcs) are wrapped at the
// context's line_width onto continuation lines indented under the first item. A stream argument
// of null means the standard output.
//
// Listing a network is linear in its size (it first puts the state list in the standard order of
// state-order.h). Tested in tests/networks/print_test.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

#include "kora.h"

namespace kora {

// --- The line buffer --------------------------------------------------------------------------

// The line being printed. Defined in globals.cpp with the rest of the library's state.
struct LineBuffer {
  int length = 0;           // bytes held in the context's output buffer
  int column = 0;           // columns since the last line end
  int dropped_in_line = 0;  // bytes of the current line that did not fit
  int dropped = 0;          // bytes that did not fit since the last reset
};
extern LineBuffer line_buffer;

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
// Both lines end with `eol`. Null prints nothing.
void print_net_size(NET *net, FILE *stream, const char *eol);

// --- Listings ---------------------------------------------------------------------------------

// Prints the line of one state of `net`: its name (number from its client cell), ": ", blanks up
// to column 6, then its arcs ("label -> destination", separated by ", ", wrapped at the page
// margin and continued at column 6), or "(no arcs)", and a line end.
void print_state(STATE *state, NET *net, FILE *stream);

}  // namespace kora
