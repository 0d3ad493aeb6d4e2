// Networks, states and arcs: constructors, adding states and arcs by hand, copying and freeing.
//
// The build index of a network built by hand answers in O(1) what add_state_to_net and
// add_arc_to_state would otherwise scan the network for.
//
// add_arc_to_state must refuse states that are not on the network, refuse an arc equal to one
// the state has, clear the state's determinism when another arc of the state has the label,
// and put the label in the network's label list once. The index keeps, for each state of the
// network, a record found from the state's address (records sit in pages of 64 KiB of
// addresses, so the states made one after the other, neighbours in their heap, get
// neighbouring records): whether it is a state of the network, the low 32 bits of the address
// of its arc list's head, and the destination of its arcs with the first label seen. The other
// labels of a state have such groups in a table of the page; a group whose arcs go to several
// states has each (state, label, destination) in a table, and the big arcs their user
// pointers in another; the labels of the label list have their positions in one more. Every
// table is a flat hash table (flat-hash.h), so lookups and insertions are O(1) on average.
//
// The index hangs from the network's `mapping` field, is made by the first add_arc_to_state
// (O(V + E)) and is freed with the network. It trusts itself only while the network is as the
// last hand-building call left it: the same head and length of the state list, the same arc
// count and the same label alphabet, and for the source state, the same head of its arc list.
// The positions in the label list are checked against the list's items, length and last label,
// and a position that no longer holds its label has them taken again. When the network was
// changed by other means the index is made again, so mixing other operations with hand
// building stays correct and costs O(V + E) per change; only edits that keep all of these
// (such as relabelling an arc in place without touching the label alphabet) go unseen.
// Tested in tests/model/net_test.cpp.

#include "struct.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "alph.h"
#include "context.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "platform.h"
#include "prop.h"

namespace kora {

HEAP *NET_HEAP = nullptr;
HEAP *STATE_HEAP = nullptr;
HEAP *ARC_HEAP = nullptr;
HEAP *BIG_ARC_HEAP = nullptr;

namespace {

NetworkHook network_freed_hook = nullptr;
NetworkHook table_freeing_hook = nullptr;

// --- The build index ---------------------------------------------------------------------------

inline uint64_t bits(const void *pointer) { return reinterpret_cast<uintptr_t>(pointer); }

inline uint64_t group_hash(uint32_t slot, uint32_t label) {
  return hash_mix(uint64_t{slot} << 32 | label);
}

// The destination of the arcs of one state with one label: of the first arc seen, and whether
// some other arc goes elsewhere (the index's targets then hold every destination).
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

// The group of a label other than the first of the state in slot `slot` of a page, in 16
// bytes.
struct GroupEntry {
  const STATE *destination;
  uint32_t label;
  uint16_t slot;
  bool several;
};

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

// A label of the network's label list and its position there, plus one.
struct PlaceEntry {
  uint32_t label;
  uint32_t place;
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
    explicit Page(StateRecord *records) : records(records), groups("BUILD_INDEX") {}
    StateRecord *records;
    FlatHash<GroupEntry> groups;
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

  // The zeroed records of a new page. Batches come from calloc, which takes memory fresh from
  // the system without writing it: only the parts of a page that states use are ever touched.
  StateRecord *new_records() {
    if (spare_pages_ == 0) {
      batch_pages_ = batch_pages_ == 0 ? 1 : std::min<size_t>(2 * batch_pages_, kMaxBatchPages);
      void *batch = std::calloc(batch_pages_ * kPageSlots, sizeof(StateRecord));
      if (batch == nullptr) out_of_memory("BUILD_INDEX");
      batches_.emplace_back(static_cast<StateRecord *>(batch), &std::free);
      spare_ = batches_.back().get();
      spare_pages_ = batch_pages_;
    }
    StateRecord *records = spare_;
    spare_ += kPageSlots;
    spare_pages_--;
    return records;
  }

  static constexpr size_t kMaxBatchPages = 16;

  FlatHash<PageEntry> pages_{"BUILD_INDEX"};
  std::vector<std::unique_ptr<Page>> owned_;
  std::vector<std::unique_ptr<StateRecord, decltype(&std::free)>> batches_;
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

  // The positions in the label list, valid while it has these items, this length and this
  // last label (a label taken out and another put in change the last one).
  const ALPH *listed = nullptr;
  const uint32_t *listed_items = nullptr;
  int listed_length = -1;
  uint32_t listed_last = 0;
  FlatHash<PlaceEntry> places{"BUILD_INDEX"};

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

  static auto same_group(uint32_t slot, uint32_t label) {
    return [slot, label](const GroupEntry &entry) {
      return entry.label == label && entry.slot == slot;
    };
  }

  // The group of the arcs of the state at `place` with `label`; its destination is null when
  // there is none.
  Group group(const Place &place, uint32_t label) {
    const StateRecord &record = *place.record;
    if (record.first_destination == nullptr) return {nullptr, false};
    if (record.first_label() == label)
      return {record.first_destination, (record.marks & StateRecord::kSeveral) != 0};
    const GroupEntry *entry =
        place.page->groups.find(group_hash(place.slot, label), same_group(place.slot, label));
    return entry != nullptr ? Group{entry->destination, entry->several} : Group{nullptr, false};
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
      GroupEntry *entry = place.page->groups.insert(group_hash(place.slot, label),
                                                    same_group(place.slot, label), &added);
      if (added)
        *entry = GroupEntry{destination, label, static_cast<uint16_t>(place.slot), false};
      else
        entry->several = join(state, label, entry->destination, entry->several, destination);
    }
    if (arc->flags.big) big_arcs.insert({state, label, destination, arc_user_pointer(arc)});
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

  static auto same_place(uint32_t label) {
    return [label](const PlaceEntry &entry) { return entry.label == label; };
  }

  void place_labels(const ALPH *list) {
    places.clear();
    bool added;
    for (int i = 0; i < list->len; i++) {
      const uint32_t label = list->items[i];
      PlaceEntry *entry = places.insert(hash_mix(label), same_place(label), &added);
      if (added) *entry = PlaceEntry{label, static_cast<uint32_t>(i) + 1};
    }
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
    const PlaceEntry *entry = places.find(hash_mix(label), same_place(label));
    if (entry == nullptr) return false;
    if (list->items[entry->place - 1] == label) return true;
    place_labels(list);
    return places.find(hash_mix(label), same_place(label)) != nullptr;
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
    PlaceEntry *entry = places.insert(hash_mix(label), same_place(label), &added);
    *entry = PlaceEntry{label, static_cast<uint32_t>(list->len)};
    note_list(list);
  }
};

BuildIndex *index_of(const NET *net) {
  auto *index = static_cast<BuildIndex *>(net->mapping);
  return index != nullptr && index->net == net ? index : nullptr;
}

// What add_arc_to_state must know about the arc it is asked to add. `duplicate` and
// `other_destination` are meaningful only when both states are on the network.
struct ArcFacts {
  bool has_state;          // the source state is on the network
  bool has_destination;    // the destination is on the network
  bool duplicate;          // the source has an arc with the label to the destination (for a big
                           // arc: a big arc with the same user pointer)
  bool other_destination;  // the source has an arc with the label to another state
};

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
  const Group group = index->group(source, label);
  if (group.destination == nullptr) return facts;
  facts.other_destination = group.several || group.destination != destination;
  if (with_user_pointer)
    facts.duplicate = index->big_arcs.contains({state, label, destination, user_pointer});
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

// --- Building blocks ---------------------------------------------------------------------------

void make_missing_alphabets(NET *net) {
  if (net->labels == nullptr) net->labels = make_alph(0, KORA_LABEL_ALPH);
  if (net->sigma == nullptr) net->sigma = make_alph(0, KORA_BINARY_ALPH);
}

void add_label_to_alphabets(NET *net, uint32_t label) {
  make_missing_alphabets(net);
  alph_add_to(net->labels, label, 0);
  add_symbols_of_label(net->sigma, label);
}

}  // namespace

void make_network_heaps() {
  const unsigned page = page_size();
  NET_HEAP = init_heap(sizeof(NET), 4 * page / sizeof(NET), "Networks");
  make_alph_heap();
  STATE_HEAP = init_heap(sizeof(STATE), page / 4, "States");
  ARC_HEAP = init_heap(sizeof(ARC), page / 4, "Arcs");
  BIG_ARC_HEAP = init_heap(sizeof(BIG_ARC), 4 * page / sizeof(BIG_ARC), "Big Arcs");
}

void free_live_networks() {
  for_each_cell(
      NET_HEAP,
      [](void *cell, void *) {
        auto *net = static_cast<NET *>(cell);
        if (net->flags2.live) free_network(net);
      },
      nullptr);
}

void set_network_freed_hook(NetworkHook hook) { network_freed_hook = hook; }

void set_table_freeing_hook(NetworkHook hook) { table_freeing_hook = hook; }

void forget_network_heaps() {
  NET_HEAP = STATE_HEAP = ARC_HEAP = BIG_ARC_HEAP = nullptr;
}

NET *make_network() {
  auto *net = static_cast<NET *>(cell_alloc(NET_HEAP));
  if (net == nullptr) out_of_memory("MAKE_NETWORK");
  *net = NET{};
  net->arity = 1;
  net->definition_label = ID_NO_SYMBOL;
  net->label_map = current_label_map();
  net->flags2.live = 1;
  return net;
}

STATE *alloc_state() {
  auto *state = static_cast<STATE *>(cell_alloc(STATE_HEAP));
  if (state == nullptr) out_of_memory("ALLOC_STATE");
  *state = STATE{};
  state->flags.is_state = 1;
  state->flags.deterministic = 1;
  state->flags.live = 1;
  return state;
}

STATE *make_state(ARC *arcs, NET *net) {
  STATE *state = alloc_state();
  state->arcs = arcs;
  state->flags.deterministic = arcs == nullptr || arcs->next == nullptr;
  state->next = net->states;
  net->states = state;
  net->num_states++;
  return state;
}

ARC *alloc_arc(uint32_t label, STATE *dest, NET *net) {
  auto *arc = static_cast<ARC *>(cell_alloc(ARC_HEAP));
  if (arc == nullptr) out_of_memory("ARC_ALLOC");
  *arc = ARC{};
  arc->label = label;
  arc->destination = dest;
  arc->flags.live = 1;
  net->num_arcs++;
  return arc;
}

ARC *alloc_big_arc(uint32_t label, STATE *dest, void *user_pointer, NET *net) {
  auto *big = static_cast<BIG_ARC *>(cell_alloc(BIG_ARC_HEAP));
  if (big == nullptr) out_of_memory("ARC_ALLOC");
  *big = BIG_ARC{};
  big->arc.label = label;
  big->arc.destination = dest;
  big->arc.flags.big = 1;
  big->arc.flags.live = 1;
  big->user_pointer = user_pointer;
  net->num_arcs++;
  net->flags.has_arc_user_pointer = 1;
  return &big->arc;
}

void push_arc(ARC *arc, STATE *state) {
  arc->next = state->arcs;
  state->arcs = arc;
}

void attach_arc(ARC *arc, STATE *state, NET *net) {
  if (arc->label == EPSILON && arc->destination == state) {
    free_arc(arc);
    net->num_arcs--;
    return;
  }
  if (arc->label == EPSILON) {
    state->flags.deterministic = 0;
    net->flags.deterministic = 0;
    net->flags.minimized = 0;
    net->flags.epsilon_free = 0;
  } else {
    int arity = label_arity(arc->label);
    if (arity > net->arity) net->arity = static_cast<int16_t>(arity);
  }
  if (arc->destination == state) net->flags.loop_free = 0;
  arc->next = nullptr;
  ARC **tail = &state->arcs;
  for (; *tail != nullptr; tail = &(*tail)->next) {
    if (state->flags.deterministic && (*tail)->label == arc->label) {
      state->flags.deterministic = 0;
      net->flags.deterministic = 0;
      net->flags.minimized = 0;
    }
  }
  *tail = arc;
}

void free_arc(ARC *arc) {
  if (!arc->flags.live) return;
  arc->flags.live = 0;
  if (arc->flags.big)
    free_cell(arc, BIG_ARC_HEAP);
  else
    free_cell(arc, ARC_HEAP);
}

void free_state_arcs(STATE *state, NET *net) {
  ARC *arc = state->arcs;
  while (arc != nullptr) {
    ARC *next = arc->next;
    if (arc->flags.live) {
      free_arc(arc);
      net->num_arcs--;
    }
    arc = next;
  }
  state->arcs = nullptr;
}

void free_state(STATE *state, NET *net) {
  if (!state->flags.live) return;
  if (!state->flags.table_arcs) free_state_arcs(state, net);
  state->flags.live = 0;
  free_cell(state, STATE_HEAP);
}

void delete_states(NET *net, bool (*keep)(STATE *state)) {
  STATE **link = &net->states;
  while (*link != nullptr) {
    STATE *state = *link;
    if (keep(state)) {
      link = &state->next;
      continue;
    }
    *link = state->next;
    if (net->start == state) net->start = nullptr;
    free_state(state, net);
    net->num_states--;
  }
}

int check_plain_net(NET *net) {
  const char *kind = nullptr;
  if (net->flags2.has_arc_vectors)
    kind = "vectorized network";
  else if (net->flags2.optimized)
    kind = "optimized network";
  else if (net->flags.compacted)
    kind = "compacted network";
  else if (net->flags.shared_arc_lists)
    kind = "network with shared arc_lists";
  else if (net->flags2.reduced_labelset)
    kind = "network with reduced labelsets";
  else if (net->flags2.is_virtual)
    kind = "virtual network";
  if (kind == nullptr) return 0;
  error_printf("Cannot do this operation on a %s.", kind);
  return 1;
}

// Copies states in the order the walk over the source state list meets them: the start state
// first, then each state as the owner of arcs or as a destination. A source state's client cell
// holds its copy while the walk runs.
NET *copy_fsm(NET *net) {
  LABEL_MAP *saved_map = current_label_map();
  set_label_map(static_cast<LABEL_MAP *>(net->label_map));
  if (net->flags.tabular) {
    error("copy_fsm: Tabular nets cannot be copied.");
    set_label_map(saved_map);
    return nullptr;
  }
  NET *copy = make_network();
  copy->label_map = net->label_map;
  for (STATE *s = net->states; s != nullptr; s = s->next) s->client_cell = nullptr;
  auto copy_of = [copy](STATE *source) {
    if (source->client_cell == nullptr) {
      STATE *made = make_state(nullptr, copy);
      made->flags.final = source->flags.final;
      made->flags.deterministic = source->flags.deterministic;
      source->client_cell = made;
    }
    return static_cast<STATE *>(source->client_cell);
  };
  if (net->start != nullptr) copy->start = copy_of(net->start);
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    STATE *target = copy_of(s);
    ARC **tail = &target->arcs;
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      STATE *dest = copy_of(arc->destination);
      ARC *made = arc->flags.big ? alloc_big_arc(arc->label, dest, arc_user_pointer(arc), copy)
                                 : alloc_arc(arc->label, dest, copy);
      *tail = made;
      tail = &made->next;
    }
  }
  for (STATE *s = net->states; s != nullptr; s = s->next) s->client_cell = nullptr;

  copy->flags = net->flags;
  copy->flags2 = net->flags2;
  copy->flags2.has_arc_vectors = 0;
  copy->flags.shared_arc_lists = 0;
  copy->flags2.optimized = net->flags2.optimized && !net->flags.shared_arc_lists;
  copy->arity = net->arity;
  copy->block_size = net->block_size;
  copy->definition_label = net->definition_label;
  if (net->flags.pruned) {
    if (copy->num_states != net->num_states)
      programmer_alert("COPY_FSM", "State count is %lld, should be %lld.",
                       static_cast<long long>(copy->num_states),
                       static_cast<long long>(net->num_states));
    if (copy->num_arcs != net->num_arcs && !net->flags.shared_arc_lists &&
        !net->flags2.has_arc_vectors)
      programmer_alert("COPY_FSM", "Arc count is %lld, should be %lld.",
                       static_cast<long long>(copy->num_arcs),
                       static_cast<long long>(net->num_arcs));
  }
  if (net->labels != nullptr) {
    binary_to_label(net->labels);
    copy->labels = copy_alph(net->labels);
  }
  copy->sigma = copy_alph(net->sigma);
  copy->properties = copy_property_list(net_properties(net));
  set_label_map(saved_map);
  return copy;
}

NET *expand_other_pairs(NET *net, int copy_first) {
  if (net->sigma == nullptr || !test_alph_member(net->sigma, OTHER)) return net;
  if (copy_first == 1) net = copy_fsm(net);
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    ARC *last = nullptr;
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) last = arc;
    ARC *end_of_old_arcs = last;
    for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      if (label_arity(arc->label) == 2) {
        uint32_t upper = upper_id(arc->label), lower = lower_id(arc->label);
        uint32_t x = upper == OTHER ? lower : lower == OTHER ? upper : OTHER;
        if (x != OTHER && x != EPSILON) {
          ARC *companion = arc->flags.big
                               ? alloc_big_arc(x, arc->destination, arc_user_pointer(arc), net)
                               : alloc_arc(x, arc->destination, net);
          last->next = companion;
          last = companion;
          alph_add_to(net->labels, x, 0);
        }
      }
      if (arc == end_of_old_arcs) break;
    }
  }
  return net;
}

ARC_ITERATOR *start_arc_iterator(NET *net, ARC_ITERATOR *iterator) {
  bool allocated = iterator == nullptr;
  if (allocated) iterator = new ARC_ITERATOR{};
  iterator->net = net;
  iterator->scratch = nullptr;
  iterator->allocated = allocated;
  return iterator;
}

void start_state_arcs(ARC_ITERATOR *, STATE *state, ARC **cursor, bool *done) {
  *cursor = state->arcs;
  *done = state->arcs == nullptr;
}

ARC *next_arc(ARC_ITERATOR *, ARC **cursor, bool *done) {
  ARC *arc = *cursor;
  if (arc == nullptr) {
    *done = true;
    return nullptr;
  }
  *cursor = arc->next;
  *done = arc->next == nullptr;
  return arc;
}

void free_arc_iterator(ARC_ITERATOR *iterator) {
  if (iterator != nullptr && iterator->allocated) delete iterator;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *make_empty_net(void) {
  NET *net = make_network();
  net->labels = make_alph(0, KORA_LABEL_ALPH);
  net->sigma = make_alph(0, KORA_BINARY_ALPH);
  return net;
}

KORA_API NET *null_net(void) {
  NET *net = make_empty_net();
  net->start = make_state(nullptr, net);
  net->flags.deterministic = 1;
  net->flags.pruned = 1;
  net->flags.minimized = 1;
  net->flags.epsilon_free = 1;
  net->flags.loop_free = 1;
  return net;
}

KORA_API NET *epsilon_net(void) {
  NET *net = null_net();
  net->start->flags.final = 1;
  return net;
}

KORA_API NET *label_net(uint32_t label) {
  if (label == EPSILON) return epsilon_net();
  NET *net = null_net();
  STATE *final = make_state(nullptr, net);
  final->flags.final = 1;
  push_arc(alloc_arc(label, final, net), net->start);
  add_label_to_alphabets(net, label);
  net->arity = static_cast<int16_t>(label_arity(label) > 1 ? 2 : 1);
  if (net->arity == 2) {
    uint32_t upper = upper_id(label), lower = lower_id(label);
    uint32_t x = upper == OTHER ? lower : lower == OTHER ? upper : OTHER;
    if (x != OTHER && x != EPSILON) expand_other_pairs(net, 0);
  }
  return net;
}

KORA_API NET *symbol_net(const char *name) {
  uint32_t id = ID_NO_SYMBOL;
  // A name that is not valid UTF-8 still has its symbol, with ILLEGAL_UTF8_CODE for each bad
  // byte, as string_to_net and define_net read it.
  if (name != nullptr) intern_symbol(&id, name);
  return id == ID_NO_SYMBOL ? null_net() : label_net(id);
}

KORA_API NET *pair_net(uint32_t upper, uint32_t lower) {
  uint32_t id = pair_id(upper, lower);
  return id == ID_NO_SYMBOL ? null_net() : label_net(id);
}

KORA_API STATE *add_state_to_net(NET *net, int final) {
  if (net == nullptr) {
    error("Unexpected NULL argument in add_state_to_net.");
    return nullptr;
  }
  STATE *state = make_state(nullptr, net);
  state->flags.final = final != 0;
  enter_new_state(net, state);
  // A new state is unreachable and has no arcs: the network is no longer known to be pruned,
  // minimal or complete.
  net->flags.pruned = 0;
  net->flags.minimized = 0;
  net->flags.completed = 0;
  net->flags.sorted_states = 0;
  return state;
}

KORA_API ARC *add_arc_to_state(NET *net, STATE *state, uint32_t label, STATE *dest,
                               void *user_pointer, int with_user_pointer) {
  if (net == nullptr || state == nullptr || dest == nullptr) {
    error("Unexpected NULL argument in add_arc_to_state().");
    return nullptr;
  }
  if (label >= ID_NO_SYMBOL) {
    error_printf("%d is not a valid arc label.", static_cast<int>(label));
    return nullptr;
  }
  if (check_plain_net(net)) return nullptr;
  const ArcFacts facts = arc_facts(net, state, label, dest, user_pointer, with_user_pointer);
  const bool has_state = facts.has_state, has_dest = facts.has_destination;
  if (!has_state && !has_dest) {
    error("The start and dest arguments are not in the network.");
    return nullptr;
  }
  if (!has_state || !has_dest) {
    error(has_state ? "The dest state is not in the network." : "The start state is not in the network.");
    return nullptr;
  }
  if (label == EPSILON && state == dest) {
    if (parameter(KORA_VERBOSE)) std::fprintf(stderr, "No adding looping EPSILON arcs.");
    return nullptr;
  }
  if (facts.duplicate) {
    if (parameter(KORA_VERBOSE))
      std::fprintf(stderr, "No arc was added because it would duplicate an existing arc.");
    return nullptr;
  }
  // Any new arc may close a cycle, make two states equivalent or lead nowhere useful.
  net->flags.loop_free = 0;
  net->flags.minimized = 0;
  net->flags.pruned = 0;
  if (label == EPSILON || facts.other_destination) {
    state->flags.deterministic = 0;
    net->flags.deterministic = 0;
  }
  if (label == EPSILON)
    net->flags.epsilon_free = 0;
  else if (label_arity(label) > net->arity)
    net->arity = static_cast<int16_t>(label_arity(label));
  ARC *arc = with_user_pointer ? alloc_big_arc(label, dest, user_pointer, net)
                               : alloc_arc(label, dest, net);
  push_arc(arc, state);
  net->flags2.sorted_arcs = 0;
  make_missing_alphabets(net);
  enter_new_arc(net, state, arc);
  add_symbols_of_label(net->sigma, label);
  return arc;
}

KORA_API NET *copy_net(NET *net) { return net == nullptr ? nullptr : copy_fsm(net); }

KORA_API void free_network(NET *net) {
  if (net == nullptr || !net->flags2.live) return;
  if (network_freed_hook != nullptr) network_freed_hook(net);
  net->flags2.live = 0;
  free_build_index(net);
  if (net->flags2.vantel_compressed) {
    warning("free_network: Wrong file format. Cannot free network.");
    return;
  }
  if (net->flags.tabular) {
    if (table_freeing_hook != nullptr)
      table_freeing_hook(net);
    else
      error_printf(
          "Network contains a transition table which cannot be handled in this implementation.");
  } else {
    STATE *state = net->states;
    while (state != nullptr) {
      STATE *next = state->next;
      free_state(state, net);
      state = next;
    }
  }
  free_alph(net->labels);
  free_alph(net->sigma);
  free_alph(net->unreduce_key);
  free_alph(net->optimized_alph);
  free_alph(net->vectorized_alph);
  free_alph(net->auxiliary_alph);
  free_property_list(net_properties(net));
  free_cell(net, NET_HEAP);
}

}  // extern "C"
