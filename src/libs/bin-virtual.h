// Virtual networks in files. A virtual network's record has the usual counts (0), flags,
// properties, atoms and labels, and for a body the operation's id, the number of operand
// networks (1 or 2) and the operands' records in full, each with its own trailing length, so
// that a cascade of virtual compositions is saved as records nested as deep as the cascade.
//
// Reading checks the operation and the operand count before any operand is read, the operands
// (plain or virtual networks with a start state) once they are, and nests at most
// kMostVirtualNesting records deep, so that a damaged file can neither call for an operation
// that does not exist, nor hand it an operand it cannot walk, nor make the reader recurse
// without bound: each is reported and the network left out. (A program that makes a virtual
// network of an operation without implementation stops instead: make_virtual_net.) Time and space are those of reading the operands. Tested in
// tests/representations/virtual_test.cpp and tests/fuzz/fuzz_load_nets.cpp.
#pragma once

#include "bin-code.h"
#include "bin-header.h"
#include "kora.h"

namespace kora {

constexpr int kMostVirtualNesting = 64;

// The body writer and reader of virtual networks (FORMAT_TABLE::virtual_writer and
// virtual_reader): the writer appends the whole record but its trailing length.
int write_virtual_record(NET *net, ByteWriter &out, BODY_WRITE *work);
int read_virtual_body(NET *net, ByteReader &in, BODY_READ *work);

// Installs both in the format table.
void install_virtual_formats();

}  // namespace kora
