// Feeds arbitrary text to read_regex, in either input encoding. The compiled network, if any,
// must be one the library can copy, minimize and free. Shapes whose cost grows exponentially by
// design (long runs of "?" after a loop, large or nested counts, huge character ranges) are
// bounded, so that the fuzzer looks for crashes rather than timeouts.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"

namespace {

bool affordable(const std::string &text, bool utf8) {
  if (text.size() > 64) return false;
  int any = 0, powers = 0;
  for (size_t i = 0; i < text.size(); i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '?' || c == '$' || c == '.') any++;
    if (c == '^') powers++;
    if (c >= '0' && c <= '9' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
      return false;  // counts of one digit
    if (c == '\\' && i + 1 < text.size() &&
        (text[i + 1] == 'u' || text[i + 1] == 'x' || (text[i + 1] >= '0' && text[i + 1] <= '7')))
      return false;  // numeric escapes can spell huge ranges
    if (utf8 && c >= 0xE0) return false;  // ranges stay below U+0800
  }
  return any <= 12 && powers <= 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library();
  const bool utf8 = size % 2 == 0;
  const std::string text(reinterpret_cast<const char *>(data), size);
  if (text.find('\0') != std::string::npos || !affordable(text, utf8)) return 0;
  set_char_encoding(context, utf8 ? KORA_UTF8 : KORA_LATIN1);
  NET *net = read_regex(text.c_str());
  if (net != nullptr) {
    NET *copy = copy_net(net);
    if (copy == nullptr || minimize_net(copy) != 0) std::abort();
    free_network(copy);
    free_network(net);
  }
  return 0;
}
