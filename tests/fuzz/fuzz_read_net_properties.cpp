// Feeds arbitrary bytes to read_net_properties as a properties text, in either input encoding,
// and writes what it read with write_net_properties: that text must read back whole and be
// written again as the same text. Inputs above 8 KiB are skipped; the input encoding follows the
// parity of the size. (Run with -close_fd_mask=2: lines that do not read are printed on
// standard error.)

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"

namespace {

std::string contents(const std::string &path) {
  std::string text;
  FILE *file = std::fopen(path.c_str(), "rb");
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FST_CONTEXT *context = fuzz::quiet_library();
  if (size > 8192) return 0;
  set_char_encoding(context, size % 2 == 0 ? KORA_UTF8 : KORA_LATIN1);
  const std::string stem = "/tmp/kora-fuzz-properties-" + std::to_string(getpid());
  const std::string input = stem + "-in", first = stem + "-1", second = stem + "-2";
  FILE *file = std::fopen(input.c_str(), "wb");
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  NET *net = null_net();
  read_net_properties(net, input.c_str());
  if (write_net_properties(net, first.c_str()) != 0) std::abort();
  NET *back = null_net();
  if (read_net_properties(back, first.c_str()) != 0) std::abort();
  if (write_net_properties(back, second.c_str()) != 0) std::abort();
  if (contents(first) != contents(second)) std::abort();
  free_network(back);
  free_network(net);
  for (const std::string &path : {input, first, second}) std::remove(path.c_str());
  return 0;
}
