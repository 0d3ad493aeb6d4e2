// One-sided difference, priority union and lenient composition.
//
// What: the one-sided difference of A and B on the upper side keeps the pairs (x, y) of A
// whose x is not an upper string of B; priority union of A over B adds to A the pairs of B whose
// side string A lacks; lenient composition of A with B is the composition of A with B, backed
// off to A itself for the upper strings that the composition does not map.
// How: by the operations they are made of. The one-sided difference is the difference of the
// two side languages, composed with A so that the surviving side strings take their pairs
// along (the merge pass folds the one-sided arcs that composition leaves). Priority union is
// union with that difference; lenient composition is priority union of the composition over A.
// Cost: that of the parts: two projections, a difference (determinizing B's side language) and
// a composition. Tested in tests/operations/priority_union_test.cpp.

#include "priority-union.h"

#include "boundary.h"
#include "calculus.h"
#include "compose.h"
#include "error.h"
#include "flag-marks.h"
#include "flag-sides.h"
#include "label-check.h"
#include "minimize.h"
#include "minus.h"
#include "reverse.h"
#include "struct.h"
#include "union.h"

namespace kora {
namespace {

// Frees the networks handed over (keep flag 0); one record counts once.
void release(NET *a, NET *b, int keep_a, int keep_b) {
  if (!keep_a) free_network(a);
  if (!keep_b && b != a) free_network(b);
}

}  // namespace

NET *oneside_minus_fsm(NET *a, NET *b, int side, int keep_a, int keep_b, int minimize) {
  if (a != nullptr && b != nullptr && check_common_label_map(a, b)) {
    if (!keep_b && b != a) free_network(b);
    return keep_a ? copy_fsm(a) : a;
  }
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  if (!check_operands(&nets, "minus")) {
    release(a, b, keep_a, keep_b);
    return null_net();
  }
  if (side != UPPER_SIDE && side != LOWER_SIDE) {
    error_printf("oneside_minus_fsm: Side should be UPPER or LOWER, got %d.", side);
    release(a, b, keep_a, keep_b);
    return null_net();
  }
  NET *(*project)(NET *, int, int) = side == UPPER_SIDE ? upper_fsm : lower_fsm;
  NET *own_side = project(a, 1, 0);
  NET *other_side = project(b, 1, 0);
  NET *kept_sides = minus_fsm(own_side, other_side, 0, 0, 1);
  NET *pairs = copy_fsm(a);
  NET *chain[2] = {side == UPPER_SIDE ? kept_sides : pairs, side == UPPER_SIDE ? pairs : kept_sides};
  NV vector{2, chain};
  NET *result = compose_fsm(&vector, 0, minimize, 1, 1, FLAGS_AS_SYMBOLS);
  release(a, b, keep_a, keep_b);
  return recompute_flag_marks(result);
}

NET *priority_union_fsm(NET *a, NET *b, int side, int copy, int minimize) {
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  if (!check_operands(&nets, "priority union")) {
    if (copy != 1) release(a, b, 0, 0);
    return null_net();
  }
  if (copy == 1 || a == b) {
    NET *own_b = copy_fsm(b);
    a = copy == 1 ? copy_fsm(a) : a;
    b = own_b;
  }
  NET *rest = oneside_minus_fsm(b, a, side, 0, 1, 0);
  NET *result = union_pair(a, rest);
  if (minimize) result = min_fsm(result, 0);
  return recompute_flag_marks(result);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *priority_union_net(NET *net1, NET *net2, int side, int copy1, int copy2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net1 == nullptr || net2 == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "priority_union_net");
      return nullptr;
    }
    NET *operands[2] = {net1, net2};
    NV nets{2, operands};
    if (!check_operands(&nets, "priority union")) {
      release(net1, net2, copy1 == 1, copy2 == 1);
      return null_net();
    }
    NET *a = copy1 == 1 || net1 == net2 ? copy_fsm(net1) : net1;
    NET *b = copy2 == 1 ? copy_fsm(net2) : net2;
    if (side != UPPER_SIDE && side != LOWER_SIDE) {
      error_printf("oneside_minus_fsm: Side should be UPPER or LOWER, got %d.", side);
      release(a, b, 0, 0);
      return null_net();
    }
    return priority_union_fsm(a, b, side, 0, minimize_results());
  });
}

KORA_API NET *lenient_compose_net(NET *upper, NET *lower, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (upper == nullptr || lower == nullptr) {
      error_printf("Unexpected NULL argument in %s().", "lenient_compose_net");
      return nullptr;
    }
    NET *operands[2] = {upper, lower};
    NV nets{2, operands};
    if (!check_operands(&nets, "lenient composition")) {
      release(upper, lower, keep1, keep2);
      return null_net();
    }
    NET *own_upper = copy_fsm(upper);
    NET *own_lower = keep2 || lower == upper ? copy_fsm(lower) : lower;
    NET *composed = compose_fst(own_upper, own_lower, minimize_results(), FLAGS_AS_SYMBOLS);
    free_network(own_upper);
    free_network(own_lower);
    NET *backoff = keep1 ? copy_fsm(upper) : upper;
    return priority_union_fsm(composed, backoff, UPPER_SIDE, 0, minimize_results());
  });
}

}  // extern "C"
