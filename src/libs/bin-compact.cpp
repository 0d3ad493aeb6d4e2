// Compacted networks in files (see bin-compact.h).

#include "bin-compact.h"

#include <cstdlib>
#include <cstring>

#include "alph.h"
#include "bin-in.h"
#include "bin-out.h"
#include "error.h"
#include "struct.h"

namespace kora {
namespace {

int write_compacted_body(NET *net, ByteWriter &out, BODY_WRITE *work) {
  const CompactNet *block = compact_of(net);
  out.put_number(block->start);
  out.put_number(block->size);
  out.put_bytes(block->bytes, block->size);
  work->states_written = net->num_states;
  work->arcs_written = net->num_arcs;
  return 0;
}

}  // namespace

int write_compacted_record(NET *net, ByteWriter &out, BODY_WRITE *) {
  return write_standard_record(net, out, write_compacted_body);
}

int read_compacted_body(NET *net, ByteReader &in, BODY_READ *work) {
  const int64_t start = in.get_number();
  const int64_t length = in.get_number();
  if (in.failed()) return 1;
  const uint8_t *bytes = nullptr;
  if (length < 0 || length > UINT32_MAX || start < 0 || start > UINT32_MAX ||
      !in.get_bytes(static_cast<size_t>(length), &bytes)) {
    error("get_arc_block: Read error");
    in.fail();
    return 1;
  }
  if (work->state_count < 0 || work->state_count > UINT32_MAX || work->arc_count < 0 ||
      work->arc_count > UINT32_MAX || work->labels.size() > UINT32_MAX) {
    error("network_from_stream: Bad counts of a compacted network.");
    return 1;
  }
  const auto size = static_cast<uint32_t>(length);
  const auto states = static_cast<uint32_t>(work->state_count);
  const auto arcs = static_cast<uint32_t>(work->arc_count);
  // A block left in its mapped file is only decoded where lookups go, each arc within bounds
  // (decode_compact_arc): checking it whole would read every page of it.
  SharedMapping *mapping = MappedReading::current();
  const bool mapped = mapping != nullptr && bytes >= mapping->file.bytes &&
                      bytes + size <= mapping->file.bytes + mapping->file.size;
  const char *why = nullptr;
  if (!mapped)
    why = check_compact_block(bytes, size, static_cast<uint32_t>(start),
                              static_cast<uint32_t>(work->labels.size()), states, arcs);
  else if (size == 0 || bytes[0] > 4 || start >= size)
    why = "Bad first byte or start.";
  if (why != nullptr) {
    error_printf("network_from_stream: Bad arc block of a compacted network: %s", why);
    return 1;
  }
  net->auxiliary_alph = make_alph(static_cast<int>(work->labels.size()), KORA_LABEL_ALPH);
  for (uint32_t label : work->labels) net->auxiliary_alph->items[net->auxiliary_alph->len++] = label;
  net->num_states = states;
  net->num_arcs = arcs;
  net->flags.start_final = work->start_final;
  net->flags.compacted = 0;
  if (mapped) {
    attach_compact_block(net, bytes, size, static_cast<uint32_t>(start), nullptr, mapping);
    return 0;
  }
  auto *owned = static_cast<uint8_t *>(std::malloc(size));
  if (owned == nullptr) out_of_memory("get_arc_block");
  std::memcpy(owned, bytes, size);
  attach_compact_block(net, owned, size, static_cast<uint32_t>(start), owned, nullptr);
  return 0;
}

void install_compacted_formats() {
  FORMAT_TABLE &table = format_table();
  table.compacted_writer = write_compacted_record;
  table.compacted_reader = read_compacted_body;
}

}  // namespace kora
