// Compaction: a network's states and arcs encoded into one byte block (compact-arcs.h describes
// the block), and back. compact_net and uncompact_net (kora.h) are the exports; the functions
// here are their bodies, for the library's own callers.
#pragma once

#include "kora.h"

namespace kora {

// Compacts `net` in place; the labels of the networks of `nets` (may be null) count in the
// label frequencies. Leaves a compacted network as it is; a vectorized one is unvectorized
// first; any other special representation is refused ("Cannot do this operation on a %s.").
void compact_fsm(NET *net, NV *nets);

// Turns a compacted network back into states and arcs in place; leaves any other as it is.
void uncompact_fsm(NET *net);

}  // namespace kora
