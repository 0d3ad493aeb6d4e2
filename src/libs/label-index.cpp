// Dense label indexes; see label-index.h for the numbering and its two exceptions.

#include "label-index.h"

#include <functional>
#include <unordered_map>

#include "alph.h"
#include "error.h"
#include "label.h"
#include "struct.h"

namespace kora {

namespace {

constexpr uint32_t kNoIndex = 0xFFFFFFFF;

// A label with a user pointer other than the first one seen with it.
struct PointerKey {
  uint32_t label;
  void *pointer;
  bool operator==(const PointerKey &other) const = default;
};

struct PointerKeyHash {
  size_t operator()(const PointerKey &key) const {
    return std::hash<void *>()(key.pointer) * 31 + key.label;
  }
};

// The numbering in progress: label id -> index, and for the user-pointer rule the first
// pointer seen with each index.
class Renumbering {
 public:
  explicit Renumbering(LABEL_INDEX *index) : index_(index) {}

  // The plain index of `label`, made when the label has none yet. The table indexed by label
  // id doubles when a larger label turns up, so filling it costs O(largest label id).
  uint32_t index_of(uint32_t label) {
    if (label >= index_of_label_.size()) {
      size_t size = index_of_label_.size() * 2;
      if (size <= label) size = static_cast<size_t>(label) + 1;
      index_of_label_.resize(size, kNoIndex);
    }
    if (index_of_label_[label] == kNoIndex) index_of_label_[label] = new_index(label);
    return index_of_label_[label];
  }

  // The index of an arc with `label` and `pointer` under the user-pointer rule.
  uint32_t index_with_pointer(uint32_t label, void *pointer) {
    uint32_t plain = index_of(label);
    if (!pointer_seen_[plain]) {
      pointer_seen_[plain] = 1;
      first_pointer_[plain] = pointer;
      return plain;
    }
    if (first_pointer_[plain] == pointer) return plain;
    auto [entry, added] = extra_.try_emplace(PointerKey{label, pointer}, 0);
    if (added) entry->second = new_index(label);
    return entry->second;
  }

  // The `rank`-th extra index of the *AND_CHECK* series (rank 0 for the second such arc of a
  // state).
  uint32_t and_check_index(uint32_t rank) {
    while (and_check_series_.size() <= rank) and_check_series_.push_back(new_index(AND_CHECK));
    return and_check_series_[rank];
  }

 private:
  uint32_t new_index(uint32_t label) {
    index_->labels.push_back(label);
    pointer_seen_.push_back(0);
    first_pointer_.push_back(nullptr);
    return static_cast<uint32_t>(index_->labels.size() - 1);
  }

  LABEL_INDEX *index_;
  std::vector<uint32_t> index_of_label_;
  std::vector<uint8_t> pointer_seen_;
  std::vector<void *> first_pointer_;
  std::unordered_map<PointerKey, uint32_t, PointerKeyHash> extra_;
  std::vector<uint32_t> and_check_series_;
};

}  // namespace

uint32_t renumber_arc_labels(NET *net, LABEL_INDEX *index) {
  index->labels.clear();
  Renumbering numbering(index);
  if (net->labels != nullptr && ALPH_len(net->labels) > 0) {
    ALPH_ITERATOR members;
    start_alph_iterator(&members, net->labels);
    for (uint32_t label = next_alph_item(&members); label != ID_NO_SYMBOL;
         label = next_alph_item(&members))
      numbering.index_of(label);
  }
  const bool user_pointers = net->flags.has_arc_user_pointer;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    uint32_t and_checks = 0;
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      uint32_t label = arc->label;
      if (label == AND_CHECK && ++and_checks > 1)
        arc->label = numbering.and_check_index(and_checks - 2);
      else if (user_pointers)
        arc->label = numbering.index_with_pointer(label, arc_user_pointer(arc));
      else
        arc->label = numbering.index_of(label);
    }
  }
  return static_cast<uint32_t>(index->labels.size());
}

void restore_arc_labels(NET *net, const LABEL_INDEX *index) {
  const size_t count = index->labels.size();
  for (STATE *state = net->states; state != nullptr; state = state->next)
    for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      KORA_ASSERT(arc->label < count);
      arc->label = index->labels[arc->label];
    }
}

}  // namespace kora
