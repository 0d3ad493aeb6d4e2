// Feeds arbitrary bytes to read_prolog_nets as a Prolog file, in either input encoding, read in
// two passes from the file or in one from the standard input, and writes the networks back with
// write_prolog_nets: reading what was written must give as many networks, each with as many
// states and arcs. Inputs above 8 KiB are skipped; the input encoding follows the parity of the
// size, the way of reading the next bit.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library();
  if (size > 8192) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  const bool standard_input = size % 4 >= 2;
  int_parameters()->word[KORA_PROLOG_ONE_PASS] = standard_input ? 1 : 0;
  const std::string stem = "/tmp/kora-fuzz-prolog-" + std::to_string(getpid());
  const std::string input = stem + "-in", output = stem + "-out";
  FILE *file = std::fopen(input.c_str(), "wb");
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  NV *nv = nullptr;
  if (standard_input) {
    if (std::freopen(input.c_str(), "rb", stdin) == nullptr) std::abort();
    nv = read_prolog_nets(nullptr);
  } else {
    nv = read_prolog_nets(input.c_str());
  }
  if (nv != nullptr) {
    if (write_prolog_nets(nv, output.c_str()) != 0) std::abort();
    NV *back = read_prolog_nets(output.c_str());
    if (back == nullptr || NV_len(back) != NV_len(nv)) std::abort();
    for (int i = 0; i < NV_len(nv); i++) {
      if (NET_num_states(NV_net(back, i)) != NET_num_states(NV_net(nv, i)) ||
          NET_num_arcs(NV_net(back, i)) != NET_num_arcs(NV_net(nv, i)))
        std::abort();
    }
    free_nv_and_nets(back);
    free_nv_and_nets(nv);
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
  return 0;
}
