// Rebuilding label sets from arcs, and the disjoint-labels and distinct-labels tests.

#include "label-check.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "alph.h"
#include "error.h"
#include "label.h"

namespace kora {
namespace {

// The number of members of `alph` and its largest member (-1 when it has none).
std::pair<int, int64_t> size_and_largest(const ALPH *alph) {
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, alph);
  int count = 0;
  int64_t largest = -1;
  for (uint32_t id = next_alph_item(&iterator); id != ID_NO_SYMBOL; id = next_alph_item(&iterator)) {
    count++;
    largest = std::max<int64_t>(largest, id);
  }
  return {count, largest};
}

void report_unaccounted_label(uint32_t label) {
  FILE *stream = message_stream();
  std::fprintf(stream, "label_check: Unaccounted label (%d): ", static_cast<int>(label));
  print_label(label, stream, 0);
  flush_message_as_warning();
}

// Lists up to this length are checked pairwise; longer ones are sorted.
constexpr int kShortArcList = 16;

}  // namespace

void label_check(NET *net) {
  if (net == nullptr) return;
  ALPH *old = net->labels;
  const std::pair<int, int64_t> old_size =
      old != nullptr ? size_and_largest(old) : std::pair<int, int64_t>{0, -1};
  const int old_count = old_size.first;
  const int64_t old_largest = old_size.second;
  // Binary form is the flag array of the labels seen; it grows with the largest label met.
  ALPH *used = make_alph(0, KORA_BINARY_ALPH);
  auto note = [&](uint32_t label) {
    if (label == EPSILON || test_alph_member(used, label)) return;
    alph_add_to(used, label, 0);
    if (old != nullptr && label > old_largest) report_unaccounted_label(label);
  };
  for (const STATE *state = net->states; state != nullptr; state = state->next) {
    if (state->flags.vectorized) {  // its arcs are among the labels of the label copy
      for (int k = 0; net->vectorized_alph != nullptr && k < net->vectorized_alph->len; k++)
        note(net->vectorized_alph->items[k]);
      continue;
    }
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) note(arc->label);
  }
  binary_to_label(used);
  if (old == nullptr) {
    net->labels = used;
  } else {
    if (used->len > old_count)
      warning_printf("label_check: Unaccounted labels (%d)", used->len - old_count);
    // The network keeps its label set record; the old items go with the scratch record.
    std::swap(old->len, used->len);
    std::swap(old->max, used->max);
    std::swap(old->items, used->items);
    std::swap(old->type, used->type);
    free_alph(used);
  }
  set_arity_from_labels(net);
}

void empty_label_set(NET *net) {
  if (net->labels == nullptr) {
    net->labels = make_alph(0, KORA_LABEL_ALPH);
    return;
  }
  binary_to_label(net->labels);
  net->labels->len = 0;
}

int labels_disjoint_p(ALPH *a, ALPH *b) {
  if (a == nullptr || b == nullptr) return 1;
  // Walk the members of one operand and look each up in a binary operand, made when neither is.
  ALPH *copy = nullptr;
  ALPH *probe = b;
  ALPH *walked = a;
  if (b->type != KORA_BINARY_ALPH) {
    if (a->type == KORA_BINARY_ALPH) {
      probe = a;
      walked = b;
    } else {
      copy = label_to_binary(copy_alph(b));
      probe = copy;
    }
  }
  ALPH_ITERATOR iterator;
  start_alph_iterator(&iterator, walked);
  int disjoint = 1;
  for (uint32_t id = next_alph_item(&iterator); disjoint && id != ID_NO_SYMBOL;
       id = next_alph_item(&iterator))
    if (test_alph_member(probe, id)) disjoint = 0;
  free_alph(copy);
  return disjoint;
}

int distinct_labels_p(const ARC *arcs) {
  int length = 0;
  for (const ARC *arc = arcs; arc != nullptr; arc = arc->next) length++;
  if (length <= kShortArcList) {
    for (const ARC *arc = arcs; arc != nullptr; arc = arc->next)
      for (const ARC *other = arc->next; other != nullptr; other = other->next)
        if (other->label == arc->label) return 0;
    return 1;
  }
  std::vector<uint32_t> labels;
  labels.reserve(length);
  for (const ARC *arc = arcs; arc != nullptr; arc = arc->next) labels.push_back(arc->label);
  std::sort(labels.begin(), labels.end());
  return std::adjacent_find(labels.begin(), labels.end()) == labels.end();
}

namespace {

// The name of a network's map for messages; "" when the network records none.
const char *map_name(const void *map) {
  return map != nullptr ? static_cast<const LABEL_MAP *>(map)->name : "";
}

}  // namespace

int check_net_label_map(NET *net) {
  if (net == nullptr) return 1;
  if (net->label_map == current_label_map()) return 0;
  if (net->label_map == nullptr || net->sigma == nullptr || alph_is_reserved_only(net->sigma)) {
    net->label_map = current_label_map();
    return 0;
  }
  error_printf(
      "The label map of the network and thecurrent label map are different.\n"
      "    Network has '%s', current label map is '%s'.",
      map_name(net->label_map), map_name(current_label_map()));
  return 1;
}

int check_common_label_map(NET *a, NET *b) {
  if (a == nullptr || b == nullptr) return 1;
  if (a->label_map == b->label_map) return 0;
  error_printf(
      "Networks do not have a common label map.\nOne specifies '%s', another specifies '%s'.",
      map_name(a->label_map), map_name(b->label_map));
  return 1;
}

}  // namespace kora
