// Networks, states and arcs: the records every network is made of, and the cell heaps that
// hold them.
#pragma once

#include <cstdint>

#include "heap.h"
#include "kora.h"

namespace kora {

// An arc that carries a user pointer; allocated from the "Big Arcs" heap.
struct BIG_ARC {
  ARC arc;
  void *user_pointer;
};

// The heaps of networks, states, arcs, big arcs and alphabets; null outside
// initialize_kora .. reclaim_kora.
extern HEAP *NET_HEAP;
extern HEAP *STATE_HEAP;
extern HEAP *ARC_HEAP;
extern HEAP *BIG_ARC_HEAP;
extern HEAP *ALPH_HEAP;

// Creates the heaps above, in the order "Networks", "Alphabets", "States", "Arcs", "Big Arcs".
void make_network_heaps();

// Forgets the heaps above (their memory goes with free_all_heaps).
void forget_network_heaps();

}  // namespace kora
