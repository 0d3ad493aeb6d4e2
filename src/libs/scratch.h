// The scratch fields of states: the visit mark and the client cell, which traversals borrow.
// A network is marked visit_marks_dirty while marks may be left non-zero.
#pragma once

#include "kora.h"

namespace kora {

// Sets every state's visit mark to `mark`; with mark 0 also clears visit_marks_dirty, otherwise
// sets it.
void set_visit_marks(NET *net, unsigned mark);

// Clears the visit marks only when the network says they may be dirty.
void clear_visit_marks_if_dirty(NET *net);

// Sets every state's client cell to null.
void clear_client_cells(NET *net);

}  // namespace kora
