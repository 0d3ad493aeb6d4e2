// The has_flags marks of networks and the flag-elimination entry points of the operations.

#include "flag-marks.h"

namespace kora {

// The marks are written only when they change: applyers on other threads read the flag words
// of the same network while one of them is being made (kora.h lets threads share a network).
NET *recompute_flag_marks(NET *net) {
  if (net == nullptr || net->flags2.is_virtual) return net;
  bool upper = false, lower = false;
  const bool without_labels =
      net->labels == nullptr && (net->flags.compacted || net->flags2.has_arc_vectors);
  if (!net->flags2.vantel_compressed && !without_labels) {
    upper = flags_present_p(net, UPPER_SIDE);
    lower = flags_present_p(net, LOWER_SIDE);
  }
  if (net->flags2.upper_has_flags != upper) net->flags2.upper_has_flags = upper;
  if (net->flags2.lower_has_flags != lower) net->flags2.lower_has_flags = lower;
  return net;
}

void set_flag_elimination_hooks(InsertFlagExpander expander, FlagEliminator eliminator) {
  flag_elimination_hooks = {expander, eliminator};
}

NET *expand_insert_flags(NET *net) {
  InsertFlagExpander expand = flag_elimination_hooks.expander;
  return expand != nullptr && net != nullptr ? expand(net) : net;
}

NET *eliminate_flags_in_place(NET *net, int minimize, int all) {
  FlagEliminator eliminate = flag_elimination_hooks.eliminator;
  return eliminate != nullptr && net != nullptr ? eliminate(net, minimize, all) : net;
}

}  // namespace kora
