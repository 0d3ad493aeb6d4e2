// Feeds arbitrary bytes to read_spaced_text as a spaced-text file, in either input encoding,
// and writes every network it makes back with write_spaced_text: reading what was written must
// give an automaton of the same size. (Not so for every transducer: an identity OTHER and the
// pair OTHER:OTHER are both written "?" over "?".)

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kora.h"

namespace {

void ignore(const char *, const char *, int) {}

std::string scratch(const char *what) {
  return "/tmp/kora-fuzz-" + std::to_string(getpid()) + "-" + what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FST_CONTEXT *context = [] {
    set_warning_function(ignore);
    set_error_function(ignore);
    FST_CONTEXT *made = initialize_kora();
    int_parameters()->word[KORA_VERBOSE] = 0;
    return made;
  }();
  if (size > 8192) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  const std::string input = scratch("in"), output = scratch("out");
  FILE *file = std::fopen(input.c_str(), "wb");
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  NET *net = read_spaced_text(input.c_str());
  if (net != nullptr) {
    if (write_spaced_text(net, output.c_str()) != 0) std::abort();
    NET *back = read_spaced_text(output.c_str());
    if (back == nullptr || (NET_arity(net) == 1 && (NET_num_states(back) != NET_num_states(net) ||
                                                     NET_num_arcs(back) != NET_num_arcs(net))))
      std::abort();
    free_network(back);
    free_network(net);
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
  return 0;
}
