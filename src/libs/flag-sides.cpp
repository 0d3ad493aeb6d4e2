// Flag diacritics as composition and flag elimination see them.

#include "flag-sides.h"

#include "alph.h"
#include "error.h"

namespace kora {

const FLAG_DIACRITIC *symbol_flag(uint32_t id) {
  if (label_arity(id) != 1) return nullptr;
  const LABEL *label = label_record(id);
  return label == nullptr ? nullptr : label->flag;
}

bool list_flag_p(uint32_t id) {
  const FLAG_DIACRITIC *flag = symbol_flag(id);
  return flag != nullptr && (flag->action == LIST_ACTION || flag->action == EXTERNAL_ACTION);
}

bool non_list_flag_p(uint32_t id) {
  const FLAG_DIACRITIC *flag = symbol_flag(id);
  return flag != nullptr && flag->action != LIST_ACTION && flag->action != EXTERNAL_ACTION;
}

ALPH *list_flag_list(uint32_t id) {
  if (!list_flag_p(id)) return nullptr;
  const LABEL *name = label_record(symbol_flag(id)->value);
  return name == nullptr ? nullptr : name->definition;
}

bool list_flag_admits(uint32_t flag, uint32_t symbol) {
  ALPH *list = list_flag_list(flag);
  if (list == nullptr) return false;
  const bool member = test_alph_member(list, symbol) != 0;
  return symbol_flag(flag)->action == LIST_ACTION ? member : !member;
}

int flags_present_p(NET *net, int side) {
  if (side != UPPER_SIDE && side != LOWER_SIDE) {
    error_printf("flags_present_p: Side should be UPPER or LOWER, got %d", side);
    return 0;
  }
  if (net == nullptr) return 0;
  ALPH *full = net->flags2.reduced_labelset && labelset_hooks.unreduced_labels != nullptr
                   ? labelset_hooks.unreduced_labels(net)
                   : nullptr;
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, full != nullptr ? full : net_labels(net));
  int present = 0;
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL && !present;
       label = next_alph_item(&iterator))
    present = symbol_flag(side == UPPER_SIDE ? upper_id(label) : lower_id(label)) != nullptr;
  free_alph(full);
  return present;
}

}  // namespace kora
