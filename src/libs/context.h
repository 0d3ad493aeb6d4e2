// The library context: the default context record, the interface parameters and the library's
// start and end.
#pragma once

#include "kora.h"

namespace kora {

// The default context (filled by initialize_kora).
FST_CONTEXT *context();

// A word of the interface parameters.
inline int32_t parameter(int position) { return int_parameters()->word[position]; }

}  // namespace kora
