// The default context record and the interface parameters, with their defaults.

#include "context.h"


namespace kora {
namespace {

// Word positions and defaults of the interface parameters that are not 0.
constexpr INT_PARAMETERS default_parameters() {
  INT_PARAMETERS p{};
  const int ones[] = {7, 9, 10, 11, 12, 13, 16, 17, 20, 21, 25, 30, 32, 33, 34, 36, 42, 44, 45, 47};
  for (int position : ones) p.word[position] = 1;
  p.word[KORA_MAX_ERRORS] = 10;
  p.word[26] = 254;
  p.word[KORA_VECTORIZE_THRESHOLD] = 50;
  p.word[37] = 5000;
  return p;
}

}  // namespace

INT_PARAMETERS interface_parameters = default_parameters();

FST_CONTEXT default_context{};

}  // namespace kora
