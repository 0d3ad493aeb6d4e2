// Label equivalence classes by sorting arc records; see eqv-labs.h.

#include "eqv-labs.h"

#include <algorithm>
#include <functional>

#include "alph.h"
#include "label.h"
#include "struct.h"

namespace kora {

namespace {

// One arc, as far as the equivalence of its label is concerned.
struct ArcRecord {
  uint32_t label;
  const STATE *source;
  const STATE *destination;
  const void *user_pointer;
};

// Pointers are compared through std::less, which orders any two pointers.
bool pointers_before(const void *a, const void *b) { return std::less<const void *>()(a, b); }

// Orders records by source, destination and user pointer: the order of a signature.
int compare_transitions(const ArcRecord &a, const ArcRecord &b) {
  for (auto [x, y] : {std::pair<const void *, const void *>{a.source, b.source},
                      {a.destination, b.destination},
                      {a.user_pointer, b.user_pointer}}) {
    if (pointers_before(x, y)) return -1;
    if (pointers_before(y, x)) return 1;
  }
  return 0;
}

// A label and the run of its records in the sorted record array.
struct Signature {
  uint32_t label;
  size_t begin;
  size_t end;
};

}  // namespace

std::vector<LabelClass> compute_label_classes(const NV *nets) {
  std::vector<ArcRecord> records;
  for (int n = 0; n < nets->len; n++) {
    NET *net = nets->nets[n];
    if (net == nullptr) continue;
    // A label without arcs gets one record with no source: its signature is empty.
    ALPH_ITERATOR iterator;
    start_alph_iterator(&iterator, net_labels(net));
    for (uint32_t label = next_alph_item(&iterator); label != ID_NO_SYMBOL;
         label = next_alph_item(&iterator))
      records.push_back({label, nullptr, nullptr, nullptr});
    for (const STATE *state = net->states; state != nullptr; state = state->next)
      for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
        if (arc->label != EPSILON)
          records.push_back({arc->label, state, arc->destination, arc_user_pointer(arc)});
  }

  std::sort(records.begin(), records.end(), [](const ArcRecord &a, const ArcRecord &b) {
    if (a.label != b.label) return a.label < b.label;
    return compare_transitions(a, b) < 0;
  });
  // Duplicate arcs say nothing more than one of them does.
  records.erase(std::unique(records.begin(), records.end(),
                            [](const ArcRecord &a, const ArcRecord &b) {
                              return a.label == b.label && compare_transitions(a, b) == 0;
                            }),
                records.end());

  // The records without a source sort first in each label's run and are left out of it.
  std::vector<Signature> signatures;
  for (size_t i = 0; i < records.size();) {
    size_t end = i;
    while (end < records.size() && records[end].label == records[i].label) end++;
    size_t begin = i;
    while (begin < end && records[begin].source == nullptr) begin++;
    signatures.push_back({records[i].label, begin, end});
    i = end;
  }
  // Signatures in lexicographic order; equal ones end up adjacent, each run of them in
  // ascending label order (the stable sort keeps the label order of the runs).
  auto compare_signatures = [&records](const Signature &a, const Signature &b) {
    const size_t length_a = a.end - a.begin, length_b = b.end - b.begin;
    if (length_a != length_b) return length_a < length_b ? -1 : 1;
    for (size_t k = 0; k < length_a; k++) {
      int order = compare_transitions(records[a.begin + k], records[b.begin + k]);
      if (order != 0) return order;
    }
    return 0;
  };
  std::stable_sort(signatures.begin(), signatures.end(),
                   [&](const Signature &a, const Signature &b) {
                     return compare_signatures(a, b) < 0;
                   });

  std::vector<LabelClass> classes;
  for (size_t i = 0; i < signatures.size(); i++) {
    if (i == 0 || compare_signatures(signatures[i - 1], signatures[i]) != 0) classes.emplace_back();
    classes.back().push_back(signatures[i].label);
  }
  std::sort(classes.begin(), classes.end(),
            [](const LabelClass &a, const LabelClass &b) { return a.front() < b.front(); });
  return classes;
}

}  // namespace kora
