// How the operations meet arc-optimized networks: they undo the optimization, or splice the
// optimized lists into shared ones, through hooks that the arc-optimization module (a higher
// layer) installs at start-up.
//
// An arc-optimized network ends some arc lists with an arc labelled ALTCHAIN that stands for
// the arcs of its destination. Operations that rebuild arc lists cannot read such a list as it
// is: they first un-optimize the network (ALTCHAIN arcs become EPSILON arcs, which epsilon
// removal then dissolves) or, where they only read arcs, splice the lists (shared arc lists),
// and say so with a warning. Cost: O(1) for the test, the cost of the hook otherwise.
#pragma once

#include "kora.h"

namespace kora {

// Un-optimizes `net` in place (unoptimize_arcs).
using Unoptimizer = void (*)(NET *net);
// Splices the optimized lists of `net` into shared lists in place; 0 on success (share_arcs).
using ArcSharer = int (*)(NET *net);

// Installed at start-up by the arc-optimization module (null uninstalls).
void set_arc_optimization_hooks(Unoptimizer unoptimizer, ArcSharer sharer);

// The hooks installed. Defined in globals.cpp with the rest of the library's state.
struct ArcOptimizationHooks {
  Unoptimizer unoptimizer = nullptr;
  ArcSharer sharer = nullptr;
};
extern ArcOptimizationHooks arc_optimization_hooks;

// Whether `net` is arc-optimized: flagged so, or carrying an arc labelled ALTCHAIN (its label
// set says, computed from the arcs when missing). Compacted, vectorized and virtual networks
// are judged by the flag alone.
bool arc_optimized(NET *net);

// When `net` is arc-optimized and its arcs are not shared: warns `warning` (unless null) and
// un-optimizes it in place; returns whether it did.
bool unoptimize_operand(NET *net, const char *warning);

// When `net` is arc-optimized and its arcs are not shared: warns `warning` (unless null) and
// splices its lists into shared ones in place; returns whether it did.
bool share_operand(NET *net, const char *warning);

}  // namespace kora
