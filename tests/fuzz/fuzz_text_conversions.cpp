// Feeds arbitrary bytes to the converters between thin text (UTF-8 and ISO-8859-1) and fat
// strings, and back out through the escaped and printed forms.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "context.h"
#include "fat-print.h"
#include "fat-str.h"
#include "fuzz_support.h"
#include "kora.h"

namespace {

FILE *null_stream() {
  static FILE *stream = std::fopen("/dev/null", "w");
  return stream;
}

void convert_out(const uint32_t *fs) {
  std::free(kora::fat_to_utf8(fs, nullptr));
  std::free(kora::fat_to_thin(fs, nullptr));
  std::string escaped;
  kora::append_fat_escaped(escaped, fs, " 0\n?%\t\r\v\b\f");
  kora::print_fat(null_stream(), fs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library(true);
  std::string text(reinterpret_cast<const char *>(data), size);  // stops at the first NUL

  set_char_encoding(context, KORA_UTF8);
  kora::FAT_STR decoded = kora::utf8_thin_to_fat(text.c_str());
  convert_out(decoded);
  std::free(decoded);

  set_char_encoding(context, KORA_LATIN1);
  kora::FAT_STR latin1 = kora::thin_to_fat(text.c_str());
  kora::convert_cp1252_in_place(latin1);
  convert_out(latin1);
  std::free(latin1);

  // The bytes read four at a time as raw codes, the largest ones included.
  std::basic_string<uint32_t> codes;
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t code = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | (data[i + 3] & 0x7F) << 24;
    if (code != 0) codes.push_back(code);
  }
  convert_out(codes.c_str());
  set_char_encoding(context, KORA_UTF8);
  convert_out(codes.c_str());
  return 0;
}
