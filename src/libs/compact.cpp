// Compaction of networks into one byte block, and uncompaction (see compact.h; the block is
// described in compact-arcs.h).
//
// compact_fsm gives short codes to what is used most: labels are numbered by how many arcs
// carry them (in the network and the networks it is compacted with), most frequent first, and
// every state's arcs are put in that order; states are laid out by how many arcs lead to them,
// most first (ties: the state of fewer header bytes first), so that the addresses written most
// often are small. An address's length depends on the position it names, which depends on the
// lengths before it, so positions are assigned by walks over the states in layout order, each
// sizing every address from the positions of the walk before, until no position changes:
// starting from all positions 0, positions only grow, so the walks reach a fixed point (a few
// walks in practice). Cost: O(E log E + V log V) for the sorts, O(E) per walk; the block is
// about (header + address) bytes per arc, and the states and arcs are freed as it is made.
//
// uncompact_fsm decodes the block state by state from its first state, making each state when
// its position is first met (a hash table by position), and rebuilds the arc lists in block
// order. O(V + E) expected.

#include "compact.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "alph.h"
#include "boundary.h"
#include "build-index.h"
#include "compact-arcs.h"
#include "context.h"
#include "error.h"
#include "flat-hash.h"
#include "label.h"
#include "struct.h"
#include "vectorize.h"

namespace kora {
namespace {

struct StateFacts {
  STATE *state;
  uint32_t references = 0;    // arcs leading to it
  uint32_t header_bytes = 0;  // its arc headers (or its pseudo-arc)
  uint32_t position = 0;
};

void print_histogram(const char *title, const std::vector<long long> &counts) {
  std::fprintf(stderr, "\n%s\n", title);
  for (size_t size = 0; size < counts.size(); ++size)
    if (counts[size] != 0) std::fprintf(stderr, "%d: %lld\n", static_cast<int>(size), counts[size]);
}

class Compactor {
 public:
  explicit Compactor(NET *net) : net_(net), verbose_(parameter(KORA_VERBOSE) != 0) {}

  void run(NV *nets) {
    if (verbose_) std::fputs("\nCollecting data...", stderr);
    number_labels(nets);
    collect_states();
    if (verbose_) std::fputs("Sorting states (may take a while) ...", stderr);
    std::vector<uint32_t> order(facts_.size());
    for (uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
      if (facts_[a].references != facts_[b].references)
        return facts_[a].references > facts_[b].references;
      return facts_[a].header_bytes < facts_[b].header_bytes;
    });
    const uint32_t size = locate(order);
    write(order, size);
  }

 private:
  uint32_t index_of(const STATE *state) const {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(state->client_cell));
  }

  // The compaction label list: labels by descending count, ties by ascending id.
  void number_labels(NV *nets) {
    std::vector<uint32_t> counts(label_count(), 0);
    auto count = [&counts](NET *net) {
      if (net == nullptr || net->flags.compacted || net->flags2.has_arc_vectors) return;
      for (STATE *s = net->states; s != nullptr; s = s->next)
        for (ARC *arc = s->arcs; arc != nullptr; arc = arc->next) counts[arc->label]++;
    };
    count(net_);
    for (int k = 0; nets != nullptr && k < nets->len; ++k)
      if (nets->nets[k] != net_) count(nets->nets[k]);
    std::vector<uint32_t> labels;
    for (uint32_t id = 0; id < counts.size(); ++id)
      if (counts[id] != 0) labels.push_back(id);
    std::sort(labels.begin(), labels.end(), [&counts](uint32_t a, uint32_t b) {
      return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
    });
    rank_.assign(counts.size(), 0);
    for (uint32_t k = 0; k < labels.size(); ++k) rank_[labels[k]] = k;
    label_total_ = static_cast<uint32_t>(labels.size());
    free_alph(net_->auxiliary_alph);
    net_->auxiliary_alph = make_alph(static_cast<int>(labels.size()), KORA_LABEL_ALPH);
    for (uint32_t label : labels) net_->auxiliary_alph->items[net_->auxiliary_alph->len++] = label;
  }

  // Orders every state's arcs by label rank and counts references and header bytes.
  void collect_states() {
    for (STATE *s = net_->states; s != nullptr; s = s->next) {
      s->client_cell = reinterpret_cast<void *>(static_cast<uintptr_t>(facts_.size()));
      facts_.push_back({s});
    }
    std::vector<long long> sizes;
    std::vector<ARC *> arcs;
    for (StateFacts &facts : facts_) {
      arcs.clear();
      for (ARC *arc = facts.state->arcs; arc != nullptr; arc = arc->next) arcs.push_back(arc);
      std::stable_sort(arcs.begin(), arcs.end(),
                       [this](const ARC *a, const ARC *b) { return rank_[a->label] < rank_[b->label]; });
      ARC **tail = &facts.state->arcs;
      for (ARC *arc : arcs) {
        *tail = arc;
        tail = &arc->next;
        facts_[index_of(arc->destination)].references++;
        const int bytes = compact_code_length(rank_[arc->label], kLabelField);
        facts.header_bytes += static_cast<uint32_t>(bytes);
        if (sizes.size() <= static_cast<size_t>(bytes)) sizes.resize(bytes + 1, 0);
        sizes[bytes]++;
      }
      *tail = nullptr;
      if (arcs.empty())
        facts.header_bytes = static_cast<uint32_t>(compact_code_length(label_total_, kLabelField));
    }
    if (verbose_) print_histogram("Label sizes", sizes);
  }

  // The bytes of a state's arcs with the addresses sized from the current positions.
  uint32_t state_bytes(const StateFacts &facts, std::vector<long long> *sizes) const {
    if (facts.state->arcs == nullptr) return facts.header_bytes + 1;
    uint32_t bytes = facts.header_bytes;
    for (ARC *arc = facts.state->arcs; arc != nullptr; arc = arc->next) {
      const int length = compact_code_length(facts_[index_of(arc->destination)].position, kAddressField);
      bytes += static_cast<uint32_t>(length);
      if (sizes != nullptr) {
        if (sizes->size() <= static_cast<size_t>(length)) sizes->resize(length + 1, 0);
        (*sizes)[length]++;
      }
    }
    return bytes;
  }

  // Assigns positions until a walk changes none; returns the block size.
  uint32_t locate(const std::vector<uint32_t> &order) {
    if (verbose_) std::fputs("Locating states .", stderr);
    for (bool changed = true; changed;) {
      changed = false;
      uint64_t position = 1;
      for (uint32_t k : order) {
        if (facts_[k].position != position) changed = true;
        facts_[k].position = static_cast<uint32_t>(position);
        position += state_bytes(facts_[k], nullptr);
        if (position > UINT32_MAX) out_of_memory("compact_states_and_arcs");
      }
      if (verbose_) std::fputc('.', stderr);
    }
    uint64_t size = 1;
    std::vector<long long> sizes;
    for (uint32_t k : order) size += state_bytes(facts_[k], verbose_ ? &sizes : nullptr);
    if (verbose_) {
      print_histogram("Address sizes", sizes);
      std::fprintf(stderr, "  Block size: %lld\n", static_cast<long long>(size));
    }
    return static_cast<uint32_t>(size);
  }

  // Writes the block, freeing the states and arcs as they are written.
  void write(const std::vector<uint32_t> &order, uint32_t size) {
    std::vector<uint8_t> block;
    block.reserve(size);
    block.push_back(0);
    for (uint32_t k : order) {
      STATE *state = facts_[k].state;
      if (state->arcs == nullptr) {
        put_compact_code(block, label_total_, kLabelField, 0);
        put_compact_code(block, 0, kAddressField, 0);
      }
      for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
        const STATE *destination = arc->destination;
        const uint8_t flags = (destination->flags.final ? kCompactFinal : 0) |
                              (arc->next == nullptr ? kCompactLast : 0);
        put_compact_code(block, rank_[arc->label], kLabelField, flags);
        put_compact_code(block, facts_[index_of(destination)].position, kAddressField, 0);
      }
    }
    if (block.size() != size) error("compact_states_and_arcs: Bad byte count");
    const uint32_t states = net_->num_states, arcs = net_->num_arcs;
    const uint32_t start = facts_[index_of(net_->start)].position;
    net_->flags.start_final = net_->start->flags.final;
    free_build_index(net_);
    for (StateFacts &facts : facts_) free_state(facts.state, net_);
    net_->num_states = states;
    net_->num_arcs = arcs;
    auto *owned = static_cast<uint8_t *>(std::malloc(block.size()));
    if (owned == nullptr) out_of_memory("compact_states_and_arcs");
    std::copy(block.begin(), block.end(), owned);
    attach_compact_block(net_, owned, static_cast<uint32_t>(block.size()), start, owned, nullptr);
  }

  NET *net_;
  bool verbose_;
  std::vector<uint32_t> rank_;  // by label id: its index in the compaction label list
  uint32_t label_total_ = 0;
  std::vector<StateFacts> facts_;
};

struct Placed {
  uint32_t position;
  STATE *state;
};

}  // namespace

void compact_fsm(NET *net, NV *nets) {
  if (net->flags.compacted) return;
  if (net->flags2.has_arc_vectors) {
    if (parameter(KORA_VERBOSE))
      std::fputs("Cannot compact a vectorized network.Unvectorizing first.\n.", stderr);
    unvectorize_fsm(net);
  }
  if (check_plain_net(net)) return;
  if (net->start == nullptr) {
    error("compact_net: The network has no start state.");
    return;
  }
  Compactor(net).run(nets);
}

void uncompact_fsm(NET *net) {
  const CompactNet *block = compact_of(net);
  if (block == nullptr) return;
  const uint32_t states = net->num_states, arcs = net->num_arcs;
  FlatHash<Placed> placed("uncompact_net");
  std::vector<STATE *> made;
  auto state_at = [&](uint32_t position) {
    bool added = false;
    Placed *slot = placed.insert(
        hash_mix(position), [position](const Placed &known) { return known.position == position; },
        &added);
    if (added) {
      *slot = {position, alloc_state()};
      made.push_back(slot->state);
    }
    return slot->state;
  };
  STATE *start = nullptr;
  std::vector<uint32_t> seen(label_count(), UINT32_MAX);
  const uint8_t *at = block->bytes + 1;
  uint32_t arcs_made = 0;
  for (uint32_t k = 0; k < states && at < block->bytes + block->size; ++k) {
    const uint32_t position = static_cast<uint32_t>(at - block->bytes);
    STATE *state = state_at(position);
    if (position == block->start) {
      start = state;
      state->flags.final = net->flags.start_final;
    }
    ARC **tail = &state->arcs;
    CompactArc arc;
    for (bool last = false; !last;) {
      if (!decode_compact_arc(net, at, &arc)) break;
      last = arc.last;
      STATE *destination = state_at(arc.destination);
      destination->flags.final = arc.final;
      ARC *made_arc = alloc_arc(arc.label, destination, net);
      ++arcs_made;
      *tail = made_arc;
      tail = &made_arc->next;
      if (arc.label == EPSILON || seen[arc.label] == position) {
        state->flags.deterministic = 0;
        net->flags.deterministic = 0;
        if (arc.label == EPSILON) net->flags.epsilon_free = 0;
      }
      seen[arc.label] = position;
    }
  }
  release_compact_block(net);
  free_alph(net->auxiliary_alph);
  net->auxiliary_alph = nullptr;
  net->flags.start_final = 0;
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    (*it)->next = net->states;
    net->states = *it;
  }
  net->num_states = static_cast<uint32_t>(made.size());
  net->num_arcs = arcs_made;
  net->start = start;
  if (start == nullptr) error("uncompact_net: No start state");
  if (net->num_states != states) error("uncompact_net: Bad state count");
  if (arcs_made != arcs) error("uncompact_net: Bad arc count");
}

}  // namespace kora

using namespace kora;

extern "C" {

KORA_API void compact_net(NET *net, NV *nets) {
  guarded(__func__, [&] {
    if (net != nullptr) compact_fsm(net, nets);
  });
}

KORA_API void uncompact_net(NET *net) {
  guarded(__func__, [&] {
    if (net != nullptr) uncompact_fsm(net);
  });
}

}  // extern "C"
