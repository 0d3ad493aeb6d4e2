// Dense label indexes; see label-index.h for the numbering and its two exceptions.

#include "label-index.h"

#include "alph.h"
#include "error.h"
#include "label.h"
#include "struct.h"

namespace kora {

namespace {

// The index of a label with a user pointer other than the first one seen with it.
struct PointerIndex {
  uint32_t label;
  uint32_t index;
  void *pointer;
};

// The numbering in progress: the plain indexes in the LABEL_INDEX, and for the user-pointer
// rule the first pointer seen with each index and the extra indexes.
class Renumbering {
 public:
  explicit Renumbering(LABEL_INDEX *index) : index_(index) {}

  uint32_t index_of(uint32_t label) { return plain_label_index(index_, label); }

  // The index of an arc with `label` and `pointer` under the user-pointer rule.
  uint32_t index_with_pointer(uint32_t label, void *pointer) {
    uint32_t plain = index_of(label);
    if (plain >= pointer_seen_.size()) {
      pointer_seen_.resize(index_->labels.size(), 0);
      first_pointer_.resize(index_->labels.size(), nullptr);
    }
    if (!pointer_seen_[plain]) {
      pointer_seen_[plain] = 1;
      first_pointer_[plain] = pointer;
      return plain;
    }
    if (first_pointer_[plain] == pointer) return plain;
    bool added;
    PointerIndex *extra = extra_.insert(
        hash_word(hash_mix(label), reinterpret_cast<uintptr_t>(pointer)),
        [&](const PointerIndex &held) { return held.label == label && held.pointer == pointer; },
        &added);
    if (added) *extra = PointerIndex{label, new_index(label), pointer};
    return extra->index;
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
    return static_cast<uint32_t>(index_->labels.size() - 1);
  }

  LABEL_INDEX *index_;
  std::vector<uint8_t> pointer_seen_;  // by index, as far as the user-pointer rule looked
  std::vector<void *> first_pointer_;
  FlatHash<PointerIndex> extra_{"LABEL_INDEX"};
  std::vector<uint32_t> and_check_series_;
};

}  // namespace

uint32_t find_label_index(const LABEL_INDEX *index, uint32_t label) {
  const LABEL_NUMBER *number = index->plain.find(
      hash_mix(label), [label](const LABEL_NUMBER &held) { return held.label == label; });
  return number != nullptr ? number->index : NO_LABEL_INDEX;
}

uint32_t renumber_arc_labels(NET *net, LABEL_INDEX *index) {
  index->labels.clear();
  index->plain.clear();
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
