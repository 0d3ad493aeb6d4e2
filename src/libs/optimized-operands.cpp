// The entry points through which the operations undo arc optimization (see the header).

#include "optimized-operands.h"

#include "alph.h"
#include "error.h"
#include "label.h"

namespace kora {

void set_arc_optimization_hooks(Unoptimizer unoptimizer, ArcSharer sharer) {
  arc_optimization_hooks = {unoptimizer, sharer};
}

bool arc_optimized(NET *net) {
  if (net->flags2.optimized) return true;
  if (net->flags.compacted || net->flags2.has_arc_vectors || net->flags2.is_virtual) return false;
  return test_alph_member(net_labels(net), ALTCHAIN_SYMBOL) != 0;
}

bool unoptimize_operand(NET *net, const char *warning_text) {
  if (net == nullptr || net->flags.shared_arc_lists || !arc_optimized(net)) return false;
  if (warning_text != nullptr) warning(warning_text);
  if (arc_optimization_hooks.unoptimizer != nullptr) arc_optimization_hooks.unoptimizer(net);
  return true;
}

bool share_operand(NET *net, const char *warning_text) {
  if (net == nullptr || net->flags.shared_arc_lists || !arc_optimized(net)) return false;
  if (warning_text != nullptr) warning(warning_text);
  if (arc_optimization_hooks.sharer != nullptr) arc_optimization_hooks.sharer(net);
  return true;
}

}  // namespace kora
