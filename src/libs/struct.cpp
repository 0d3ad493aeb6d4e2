// Networks, states and arcs: constructors, adding states and arcs by hand, copying and freeing.
//
// Hand building asks the build index (build-index.h) instead of scanning the network.

#include "struct.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "alph.h"
#include "arc-vector.h"
#include "boundary.h"
#include "build-index.h"
#include "compact-arcs.h"
#include "context.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "platform.h"
#include "prop.h"

namespace kora {
namespace {

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

// True when the network is the only one and every state and arc cell in use is one of its
// own: freeing it may then free the state and arc heaps whole, block by block, instead of
// cell by cell (the common end of a program that loaded one large network).
bool owns_all_states_and_arcs(const NET *net) {
  return NET_HEAP->cells_in_use == 1 && !net->flags2.has_arc_vectors &&
         STATE_HEAP->cells_in_use == static_cast<int64_t>(net->num_states) &&
         ARC_HEAP->cells_in_use + static_cast<int64_t>(BIG_ARC_HEAP->cells_in_use) ==
             static_cast<int64_t>(net->num_arcs);
}

}  // namespace

// Frees the states of `net` and their arcs. The cells lie wherever the heaps put them, and
// each arc is a load that waits on memory, so the first arcs of the state kAhead places down
// the list are prefetched while this one is freed: a second pointer runs that far ahead (a
// prefetch never faults, whatever the state's arcs field holds). Freeing the operands of an
// intersection of two word lists got 25 to 30 % faster. O(V + E).
void free_state_list(NET *net) {
  constexpr int kAhead = 8;
  STATE *ahead = net->states;
  for (int i = 0; i < kAhead && ahead != nullptr; ++i) ahead = ahead->next;
  STATE *state = net->states;
  while (state != nullptr) {
    if (ahead != nullptr) {
      __builtin_prefetch(ahead->arcs, 1);
      ahead = ahead->next;
    }
    STATE *next = state->next;
    free_state(state, net);
    state = next;
  }
}

void make_network_heaps() {
  const unsigned page = page_size();
  NET_HEAP = init_heap(sizeof(NET), 4 * page / sizeof(NET), "Networks");
  make_alph_heap();
  // Large blocks of states and arcs come straight from the system (see heap.cpp) and keep the
  // states made one after the other close in memory.
  STATE_HEAP = init_heap(sizeof(STATE), 4 * page, "States");
  ARC_HEAP = init_heap(sizeof(ARC), 4 * page, "Arcs");
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

void add_network_freed_hook(NetworkHook hook) {
  for (int i = 0; i < network_freed_hooks.count; ++i)
    if (network_freed_hooks.hooks[i] == hook) return;
  if (network_freed_hooks.count == kMaxNetworkFreedHooks)
    programming_error("add_network_freed_hook", "more than %d hooks", kMaxNetworkFreedHooks);
  network_freed_hooks.hooks[network_freed_hooks.count++] = hook;
}

void forget_network_heaps() {
  NET_HEAP = STATE_HEAP = ARC_HEAP = BIG_ARC_HEAP = nullptr;
  network_freed_hooks.count = 0;
}

namespace {

// A network that a failed exported call made is freed when the call is abandoned (boundary.h).
void free_made_network(void *net) { free_network(static_cast<NET *>(net)); }

}  // namespace

NET *make_network() {
  auto *net = static_cast<NET *>(cell_alloc(NET_HEAP));
  if (net == nullptr) out_of_memory("MAKE_NETWORK");
  *net = NET{};
  net->arity = 1;
  net->definition_label = ID_NO_SYMBOL;
  net->label_map = current_label_map();
  net->flags2.live = 1;
  note_made(net, free_made_network);
  return net;
}

void out_of_memory_state() { out_of_memory("ALLOC_STATE"); }

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
  if (state->flags.vectorized) {
    free_arc_vector(state_arc_vector(state), net);
    state->arcs = nullptr;
    state->flags.vectorized = 0;
  } else if (!state->flags.table_arcs) {
    free_state_arcs(state, net);
  }
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

// The lists share tails: the arcs are collected when first met, a list being walked only up to
// the first arc met before (its tail was walked then), and freed after. The marks are cleared
// first by walking every list whole: O(V + E') for E' the arcs of the lists unshared.
void unshare_arc_lists(NET *net) {
  std::vector<ARC *> arcs;
  for (STATE *s = net->states; s != nullptr; s = s->next)
    if (!s->flags.vectorized && !s->flags.table_arcs)
      for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) arc->flags.visit_mark = 0;
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.vectorized || s->flags.table_arcs) continue;
    for (ARC *arc = s->arcs; arc != nullptr && arc->flags.visit_mark != 3; arc = arc->next) {
      arc->flags.visit_mark = 3;
      arcs.push_back(arc);
    }
    s->arcs = nullptr;
  }
  for (ARC *arc : arcs) free_arc(arc);
  net->num_arcs = 0;
  net->flags.shared_arc_lists = 0;
}

const char *special_representation(const NET *net) {
  if (net->flags2.has_arc_vectors) return "vectorized network";
  if (net->flags2.optimized) return "optimized network";
  if (net->flags.compacted) return "compacted network";
  if (net->flags.shared_arc_lists) return "network with shared arc_lists";
  if (net->flags2.reduced_labelset) return "network with reduced labelsets";
  if (net->flags2.is_virtual) return "virtual network";
  return nullptr;
}

int check_plain_net(NET *net) {
  const char *kind = special_representation(net);
  if (kind == nullptr) return 0;
  error_printf("Cannot do this operation on a %s.", kind);
  return 1;
}

int check_not_virtual(const NET *net) {
  if (net == nullptr || !net->flags2.is_virtual) return 0;
  error("Cannot do this operation on a virtual network.");
  return 1;
}

// Copies states in the order the walk over the source state list meets them: the start state
// first, then each state as the owner of arcs or as a destination. A source state's client cell
// holds its copy while the walk runs.
NET *copy_fsm(NET *net) {
  LABEL_MAP *saved_map = current_label_map();
  set_label_map(static_cast<LABEL_MAP *>(net->label_map));
  if (net->flags2.is_virtual && virtual_net_hooks.copy != nullptr) {
    set_label_map(saved_map);
    return virtual_net_hooks.copy(net);
  }
  if (net->flags.tabular) {
    error("copy_fsm: Tabular nets cannot be copied.");
    set_label_map(saved_map);
    return nullptr;
  }
  NET *copy = make_network();
  copy->label_map = net->label_map;
  if (net->flags.compacted) {
    copy->flags = net->flags;
    copy->flags2 = net->flags2;
    copy->arity = net->arity;
    copy->definition_label = net->definition_label;
    copy->num_states = net->num_states;
    copy->num_arcs = net->num_arcs;
    copy->auxiliary_alph = copy_alph(net->auxiliary_alph);
    copy->labels = copy_alph(net->labels);
    copy->sigma = copy_alph(net->sigma);
    copy->properties = copy_property_list(net_properties(net));
    copy_compact_block(net, copy);
    set_label_map(saved_map);
    return copy;
  }
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
  // The arcs of vectorized states come through the iterator, so that the copy is plain.
  ARC_ITERATOR iterator;
  start_arc_iterator(net, &iterator);
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    STATE *target = copy_of(s);
    ARC **tail = &target->arcs;
    ARC *cursor;
    bool done;
    start_state_arcs(&iterator, s, &cursor, &done);
    while (const ARC *arc = next_arc(&iterator, &cursor, &done)) {
      STATE *dest = copy_of(arc->destination);
      ARC *made = arc->flags.big ? alloc_big_arc(arc->label, dest, arc_user_pointer(arc), copy)
                                 : alloc_arc(arc->label, dest, copy);
      *tail = made;
      tail = &made->next;
    }
    if (s->flags.vectorized) target->flags.deterministic = 1;
  }
  free_arc_iterator(&iterator);
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
  // A copy is made to be worked on: it gets the full label set back.
  if (copy->flags2.reduced_labelset && labelset_hooks.unreduce != nullptr)
    labelset_hooks.unreduce(copy);
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

void start_arc_iterator(NET *net, ARC_ITERATOR *iterator) {
  iterator->net = net;
  iterator->scratch = nullptr;
  iterator->vectorized = nullptr;
  iterator->slot = 0;
  iterator->compact = nullptr;
  if (net != nullptr && (net->flags2.has_arc_vectors || net->flags.compacted)) {
    iterator->scratch = new ARC{};
    iterator->scratch->flags.live = 1;
  }
}

void start_state_arcs(ARC_ITERATOR *iterator, STATE *state, ARC **cursor, bool *done) {
  if (const CompactNet *block = compact_of(iterator->net)) {
    iterator->compact = block->bytes + compact_record(state)->position;
    *cursor = nullptr;
    const uint8_t *peek = iterator->compact;
    CompactArc arc;
    *done = !decode_compact_arc(iterator->net, peek, &arc);
    return;
  }
  if (state->flags.vectorized && iterator->scratch != nullptr) {
    const uint32_t length = arc_vector_length(iterator->net);
    iterator->vectorized = state;
    iterator->slot = next_filled_slot(state_arc_vector(state), 0, length);
    *cursor = nullptr;
    *done = iterator->slot == length;
    return;
  }
  iterator->vectorized = nullptr;
  *cursor = state->arcs;
  *done = state->arcs == nullptr;
}

ARC *next_arc(ARC_ITERATOR *iterator, ARC **cursor, bool *done) {
  if (iterator->compact != nullptr) {
    CompactArc arc;
    if (!decode_compact_arc(iterator->net, iterator->compact, &arc)) {
      iterator->compact = nullptr;
      *done = true;
      return nullptr;
    }
    iterator->scratch->label = arc.label;
    iterator->scratch->destination = compact_state(iterator->net, arc.destination, arc.final);
    if (arc.last) iterator->compact = nullptr;
    *done = arc.last;
    return iterator->scratch;
  }
  if (compact_of(iterator->net) != nullptr) {
    *done = true;
    return nullptr;
  }
  if (iterator->vectorized != nullptr) {
    const ARC_VECTOR *vector = state_arc_vector(iterator->vectorized);
    const uint32_t length = arc_vector_length(iterator->net);
    const uint32_t slot = iterator->slot;
    if (slot >= length) {
      *done = true;
      return nullptr;
    }
    iterator->scratch->label = ALPH_item(iterator->net->vectorized_alph, slot);
    iterator->scratch->destination = vector->destinations[slot];
    iterator->slot = next_filled_slot(vector, slot + 1, length);
    *done = iterator->slot == length;
    return iterator->scratch;
  }
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
  if (iterator == nullptr) return;
  delete iterator->scratch;
  iterator->scratch = nullptr;
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API NET *make_empty_net(void) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    NET *net = make_network();
    net->labels = make_alph(0, KORA_LABEL_ALPH);
    net->sigma = make_alph(0, KORA_BINARY_ALPH);
    return net;
  });
}

KORA_API NET *null_net(void) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    NET *net = make_empty_net();
    net->start = make_state(nullptr, net);
    net->flags.deterministic = 1;
    net->flags.pruned = 1;
    net->flags.minimized = 1;
    net->flags.epsilon_free = 1;
    net->flags.loop_free = 1;
    return net;
  });
}

KORA_API NET *epsilon_net(void) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    NET *net = null_net();
    net->start->flags.final = 1;
    return net;
  });
}

KORA_API NET *label_net(uint32_t label) {
  return guarded(__func__, nullptr, [&]() -> NET * {
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
  });
}

KORA_API NET *symbol_net(const char *name) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    uint32_t id = ID_NO_SYMBOL;
    // A name that is not valid UTF-8 still has its symbol, with ILLEGAL_UTF8_CODE for each bad
    // byte, as string_to_net and define_net read it.
    if (name != nullptr) intern_symbol(&id, name);
    return id == ID_NO_SYMBOL ? null_net() : label_net(id);
  });
}

KORA_API NET *pair_net(uint32_t upper, uint32_t lower) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    uint32_t id = pair_id(upper, lower);
    return id == ID_NO_SYMBOL ? null_net() : label_net(id);
  });
}

KORA_API STATE *add_state_to_net(NET *net, int final) {
  return guarded(__func__, nullptr, [&]() -> STATE * {
    if (net == nullptr) {
      error("Unexpected NULL argument in add_state_to_net.");
      return nullptr;
    }
    if (check_not_virtual(net)) return nullptr;
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
  });
}

KORA_API ARC *add_arc_to_state(NET *net, STATE *state, uint32_t label, STATE *dest,
                               void *user_pointer, int with_user_pointer) {
  return guarded(__func__, nullptr, [&]() -> ARC * {
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
  });
}

KORA_API NET *copy_net(NET *net) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return net == nullptr ? nullptr : copy_fsm(net);
  });
}

KORA_API void free_network(NET *net) {
  guarded(__func__, [&] {
    if (net == nullptr || !net->flags2.live) return;
    for (int i = 0; i < network_freed_hooks.count; ++i) network_freed_hooks.hooks[i](net);
    net->flags2.live = 0;
    note_freed(net);
    free_build_index(net);
    if (net->flags2.vantel_compressed) {
      warning("free_network: Wrong file format. Cannot free network.");
      return;
    }
    if (net->flags.shared_arc_lists) unshare_arc_lists(net);
    if (net->flags.tabular) {
      error_printf(
          "Network contains a transition table which cannot be handled in this implementation.");
    } else if (net->flags.compacted) {
      release_compact_block(net);
    } else if (owns_all_states_and_arcs(net)) {
      clear_heap(STATE_HEAP);
      clear_heap(ARC_HEAP);
      clear_heap(BIG_ARC_HEAP);
    } else {
      free_state_list(net);
    }
    free_alph(net->labels);
    free_alph(net->sigma);
    free_alph(net->unreduce_key);
    free_alph(net->optimized_alph);
    free_alph(net->vectorized_alph);
    free_alph(net->auxiliary_alph);
    free_property_list(net_properties(net));
    free_heap(static_cast<HEAP *>(net->arc_vector_heap));
    free_cell(net, NET_HEAP);
  });
}

}  // extern "C"
