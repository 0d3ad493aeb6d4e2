// One-sided difference, priority union and lenient composition: the operations that let one
// relation take precedence over another on one side.
//
// The exported priority_union_net and lenient_compose_net are declared in kora.h.
#pragma once

#include "kora.h"

namespace kora {

// The pairs of `a` whose side string (side 0 upper, 1 lower) is not a side string of `b`: for
// the upper side (upper(a) - upper(b)) composed with a, for the lower side a composed with
// (lower(a) - lower(b)). A network whose keep flag is 0 is consumed, otherwise it stays the
// caller's, unchanged. Minimized when `minimize` is set. Refusals are reported: networks of
// different label maps give `a` back (a copy when kept), a compacted network ("minus") or a
// side other than 0 and 1 ("oneside_minus_fsm: Side should be UPPER or LOWER, got %d.") give a
// new null network; `b` is consumed unless kept.
NET *oneside_minus_fsm(NET *a, NET *b, int side, int keep_a, int keep_b, int minimize);

// `a` with priority over `b` on side `side`: the union of `a` with the pairs of `b` whose side
// string is not a side string of `a`. With `copy` 1 both networks stay the caller's; otherwise
// both are consumed. Refusals (a compacted network: "priority union"; different label maps; a
// bad side) are reported and give a new null network, the networks freed unless `copy`.
NET *priority_union_fsm(NET *a, NET *b, int side, int copy, int minimize);

}  // namespace kora
