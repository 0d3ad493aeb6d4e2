// Alphabets as property values and the conversion of TWOL networks (see twol.h).

#include "twol.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "alph.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "prop-names.h"

namespace kora {
namespace {

uint32_t intern_name(const uint32_t *name) {
  uint32_t id = ID_NO_SYMBOL;
  FAT_STR copy = fat_strdup(name);
  intern_fat_symbol(&id, copy);
  std::free(copy);
  return id;
}

uint32_t intern_range(const uint32_t *name, int from, int to) {
  std::vector<uint32_t> part(name + from, name + to);
  part.push_back(0);
  return intern_name(part.data());
}

}  // namespace

uint32_t obj_to_symbol_id(const OBJECT *object) {
  switch (object == nullptr ? OBJECT_TYPE : object->type) {
    case SYMBOL_TYPE:
      return object->value.symbol == nullptr ? ID_NO_SYMBOL
                                             : intern_name(object->value.symbol->name);
    case STRING_TYPE:
      return object->value.string == nullptr ? ID_NO_SYMBOL : intern_name(object->value.string);
    case CHARACTER_TYPE: {
      uint32_t name[2] = {object->value.character, 0};
      return intern_name(name);
    }
    default:
      error_printf("obj_to_symbol_id: Illegal object type: %d",
                   object == nullptr ? OBJECT_TYPE : object->type);
      return ID_NO_SYMBOL;
  }
}

uint32_t obj_to_tuple_id(const OBJECT *object) {
  const SEQUENCE *sequence =
      object != nullptr && object->type == ARRAY_TYPE ? object->value.sequence : nullptr;
  if (sequence == nullptr || sequence->length != 2 || sequence->element_type != OBJECT_TYPE) {
    error_printf("obj_to_tuple_id: Wrong type of array: %d",
                 sequence == nullptr ? (object == nullptr ? OBJECT_TYPE : object->type)
                                     : sequence->element_type);
    return ID_NO_SYMBOL;
  }
  uint32_t upper = obj_to_symbol_id(sequence->data[0].object);
  uint32_t lower = obj_to_symbol_id(sequence->data[1].object);
  if (upper == ID_NO_SYMBOL || lower == ID_NO_SYMBOL) return ID_NO_SYMBOL;
  uint32_t pair = ID_NO_SYMBOL;
  intern_pair(&pair, upper, lower);
  return pair;
}

ALPH *prop_val_to_alph(const OBJECT *value) {
  if (value == nullptr || value->type != LIST_TYPE || value->value.sequence == nullptr) {
    error_printf("prop_val_to_alph: Unexpected type of alphabet property: %d",
                 value == nullptr ? OBJECT_TYPE : value->type);
    return nullptr;
  }
  const SEQUENCE *sequence = value->value.sequence;
  ALPH *alph = make_alph(0, KORA_BINARY_ALPH);
  for (int i = 0; i < sequence->length; i++) {
    const OBJ_VALUE &item = sequence->data[i];
    uint32_t id = ID_NO_SYMBOL;
    switch (sequence->element_type) {
      case SYMBOL_PACKAGE_TYPE:
      case STRING_TYPE:
        if (item.string != nullptr) id = intern_name(item.string);
        break;
      case SYMBOL_TYPE:
        if (item.symbol != nullptr) id = intern_name(item.symbol->name);
        break;
      case OBJECT_TYPE:
        if (item.object != nullptr && item.object->type == ARRAY_TYPE)
          id = obj_to_tuple_id(item.object);
        else if (item.object != nullptr && item.object->type >= CHARACTER_TYPE &&
                 item.object->type <= SYMBOL_TYPE)
          id = obj_to_symbol_id(item.object);
        else
          error_printf("prop_val_to_alph: Illegal symbol type: %d",
                       item.object == nullptr ? OBJECT_TYPE : item.object->type);
        break;
      default:
        error_printf("prop_val_to_alph: Bad alphabet type: %d", sequence->element_type);
        free_alph(alph);
        return nullptr;
    }
    if (id != ID_NO_SYMBOL) alph = alph_add_to(alph, id, 0);
  }
  return alph;
}

void recover_sigma(NET *net) {
  const uint32_t *key = standard_name("SAVED-SIGMA");
  OBJECT *saved = get_prop(net, key);
  if (saved == nullptr) {
    free_alph(net->sigma);
    net->sigma = sigma_from_labels(net, 2);
    return;
  }
  if (saved->type == LIST_TYPE) {
    if (ALPH *sigma = prop_val_to_alph(saved)) {
      free_alph(net->sigma);
      net->sigma = sigma;
    }
    free_prop(remove_prop(net, key));
  } else if (saved->type == SYMBOL_TYPE && saved->value.symbol != nullptr &&
             fat_strcmp(saved->value.symbol->name, standard_name("NIL")) == 0) {
    free_prop(remove_prop(net, key));
  } else {
    error_printf("recover_sigma: unexpected type of SAVED-SIGMA: %d", saved->type);
  }
}

void convert_twol_nets(NV *nv, bool quiet) {
  if (nv == nullptr || nv->len == 0 || nv->nets[0] == nullptr || !nv->nets[0]->flags.twol) return;
  NET *first = nv->nets[0];
  const uint32_t *key = standard_name("SIGMA");
  OBJECT *sigma_value = get_prop(first, key);
  if (sigma_value == nullptr || sigma_value->type != LIST_TYPE) {
    warning("Net marked as TWOL net but isn't.");
    first->flags.twol = 0;
    return;
  }
  if (!quiet) std::fputs("Converting nets from TWOL to STANDARD mode.\n", stdout);
  ALPH *sigma = prop_val_to_alph(sigma_value);
  std::vector<uint32_t> map(label_count(), ID_NO_SYMBOL);
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, sigma);
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL;
       id = next_alph_item(&iterator)) {
    map[id] = id;
    if (label_arity(id) != 1) continue;
    const uint32_t *name = label_record(id)->name;
    const int length = fat_strlen(name);
    int colon = -1, further = -1;
    for (int i = 1; i < length - 1; i++) {
      if (name[i] != ':') continue;
      if (colon < 0)
        colon = i;
      else if (further < 0)
        further = i;
    }
    if (colon < 0) continue;
    uint32_t upper = intern_range(name, 0, colon);
    uint32_t lower = intern_range(name, colon + 1, length);
    if (further >= 0) {
      FILE *stream = message_stream();
      std::fputs("'", stream);
      print_label(id, stream, 0);
      std::fputs("' cannot be unambiguously converted.\n    Upper symbol = '", stream);
      print_label(upper, stream, 0);
      std::fputs("', lower symbol = '", stream);
      print_label(lower, stream, 0);
      std::fputs("'", stream);
      flush_message_as_warning();
    }
    uint32_t pair = ID_NO_SYMBOL;
    if (intern_pair(&pair, upper, lower) == 0) map[id] = pair;
  }
  free_alph(sigma);
  for (int n = 0; n < nv->len; n++) {
    NET *net = nv->nets[n];
    if (net == nullptr) continue;
    for (STATE *state = net->states; state != nullptr; state = state->next)
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
        if (arc->label == EPSILON) continue;
        if (arc->label < map.size() && map[arc->label] != ID_NO_SYMBOL) {
          arc->label = map[arc->label];
          continue;
        }
        FILE *stream = message_stream();
        std::fputs("Unexpected label: '", stream);
        print_label(arc->label, stream, 0);
        std::fputs("'", stream);
        flush_message_as_warning();
      }
    labels_from_arcs(net);
    free_alph(net->sigma);
    net->sigma = sigma_from_labels(net, 2);
    set_arity_from_labels(net);
    net->flags.twol = 0;
  }
  free_prop(remove_prop(first, key));
}

}  // namespace kora
