// Compacted networks in files. A compacted network's record has the usual counts, flags,
// properties, atoms and labels, the labels being its compaction label list in order (so that
// the block's label indexes are the file's), and for a body the start state's position, the
// block's length and the block's bytes as they are.
//
// A block read into memory is checked whole before the network takes it (check_compact_block:
// address mode, counts, label indexes, every address a state's position; O(E log V)), so that
// a damaged file is refused at once. While a file is read through a mapping (MappedReading,
// compact-arcs.h), the block is left where it lies in the mapped file, which then stays mapped
// until the last network over it is freed, and only its mode byte and start are checked:
// reading it whole would bring every page of it into memory, and the decoder never reads
// outside it anyway (decode_compact_arc).
// Tested in tests/representations/compact_test.cpp and tests/fuzz/fuzz_load_nets.cpp.
#pragma once

#include "bin-code.h"
#include "bin-header.h"
#include "compact-arcs.h"
#include "kora.h"

namespace kora {

// The body writer and reader of compacted networks (FORMAT_TABLE::compacted_writer and
// compacted_reader): the writer appends the whole record but its trailing length.
int write_compacted_record(NET *net, ByteWriter &out, BODY_WRITE *work);
int read_compacted_body(NET *net, ByteReader &in, BODY_READ *work);

// Installs both in the format table.
void install_compacted_formats();

}  // namespace kora
