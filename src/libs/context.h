// The library context: the one default context record and the interface parameters. The
// record's fields are filled by initialize_kora (lifecycle.cpp) and emptied by reclaim_kora.
#pragma once

#include "kora.h"

namespace kora {

// The default context.
FST_CONTEXT *context();

// A word of the interface parameters.
inline int32_t parameter(int position) { return int_parameters()->word[position]; }

}  // namespace kora
