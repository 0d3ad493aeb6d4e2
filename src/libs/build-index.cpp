// The build index of a network built by hand; see build-index.h.

#include "build-index.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <vector>

#include "alph.h"
#include "big-arc.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "platform.h"

namespace kora {
namespace {

inline uint64_t bits(const void *pointer) { return reinterpret_cast<uintptr_t>(pointer); }

inline uint64_t group_hash(uint32_t slot, uint32_t label) {
  return hash_mix(uint64_t{slot} << 32 | label);
}

// The destination of the arcs of one state with one label: of the first arc seen, and whether
// some other arc goes elsewhere (the index's targets then hold every destination, unless the
// group was read off the state's arc list, which answers for the asked destination itself).
struct Group {
  const STATE *destination;  // null: no arc has the label
  bool several;
  bool scanned;  // read off the arc list: `reaches` tells whether an arc goes to the destination
  bool reaches;
};

// What the index knows of a state of the network, in 16 bytes: whether it is one, the low bits
// of its arc list's head as last seen, and the group of the first label seen on its arcs (most
// states built by hand have one label; the others' groups are in the page's table).
struct StateRecord {
  static constexpr uint32_t kLabelMask = 0xFFFFFF;
  static constexpr uint32_t kPresent = 1u << 31;
  static constexpr uint32_t kSeveral = 1u << 30;
  static constexpr uint32_t kTabled = 1u << 29;  // the other labels' groups are in the table
  static constexpr int kCountShift = 24;         // arcs entered, up to kMaxCount
  static constexpr uint32_t kMaxCount = 15;

  const STATE *first_destination;  // null until the state has an arc
  uint32_t marks;                  // the first label, the count, kPresent, kSeveral, kTabled
  uint32_t head_bits;              // the low 32 bits of the address of the arc list's head

  bool present() const { return (marks & kPresent) != 0; }
  bool tabled() const { return (marks & kTabled) != 0; }
  uint32_t first_label() const { return marks & kLabelMask; }
  uint32_t count() const { return (marks >> kCountShift) & kMaxCount; }
  void count_arc() {
    if (count() < kMaxCount) marks += 1u << kCountShift;
  }
};

// A state whose arcs are no more than this many has the groups of its labels other than the
// first found on its arc list rather than in its page's table: most states built by hand have
// few arcs, and their groups then take neither memory nor hashing.
constexpr uint32_t kScannedArcs = 8;

inline uint32_t low_bits(const ARC *arcs) { return static_cast<uint32_t>(bits(arcs)); }

// The group of a label other than the first of the state in slot `slot` of a page, in 16
// bytes.
struct GroupEntry {
  const STATE *destination;
  uint32_t label;
  uint16_t slot;
  bool several;
};

inline auto same_group(uint32_t slot, uint32_t label) {
  return [slot, label](const GroupEntry &entry) {
    return entry.label == label && entry.slot == slot;
  };
}

// An arc (source, label, destination): of a group with several destinations, or a big arc with
// its user pointer.
struct ArcEntry {
  const STATE *state;
  uint32_t label;
  const STATE *destination;
  const void *user_pointer;
  bool same(const ArcEntry &other) const {
    return state == other.state && label == other.label && destination == other.destination &&
           user_pointer == other.user_pointer;
  }
};

// A set of arcs in a flat table.
class ArcSet {
 public:
  explicit ArcSet(const char *what) : table_(what) {}
  void insert(const ArcEntry &arc) {
    bool added;
    ArcEntry *entry =
        table_.insert(hash(arc), [&](const ArcEntry &held) { return held.same(arc); }, &added);
    if (added) *entry = arc;
  }
  bool contains(const ArcEntry &arc) {
    return table_.find(hash(arc), [&](const ArcEntry &held) { return held.same(arc); }) != nullptr;
  }
  void clear() { table_.clear(); }

 private:
  static uint64_t hash(const ArcEntry &arc) {
    uint64_t hash = hash_word(bits(arc.state), arc.label);
    hash = hash_word(hash, bits(arc.destination));
    return hash_word(hash, bits(arc.user_pointer));
  }
  FlatHash<ArcEntry> table_;
};

// The state records, found from the states' addresses. States are cells of at least 2^kSlotBits
// bytes (32 natively) cut in address order from large heap blocks, so the records are kept in
// pages of one slot per 2^kSlotBits bytes of a 64 KiB address range, each page with the table
// of its states' further groups: states made one after the other get neighbouring records and
// share a group table,
// where hash tables over all states would scatter them over memory much larger than the
// caches. A hash table finds the page of an address (a network has few pages), the last page
// used first. The records of pages are cut from batches of 1, 2, 4 ... 16 pages: were each
// page allocated alone, the pages would lie among the blocks of states, and the address ranges
// that hold states, so the pages needed, would double.
class StateRecords {
 public:
  static constexpr int kSlotBits = std::bit_width(sizeof(STATE)) - 1;
  static constexpr int kPageBits = 16;
  static constexpr size_t kPageSlots = size_t{1} << (kPageBits - kSlotBits);
  static_assert(sizeof(STATE) >= size_t{1} << kSlotBits, "one state per slot");

  struct Page {
    explicit Page(StateRecord *records) : records(records) {}
    StateRecord *records;
    // Made at the page's first state of more than kScannedArcs arcs, so that pages without
    // such states cost nothing.
    std::unique_ptr<FlatHash<GroupEntry>> groups;

    const GroupEntry *find_group(uint32_t slot, uint32_t label) const {
      return groups != nullptr ? groups->find(group_hash(slot, label), same_group(slot, label))
                               : nullptr;
    }
    GroupEntry *insert_group(uint32_t slot, uint32_t label, bool *added) {
      if (groups == nullptr) groups = std::make_unique<FlatHash<GroupEntry>>("BUILD_INDEX");
      return groups->insert(group_hash(slot, label), same_group(slot, label), added);
    }
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
  };

  static uint32_t slot_of(const STATE *state) {
    return static_cast<uint32_t>((bits(state) >> kSlotBits) & (kPageSlots - 1));
  }

  Page *page_of(uint64_t number, bool make) {
    return last_ != nullptr && last_page_ == number ? last_ : other_page(number, make);
  }

  Page *other_page(uint64_t number, bool make) {
    auto same = [number](const PageEntry &entry) { return entry.number == number; };
    PageEntry *entry = pages_.find(hash_mix(number), same);
    if (entry == nullptr && !make) return nullptr;
    if (entry == nullptr) {
      owned_.push_back(std::make_unique<Page>(new_records()));
      bool added;
      entry = pages_.insert(hash_mix(number), same, &added);
      *entry = PageEntry{number, owned_.back().get()};
    }
    last_page_ = number;
    last_ = entry->page;
    return last_;
  }

  // The zeroed records of a new page. Batches are mapped straight from the system, which
  // writes nothing into them (calloc would zero memory the allocator had handed out before).
  // In the first batch only the parts of a page that states use are ever touched; the later
  // ones serve networks large enough to fill their pages (the heap gives states in large
  // blocks), and have all their memory provided at once.
  StateRecord *new_records() {
    if (spare_pages_ == 0) {
      batch_pages_ = batch_pages_ == 0 ? 1 : std::min<size_t>(2 * batch_pages_, kMaxBatchPages);
      void *batch = map_zeroed(batch_pages_ * kPageBytes, batch_pages_ > 1);
      if (batch == nullptr) out_of_memory("BUILD_INDEX");
      batches_.push_back({static_cast<StateRecord *>(batch), batch_pages_});
      spare_ = batches_.back().records;
      spare_pages_ = batch_pages_;
    }
    StateRecord *records = spare_;
    spare_ += kPageSlots;
    spare_pages_--;
    return records;
  }

  static constexpr size_t kMaxBatchPages = 16;
  static constexpr size_t kPageBytes = kPageSlots * sizeof(StateRecord);

  // A mapped batch of the records of `pages` pages, unmapped with the index.
  struct Batch {
    StateRecord *records;
    size_t pages;
  };
  struct Batches : std::vector<Batch> {
    Batches() = default;
    Batches(const Batches &) = delete;
    Batches &operator=(const Batches &) = delete;
    ~Batches() { clear(); }
    void clear() {
      for (const Batch &batch : *this) unmap_zeroed(batch.records, batch.pages * kPageBytes);
      std::vector<Batch>::clear();
    }
  };

  FlatHash<PageEntry> pages_{"BUILD_INDEX"};
  std::vector<std::unique_ptr<Page>> owned_;
  Batches batches_;
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
  ArcSet targets{"BUILD_INDEX"};   // the arcs of the groups with several destinations
  ArcSet big_arcs{"BUILD_INDEX"};  // the big arcs with their user pointers
  Place source{};  // of the arc that arc_facts last answered for

  // The positions in the label list, plus one, by label id (0: not listed), valid while the
  // list has these items, this length and this last label (a label taken out and another put
  // in change the last one). Label ids are dense, so the vector is as long as the largest id
  // listed.
  const ALPH *listed = nullptr;
  const uint32_t *listed_items = nullptr;
  int listed_length = -1;
  uint32_t listed_last = 0;
  std::vector<uint32_t> places;

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

  // The group of the arcs of `state`, at `place`, with `label`; its destination is null when
  // there is none. A group read off the arc list says whether it reaches `destination`.
  Group group(const STATE *state, const Place &place, uint32_t label,
              const STATE *destination) {
    const StateRecord &record = *place.record;
    if (record.first_destination == nullptr) return {nullptr, false, false, false};
    if (record.first_label() == label)
      return {record.first_destination, (record.marks & StateRecord::kSeveral) != 0, false,
              false};
    if (record.tabled()) {
      const GroupEntry *entry = place.page->find_group(place.slot, label);
      return entry != nullptr ? Group{entry->destination, entry->several, false, false}
                              : Group{nullptr, false, false, false};
    }
    Group group{nullptr, false, true, false};
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      if (arc->label != label) continue;
      if (group.destination == nullptr)
        group.destination = arc->destination;
      else if (arc->destination != group.destination)
        group.several = true;
      if (arc->destination == destination) group.reaches = true;
    }
    return group;
  }

  // Enters the arc, which is on the state's arc list, in the group of its label.
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
    } else if (record.tabled()) {
      enter_group(state, place, label, destination);
    } else if (record.count() >= kScannedArcs) {
      // The state outgrows scanning: the groups of its other labels go to the table, this
      // arc's with them. Entering an arc twice changes nothing.
      record.marks |= StateRecord::kTabled;
      for (const ARC *listed = state->arcs; listed != nullptr; listed = listed->next)
        if (listed->label != record.first_label())
          enter_group(state, place, listed->label, listed->destination);
    }
    record.count_arc();
    if (arc->flags.big) big_arcs.insert({state, label, destination, arc_user_pointer(arc)});
  }

  // Enters an arc in the page's table of groups.
  void enter_group(const STATE *state, const Place &place, uint32_t label,
                   const STATE *destination) {
    bool added;
    GroupEntry *entry = place.page->insert_group(place.slot, label, &added);
    if (added)
      *entry = GroupEntry{destination, label, static_cast<uint16_t>(place.slot), false};
    else
      entry->several = join(state, label, entry->destination, entry->several, destination);
  }

  // Adds `destination` to a group that has arcs (to `first`, or to several states); returns
  // whether the group then has several destinations, which are kept in `targets`.
  bool join(const STATE *state, uint32_t label, const STATE *first, bool several,
            const STATE *destination) {
    if (!several && first != destination) {
      targets.insert({state, label, first, nullptr});
      several = true;
    }
    if (several) targets.insert({state, label, destination, nullptr});
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

  uint32_t place_of(uint32_t label) const { return label < places.size() ? places[label] : 0; }

  void set_place(uint32_t label, uint32_t place) {
    if (label >= places.size()) places.resize(std::max<size_t>(label + 1, 2 * places.size()), 0);
    places[label] = place;
  }

  void place_labels(const ALPH *list) {
    std::fill(places.begin(), places.end(), 0);
    for (int i = 0; i < list->len; i++)
      if (list->items[i] <= MAX_LABEL && place_of(list->items[i]) == 0)
        set_place(list->items[i], static_cast<uint32_t>(i) + 1);
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
    uint32_t place = place_of(label);
    if (place == 0) return false;
    if (place <= static_cast<uint32_t>(list->len) && list->items[place - 1] == label) return true;
    place_labels(list);
    return place_of(label) != 0;
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
    set_place(label, static_cast<uint32_t>(list->len));
    note_list(list);
  }
};

BuildIndex *index_of(const NET *net) {
  auto *index = static_cast<BuildIndex *>(net->mapping);
  return index != nullptr && index->net == net ? index : nullptr;
}

}  // namespace

// Brings the network's index up to date, making it when needed, and answers for the arc.
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
  const Group group = index->group(state, source, label, destination);
  if (group.destination == nullptr) return facts;
  facts.other_destination = group.several || group.destination != destination;
  if (with_user_pointer)
    facts.duplicate = index->big_arcs.contains({state, label, destination, user_pointer});
  else if (group.scanned)
    facts.duplicate = group.reaches;
  else if (group.several)
    facts.duplicate = index->targets.contains({state, label, destination, nullptr});
  else
    facts.duplicate = group.destination == destination;
  return facts;
}

// Enters the arc that add_arc_to_state has just put at the head of the state's arcs, after
// arc_facts, and adds its label to the network's labels (which must exist) as alph_add_to does.
void enter_new_arc(NET *net, const STATE *state, const ARC *arc) {
  BuildIndex *index = index_of(net);
  const Place &source = index->source;
  index->enter_arc(state, source, arc);
  source.record->head_bits = low_bits(arc);
  index->add_label(net->labels, arc->label);
  index->note_network();
}

// Enters the state that add_state_to_net has just put at the head of the state list, when the
// network has an index that was up to date before.
void enter_new_state(NET *net, const STATE *state) {
  BuildIndex *index = index_of(net);
  if (index == nullptr || !index->made || index->first_state != state->next ||
      index->state_count + 1 != net->num_states || index->arc_count != net->num_arcs ||
      index->labels != net->labels)
    return;
  index->states.insert(state);
  index->note_network();
}

// Frees the network's index, if it has one.
void free_build_index(NET *net) {
  delete index_of(net);
  net->mapping = nullptr;
}

}  // namespace kora
