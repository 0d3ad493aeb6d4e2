// The has_flags marks of networks and the flag-elimination entry points of the operations.

#include "flag-marks.h"

namespace kora {

NET *recompute_flag_marks(NET *net) {
  if (net == nullptr || net->flags2.is_virtual) return net;
  net->flags2.upper_has_flags = net->flags2.lower_has_flags = 0;
  if (net->flags2.vantel_compressed) return net;
  if (net->labels == nullptr && (net->flags.compacted || net->flags2.has_arc_vectors)) return net;
  net->flags2.upper_has_flags = flags_present_p(net, UPPER_SIDE);
  net->flags2.lower_has_flags = flags_present_p(net, LOWER_SIDE);
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
