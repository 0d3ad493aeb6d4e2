// The index of a network built by hand (see build-index.h).

#include "build-index.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "alph.h"
#include "label.h"
#include "struct.h"

namespace kora {
namespace {

// MurmurHash3's 64-bit finalizer: every bit of the key reaches the bits a mask keeps.
inline uint64_t mix(uint64_t key) {
  key ^= key >> 33;
  key *= 0xFF51AFD7ED558CCDull;
  key ^= key >> 33;
  key *= 0xC4CEB9FE1A85EC53ull;
  key ^= key >> 33;
  return key;
}

inline uint64_t bits(const void *pointer) { return reinterpret_cast<uintptr_t>(pointer); }

inline uint64_t key_of(const STATE *state, uint32_t label) {
  return bits(state) ^ (uint64_t{label} * 0x9E3779B97F4A7C15ull);
}

// A set of entries in open addressing with linear probing over a power-of-two array kept at
// most half full. Entry provides is_free() (true for a value-initialized entry, which no real
// entry equals), hash() and same(). Nothing is ever removed; clear() starts afresh.
template <typename Entry>
class FlatSet {
 public:
  void clear() {
    slots_.clear();
    count_ = 0;
  }

  Entry *find(const Entry &key) {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = key.hash() & mask;; i = (i + 1) & mask) {
      Entry &slot = slots_[i];
      if (slot.is_free()) return nullptr;
      if (slot.same(key)) return &slot;
    }
  }

  // The entry equal to `key`, which is inserted when there is none; *added tells which.
  Entry &insert(const Entry &key, bool *added) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = key.hash() & mask;; i = (i + 1) & mask) {
      Entry &slot = slots_[i];
      *added = slot.is_free();
      if (*added) {
        slot = key;
        count_++;
        return slot;
      }
      if (slot.same(key)) return slot;
    }
  }

 private:
  void grow() {
    std::vector<Entry> old(slots_.empty() ? 16 : 2 * slots_.size());
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Entry &entry : old) {
      if (entry.is_free()) continue;
      size_t i = entry.hash() & mask;
      while (!slots_[i].is_free()) i = (i + 1) & mask;
      slots_[i] = entry;
    }
  }

  std::vector<Entry> slots_;
  size_t count_ = 0;
};

// The destination of the arcs of one state with one label: of the first arc seen, and whether
// some other arc goes elsewhere (TargetEntry then holds every destination).
struct Group {
  const STATE *destination;  // null: no arc has the label
  bool several;
};

// What the index knows of a state of the network, in 16 bytes: whether it is one, the low bits
// of its arc list's head as last seen, and the group of the first label seen on its arcs (most
// states built by hand have one label; the others' groups are in the page's table).
struct StateRecord {
  static constexpr uint32_t kLabelMask = 0xFFFFFF;
  static constexpr uint32_t kPresent = 1u << 31;
  static constexpr uint32_t kSeveral = 1u << 30;

  const STATE *first_destination;  // null until the state has an arc
  uint32_t marks;                  // the first label, kPresent, kSeveral
  uint32_t head_bits;              // the low 32 bits of the address of the arc list's head

  bool present() const { return (marks & kPresent) != 0; }
  uint32_t first_label() const { return marks & kLabelMask; }
};

inline uint32_t low_bits(const ARC *arcs) { return static_cast<uint32_t>(bits(arcs)); }

// The group of a label other than the first of the state in slot `slot` of a page.
struct GroupEntry {
  uint32_t label;
  uint32_t slot;
  Group group;
  bool is_free() const { return group.destination == nullptr; }
  uint64_t hash() const { return mix(uint64_t{slot} << 32 | label); }
  bool same(const GroupEntry &other) const { return label == other.label && slot == other.slot; }
};

// An arc (source, label, destination) of a group with several destinations.
struct TargetEntry {
  const STATE *state;
  uint32_t label;
  const STATE *destination;
  bool is_free() const { return state == nullptr; }
  uint64_t hash() const { return mix(key_of(state, label) ^ bits(destination) << 16); }
  bool same(const TargetEntry &other) const {
    return state == other.state && label == other.label && destination == other.destination;
  }
};

// A big arc: its source, label, destination and user pointer.
struct BigEntry {
  const STATE *state;
  uint32_t label;
  const STATE *destination;
  const void *user_pointer;
  bool is_free() const { return state == nullptr; }
  uint64_t hash() const {
    return mix(key_of(state, label) ^ bits(destination) << 16 ^ mix(bits(user_pointer)));
  }
  bool same(const BigEntry &other) const {
    return state == other.state && label == other.label && destination == other.destination &&
           user_pointer == other.user_pointer;
  }
};

// A label of the network's label list and its position there, plus one.
struct PlaceEntry {
  uint32_t label;
  uint32_t place;
  bool is_free() const { return place == 0; }
  uint64_t hash() const { return mix(label); }
  bool same(const PlaceEntry &other) const { return label == other.label; }
};

// The state records, found from the states' addresses. States are cells of at least 32 bytes
// cut in address order from large heap blocks, so the records are kept in pages of one slot
// per 32 bytes of a 64 KiB address range, each page with the table of its states' further
// groups: states made one after the other get neighbouring records and share a group table,
// where hash tables over all states would scatter them over memory much larger than the
// caches. A hash table finds the page of an address (a network has few pages), the last page
// used first. The records of pages are cut from batches of 1, 2, 4 ... 16 pages: were each
// page allocated alone, the pages would lie among the blocks of states, and the address ranges
// that hold states, so the pages needed, would double.
class StateRecords {
 public:
  static constexpr int kSlotBits = 5;
  static constexpr int kPageBits = 16;
  static constexpr size_t kPageSlots = size_t{1} << (kPageBits - kSlotBits);
  static_assert(sizeof(STATE) >= size_t{1} << kSlotBits, "one state per slot");

  struct Page {
    StateRecord *records;
    FlatSet<GroupEntry> groups;
  };

  // Where the record of a state is; `record` is null for a state that is not on the network.
  struct Place {
    Page *page;
    uint32_t slot;
    StateRecord *record;
  };

  void clear() {
    pages_.clear();
    owned_.clear();
    batches_.clear();
    spare_pages_ = 0;
    batch_pages_ = 0;
    last_page_ = 0;
    last_ = nullptr;
  }

  Place find(const STATE *state) {
    Page *page = page_of(bits(state) >> kPageBits, false);
    if (page == nullptr) return {nullptr, 0, nullptr};
    const uint32_t slot = slot_of(state);
    StateRecord *record = &page->records[slot];
    return {page, slot, record->present() ? record : nullptr};
  }

  Place insert(const STATE *state) {
    Page *page = page_of(bits(state) >> kPageBits, true);
    const uint32_t slot = slot_of(state);
    StateRecord *record = &page->records[slot];
    *record = StateRecord{nullptr, StateRecord::kPresent, low_bits(state->arcs)};
    return {page, slot, record};
  }

 private:
  struct PageEntry {
    uint64_t number;
    Page *page;
    bool is_free() const { return page == nullptr; }
    uint64_t hash() const { return mix(number); }
    bool same(const PageEntry &other) const { return number == other.number; }
  };

  static uint32_t slot_of(const STATE *state) {
    return static_cast<uint32_t>((bits(state) >> kSlotBits) & (kPageSlots - 1));
  }

  Page *page_of(uint64_t number, bool make) {
    if (last_ != nullptr && last_page_ == number) return last_;
    PageEntry *entry = pages_.find({number, nullptr});
    if (entry == nullptr && !make) return nullptr;
    if (entry == nullptr) {
      owned_.push_back(std::make_unique<Page>(Page{new_records(), {}}));
      bool added;
      entry = &pages_.insert({number, owned_.back().get()}, &added);
    }
    last_page_ = number;
    last_ = entry->page;
    return last_;
  }

  // The zeroed records of a new page.
  StateRecord *new_records() {
    if (spare_pages_ == 0) {
      batch_pages_ = batch_pages_ == 0 ? 1 : std::min<size_t>(2 * batch_pages_, kMaxBatchPages);
      batches_.push_back(std::make_unique_for_overwrite<StateRecord[]>(batch_pages_ * kPageSlots));
      spare_ = batches_.back().get();
      spare_pages_ = batch_pages_;
    }
    StateRecord *records = spare_;
    spare_ += kPageSlots;
    spare_pages_--;
    std::fill_n(records, kPageSlots, StateRecord{});
    return records;
  }

  static constexpr size_t kMaxBatchPages = 16;

  FlatSet<PageEntry> pages_;
  std::vector<std::unique_ptr<Page>> owned_;
  std::vector<std::unique_ptr<StateRecord[]>> batches_;
  StateRecord *spare_ = nullptr;  // the records of the next page of the last batch
  size_t spare_pages_ = 0;
  size_t batch_pages_ = 0;
  uint64_t last_page_ = 0;
  Page *last_ = nullptr;
};

using Place = StateRecords::Place;

struct BuildIndex {
  const NET *net;  // the owner: a network record copied by value does not share the index

  // The network as the index last saw it.
  bool made = false;
  const STATE *first_state = nullptr;
  uint32_t state_count = 0;
  uint32_t arc_count = 0;
  const ALPH *labels = nullptr;

  StateRecords states;
  FlatSet<TargetEntry> targets;
  FlatSet<BigEntry> big_arcs;
  Place source{};  // of the arc that arc_facts last answered for

  // The positions in the label list, valid while it has these items, this length and this
  // last label (a label taken out and another put in change the last one).
  const ALPH *listed = nullptr;
  const uint32_t *listed_items = nullptr;
  int listed_length = -1;
  uint32_t listed_last = 0;
  FlatSet<PlaceEntry> places;

  bool up_to_date() const {
    return made && first_state == net->states && state_count == net->num_states &&
           arc_count == net->num_arcs && labels == net->labels;
  }

  void note_network() {
    made = true;
    first_state = net->states;
    state_count = net->num_states;
    arc_count = net->num_arcs;
    labels = net->labels;
  }

  // The group of the arcs of the state at `place` with `label`; its destination is null when
  // there is none.
  Group group(const Place &place, uint32_t label) {
    const StateRecord &record = *place.record;
    if (record.first_destination == nullptr) return {nullptr, false};
    if (record.first_label() == label)
      return {record.first_destination, (record.marks & StateRecord::kSeveral) != 0};
    const GroupEntry *entry = place.page->groups.find({label, place.slot, {}});
    return entry != nullptr ? entry->group : Group{nullptr, false};
  }

  // Enters the arc in the group of its label.
  void enter_arc(const STATE *state, const Place &place, const ARC *arc) {
    StateRecord &record = *place.record;
    const STATE *destination = arc->destination;
    const uint32_t label = arc->label;
    if (record.first_destination == nullptr) {
      record.first_destination = destination;
      record.marks |= label;
    } else if (record.first_label() == label) {
      const bool several = (record.marks & StateRecord::kSeveral) != 0;
      if (join(state, label, record.first_destination, several, destination))
        record.marks |= StateRecord::kSeveral;
    } else {
      bool added;
      Group &group =
          place.page->groups.insert({label, place.slot, {destination, false}}, &added).group;
      if (!added) group.several = join(state, label, group.destination, group.several, destination);
    }
    if (arc->flags.big) {
      bool added;
      big_arcs.insert({state, label, destination, arc_user_pointer(arc)}, &added);
    }
  }

  // Adds `destination` to a group that has arcs (to `first`, or to several states); returns
  // whether the group then has several destinations, which are kept in `targets`.
  bool join(const STATE *state, uint32_t label, const STATE *first, bool several,
            const STATE *destination) {
    bool added;
    if (!several && first != destination) {
      targets.insert({state, label, first}, &added);
      several = true;
    }
    if (several) targets.insert({state, label, destination}, &added);
    return several;
  }

  // Makes the index again from the network: O(V + E).
  void remake() {
    states.clear();
    targets.clear();
    big_arcs.clear();
    for (const STATE *state = net->states; state != nullptr; state = state->next) {
      const Place place = states.insert(state);
      for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
        enter_arc(state, place, arc);
    }
    note_network();
  }

  void place_labels(const ALPH *list) {
    places.clear();
    bool added;
    for (int i = 0; i < list->len; i++)
      places.insert({list->items[i], static_cast<uint32_t>(i) + 1}, &added);
    listed = list;
    note_list(list);
  }

  void note_list(const ALPH *list) {
    listed_items = list->items;
    listed_length = list->len;
    listed_last = list->len > 0 ? list->items[list->len - 1] : 0;
  }

  // Whether the label list holds `label`; a position that no longer holds it means the list
  // was changed by other means, and the positions are taken again.
  bool lists(const ALPH *list, uint32_t label) {
    if (list != listed || list->items != listed_items || list->len != listed_length ||
        (list->len > 0 && list->items[list->len - 1] != listed_last))
      place_labels(list);
    const PlaceEntry *entry = places.find({label, 1});
    if (entry == nullptr) return false;
    if (list->items[entry->place - 1] == label) return true;
    place_labels(list);
    return places.find({label, 1}) != nullptr;
  }

  // alph_add_to for the network's labels, without looking through the list.
  void add_label(ALPH *list, uint32_t label) {
    if (list->type != KORA_LABEL_ALPH || label == EPSILON || label > MAX_LABEL) {
      alph_add_to(list, label, 0);
      return;
    }
    if (lists(list, label)) return;
    const int length = list->len;
    append_new_label(list, label);
    if (list->len == length) return;  // the list cannot grow
    bool added;
    places.insert({label, static_cast<uint32_t>(list->len)}, &added);
    note_list(list);
  }
};

BuildIndex *index_of(const NET *net) {
  auto *index = static_cast<BuildIndex *>(net->mapping);
  return index != nullptr && index->net == net ? index : nullptr;
}

}  // namespace

ArcFacts arc_facts(NET *net, const STATE *state, uint32_t label, const STATE *destination,
                   const void *user_pointer, bool with_user_pointer) {
  BuildIndex *index = index_of(net);
  if (index == nullptr) {
    index = new BuildIndex{};
    index->net = net;
    net->mapping = index;
  }
  if (!index->up_to_date()) index->remake();
  Place source = index->states.find(state);
  if (source.record != nullptr && source.record->head_bits != low_bits(state->arcs)) {
    index->remake();
    source = index->states.find(state);
  }
  index->source = source;
  ArcFacts facts{};
  facts.has_state = source.record != nullptr;
  facts.has_destination = index->states.find(destination).record != nullptr;
  if (!facts.has_state || !facts.has_destination) return facts;
  const Group group = index->group(source, label);
  if (group.destination == nullptr) return facts;
  facts.other_destination = group.several || group.destination != destination;
  if (with_user_pointer)
    facts.duplicate =
        index->big_arcs.find({state, label, destination, user_pointer}) != nullptr;
  else if (group.several)
    facts.duplicate = index->targets.find({state, label, destination}) != nullptr;
  else
    facts.duplicate = group.destination == destination;
  return facts;
}

void enter_new_arc(NET *net, const STATE *state, const ARC *arc) {
  BuildIndex *index = index_of(net);
  const Place &source = index->source;
  index->enter_arc(state, source, arc);
  source.record->head_bits = low_bits(arc);
  index->add_label(net->labels, arc->label);
  index->note_network();
}

void enter_new_state(NET *net, const STATE *state) {
  BuildIndex *index = index_of(net);
  if (index == nullptr || !index->made || index->first_state != state->next ||
      index->state_count + 1 != net->num_states || index->arc_count != net->num_arcs ||
      index->labels != net->labels)
    return;
  index->states.insert(state);
  index->note_network();
}

void free_build_index(NET *net) {
  delete index_of(net);
  net->mapping = nullptr;
}

}  // namespace kora
