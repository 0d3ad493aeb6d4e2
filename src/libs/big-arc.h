// Big arcs: the arcs that carry a user pointer, and the reader of that pointer on any arc.
#pragma once

#include "kora.h"

namespace kora {

// An arc that carries a user pointer; allocated from the "Big Arcs" heap.
struct BIG_ARC {
  ARC arc;
  void *user_pointer;
};

// The user pointer of a big arc, null for an ordinary arc.
inline void *arc_user_pointer(const ARC *arc) {
  return arc->flags.big ? reinterpret_cast<const BIG_ARC *>(arc)->user_pointer : nullptr;
}

}  // namespace kora
