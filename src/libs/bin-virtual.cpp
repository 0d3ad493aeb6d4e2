// Virtual networks in files (see bin-virtual.h).

#include "bin-virtual.h"

#include "bin-in.h"
#include "bin-out.h"
#include "error.h"
#include "struct.h"
#include "virtual-net.h"

namespace kora {
namespace {

int write_virtual_body(NET *net, ByteWriter &out, BODY_WRITE *) {
  const VIRTUAL_NET *v = virtual_of(net);
  out.put_number(v->methods->id);
  out.put_number(v->second != nullptr ? 2 : 1);
  for (NET *operand : {v->first, v->second})
    if (operand != nullptr && network_to_stream(operand, out) != 0) return 1;
  return 0;
}

// The depth of virtual records being read, within one record at the top; back to 0 after it.
thread_local int reading_depth = 0;

}  // namespace

int write_virtual_record(NET *net, ByteWriter &out, BODY_WRITE *) {
  return write_standard_record(net, out, write_virtual_body);
}

int read_virtual_body(NET *net, ByteReader &in, BODY_READ *work) {
  const int64_t id = in.get_number();
  const int64_t count = in.get_number();
  if (in.failed()) return 1;
  if (id < 0 || id >= kVirtualOperationCount || get_virtual_methods(static_cast<int>(id)).name == nullptr) {
    error_printf("Unimplemented virtual operation, ID is: %lld", static_cast<long long>(id));
    return 1;
  }
  if (count != virtual_operand_count(static_cast<int>(id))) {
    error_printf("network_from_stream: The virtual operation '%s' takes %d operand network%s, "
                 "not %lld.",
                 get_virtual_methods(static_cast<int>(id)).name,
                 virtual_operand_count(static_cast<int>(id)),
                 virtual_operand_count(static_cast<int>(id)) == 1 ? "" : "s",
                 static_cast<long long>(count));
    return 1;
  }
  if (reading_depth >= kMostVirtualNesting) {
    error_printf("network_from_stream: Virtual networks nested more than %d deep.",
                 kMostVirtualNesting);
    return 1;
  }
  NET *operands[2] = {nullptr, nullptr};
  reading_depth++;
  for (int64_t k = 0; k < count; ++k) {
    operands[k] = network_from_stream(in, last_file_header().type);
    if (operands[k] == nullptr) break;
  }
  reading_depth--;
  bool readable = operands[0] != nullptr && (count == 1 || operands[1] != nullptr);
  for (NET *operand : operands)
    if (readable && operand != nullptr &&
        (operand->start == nullptr ||
         (!operand->flags2.is_virtual && special_representation(operand) != nullptr))) {
      error("network_from_stream: The operands of a virtual network must be plain or virtual "
            "networks with a start state.");
      readable = false;
    }
  if (!readable) {
    free_network(operands[0]);
    free_network(operands[1]);
    return 1;
  }
  make_virtual_net(net, operands[0], operands[1], static_cast<int>(id));
  work->deterministic_marked = true;
  return 0;
}

void install_virtual_formats() {
  FORMAT_TABLE &table = format_table();
  table.virtual_writer = write_virtual_record;
  table.virtual_reader = read_virtual_body;
}

}  // namespace kora
