// Feeds arbitrary bytes to read_text as a word-list file, in either input encoding, and writes
// every network it makes back with write_text: reading what was written must give a network of
// the same size (the word list is the network's language).

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::text_round_trip(data, size, read_text, write_text, false);
  return 0;
}
