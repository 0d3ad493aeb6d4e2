// Net vectors (NV): arrays of networks, the way several networks travel together (the networks
// of a file, the operands of an operation on many networks).
//
// The NV record itself is declared in kora.h since callers receive net vectors. A net vector
// does not own its networks unless the operation says so: free_nv frees the record only,
// free_nv_and_nets frees the networks too. Records and their arrays come from malloc. The array
// of a vector of n entries has room for the least power of two not below n, so it moves only
// when the length passes a power of two: pushes cost O(1) amortized.
#pragma once

#include "kora.h"

namespace kora {

// make_nv, free_nv and free_nv_and_nets are exported (kora.h); here they are also kora names.
using ::free_nv;
using ::free_nv_and_nets;
using ::make_nv;

// Lengthens `nv` by `extra` null entries (a count below 1 changes nothing) and returns it.
NV *expand_nv(NV *nv, int extra);

// A new net vector holding `net` alone.
NV *nv_of_net(NET *net);

// Puts `net` after the last entry of `nv` and returns `nv`; a null `nv` gives a new vector
// holding `net` alone.
NV *nv_push_back(NET *net, NV *nv);

// Appends the networks of `b` to `a`, frees the record of `b` (not its networks) and returns
// `a`. A null `a` gives `b`; a null `b` gives `a`.
NV *nv_append(NV *a, NV *b);

// Frees every network and nulls its entry; the record stays. Null is ignored.
void free_nets_of_nv(NV *nv);

}  // namespace kora
