// Labelset reduction and its undoing, the unreduce key and the match table; see labelset.h.

#include "labelset.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "alph.h"
#include "boundary.h"
#include "context.h"
#include "eqv-labs.h"
#include "error.h"
#include "fat-str.h"
#include "label.h"
#include "net-vector.h"
#include "prop-names.h"
#include "prop.h"
#include "struct.h"

namespace kora {
namespace {

FAT_STR sigma_key() { return standard_name("SIGMA"); }
FAT_STR classes_key() { return standard_name("EQV-VECTOR"); }

// ---- The records as property values --------------------------------------------------------

// The list value of SIGMA: each label in order, a symbol as a symbol object, a pair as an array
// of its two symbols.
OBJECT *labels_value(const std::vector<uint32_t> &labels) {
  SEQUENCE *list = NewSequence(OBJECT_TYPE, static_cast<int>(labels.size()));
  for (size_t i = 0; i < labels.size(); i++) list->data[i].object = label_object(labels[i]);
  return MAKE_OBJECT(LIST_TYPE, OBJ_VALUE{.sequence = list});
}

// The array value of EQV-VECTOR.
OBJECT *numbers_value(const std::vector<int32_t> &numbers) {
  SEQUENCE *array = NewSequence(INTEGER_TYPE, static_cast<int>(numbers.size()));
  for (size_t i = 0; i < numbers.size(); i++) array->data[i].integer = numbers[i];
  return MAKE_OBJECT(ARRAY_TYPE, OBJ_VALUE{.sequence = array});
}

// The symbol named `name`, interned in the current label map; ID_NO_SYMBOL for null.
uint32_t named_symbol(const uint32_t *name) {
  if (name == nullptr) return ID_NO_SYMBOL;
  FAT_STR copy = fat_strdup(name);
  uint32_t id = ID_NO_SYMBOL;
  intern_fat_symbol(&id, copy);
  std::free(copy);
  return id;
}

// The symbol a symbol object names; ID_NO_SYMBOL for another object.
uint32_t named_symbol(const OBJECT *object) {
  if (object == nullptr || object->type != SYMBOL_TYPE || object->value.symbol == nullptr)
    return ID_NO_SYMBOL;
  return named_symbol(object->value.symbol->name);
}

// The labels of the SIGMA property in order, into `labels`; false when it is missing or holds
// something else than a list of symbols and pairs.
bool recorded_labels(const NET *net, std::vector<uint32_t> &labels) {
  const OBJECT *value = get_prop(net, sigma_key());
  if (value == nullptr || value->type != LIST_TYPE || value->value.sequence == nullptr)
    return false;
  const SEQUENCE *list = value->value.sequence;
  labels.clear();
  if (list->element_type == SYMBOL_PACKAGE_TYPE) {  // symbols only, as properties text reads them
    for (int i = 0; i < list->length; i++) {
      const uint32_t label = named_symbol(list->data[i].string);
      if (label == ID_NO_SYMBOL) return false;
      labels.push_back(label);
    }
    return true;
  }
  if (list->element_type != OBJECT_TYPE) return false;
  for (int i = 0; i < list->length; i++) {
    const OBJECT *item = list->data[i].object;
    uint32_t label = ID_NO_SYMBOL;
    if (item != nullptr && item->type == ARRAY_TYPE) {
      const SEQUENCE *pair = item->value.sequence;
      if (pair == nullptr || pair->length != 2 || pair->element_type != OBJECT_TYPE) return false;
      const uint32_t upper = named_symbol(pair->data[0].object);
      const uint32_t lower = named_symbol(pair->data[1].object);
      if (upper == ID_NO_SYMBOL || lower == ID_NO_SYMBOL) return false;
      intern_pair(&label, upper, lower);
    } else {
      label = named_symbol(item);
    }
    if (label == ID_NO_SYMBOL) return false;
    labels.push_back(label);
  }
  return true;
}

// The class numbers of EQV-VECTOR, into `numbers`; false when it is missing or is not an array
// of integers.
bool recorded_classes(const NET *net, std::vector<int32_t> &numbers) {
  const OBJECT *value = get_prop(net, classes_key());
  if (value == nullptr || value->type != ARRAY_TYPE || value->value.sequence == nullptr ||
      value->value.sequence->element_type != INTEGER_TYPE)
    return false;
  const SEQUENCE *array = value->value.sequence;
  numbers.assign(array->length, 0);
  for (int i = 0; i < array->length; i++) numbers[i] = array->data[i].integer;
  return true;
}

// Both records of a reduced network, checked against each other; false after the warnings of
// unreduce_key.
bool read_records(const NET *net, std::vector<uint32_t> &labels, std::vector<int32_t> &numbers) {
  if (!recorded_labels(net, labels)) {
    warning("Cannot find the full label alphabet.");
    return false;
  }
  if (!recorded_classes(net, numbers)) {
    warning("Cannot find the equivalence class map.");
    return false;
  }
  if (numbers.size() != labels.size()) {
    error_printf("restore_label_set: Bad length for EQV_VECTOR: %d",
                 static_cast<int>(numbers.size()));
    return false;
  }
  return true;
}

// The classes of the records, by class number (entry 0 and the numbers no label has stay
// empty), each in the records' order: its first label is its representative.
std::vector<std::vector<uint32_t>> classes_of(const std::vector<uint32_t> &labels,
                                              const std::vector<int32_t> &numbers) {
  int32_t largest = 0;
  for (int32_t number : numbers) largest = std::max(largest, number);
  std::vector<std::vector<uint32_t>> classes(static_cast<size_t>(largest) + 1);
  for (size_t i = 0; i < labels.size(); i++)
    if (numbers[i] > 0) classes[numbers[i]].push_back(labels[i]);
  return classes;
}

// Takes every label of `keep` out of its class into a class of its own, dropping classes left
// empty.
void enforce_singleton_classes(std::vector<LabelClass> &classes, ALPH *keep) {
  std::vector<LabelClass> kept;
  for (LabelClass &members : classes) {
    LabelClass rest;
    for (uint32_t label : members) {
      if (test_alph_member(keep, label))
        kept.push_back({label});
      else
        rest.push_back(label);
    }
    members = std::move(rest);
  }
  std::erase_if(classes, [](const LabelClass &members) { return members.empty(); });
  classes.insert(classes.end(), kept.begin(), kept.end());
  std::sort(classes.begin(), classes.end(),
            [](const LabelClass &a, const LabelClass &b) { return a.front() < b.front(); });
}

// Deletes every arc whose label is marked.
void delete_marked_arcs(NET *net, const std::vector<bool> &marked) {
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    ARC **link = &state->arcs;
    while (ARC *arc = *link) {
      if (arc->label < marked.size() && marked[arc->label]) {
        *link = arc->next;
        free_arc(arc);
        net->num_arcs--;
      } else {
        link = &arc->next;
      }
    }
  }
}

void free_match_table(NET *net) {
  delete static_cast<LabelClassMap *>(net->upper_match_table);
  net->upper_match_table = nullptr;
  net->match_table_count = 0;
}

uint32_t class_size(NET *net, uint32_t label) {
  const LabelClassMap *map = reduced_to_unreduced_map(net);
  const size_t size = map == nullptr ? 0 : map->members(label).size();
  return size == 0 ? 1 : static_cast<uint32_t>(size);
}

}  // namespace

NET *reduce_labelset_aux(NET *net, ALPH *keep, bool record, bool keep_sigma) {
  if (net->flags2.reduced_labelset) {
    error("The labelset has already been reduced.");
    return net;
  }
  if (net->flags.shared_arc_lists) {
    error("Cannot apply labelset reduction to a network\nthat has shared arcs.");
    return net;
  }
  if (check_plain_net(net)) return net;
  NET *only[1] = {net};
  const NV one{1, only};
  std::vector<LabelClass> classes = compute_label_classes(&one);
  if (keep != nullptr) enforce_singleton_classes(classes, keep);

  // The class number of every label in the label set's order; the first label met of a class
  // stays on the arcs, the others are marked.
  const ALPH *labels = binary_to_label(net->labels);
  const std::vector<uint32_t> full(labels->items, labels->items + labels->len);
  std::vector<int32_t> class_of(label_count(), 0);
  for (size_t c = 0; c < classes.size(); c++)
    for (uint32_t label : classes[c]) class_of[label] = static_cast<int32_t>(c + 1);
  std::vector<int32_t> numbers;
  numbers.reserve(full.size());
  std::vector<bool> class_seen(classes.size() + 1), marked(label_count());
  bool reduces = false;
  for (uint32_t label : full) {
    const int32_t number = class_of[label];
    numbers.push_back(number);
    if (class_seen[number]) {
      marked[label] = true;
      reduces = true;
    }
    class_seen[number] = true;
  }
  if (!reduces) {
    if (parameter(KORA_VERBOSE))
      std::fputs("Does not reduce: all equivalence classes are singleton sets.\n", stderr);
    return net;
  }

  if (record) add_prop(net, sigma_key(), labels_value(full));
  add_prop(net, classes_key(), numbers_value(numbers));
  delete_marked_arcs(net, marked);
  std::vector<uint32_t> kept;
  for (uint32_t label : full) {
    if (!marked[label]) {
      kept.push_back(label);
    } else if (!keep_sigma && net->sigma != nullptr) {
      alph_remove_from(net->sigma, upper_id(label), 0);
      alph_remove_from(net->sigma, lower_id(label), 0);
    }
  }
  free_alph(net->labels);
  net->labels = labels_to_alph(kept.data(), static_cast<int>(kept.size()), KORA_LABEL_ALPH);
  discard_match_tables(net);
  net->flags2.reduced_labelset = 1;
  net->flags2.sorted_arcs = 0;
  return net;
}

NET *unreduce_labelset_aux(NET *net, ALPH *full) {
  if (!net->flags2.reduced_labelset) {
    warning("Nothing to do. The labelset has not been reduced.");
    return net;
  }
  std::vector<uint32_t> labels;
  if (full != nullptr) {
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, full);
    for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
         label = next_alph_item(&iterator))
      labels.push_back(label);
  } else if (!recorded_labels(net, labels)) {
    warning("Cannot restore without the full alphabet.");
    return net;
  }
  std::vector<int32_t> numbers;
  if (!recorded_classes(net, numbers)) {
    warning("No EQV_VECTOR.  Nothing to restore.");
    return net;
  }
  if (numbers.size() != labels.size()) {
    error_printf("restore_label_set: Bad length for EQV_VECTOR: %d",
                 static_cast<int>(numbers.size()));
    return net;
  }

  // Every arc whose label stands for others gets their arcs at the head of its state's list.
  std::vector<std::vector<uint32_t>> others(label_count());
  for (const std::vector<uint32_t> &members : classes_of(labels, numbers))
    if (members.size() > 1) others[members[0]].assign(members.begin() + 1, members.end());
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label >= others.size()) continue;
      for (uint32_t label : others[arc->label]) {
        ARC *made = arc->flags.big
                        ? alloc_big_arc(label, arc->destination, arc_user_pointer(arc), net)
                        : alloc_arc(label, arc->destination, net);
        push_arc(made, state);
      }
    }

  free_prop(remove_prop(net, sigma_key()));
  free_prop(remove_prop(net, classes_key()));
  free_alph(net->labels);
  net->labels = labels_to_alph(labels.data(), static_cast<int>(labels.size()), KORA_LABEL_ALPH);
  if (net->sigma != nullptr)
    for (uint32_t label : labels) add_symbols_of_label(net->sigma, label);
  discard_match_tables(net);
  net->flags2.reduced_labelset = 0;
  net->flags2.sorted_arcs = 0;
  return net;
}

ALPH *unreduce_key(NET *net) {
  if (!net->flags2.reduced_labelset) {
    warning("The labelset has not been reduced.");
    return nullptr;
  }
  if (net->unreduce_key != nullptr) return net->unreduce_key;
  std::vector<uint32_t> labels;
  std::vector<int32_t> numbers;
  if (!read_records(net, labels, numbers)) return nullptr;
  ALPH *key = make_alph(static_cast<int>(label_count()), KORA_BINARY_ALPH);
  for (const std::vector<uint32_t> &members : classes_of(labels, numbers))
    for (uint32_t label : members) key->items[label] = members[0];
  net->unreduce_key = key;
  return key;
}

const LabelClassMap *reduced_to_unreduced_map(NET *net) {
  if (net->upper_match_table != nullptr)
    return static_cast<const LabelClassMap *>(net->upper_match_table);
  if (!net->flags2.reduced_labelset) {
    warning("The labelset has not been reduced.");
    return nullptr;
  }
  std::vector<uint32_t> labels;
  std::vector<int32_t> numbers;
  if (!read_records(net, labels, numbers)) return nullptr;
  const std::vector<std::vector<uint32_t>> classes = classes_of(labels, numbers);
  // Runs by representative id: count, place, fill.
  uint32_t largest = 0;
  for (const std::vector<uint32_t> &members : classes)
    if (!members.empty()) largest = std::max(largest, members[0]);
  auto *map = new LabelClassMap();
  map->first.assign(largest + 2, 0);
  for (const std::vector<uint32_t> &members : classes)
    if (!members.empty()) map->first[members[0] + 1] = static_cast<uint32_t>(members.size());
  for (size_t id = 1; id < map->first.size(); id++) map->first[id] += map->first[id - 1];
  map->labels.resize(labels.size());
  for (const std::vector<uint32_t> &members : classes)
    if (!members.empty())
      std::copy(members.begin(), members.end(), map->labels.begin() + map->first[members[0]]);
  net->upper_match_table = map;
  net->match_table_count = static_cast<int>(classes.size());
  return map;
}

void discard_match_tables(NET *net) {
  free_match_table(net);
  free_alph(net->unreduce_key);
  net->unreduce_key = nullptr;
}

ALPH *unreduced_labels(NET *net) {
  ALPH *labels = net_labels(net);
  const LabelClassMap *map =
      net->flags2.reduced_labelset ? reduced_to_unreduced_map(net) : nullptr;
  if (map == nullptr) return binary_to_label(copy_alph(labels));
  ALPH *full = make_alph(0, KORA_LABEL_ALPH);
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, labels);
  for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
       label = next_alph_item(&iterator)) {
    const std::span<const uint32_t> members = map->members(label);
    if (members.empty()) alph_add_to(full, label, 0);
    for (uint32_t member : members) alph_add_to(full, member, 0);
  }
  return full;
}

void extend_reduction_with_altchain(NET *net) {
  if (!net->flags2.reduced_labelset) return;
  std::vector<uint32_t> labels;
  std::vector<int32_t> numbers;
  if (!recorded_labels(net, labels) || !recorded_classes(net, numbers))
    programming_error("extend_reduction_with_altchain", "Cannot find equivalence classes");
  if (std::find(labels.begin(), labels.end(), ALTCHAIN_SYMBOL) != labels.end()) return;
  int32_t largest = 0;
  for (int32_t number : numbers) largest = std::max(largest, number);
  labels.push_back(ALTCHAIN_SYMBOL);
  numbers.push_back(largest + 1);
  add_prop(net, sigma_key(), labels_value(labels));
  add_prop(net, classes_key(), numbers_value(numbers));
  discard_match_tables(net);
}

void install_labelset_hooks() {
  labelset_hooks = {
      unreduced_labels, class_size,
      [](NET *net) { return unreduce_labelset_aux(net, nullptr); },
      [](NET *net) { return reduce_labelset_aux(net, nullptr, true, true); }};
  add_network_freed_hook(free_match_table);
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *reduce_labelset(NET *net) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("reduce_labelset: argument is NULL.");
      return nullptr;
    }
    if (check_not_virtual(net)) return net;
    return reduce_labelset_aux(net, nullptr, true, true);
  });
}

KORA_API NET *unreduce_labelset(NET *net) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (net == nullptr) {
      error("unreduce_labelset: argument is NULL.");
      return nullptr;
    }
    if (check_not_virtual(net)) return net;
    return unreduce_labelset_aux(net, nullptr);
  });
}

}  // extern "C"
