// The library context: the one default context record and the interface parameters. The
// record's fields are filled by initialize_kora (lifecycle.cpp) and emptied by reclaim_kora;
// get_default_kora_context and int_parameters hand them out (settings.cpp). Both records are
// defined in globals.cpp with the rest of the library's state.
#pragma once

#include "kora.h"

namespace kora {

// The default context, inline: the applyer asks for it on every lookup.
extern FST_CONTEXT default_context;
inline FST_CONTEXT *context() { return &default_context; }

// The interface parameters (int_parameters of kora.h), which start as default_parameters().
extern INT_PARAMETERS interface_parameters;

// A word of the interface parameters.
inline int32_t parameter(int position) { return interface_parameters.word[position]; }

// The defaults of the interface parameters: the words that are not 0.
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

}  // namespace kora
