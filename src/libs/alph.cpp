// Alphabets: creation, the two forms, membership, set operations and network alphabets.
//
// Binary form keeps one item per id below the length (nonzero for a member) and zero items
// above it, so growing the length never has to clear anything. Label form keeps the member ids
// in the first `len` items. Conversions and set operations are linear in the lengths involved;
// membership is one read in binary form and a linear search in label form.

#include "alph.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "boundary.h"
#include "error.h"
#include "heap.h"
#include "label.h"
#include "platform.h"

namespace kora {
namespace {

constexpr int kMinClass = 2;

// The smallest size class whose arrays hold `length` items (at least 4).
int size_class(int length) {
  int k = kMinClass;
  while ((1 << k) < length) ++k;
  return k;
}

// A zero-filled item array for at least `length` items; its capacity goes to *capacity.
// A length beyond the largest alphabet is reported and gives null.
uint32_t *alloc_items(int length, int *capacity) {
  if (length > static_cast<int>(ID_NO_SYMBOL)) {
    error_printf("make_alph_items: Alphabet length (%d) exceeds MAX_LABEL (%d)", length,
                 static_cast<int>(MAX_LABEL));
    return nullptr;
  }
  const int k = size_class(length);
  if (alph_item_heaps[k] == nullptr)
    alph_item_heaps[k] = init_heap(static_cast<unsigned>(sizeof(uint32_t)) << k, 8, "Label vectors");
  void *cell = cell_alloc(alph_item_heaps[k]);
  // A reused cell keeps the items of its former alphabet.
  std::memset(cell, 0, sizeof(uint32_t) << k);
  *capacity = 1 << k;
  return static_cast<uint32_t *>(cell);
}

// Returns an item array to the heap of its size class. A capacity that is no size class is
// reported and the array is left alone.
void free_items(uint32_t *items, int capacity) {
  if (items == nullptr) return;
  const bool valid = capacity >= (1 << kMinClass) && capacity <= (1 << MAX_LV) &&
                     std::has_single_bit(static_cast<unsigned>(capacity));
  HEAP *heap = valid ? alph_item_heaps[std::countr_zero(static_cast<unsigned>(capacity))] : nullptr;
  if (heap == nullptr) {
    error("free_alph_items: Illegal ALPH_max");
    return;
  }
  free_cell(items, heap);
}

// Drops the item array of `alph`, which becomes empty.
void release_items(ALPH *alph) {
  free_items(alph->items, alph->max);
  alph->items = nullptr;
  alph->max = 0;
  alph->len = 0;
}

// Moves the first `keep` items of `alph` to a fresh array of at least `capacity` items.
// False, with the alphabet unchanged, when the capacity is refused.
bool move_items(ALPH *alph, int capacity, int keep) {
  int max = 0;
  uint32_t *items = alloc_items(capacity, &max);
  if (items == nullptr) return false;
  if (keep > 0) std::memcpy(items, alph->items, sizeof(uint32_t) * keep);
  free_items(alph->items, alph->max);
  alph->items = items;
  alph->max = max;
  return true;
}

// Room for `capacity` items, keeping the items in use. False when the capacity is refused.
bool reserve(ALPH *alph, int capacity) {
  return capacity <= alph->max || move_items(alph, capacity, alph->len);
}

// A fresh, live, empty alphabet cell; null when the alphabet heap is missing (reported).
ALPH *new_alph(int type) {
  auto *alph = static_cast<ALPH *>(cell_alloc(ALPH_HEAP));
  if (alph == nullptr) return nullptr;
  alph->len = 0;
  alph->max = 0;
  alph->items = nullptr;
  alph->type = static_cast<uint8_t>(type);
  alph->live = 1;
  return alph;
}

// Calls visit(id) for every member, in item order.
template <typename Visit>
void for_each_member(const ALPH *alph, Visit visit) {
  if (alph->type == KORA_BINARY_ALPH) {
    for (int i = 0; i < alph->len; ++i)
      if (alph->items[i] != 0) visit(static_cast<uint32_t>(i));
  } else {
    for (int i = 0; i < alph->len; ++i)
      if (alph->items[i] <= MAX_LABEL) visit(alph->items[i]);
  }
}

// The largest member, or -1 when there is none.
int highest_member(const ALPH *alph) {
  if (alph->type == KORA_BINARY_ALPH) {
    int i = alph->len - 1;
    while (i >= 0 && alph->items[i] == 0) --i;
    return i;
  }
  int highest = -1;
  for_each_member(alph, [&](uint32_t id) { highest = std::max(highest, static_cast<int>(id)); });
  return highest;
}

// Turns a label alphabet into a binary one of `length` slots, which must exceed every member;
// a length of 0 leaves it without an item array.
void make_binary(ALPH *alph, int length) {
  int max = 0;
  uint32_t *items = length > 0 ? alloc_items(length, &max) : nullptr;
  for_each_member(alph, [&](uint32_t id) { items[id] = 1; });
  free_items(alph->items, alph->max);
  alph->items = items;
  alph->max = max;
  alph->len = length;
  alph->type = KORA_BINARY_ALPH;
}

// Shortens a binary alphabet to one more than its largest member; an alphabet left without
// members loses its item array.
void trim(ALPH *alph) {
  while (alph->len > 0 && alph->items[alph->len - 1] == 0) --alph->len;
  if (alph->len == 0) release_items(alph);
}

// Adds `id` in place, in either form; EPSILON and ids above 0xFFFFFE are ignored.
void add_member(ALPH *alph, uint32_t id) {
  if (id == EPSILON || id > MAX_LABEL) return;
  if (alph->type == KORA_BINARY_ALPH) {
    if (static_cast<int>(id) >= alph->len) adjust_alph_size(alph, static_cast<int>(id) + 1);
    alph->items[id] = 1;
    return;
  }
  for (int i = 0; i < alph->len; ++i)
    if (alph->items[i] == id) return;
  append_new_label(alph, id);
}

// Removes `id` in place, in either form.
void remove_member(ALPH *alph, uint32_t id) {
  if (alph->type == KORA_BINARY_ALPH) {
    if (id >= static_cast<uint32_t>(alph->len) || alph->items[id] == 0) return;
    alph->items[id] = 0;
    for (int i = static_cast<int>(id) + 1; i < alph->len; ++i)
      if (alph->items[i] != 0) return;
    alph->len = static_cast<int>(id);
    trim(alph);
    return;
  }
  int kept = 0;
  int found = 0;
  for (int i = 0; i < alph->len; ++i) {
    if (alph->items[i] == id)
      ++found;
    else
      alph->items[kept++] = alph->items[i];
  }
  if (found > 1)
    programmer_alert("label_remove_from", "Two occurrences of the same label in a label alphabet.");
  alph->len = kept;
  if (kept == 0) release_items(alph);
}

// A new binary alphabet with the members of `alph` (either form).
ALPH *binary_copy(const ALPH *alph) {
  if (alph->type == KORA_BINARY_ALPH) return copy_alph(alph);
  ALPH *copy = new_alph(KORA_BINARY_ALPH);
  const int length = highest_member(alph) + 1;
  if (copy == nullptr || length == 0) return copy;
  copy->items = alloc_items(length, &copy->max);
  copy->len = length;
  for_each_member(alph, [&](uint32_t id) { copy->items[id] = 1; });
  return copy;
}

// After a set operation: an operand that became the result stays; a kept one goes back to
// label form when `restore_label_form` says it was converted from it; any other is freed.
void settle_operand(ALPH *operand, bool keep, bool restore_label_form, const ALPH *result) {
  if (operand == nullptr || operand == result) return;
  if (!keep)
    free_alph(operand);
  else if (restore_label_form)
    binary_to_label(operand);
}

// The number of ids the current label map has given out (0 before there is one).
uint32_t id_count() {
  LABEL_MAP *map = current_label_map();
  return map != nullptr ? map->count : 0;
}

// Calls visit(label) for the label of every arc of the network's state list. A vectorized
// state (whose arcs field holds its arc vector) stands for every label of the network's label
// copy, which its arcs are among.
template <typename Visit>
void for_each_arc_label(const NET *net, Visit visit) {
  for (const STATE *state = net->states; state != nullptr; state = state->next) {
    if (state->flags.vectorized) {
      for (int k = 0; net->vectorized_alph != nullptr && k < net->vectorized_alph->len; k++)
        visit(net->vectorized_alph->items[k]);
      continue;
    }
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) visit(arc->label);
  }
}

}  // namespace

// --- Creation and copying ---------------------------------------------------------------------

ALPH *make_alph(int length, int type) {
  if (type != KORA_BINARY_ALPH && type != KORA_LABEL_ALPH) {
    error_printf("make_alph: Bad type: %d", type);
    return nullptr;
  }
  if (static_cast<uint32_t>(length) > MAX_LABEL) {
    error_printf("make_alph: Cannot allocate alphabet larger than MAX_LABEL, size requested was %d",
                 length);
    return nullptr;
  }
  ALPH *alph = new_alph(type);
  if (alph == nullptr || length == 0) return alph;
  alph->items = alloc_items(length, &alph->max);
  if (type == KORA_BINARY_ALPH) alph->len = length;
  return alph;
}

ALPH *copy_alph(const ALPH *alph) {
  if (alph == nullptr) return nullptr;
  ALPH *copy = new_alph(alph->type);
  if (copy == nullptr || alph->len == 0) return copy;
  copy->items = alloc_items(alph->len, &copy->max);
  std::memcpy(copy->items, alph->items, sizeof(uint32_t) * alph->len);
  copy->len = alph->len;
  return copy;
}

ALPH *labels_to_alph(const uint32_t *ids, int count, int type) {
  const uint32_t known = id_count();
  int highest = -1;
  for (int i = 0; i < count; ++i) {
    if (ids[i] >= known) {
      error_printf("labels_to_alph: Bad label id: %d", static_cast<int>(ids[i]));
      return nullptr;
    }
    highest = std::max(highest, static_cast<int>(ids[i]));
  }
  if (type == KORA_LABEL_ALPH) {
    ALPH *alph = make_alph(std::max(count, 0), type);
    if (alph == nullptr || count <= 0) return alph;
    std::memcpy(alph->items, ids, sizeof(uint32_t) * count);
    alph->len = count;
    return alph;
  }
  ALPH *alph = make_alph(highest + 1, type);
  if (alph != nullptr)
    for (int i = 0; i < count; ++i) alph->items[ids[i]] = 1;
  return alph;
}

void adjust_alph_size(ALPH *alph, int length) {
  if (alph == nullptr) {
    error("adjust_alph_size: argument is NULL");
    return;
  }
  if (!reserve(alph, length)) return;
  if (alph->type == KORA_BINARY_ALPH && length > alph->len) alph->len = length;
}

void free_alph(ALPH *alph) {
  if (alph == nullptr || !alph->live || ALPH_HEAP == nullptr) return;
  free_items(alph->items, alph->max);
  alph->items = nullptr;
  alph->live = 0;
  free_cell(alph, ALPH_HEAP);
}

void make_alph_heap() { ALPH_HEAP = init_heap(sizeof(ALPH), page_size() / 4, "Alphabets"); }

void forget_alph_item_heaps() {
  ALPH_HEAP = nullptr;
  for (HEAP *&heap : alph_item_heaps) heap = nullptr;
}

// --- Membership and editing -------------------------------------------------------------------

void append_new_label(ALPH *alph, uint32_t id) {
  if (reserve(alph, alph->len + 1)) alph->items[alph->len++] = id;
}

ALPH *add_symbols_of_label(ALPH *alph, uint32_t label) {
  const LABEL *record = label_arity(label) > 1 ? label_record(label) : nullptr;
  if (record == nullptr) {
    add_member(alph, label);
    return alph;
  }
  for (int i = 0; i < record->arity; ++i) add_member(alph, record->tuple->components[i]);
  return alph;
}

bool alph_has_other(const ALPH *alph) {
  bool found = false;
  for_each_member(alph, [&](uint32_t id) {
    if (upper_id(id) == OTHER || lower_id(id) == OTHER) found = true;
  });
  return found;
}

std::vector<bool> sigma_members(const NET *net) {
  std::vector<bool> members;
  if (net->sigma == nullptr) return members;
  for_each_member(net->sigma, [&](uint32_t id) {
    if (id >= members.size()) members.resize(id + 1, false);
    members[id] = true;
  });
  return members;
}

bool is_reserved_id(uint32_t id) {
  LABEL_MAP *map = current_label_map();
  return map != nullptr && id < map->reserved_count;
}

bool alph_is_reserved_only(const ALPH *alph) {
  bool reserved = true;
  for_each_member(alph, [&](uint32_t id) { reserved = reserved && is_reserved_id(id); });
  return reserved;
}

// --- Iteration --------------------------------------------------------------------------------

ALPH_ITERATOR *start_alph_iterator(ALPH_ITERATOR *iterator, const ALPH *alph) {
  iterator->alph = alph;
  iterator->position = 0;
  return iterator;
}

uint32_t next_alph_item(ALPH_ITERATOR *iterator) {
  const ALPH *alph = iterator->alph;
  while (iterator->position < alph->len) {
    const int i = iterator->position++;
    if (alph->type == KORA_BINARY_ALPH) {
      if (alph->items[i] != 0) return static_cast<uint32_t>(i);
    } else if (alph->items[i] <= MAX_LABEL) {
      return alph->items[i];
    }
  }
  return ID_NO_SYMBOL;
}

// --- Network alphabets ------------------------------------------------------------------------

ALPH *labels_from_arcs(NET *net) {
  if (net == nullptr) return nullptr;
  ALPH *found = make_alph(0, KORA_BINARY_ALPH);
  if (found == nullptr) return nullptr;
  bool tuple = false;
  for_each_arc_label(net, [&](uint32_t label) {
    if (label == EPSILON || label > MAX_LABEL) return;
    if (static_cast<int>(label) < found->len && found->items[label] != 0) return;
    add_member(found, label);
    if (label_arity(label) > 1) tuple = true;
  });
  binary_to_label(found);
  free_alph(net->labels);
  net->labels = found;
  net->arity = tuple ? 2 : 1;
  return found;
}

ALPH *sigma_from_labels(NET *net, int side) {
  ALPH *sigma = make_alph(0, KORA_BINARY_ALPH);
  if (sigma == nullptr || net == nullptr || net->labels == nullptr) return sigma;
  ALPH *full = net->flags2.reduced_labelset && labelset_hooks.unreduced_labels != nullptr
                   ? labelset_hooks.unreduced_labels(net)
                   : nullptr;
  for_each_member(full != nullptr ? full : net->labels, [&](uint32_t label) {
    if (side == 0)
      add_member(sigma, upper_id(label));
    else if (side == 1)
      add_member(sigma, lower_id(label));
    else
      add_symbols_of_label(sigma, label);
  });
  free_alph(full);
  return sigma;
}

ALPH *sigma_extras(NET *net) {
  if (net == nullptr) return nullptr;
  return minus_alph(net->sigma, sigma_from_labels(net, 2), 1, 0);
}

void set_arity_from_labels(NET *net) {
  if (net == nullptr) return;
  int arity = 1;
  if (net->labels != nullptr)
    for_each_member(net->labels, [&](uint32_t label) { arity = std::max(arity, label_arity(label)); });
  net->arity = static_cast<int16_t>(arity);
}

}  // namespace kora

using namespace kora;

extern "C" {

// --- Form conversion --------------------------------------------------------------------------

// Compacts the member ids into the front of the array (each id is at least its new position,
// so nothing is overwritten before it is read), then moves them to a smaller size class when
// one fits.
KORA_API ALPH *binary_to_label(ALPH *alph) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (alph == nullptr || alph->type == KORA_LABEL_ALPH) return alph;
    int count = 0;
    for (int i = 0; i < alph->len; ++i)
      if (alph->items[i] != 0) alph->items[count++] = static_cast<uint32_t>(i);
    alph->type = KORA_LABEL_ALPH;
    if (count == 0) {
      release_items(alph);
      return alph;
    }
    alph->len = count;
    if ((1 << size_class(count)) < alph->max) move_items(alph, count, count);
    return alph;
  });
}

KORA_API ALPH *label_to_binary(ALPH *alph) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (alph == nullptr || alph->type == KORA_BINARY_ALPH) return alph;
    make_binary(alph, highest_member(alph) + 1);
    return alph;
  });
}

// --- Membership and editing -------------------------------------------------------------------

KORA_API int test_alph_member(ALPH *alph, uint32_t id) {
  return guarded(__func__, 0, [&]() -> int {
    if (alph == nullptr) return 0;
    if (alph->type == KORA_BINARY_ALPH)
      return id < static_cast<uint32_t>(alph->len) && alph->items[id] != 0;
    for (int i = 0; i < alph->len; ++i)
      if (alph->items[i] == id) return 1;
    return 0;
  });
}

KORA_API ALPH *alph_add_to(ALPH *alph, uint32_t id, int copy) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    ALPH *result = copy ? copy_alph(alph) : alph;
    if (result != nullptr) add_member(result, id);
    return result;
  });
}

KORA_API ALPH *alph_remove_from(ALPH *alph, uint32_t id, int copy) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    ALPH *result = copy ? copy_alph(alph) : alph;
    if (result != nullptr) remove_member(result, id);
    return result;
  });
}

// --- Set operations ---------------------------------------------------------------------------

KORA_API ALPH *union_alph(ALPH *a, ALPH *b, int copy_a, int keep_b) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (a == nullptr) return keep_b ? copy_alph(b) : b;
    ALPH *result = copy_a ? copy_alph(a) : a;
    if (result == nullptr || b == nullptr) return result;
    const int b_length = highest_member(b) + 1;
    if (result->type == KORA_LABEL_ALPH) {
      make_binary(result, std::max(highest_member(result) + 1, b_length));
    } else if (b_length > result->len) {
      adjust_alph_size(result, b_length);
    }
    for_each_member(b, [&](uint32_t id) { result->items[id] = 1; });
    if (b != a) settle_operand(b, keep_b, false, result);
    return result;
  });
}

// Both operands go to binary form; the shorter one (or its copy, when it is kept) becomes the
// result and loses the members that the other lacks.
KORA_API ALPH *intersect_alph(ALPH *a, ALPH *b, int keep_a, int keep_b) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (a == nullptr || b == nullptr) {
      settle_operand(a, keep_a, false, nullptr);
      if (b != a) settle_operand(b, keep_b, false, nullptr);
      return make_alph(0, KORA_BINARY_ALPH);
    }
    const int type_a = a->type;
    const int type_b = b->type;
    label_to_binary(a);
    label_to_binary(b);
    const bool a_shorter = a->len <= b->len;
    ALPH *shorter = a_shorter ? a : b;
    const ALPH *other = a_shorter ? b : a;
    const bool keep_shorter = a_shorter ? keep_a : keep_b;
    ALPH *result = keep_shorter || a == b ? copy_alph(shorter) : shorter;
    for (int i = 0; i < result->len; ++i)
      if (other->items[i] == 0) result->items[i] = 0;
    settle_operand(a, keep_a, type_a == KORA_LABEL_ALPH, result);
    if (b != a) settle_operand(b, keep_b, type_b == KORA_LABEL_ALPH, result);
    return result;
  });
}

// The result is a binary copy of `a` (or `a` itself when it is handed over), without the
// members of `b`, trimmed to its largest remaining member.
KORA_API ALPH *minus_alph(ALPH *a, ALPH *b, int keep_a, int keep_b) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (a == nullptr) {
      settle_operand(b, keep_b, false, nullptr);
      return make_alph(0, KORA_BINARY_ALPH);
    }
    ALPH *result = !keep_a && a != b ? label_to_binary(a) : binary_copy(a);
    if (b != nullptr)
      for_each_member(b, [&](uint32_t id) {
        if (static_cast<int>(id) < result->len) result->items[id] = 0;
      });
    trim(result);
    if (result->len > 0 && result->items[EPSILON] != 0)
      programmer_alert("sigma_difference", "EPSILON in SIGMA.");
    settle_operand(a, keep_a, false, result);
    if (b != a) settle_operand(b, keep_b, false, result);
    return result;
  });
}

// Both operands are compared in binary form; those that were in label form go back to it.
KORA_API int test_equal_alphs(ALPH *a, ALPH *b) {
  return guarded(__func__, 0, [&]() -> int {
    if (a == b) return 1;
    if (a == nullptr || b == nullptr) return highest_member(a != nullptr ? a : b) < 0;
    const int type_a = a->type;
    const int type_b = b->type;
    label_to_binary(a);
    label_to_binary(b);
    const ALPH *longer = a->len >= b->len ? a : b;
    const int common = std::min(a->len, b->len);
    bool equal = true;
    for (int i = 0; i < common && equal; ++i) equal = (a->items[i] != 0) == (b->items[i] != 0);
    for (int i = common; i < longer->len && equal; ++i) equal = longer->items[i] == 0;
    if (type_a == KORA_LABEL_ALPH) binary_to_label(a);
    if (type_b == KORA_LABEL_ALPH) binary_to_label(b);
    return equal;
  });
}

// --- Network alphabets ------------------------------------------------------------------------

KORA_API ALPH *net_labels(NET *net) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (net == nullptr) return nullptr;
    if (net->labels == nullptr) labels_from_arcs(net);
    return net->labels;
  });
}

KORA_API ALPH *net_sigma(NET *net) {
  return guarded(__func__, nullptr, [&]() -> ALPH * {
    if (net == nullptr) return nullptr;
    if (net->sigma == nullptr) {
      if (net->labels == nullptr) {
        warning("sigma: NET_labels is NULL.");
        labels_from_arcs(net);
      }
      net->sigma = sigma_from_labels(net, 2);
    }
    return net->sigma;
  });
}

// Declared but unused symbols (sigma members that no label uses) survive the recomputation.
KORA_API void update_net_labels_and_sigma(NET *net) {
  guarded(__func__, [&] {
    if (net == nullptr) return;
    // A virtual network's arcs are only those made so far: its labels are its operands'.
    if (net->flags2.is_virtual) {
      error("Cannot do this operation on a virtual network.");
      return;
    }
    if ((net->labels == nullptr) != (net->sigma == nullptr))
      programming_error("update_net_labels_and_sigma",
                        "labels and sigma must be either both NULL or both non-NULL");
    ALPH *extras = nullptr;
    if (net->labels != nullptr) {
      extras = sigma_extras(net);
      free_alph(net->labels);
      free_alph(net->sigma);
      net->labels = nullptr;
      net->sigma = nullptr;
    }
    labels_from_arcs(net);
    net->sigma = union_alph(sigma_from_labels(net, 2), extras, 0, 0);
  });
}

}  // extern "C"
