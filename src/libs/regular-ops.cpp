// The exported regular operators (concatenation, union, closures, repetition, reversal,
// inversion, projections, substrings): each checks its arguments, settles ownership by its keep
// or copy flags, calls the consuming internal form and minimizes the result by word 16.

#include <cstdint>

#include "calculus.h"
#include "boundary.h"
#include "closures.h"
#include "concat.h"
#include "error.h"
#include "flag-marks.h"
#include "label.h"
#include "minimize.h"
#include "reverse.h"
#include "struct.h"
#include "union.h"

using namespace kora;

namespace {

// Reports a null argument of the exported function `function`; the refusal gives null.
NET *null_argument(const char *function) {
  error_printf("Unexpected NULL argument in %s().", function);
  return nullptr;
}

// A refused binary operation: the operands handed over are freed, a new null network is the
// result.
NET *refuse_binary(NET *a, NET *b, int keep_a, int keep_b) {
  if (!keep_a) free_network(a);
  if (!keep_b && b != a) free_network(b);
  return null_net();
}

// The frame of the exported binary operations over net vectors: checks, copies of the kept
// operands, then the consuming internal form with word 16 as its minimize flag.
NET *binary_net(NET *a, NET *b, int keep_a, int keep_b, const char *function, const char *operation,
                NET *(*combine)(NV *nets, int copy, int minimize)) {
  if (a == nullptr || b == nullptr) return null_argument(function);
  if (a == b) keep_a = keep_b = keep_a || keep_b;
  NET *operands[2] = {a, b};
  NV nets{2, operands};
  if (!check_operands(&nets, operation)) return refuse_binary(a, b, keep_a, keep_b);
  if (keep_a) operands[0] = copy_fsm(a);
  if (keep_b) operands[1] = a == b ? operands[0] : copy_fsm(b);
  return combine(&nets, 0, minimize_results());
}

// The frame of the exported unary operations: a refused argument comes back unchanged; the
// result is minimized by word 16 when `minimize` says the operation does that.
NET *unary_net(NET *net, int copy, const char *function, const char *operation,
               NET *(*operate)(NET *net, int copy), bool minimize) {
  if (net == nullptr) return null_argument(function);
  if (!check_operand(net, operation)) return net;
  NET *result = operate(net, copy == 1);
  return recompute_flag_marks(minimize && minimize_results() ? min_fsm(result, 0) : result);
}

}  // namespace

extern "C" {

KORA_API NET *concat_net(NET *net1, NET *net2, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return binary_net(net1, net2, keep1, keep2, "concat_net", "concatenation", concat_fsm);
  });
}

KORA_API NET *union_net(NET *net1, NET *net2, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return binary_net(net1, net2, keep1, keep2, "union_net", "union", union_fsm);
  });
}

KORA_API NET *one_plus_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return unary_net(net, copy, "one_plus_net", "one-plus", one_plus_fsm, true);
  });
}

KORA_API NET *zero_plus_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net != nullptr && net->flags.compacted) return zero_plus_fsm(net, copy == 1);
    return unary_net(net, copy, "zero_plus_net", "zero-plus", zero_plus_fsm, true);
  });
}

KORA_API NET *optional_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net != nullptr && net->flags.compacted) return optional_fsm(net, copy == 1);
    return unary_net(net, copy, "optional_net", "optional", optional_fsm, true);
  });
}

KORA_API NET *repeat_net(NET *net, int min, int max, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) return null_argument("repeat_net");
    if (!check_operand(net, "repeat")) return net;
    NET *result = repeat_fsm(net, min, max, copy == 1, minimize_results());
    if (copy != 1 && result != net) {
      // Only the empty-string result is a new record; in place, the argument itself becomes it.
      free_network(result);
      make_epsilon_in_place(net);
      return net;
    }
    return result;
  });
}

KORA_API NET *reverse_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return unary_net(net, copy, "reverse_net", "reverse", reverse_fsm, true);
  });
}

KORA_API NET *invert_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return unary_net(net, copy, "invert_net", "invert", invert_fsm, false);
  });
}

KORA_API NET *upper_side_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) return null_argument("upper_side_net");
    return upper_fsm(net, copy == 1, minimize_results());
  });
}

KORA_API NET *lower_side_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) return null_argument("lower_side_net");
    return lower_fsm(net, copy == 1, minimize_results());
  });
}

KORA_API NET *substring_net(NET *net, int copy) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return unary_net(net, copy, "substring_net", "substring", substring_fsm, true);
  });
}

KORA_API NET *kleene_star_net(void) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return kleene_star_fsm(OTHER);
  });
}

KORA_API NET *kleene_plus_net(void) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return kleene_plus_fsm(OTHER);
  });
}

}  // extern "C"
