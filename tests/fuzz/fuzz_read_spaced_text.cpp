// Feeds arbitrary bytes to read_spaced_text as a spaced-text file, in either input encoding,
// and writes every network it makes back with write_spaced_text: reading what was written must
// give an automaton of the same size. (Not so for every transducer: an identity OTHER and the
// pair OTHER:OTHER are both written "?" over "?".)

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::text_round_trip(data, size, read_spaced_text, write_spaced_text, true);
  return 0;
}
