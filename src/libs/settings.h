// The library's settings that callers change through the interface: character encodings, the
// copyright holder written into file headers, and the expansion of "~" in file names.
#pragma once

namespace kora {

// The copyright holder a fresh context names.
inline constexpr const char *kDefaultCopyrightHolder = "the kora developers";

// Frees the copyright holder set through copyright_holder. Part of reclaiming the library.
void free_configuration();

}  // namespace kora
