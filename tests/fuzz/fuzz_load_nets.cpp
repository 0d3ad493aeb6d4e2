// Feeds arbitrary bytes to the reader of network files as if they were a file: every network the
// reader accepts is written again, looked up in (which reads an optimized network's chains, a
// reduced one's label classes and a compacted one's block), copied (which restores a reduced
// labelset from the file's records), printed and uncompacted when compacted, and walked, and
// everything is freed, so that the sanitizers see
// any read past the end, leak or inconsistent network. Inputs are bounded to 64 KiB; the library
// is started afresh every 2000 inputs so that the symbols the inputs intern do not pile up.

#include <cstdint>
#include <cstdio>

#include "bin-code.h"
#include "bin-in.h"
#include "bin-out.h"
#include "kora.h"

namespace {

void ignore(const char *, const char *, int) {}

FST_CONTEXT *start_library() {
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FST_CONTEXT *context = [] {
    set_warning_function(ignore);
    set_error_function(ignore);
    return start_library();
  }();
  static FILE *null_stream = std::fopen("/dev/null", "w");
  static int runs = 0;
  if (size > 65536) return 0;
  if (++runs % 2000 == 0) {
    reclaim_kora(context);
    context = start_library();
  }
  NV *nv = kora::load_nets_from_bytes(data, size, "fuzz");
  if (nv == nullptr) return 0;
  for (int i = 0; i < nv->len; i++) {
    NET *net = nv->nets[i];
    kora::ByteWriter out;
    kora::network_to_stream(net, out);
    APPLY_CONTEXT *applyer = init_apply(net, static_cast<int>(size % 2), nullptr);
    if (applyer != nullptr) {
      apply_to_string("ab", applyer);
      free_applyer(applyer);
    }
    if (NET *copy = copy_net(net)) free_network(copy);
    // A compacted network's block is walked whole by printing and by uncompacting.
    if (net->flags.compacted) {
      print_net(net, null_stream);
      uncompact_net(net);
    }
    uint32_t states = 0, arcs = 0;
    for (STATE *state = net->states; state != nullptr; state = state->next, states++)
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) arcs++;
    if (states != net->num_states || arcs != net->num_arcs) __builtin_trap();
  }
  free_nv_and_nets(nv);
  return 0;
}
