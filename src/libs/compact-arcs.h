// The compacted form of a network, as its readers see it: one byte block holding every state and
// arc, read where it lies (in memory or in a file mapped read-only), and the state records that
// the readers are handed for the states they meet.
//
// The block: byte 0 is the address mode (0: variable-length addresses, the one mode written; 1
// to 4: fixed-width addresses of that many bytes, most significant first); then the states one
// after the other, a state's position being the offset of its first byte. A state is its arcs;
// an arc is a header, the label index as a variable-length code with a 5-bit first field whose
// first byte also carries FINAL (the destination is final) and LAST (the state's last arc),
// followed by the destination's position. A state without arcs is one pseudo-arc: label index
// one past the last label of the compaction label list, no flags, position 0. The compaction
// label list (the network's auxiliary_alph, label form) maps a label index to its label id.
//
// The variable-length code of a value with a first field of w bits (5 or 7) and flag bits f: a
// value of at most w significant bits is the one byte f + value. Otherwise, with n its bit
// length, m = n + 7 when n < 7 and m = n otherwise, the shift s is 7 * (m / 7), plus 7 more when
// value >> s does not fit in w bits; the first byte is 128 + f + (value >> s), followed by a
// byte 128 + group for every lower 7-bit group but the last, and the last group in a byte of its
// own: 1 + s / 7 bytes in all. A reader takes the w low bits of the first byte and, while the
// byte just read has bit 7, shifts left by 7 and adds the next byte's low 7 bits.
//
// A state that must be handed out as a STATE record (the arc iterator's destinations, the start
// state) is made on demand as a CompactState, from the network's "Compact states" heap, and found
// again by position through a hash table (the applyer decodes the block itself and needs none).
// Finding or making one is O(1) expected; the records live until the network is freed or
// uncompacted. Tested in tests/representations/compact_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "flat-hash.h"
#include "heap.h"
#include "kora.h"
#include "platform.h"

namespace kora {

// The flags of an arc header's first byte.
constexpr uint8_t kCompactFinal = 64;
constexpr uint8_t kCompactLast = 32;
constexpr int kLabelField = 5;
constexpr int kAddressField = 7;

// The bytes the code of `value` with a first field of `field` bits takes.
int compact_code_length(uint32_t value, int field);
// Appends the code of `value` with `flags` in its first byte.
void put_compact_code(std::vector<uint8_t> &out, uint32_t value, int field, uint8_t flags);

// A file mapped for the compacted networks read from it; unmapped when its last user lets go.
struct SharedMapping {
  FileMapping file;
  int users = 0;
};
// Drops one user of the mapping, unmapping the file after the last ("Unmap failed." when the
// system refuses).
void release_mapping(SharedMapping *mapping);

// While one is alive, the blocks of compacted networks read from bytes inside `mapping` are
// left there instead of being copied (bin-compact.h).
class MappedReading {
 public:
  explicit MappedReading(SharedMapping *mapping) : previous_(reading_) { reading_ = mapping; }
  ~MappedReading() { reading_ = previous_; }
  MappedReading(const MappedReading &) = delete;
  MappedReading &operator=(const MappedReading &) = delete;
  static SharedMapping *current() { return reading_; }

 private:
  static thread_local SharedMapping *reading_;
  SharedMapping *previous_;
};

// A state record handed out for the state at `position`.
struct CompactState {
  STATE state;
  uint32_t position;
};

struct CompactNet {
  const uint8_t *bytes = nullptr;  // the block
  uint32_t size = 0;
  uint32_t start = 0;              // the start state's position
  uint8_t *owned = nullptr;        // the block when the network holds it in memory (std::free)
  SharedMapping *mapping = nullptr;  // the file the block lies in, when it was mapped
  HEAP *records = nullptr;         // "Compact states"
  FlatHash<CompactState *> by_position{"GET_DEST_STATE"};
};

// The block record of a compacted network, or null for any other.
inline CompactNet *compact_of(const NET *net) {
  return net != nullptr && net->flags.compacted ? static_cast<CompactNet *>(net->virtual_info)
                                                : nullptr;
}

// Makes `net` (which has no states) a compacted network over the block: `owned` is the block
// when the network takes it over, `mapping` the file it lies in (one more user). Sets the start
// state record (final by `start_final`), `block_size` and the `compacted` flag; the compaction
// label list must already be the network's auxiliary_alph.
void attach_compact_block(NET *net, const uint8_t *bytes, uint32_t size, uint32_t start,
                          uint8_t *owned, SharedMapping *mapping);
// Gives back the block (freeing or unmapping it) and the state records; the network is left
// with no states and no start state, and no longer compacted.
void release_compact_block(NET *net);
// Gives the copy `to` (no states, same auxiliary_alph and flags) its own copy of the block.
void copy_compact_block(const NET *from, NET *to);

// The state record of the state at `position`, made when first asked for.
STATE *compact_state(NET *net, uint32_t position, bool final);
inline const CompactState *compact_record(const STATE *state) {
  return reinterpret_cast<const CompactState *>(state);
}

// One decoded arc.
struct CompactArc {
  uint32_t label;        // its label id
  uint32_t destination;  // the destination's position
  bool final;            // the destination is final
  bool last;             // the state's last arc
};

// Decodes the arc at `at` and moves `at` past it; false for the pseudo-arc of a state without
// arcs. Never reads outside the block, whatever its bytes (a mapped block is not checked whole
// when it is loaded): an arc that would run past the end, a position past the end, or a label
// index beyond the list, also give false, which ends the state there.
bool decode_compact_arc(const NET *net, const uint8_t *&at, CompactArc *arc);

// Checks a block read from a file into memory whole: a known address mode, exactly
// `states` states and `arcs` arcs ending at the block's end, label indexes within the compaction
// label list of `labels` entries (the pseudo-arc one past it, with position 0), and every
// destination and the start the position of a state. Null when it can, else what is wrong.
// O(E log V) time, O(V) space.
const char *check_compact_block(const uint8_t *bytes, uint32_t size, uint32_t start,
                                uint32_t labels, uint32_t states, uint32_t arcs);

}  // namespace kora
