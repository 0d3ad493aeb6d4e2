// Feeds arbitrary text to the readers of symbol names (quotes, braces, percent escapes), to the
// interning of symbols and pairs, flag diacritics included, and prints what was interned.

#include <cstdint>
#include <cstdio>
#include <string>

#include "flag-diacritics.h"
#include "fuzz_support.h"
#include "kora.h"
#include "label.h"
#include "symbol-names.h"

namespace {

FILE *null_stream() {
  static FILE *stream = std::fopen("/dev/null", "w");
  return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library();
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char *>(data), size);  // stops at the first NUL
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);

  kora::unpercent(text.c_str(), 0);
  kora::unpercent(text.c_str(), 1);
  const uint32_t *quoted = kora::parse_quoted_string(text.c_str());
  if (quoted != nullptr) {
    kora::is_flag_diacritic(quoted, 1);
    kora::flag_diacr_action(quoted);
  }

  uint32_t symbol = kora::ID_NO_SYMBOL, pair = kora::ID_NO_SYMBOL;
  if (kora::intern_symbol(&symbol, text.c_str()) == 0 && symbol != kora::ID_NO_SYMBOL) {
    kora::print_label(symbol, null_stream(), 1);
    kora::print_label(symbol, null_stream(), 0);
    if (kora::intern_pair(&pair, symbol, kora::OTHER) == 0) kora::print_label(pair, null_stream(), 1);
    NET *net = symbol_net(text.c_str());
    free_network(net);
  }
  return 0;
}
