// The library's start and end: initialize_kora and reclaim_kora (declared in kora.h). This
// module sits above every other; it makes the heaps and tables of the lower modules, installs
// the hooks through which low modules reach high ones, and releases everything at the end.
#pragma once

namespace kora {

// True until initialize_kora has made the heaps; set again by reclaim_kora. Defined in
// globals.cpp with the rest of the library's state.
extern bool heaps_to_create;

}  // namespace kora
