// Networks, states and arcs.

#include "struct.h"

#include "platform.h"

namespace kora {

HEAP *NET_HEAP = nullptr;
HEAP *STATE_HEAP = nullptr;
HEAP *ARC_HEAP = nullptr;
HEAP *BIG_ARC_HEAP = nullptr;
HEAP *ALPH_HEAP = nullptr;

void make_network_heaps() {
  const unsigned page = page_size();
  NET_HEAP = init_heap(sizeof(NET), 4 * page / sizeof(NET), "Networks");
  ALPH_HEAP = init_heap(sizeof(ALPH), page / 4, "Alphabets");
  STATE_HEAP = init_heap(sizeof(STATE), page / 4, "States");
  ARC_HEAP = init_heap(sizeof(ARC), page / 4, "Arcs");
  BIG_ARC_HEAP = init_heap(sizeof(BIG_ARC), 4 * page / sizeof(BIG_ARC), "Big Arcs");
}

void forget_network_heaps() {
  NET_HEAP = STATE_HEAP = ARC_HEAP = BIG_ARC_HEAP = ALPH_HEAP = nullptr;
}

}  // namespace kora
