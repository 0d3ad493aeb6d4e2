// Sorting the arc lists of a network, and the standard arc orders.

#include "arc-order.h"

#include <algorithm>
#include <cstdlib>

#include "error.h"
#include "label.h"
#include "struct.h"

namespace kora {
namespace {

uint32_t side_of(const ARC *arc, int side) {
  return side == 0 ? upper_id(arc->label) : lower_id(arc->label);
}

int special_rank(uint32_t id) {
  if (id == EPSILON || id == DET_EPSILON) return 0;
  if (id == OTHER) return 1;
  return id == ALTCHAIN_SYMBOL ? 3 : 2;
}

int plain_rank(uint32_t id) { return id == ALTCHAIN_SYMBOL ? 1 : 0; }

template <int (*rank)(uint32_t)>
int compare_side(const ARC *a, const ARC *b, int side) {
  const uint32_t x = side_of(a, side), y = side_of(b, side);
  const int rx = rank(x), ry = rank(y);
  if (rx != ry) return rx < ry ? -1 : 1;
  return x < y ? -1 : (x > y ? 1 : 0);
}

// An arc with its place in the list, so that equal arcs keep their order.
struct Entry {
  ARC *arc;
  int position;
};

// Whether the sorted_arcs mark may be set after sorting with `compare` (see reorder_arcs).
bool keeps_sorted_mark(const NET *net, ArcComparator compare) {
  const bool upper = net->flags2.upper_sequentialized, lower = net->flags2.lower_sequentialized;
  if (net->flags2.left_bimachine &&
      !((upper && compare == compare_upper_special) || (lower && compare == compare_lower_special)))
    return false;
  if (net->flags2.right_bimachine &&
      !((upper && compare == compare_upper_plain) || (lower && compare == compare_lower_plain)))
    return false;
  return true;
}

}  // namespace

int compare_upper_special(const ARC *a, const ARC *b) { return compare_side<special_rank>(a, b, 0); }
int compare_upper_plain(const ARC *a, const ARC *b) { return compare_side<plain_rank>(a, b, 0); }
int compare_lower_special(const ARC *a, const ARC *b) { return compare_side<special_rank>(a, b, 1); }
int compare_lower_plain(const ARC *a, const ARC *b) { return compare_side<plain_rank>(a, b, 1); }

void reorder_arcs(NET *net, ArcComparator compare) {
  if (net == nullptr || compare == nullptr) return;
  if (net->flags.shared_arc_lists)
    programming_error("reorder_arcs", "Cannot reorder arcs when arcs are shared!\n");
  if ((net->flags.compacted || net->flags2.is_virtual) && check_plain_net(net)) return;
  // The buffer starts with room for one arc per label and grows by half again when needed.
  int capacity = std::max(2, net->labels != nullptr ? net->labels->len : 0);
  auto *buffer = static_cast<Entry *>(std::malloc(sizeof(Entry) * capacity));
  if (buffer == nullptr) out_of_memory("reorder_arcs");
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    if (state->flags.vectorized || state->arcs == nullptr || state->arcs->next == nullptr) continue;
    int count = 0;
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (count == capacity) {
        capacity += capacity / 2;
        buffer = static_cast<Entry *>(std::realloc(buffer, sizeof(Entry) * capacity));
        if (buffer == nullptr) out_of_memory("reorder_arcs");
      }
      buffer[count] = {arc, count};
      count++;
    }
    std::sort(buffer, buffer + count, [compare](const Entry &x, const Entry &y) {
      const int order = compare(x.arc, y.arc);
      return order != 0 ? order < 0 : x.position < y.position;
    });
    for (int i = 0; i + 1 < count; i++) buffer[i].arc->next = buffer[i + 1].arc;
    buffer[count - 1].arc->next = nullptr;
    state->arcs = buffer[0].arc;
  }
  std::free(buffer);
  net->flags2.sorted_arcs = keeps_sorted_mark(net, compare);
}

}  // namespace kora
