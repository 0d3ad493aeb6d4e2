// Reading networks from files: the inverse of bin-out.h, record by record.
//
// The file is read into memory whole and decoded from there, so a truncated or corrupt file
// can never make the reader go past its end: every count is checked against the bytes left
// before anything is allocated for it, every state reference against the states made so far,
// every label index against the label table, and the record's trailing length against the
// bytes read. A network that fails any check is reported and left out; the others of the file
// still load. The marks a record claims (loop-free, deterministic, ...) are checked against its
// body as it is read, and a contradicted one is cleared (see network_from_stream).
//
// States and arcs come straight from the library's cell heaps; each state keeps a pointer to
// its last arc while it is open, so arcs are appended in file order in O(1) and the loaded
// network's state list is in file order, the start state first. Loading is O(V + E + L) time
// and O(V) space besides the network. Tested in tests/formats/save_load_test.cpp,
// tests/formats/corrupt_test.cpp and tests/fuzz/fuzz_load_nets.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "bin-code.h"
#include "bin-header.h"
#include "kora.h"

namespace kora {

// What a body reader is given: the labels of the record by file index, the counts announced,
// and whether the start state is final.
struct BODY_READ {
  std::vector<uint32_t> labels;
  int64_t state_count = 0;
  int64_t arc_count = 0;
  bool start_final = false;
  bool progress = false;
  std::vector<uint8_t> used;  // filled by the reader: which file labels the arcs carry
  bool deterministic_marked = false;  // set by a reader that marked each state deterministic
  // What the reader saw of the structure, against which the marks the record claims are
  // checked; the defaults grant nothing.
  bool all_deterministic = false;  // every state was marked deterministic
  bool cycle_free = false;         // no arc leads back to a state on the path to it
  size_t fewest_arcs = 0;          // the fewest arcs of a state
};

// Reads one network record at the reader's position for a file of `file_type`. Null when the
// record cannot be read (reported); an empty network (one non-final start state) for an
// unknown file type ("Unrecognized file type: %d.") or a trailing length that does not match
// ("network_from_stream: Byte count mismatch. Expected %d, got %d.").
// Marks of the record that its body contradicts are cleared, so that nothing later trusts them:
// loop_free when an arc closes a cycle; deterministic, and minimized with it, when a state has
// an EPSILON arc or two arcs with one label; epsilon_free when an arc carries EPSILON;
// completed when a state has fewer arcs than the sigma has symbols. The other marks (pruned,
// minimized beyond determinism) would take more than the read's one pass to check and are
// kept as the file says.
NET *network_from_stream(ByteReader &in, int file_type);

// The standard body (installed as the standard reader by initialize_kora).
int read_standard_body(NET *net, ByteReader &in, BODY_READ *work);

// The networks of the file `file_name` in a new vector (owned by the caller with its
// networks), or null when none could be read; see load_nets in kora.h. `open_failure` is the
// message (with one %s for the name) when the file cannot be opened.
NV *load_nets_from(const char *file_name, const char *open_failure);
// The same from bytes in memory, for the fuzzer and the tests; `name` is only for messages.
NV *load_nets_from_bytes(const uint8_t *bytes, size_t size, const char *name);

// Sets the deterministic mark of every state of the network: a state is deterministic unless
// two of its arcs share a label or one is EPSILON. True when all are. O(V + E) time, a slot per
// label id of space.
bool mark_deterministic_states(NET *net);

// The first network of `nv`, converted from a two-level network when it is marked as one; the
// others and the vector are freed. Null gives null.
NET *first_net(NV *nv);

// Installs the standard reader in the format table.
void install_standard_reader();

}  // namespace kora
