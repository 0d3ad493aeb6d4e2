// Net vectors (NV): arrays of networks, the way several networks travel together (the networks
// of a file, the operands of an operation on many networks), and vectors of net vectors (NVV).
//
// The NV record itself is declared in kora.h since callers receive net vectors. A net vector
// does not own its networks unless the operation says so: free_nv frees the record only,
// free_nv_and_nets frees the networks too. Records and their arrays come from malloc. The array
// of a vector of n entries has room for the least power of two not below n, so it moves only
// when the length passes a power of two: pushes at the back cost O(1) amortized, pushes at the
// front O(length) for the shift.
#pragma once

#include "kora.h"

namespace kora {

// A vector of net vectors; its entries start null.
struct NVV {
  int len;
  NV **nvs;
};

#define NVV_len(nvv) ((nvv)->len)
#define NVV_nv(nvv, i) ((nvv)->nvs[i])

// make_nv, free_nv and free_nv_and_nets are exported (kora.h); here they are also kora names.
using ::free_nv;
using ::free_nv_and_nets;
using ::make_nv;

// Lengthens `nv` by `extra` null entries (a count below 1 changes nothing) and returns it.
NV *expand_nv(NV *nv, int extra);

// A new net vector holding `net` alone.
NV *nv_of_net(NET *net);

// Puts `net` before the first or after the last entry of `nv` and returns `nv`; a null `nv`
// gives a new vector holding `net` alone.
NV *nv_push_front(NET *net, NV *nv);
NV *nv_push_back(NET *net, NV *nv);

// The network at `position` (still the vector's, or its owner's). A null vector or a position
// out of range reports "No net at position %d." and gives null.
NET *nv_get(NV *nv, int position);

// Reverses the order of the entries in place and returns `nv` (null gives null).
NV *nv_reverse(NV *nv);

// Appends the networks of `b` to `a`, frees the record of `b` (not its networks) and returns
// `a`. A null `a` gives `b`; a null `b` gives `a`.
NV *nv_append(NV *a, NV *b);


// Frees every network and nulls its entry; the record stays. Null is ignored.
void free_nets_of_nv(NV *nv);

// A new vector of `count` null net vectors (a negative count counts as 0), owned by the caller.
NVV *make_nvv(int count);

// Frees every net vector with its networks, then the record. Null is ignored.
void free_nvv(NVV *nvv);

}  // namespace kora
