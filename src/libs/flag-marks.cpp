// The has_flags marks of networks and the flag-elimination entry points of the operations.

#include "flag-marks.h"

#include "alph.h"

namespace kora {
namespace {

InsertFlagExpander installed_expander = nullptr;
FlagEliminator installed_eliminator = nullptr;

// Sets the marks that one label calls for.
void mark_label(NET *net, uint32_t label) {
  if (label_arity(label) == 1) {
    if (symbol_flag(label) != nullptr) net->flags2.upper_has_flags = net->flags2.lower_has_flags = 1;
    return;
  }
  if (symbol_flag(upper_id(label)) != nullptr) net->flags2.upper_has_flags = 1;
  if (symbol_flag(lower_id(label)) != nullptr) net->flags2.lower_has_flags = 1;
}

}  // namespace

NET *recompute_flag_marks(NET *net) {
  if (net == nullptr || net->flags2.is_virtual) return net;
  net->flags2.upper_has_flags = net->flags2.lower_has_flags = 0;
  if (net->flags2.vantel_compressed) return net;
  if (net->labels != nullptr) {
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, net->labels);
    for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL; label = next_alph_item(&iterator))
      mark_label(net, label);
    return net;
  }
  if (net->flags.compacted || net->flags2.has_arc_vectors) return net;
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) mark_label(net, arc->label);
  return net;
}

void set_flag_elimination_hooks(InsertFlagExpander expander, FlagEliminator eliminator) {
  installed_expander = expander;
  installed_eliminator = eliminator;
}

NET *expand_insert_flags(NET *net) {
  return installed_expander != nullptr && net != nullptr ? installed_expander(net) : net;
}

NET *eliminate_flags_in_place(NET *net, int minimize, int all) {
  return installed_eliminator != nullptr && net != nullptr ? installed_eliminator(net, minimize, all)
                                                           : net;
}

}  // namespace kora
