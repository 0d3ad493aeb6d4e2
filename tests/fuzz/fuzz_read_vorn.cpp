// Feeds arbitrary bytes to the lexicon compiler as the text of a lexicon file, in either input
// encoding. Whatever it is given, the compiler must return a network: the null network after
// parse errors, otherwise a minimized one. Run it with -close_fd_mask=3: the compiler prints its
// syntax errors and the scanner copies stray characters to the standard output.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz_support.h"
#include "lexicon-aux.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FST_CONTEXT *context = fuzz::quiet_library();
  if (size > 4096) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  std::string_view source(reinterpret_cast<const char *>(data), size);
  long long lines = 0;
  NET *net = kora::compile_lexicon(source, false, &lines);
  if (net == nullptr || lines < 1) std::abort();
  if (NET_num_arcs(net) > 0 && !NET_minimized(net)) std::abort();
  free_network(net);
  return 0;
}
