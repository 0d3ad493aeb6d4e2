// The library's settings that callers change through the interface: character encodings, the
// copyright holder written into file headers, and the expansion of "~" in file names.
#pragma once

namespace kora {

// The copyright holder a fresh context names.
inline constexpr const char *kDefaultCopyrightHolder = "the kora developers";

// Settings that outlive a context: made on first need, freed by reclaim_kora. Defined in
// globals.cpp with the rest of the library's state.
struct Configuration {
  char *copyright_holder;
};
extern Configuration *configuration;

// Frees the copyright holder set through copyright_holder. Part of reclaiming the library.
void free_configuration();

}  // namespace kora
