// The library context: the one default context record and the interface parameters. The
// record's fields are filled by initialize_kora (lifecycle.cpp) and emptied by reclaim_kora;
// get_default_kora_context and int_parameters hand them out (settings.cpp).
#pragma once

#include "kora.h"

namespace kora {

// The default context, inline: the applyer asks for it on every lookup.
extern FST_CONTEXT default_context;
inline FST_CONTEXT *context() { return &default_context; }

// The interface parameters (int_parameters of kora.h), with their defaults.
extern INT_PARAMETERS interface_parameters;

// A word of the interface parameters.
inline int32_t parameter(int position) { return interface_parameters.word[position]; }

}  // namespace kora
