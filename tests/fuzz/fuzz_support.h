// What the fuzz targets share: a library that says nothing, and the round trip of the text
// formats through files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kora.h"

namespace fuzz {

inline void ignore(const char *, const char *, int) {}

// The library, initialized on the first call, with its messages ignored; informational output
// is switched off unless `verbose`. A memory limit of 256 MiB turns the inputs that blow up
// into calls abandoned by the library, so that the fuzzer goes through that path too rather
// than stopping at its own memory limit.
inline FST_CONTEXT *quiet_library(bool verbose = false) {
  static FST_CONTEXT *context = [verbose] {
    set_warning_function(ignore);
    set_error_function(ignore);
    FST_CONTEXT *made = initialize_kora();
    set_memory_limit(made, 256u << 20);
    if (!verbose) int_parameters()->word[KORA_VERBOSE] = 0;
    return made;
  }();
  return context;
}

// Writes `data` to a file, reads it with `read`, writes the network with `write` and reads that
// back: the second network must have the size of the first (aborts otherwise), unless it is a
// transducer and `automata_only`. Inputs above 8 KiB are skipped; the input encoding follows the
// parity of the size.
inline void text_round_trip(const uint8_t *data, size_t size, NET *(*read)(const char *),
                            int (*write)(NET *, const char *), bool automata_only) {
  FST_CONTEXT *context = quiet_library();
  if (size > 8192) return;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  const std::string stem = "/tmp/kora-fuzz-" + std::to_string(getpid());
  const std::string input = stem + "-in", output = stem + "-out";
  FILE *file = std::fopen(input.c_str(), "wb");
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  NET *net = read(input.c_str());
  if (net != nullptr) {
    if (write(net, output.c_str()) != 0) std::abort();
    NET *back = read(output.c_str());
    if (back == nullptr) std::abort();
    const bool compared = !automata_only || NET_arity(net) == 1;
    if (compared && (NET_num_states(back) != NET_num_states(net) ||
                     NET_num_arcs(back) != NET_num_arcs(net)))
      std::abort();
    free_network(back);
    free_network(net);
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
}

}  // namespace fuzz
