// The network of an alphabet.
//
// The result is already minimal: a start state and, when some member is not EPSILON, one final
// state without arcs that every member's arc leads to. Arcs are pushed at the head of the start
// state's list, so they end up in the reverse order of the members.

#include "alph-net.h"

#include "alph.h"
#include "boundary.h"
#include "label.h"
#include "struct.h"

using namespace kora;

extern "C" {

KORA_API NET *alphabet_net(ALPH *alph) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (alph == nullptr) return label_net(OTHER);
    NET *net = null_net();
    STATE *final = nullptr;
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, alph);
    for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator)) {
      if (id == EPSILON) {
        net->start->flags.final = 1;
        continue;
      }
      if (final == nullptr) {
        final = make_state(nullptr, net);
        final->flags.final = 1;
      }
      push_arc(alloc_arc(id, final, net), net->start);
      alph_add_to(net->labels, id, 0);
      add_symbols_of_label(net->sigma, id);
      if (label_arity(id) > 1) net->arity = 2;
    }
    return net;
  });
}

}  // extern "C"
