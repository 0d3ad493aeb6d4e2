// Writing networks to files: one network record per network after the file header
// (bin-header.h).
//
// A record is: the state count, the arc count and the flag word as numbers; the properties
// (count, then key string and value object each); the atoms (count, the element type 2, the
// names); the labels (count, arity, then one or two symbol indexes each); the body; and last the
// length of the whole record as a number, so that a reader can check it.
//
// Labels are numbered by frequency (the symbol tally): the label on most arcs gets index 0, so
// that the sixteen most frequent labels take one-byte arc items. Atoms (file symbols) are
// numbered EPSILON 0, OTHER 1, then the symbols of the labels walked in ascending id order,
// then the other symbols of the sigma.
//
// The standard body lists the states reachable from the start state depth first with an
// explicit stack of arcs: each arc is an arc item (file label index, "last arc of its state",
// "destination final"); a destination met for the first time that has arcs is not named at
// all, its arcs simply follow; any other destination is written as its state number. A tree
// therefore needs no state numbers except for its leaves. The counts written are those of the
// reachable part, so a network with unreachable states loads without them.
//
// Cost: O(V + E + L log L) time for L labels, O(V + L) space besides the bytes; the whole file
// is assembled in memory and written with one call. Tested in tests/formats/save_load_test.cpp
// and tests/formats/golden_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "bin-code.h"
#include "bin-header.h"
#include "kora.h"

namespace kora {

// What a body writer is given and reports back.
struct BODY_WRITE {
  std::vector<uint32_t> file_label;  // by label id: the file label index (UINT32_MAX: none)
  uint32_t states_written = 0;
  uint32_t arcs_written = 0;
  bool progress = false;  // draw the progress bar on standard error
};

// Appends one network record for `net`. Returns 0, or 1 when the network's writer refused
// (what was appended is then taken back).
int network_to_stream(NET *net, ByteWriter &out);

// Appends the record of `net` but its trailing length: the counts, flags, properties, atoms and
// labels of the network, then the body that `body_writer` writes. Returns 0, or 1 when the
// network cannot be written (reported). A virtual network keeps its arity; any other has it
// corrected from its labels, with a warning.
int write_standard_record(NET *net, ByteWriter &out, BodyWriter body_writer);

// The standard body (installed as the standard writer by initialize_kora). Leaves each written
// state's client cell holding its file number plus one.
int write_standard_body(NET *net, ByteWriter &out, BODY_WRITE *work);

// Appends a whole file of type `type` (0: the default) holding the networks of `nv` to `out`;
// `file_name` is only recorded in the header kept for messages. Returns as save_nets_typed,
// without ever opening a file.
int encode_nets(NV *nv, const char *file_name, int type, ByteWriter &out);

// Writes the networks of `nv` to `file_name` as a file of type `type` (0: the default).
// Returns 0; 3 for a null vector; 9 with "Cannot open '%s'." when the file cannot be written;
// 1 with "Only %d nets present. Cannot write %d." (nothing written) when some entries are null.
int save_nets_typed(NV *nv, const char *file_name, int type);

// Installs the standard writer in the format table.
void install_standard_writer();

}  // namespace kora
