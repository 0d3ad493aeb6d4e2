// The compacted form of a network as its readers see it (see compact-arcs.h).

#include "compact-arcs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "error.h"

namespace kora {
namespace {

// The longest code a block may hold: 32 bits take at most six bytes.
constexpr int kLongestCode = 6;

uint32_t bit_length(uint32_t value) {
  return value == 0 ? 1 : 32 - static_cast<uint32_t>(__builtin_clz(value));
}

// The shift of the first byte of a code longer than one byte.
uint32_t first_shift(uint32_t value, int field) {
  const uint32_t n = bit_length(value);
  const uint32_t m = n < 7 ? n + 7 : n;
  uint32_t shift = 7 * (m / 7);
  if (shift < 32 && (value >> shift) >= (1u << field)) shift += 7;
  return shift;
}

uint32_t read_code(const uint8_t *&at, int field) {
  uint8_t byte = *at++;
  uint32_t value = byte & ((1u << field) - 1);
  while (byte & 0x80) {
    byte = *at++;
    value = value << 7 | (byte & 0x7F);
  }
  return value;
}

// The raw fields of the arc at `at` in a block of address mode `mode`.
struct RawArc {
  uint32_t index;
  uint8_t flags;
  uint32_t destination;
};

void read_raw_arc(uint8_t mode, const uint8_t *&at, RawArc *arc) {
  arc->flags = *at & (kCompactFinal | kCompactLast);
  arc->index = read_code(at, kLabelField);
  if (mode == 0) {
    arc->destination = read_code(at, kAddressField);
    return;
  }
  arc->destination = 0;
  for (uint8_t k = 0; k < mode; ++k) arc->destination = arc->destination << 8 | *at++;
}

// The bytes a code at `at` takes, looking at no more than `left` bytes; 0 when it runs past
// them or past kLongestCode.
size_t code_extent(const uint8_t *at, size_t left) {
  for (size_t k = 0; k < left && k < kLongestCode; ++k)
    if (!(at[k] & 0x80)) return k + 1;
  return 0;
}

}  // namespace

int compact_code_length(uint32_t value, int field) {
  if (bit_length(value) <= static_cast<uint32_t>(field)) return 1;
  return 1 + static_cast<int>(first_shift(value, field) / 7);
}

void put_compact_code(std::vector<uint8_t> &out, uint32_t value, int field, uint8_t flags) {
  if (bit_length(value) <= static_cast<uint32_t>(field)) {
    out.push_back(static_cast<uint8_t>(flags + value));
    return;
  }
  const uint32_t shift = first_shift(value, field);
  out.push_back(static_cast<uint8_t>(128 + flags + (shift < 32 ? value >> shift : 0)));
  for (uint32_t k = shift - 7; k >= 7; k -= 7)
    out.push_back(static_cast<uint8_t>(128 + ((value >> k) & 0x7F)));
  out.push_back(static_cast<uint8_t>(value & 0x7F));
}

thread_local SharedMapping *MappedReading::reading_ = nullptr;

void release_mapping(SharedMapping *mapping) {
  if (mapping == nullptr || --mapping->users > 0) return;
  if (!unmap_file(mapping->file)) error("Unmap failed.");
  delete mapping;
}

void attach_compact_block(NET *net, const uint8_t *bytes, uint32_t size, uint32_t start,
                          uint8_t *owned, SharedMapping *mapping) {
  auto *block = new CompactNet;
  block->bytes = bytes;
  block->size = size;
  block->start = start;
  block->owned = owned;
  block->mapping = mapping;
  if (mapping != nullptr) mapping->users++;
  block->records = init_heap(sizeof(CompactState), 128, "Compact states");
  net->virtual_info = block;
  net->states = nullptr;
  net->block_size = size;
  net->flags.compacted = 1;
  net->flags2.sorted_arcs = 0;
  net->start = compact_state(net, start, net->flags.start_final);
}

void release_compact_block(NET *net) {
  CompactNet *block = compact_of(net);
  if (block == nullptr) return;
  std::free(block->owned);
  release_mapping(block->mapping);
  free_heap(block->records);
  delete block;
  net->virtual_info = nullptr;
  net->start = nullptr;
  net->block_size = 0;
  net->flags.compacted = 0;
}

void copy_compact_block(const NET *from, NET *to) {
  const CompactNet *block = compact_of(from);
  auto *owned = static_cast<uint8_t *>(std::malloc(block->size));
  if (owned == nullptr) out_of_memory("COPY_FSM");
  std::memcpy(owned, block->bytes, block->size);
  to->flags.compacted = 0;
  attach_compact_block(to, owned, block->size, block->start, owned, nullptr);
}

STATE *compact_state(NET *net, uint32_t position, bool final) {
  CompactNet *block = compact_of(net);
  bool added = false;
  CompactState **slot = block->by_position.insert(
      hash_mix(position), [position](const CompactState *known) { return known->position == position; },
      &added);
  if (!added) return &(*slot)->state;
  auto *record = static_cast<CompactState *>(cell_alloc(block->records));
  if (record == nullptr) out_of_memory("GET_DEST_STATE");
  record->state = STATE{};
  record->state.flags.is_state = 1;
  record->state.flags.live = 1;
  record->state.flags.final = final;
  record->position = position;
  *slot = record;
  return &record->state;
}

bool decode_compact_arc(const NET *net, const uint8_t *&at, CompactArc *arc) {
  const CompactNet *block = compact_of(net);
  const uint8_t *end = block->bytes + block->size;
  const uint8_t mode = block->bytes[0];
  if (at >= end) return false;
  const size_t left = static_cast<size_t>(end - at);
  const size_t header = code_extent(at, left);
  const size_t address = header == 0 ? 0
                         : mode == 0 ? code_extent(at + header, left - header)
                         : left - header >= mode ? mode : 0;
  if (address == 0) {
    at = end;
    return false;
  }
  RawArc raw;
  read_raw_arc(mode, at, &raw);
  const ALPH *labels = net->auxiliary_alph;
  if (raw.index >= static_cast<uint32_t>(labels->len)) return false;
  arc->label = labels->items[raw.index];
  arc->destination = raw.destination;
  arc->final = raw.flags & kCompactFinal;
  arc->last = raw.flags & kCompactLast;
  return true;
}

// Walks the block once, noting the states' positions (ascending) and the destinations, then
// looks every destination up among the positions by binary search.
const char *check_compact_block(const uint8_t *bytes, uint32_t size, uint32_t start,
                                uint32_t labels, uint32_t states, uint32_t arcs) {
  if (size == 0) return "Empty arc block.";
  const uint8_t mode = bytes[0];
  if (mode > 4) return "Bad first byte.";
  std::vector<uint32_t> positions, destinations;
  size_t at = 1;
  uint64_t arcs_seen = 0;
  for (uint32_t s = 0; s < states; ++s) {
    if (at >= size) return "The states run past the end of the block.";
    positions.push_back(static_cast<uint32_t>(at));
    for (bool last = false; !last;) {
      const size_t header = code_extent(bytes + at, size - at);
      if (header == 0) return "An arc runs past the end of the block.";
      const size_t address = mode == 0 ? code_extent(bytes + at + header, size - at - header)
                             : size - at - header >= mode ? mode : 0;
      if (address == 0) return "An arc runs past the end of the block.";
      const uint8_t *cursor = bytes + at;
      RawArc raw;
      read_raw_arc(mode, cursor, &raw);
      at += header + address;
      if (raw.index > labels) return "A label index lies beyond the label list.";
      if (raw.index == labels) {
        if (raw.destination != 0 || raw.flags != 0 || bytes + at - header - address != bytes + positions.back())
          return "uncompact_net: Lost in the bytes";
        break;
      }
      destinations.push_back(raw.destination);
      ++arcs_seen;
      last = raw.flags & kCompactLast;
    }
  }
  if (at != size) return "The states do not end at the end of the block.";
  if (arcs_seen != arcs) return "uncompact_net: Bad arc count";
  destinations.push_back(start);
  for (uint32_t destination : destinations)
    if (!std::binary_search(positions.begin(), positions.end(), destination))
      return "An address is not the position of a state.";
  return nullptr;
}

}  // namespace kora
