// The minimal network of a finite set of label sequences.
//
// What: the minimal deterministic acyclic network whose language is the set of sequences,
// labels taken as atomic (a pair is one label).
//
// How: the incremental construction of Daciuk, Mihov, Watson and Watson (2000) for sorted
// input. Sequences are added in increasing order. The states of the last sequence's path that
// the next sequence does not share can never change again, so they are minimized at once, from
// the deepest up: each is looked up in the register, a hash table of the states already known
// to be unique (keyed by finality and the list of (label, destination) of their arcs, whose
// destinations are themselves registered); an equal state found there replaces it (the arc of
// its parent is redirected and the state freed), otherwise it is registered. The next
// sequence's remaining suffix is then added as a fresh path. At the end the last path is
// minimized the same way. Because children are registered before their parents, equality of
// arc lists is equality of right languages, so the result is minimal; the start state is never
// registered, since no other state of an acyclic network has its language.
//
// Unsorted input is sorted first (in the packed store), which the paper's second algorithm,
// cloning confluence states, would avoid at a higher cost per label; sorting keeps the network
// identical whatever the order, since it is then built from the same sorted sequence.
//
// States come from the library's state heap; a state is linked into the network's state list
// only when it is registered, so a replaced one is freed without searching the list, and freed
// cells are reused at once: the network in construction never exceeds the minimal network of
// the sequences so far plus one path.
//
// Cost: each label of the input is decoded and compared once, and each state is hashed and
// compared once when it leaves the path (O(out-degree)); with the sorting, O(L + n log n * c).
// Space: the minimal network, the register (2 to 4 slots of 16 bytes per state), one path.
// Tested in tests/formats/text_read_test.cpp.

#include "minimal-sequences.h"

#include <algorithm>
#include <cstring>

#include "flat-hash.h"
#include "label.h"
#include "struct.h"

namespace kora {
namespace {

// Order-keeping code of a label: 1 byte below 0x80, 2 below 0x4000, 3 below 0x200000, else 4;
// the lead byte's range tells the length, and longer codes have larger lead bytes, so comparing
// packed sequences byte by byte compares their labels in order.
void put_label(uint32_t label, std::vector<unsigned char> *bytes) {
  if (label < 0x80) {
    bytes->push_back(static_cast<unsigned char>(label));
  } else if (label < 0x4000) {
    bytes->push_back(static_cast<unsigned char>(0x80 | (label >> 8)));
    bytes->push_back(static_cast<unsigned char>(label));
  } else if (label < 0x200000) {
    bytes->push_back(static_cast<unsigned char>(0xC0 | (label >> 16)));
    bytes->push_back(static_cast<unsigned char>(label >> 8));
    bytes->push_back(static_cast<unsigned char>(label));
  } else {
    bytes->push_back(static_cast<unsigned char>(0xE0 | (label >> 24)));
    bytes->push_back(static_cast<unsigned char>(label >> 16));
    bytes->push_back(static_cast<unsigned char>(label >> 8));
    bytes->push_back(static_cast<unsigned char>(label));
  }
}

// Decodes the label at `p` and returns where the next one starts.
const unsigned char *get_label(const unsigned char *p, uint32_t *label) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return *label = lead, p + 1;
  if (lead < 0xC0) return *label = (uint32_t{lead & 0x3Fu} << 8) | p[1], p + 2;
  if (lead < 0xE0) return *label = (uint32_t{lead & 0x1Fu} << 16) | (uint32_t{p[1]} << 8) | p[2], p + 3;
  *label = (uint32_t{lead & 0x0Fu} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  return p + 4;
}

int compare_packed(const unsigned char *a, size_t a_length, const unsigned char *b,
                   size_t b_length) {
  // An empty sequence may have no bytes at all (a null pointer), which memcmp must not see.
  const size_t shared = std::min(a_length, b_length);
  const int common = shared == 0 ? 0 : std::memcmp(a, b, shared);
  if (common != 0) return common;
  return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
}

// The hash of a state's finality and arcs.
uint64_t state_hash(const STATE *state) {
  uint64_t hash = hash_word(0x5EED, state->flags.final);
  for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
    hash = hash_word(hash, arc->label);
    hash = hash_word(hash, reinterpret_cast<uintptr_t>(arc->destination));
  }
  return hash;
}

bool same_state(const STATE *a, const STATE *b) {
  if (a->flags.final != b->flags.final) return false;
  const ARC *x = a->arcs;
  const ARC *y = b->arcs;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next)
    if (x->label != y->label || x->destination != y->destination) return false;
  return x == nullptr && y == nullptr;
}

// The network under construction: the register and the path of the last sequence added.
class Builder {
 public:
  // Builds from the network's start state, which is on its state list.
  explicit Builder(NET *net) : net_(net), register_("SEQS_TO_NET") { path_.push_back(net->start); }

  // Adds a sequence greater than the last one added.
  void add(const std::vector<uint32_t> &labels) {
    size_t common = 0;
    while (common < labels.size() && common < last_.size() && labels[common] == last_[common])
      ++common;
    if (common == labels.size() && common == last_.size() && added_) return;  // a repeat
    minimize_path_below(common);
    for (size_t i = common; i < labels.size(); ++i) {
      STATE *state = alloc_state();
      push_arc(alloc_arc(labels[i], state, net_), path_[i]);
      path_.push_back(state);
    }
    path_.back()->flags.final = 1;
    last_ = labels;
    added_ = true;
  }

  // Minimizes the last path.
  void finish() { minimize_path_below(0); }

 private:
  // Replaces or registers the states of the path deeper than `depth`, deepest first, and cuts
  // the path to `depth` + 1 states.
  void minimize_path_below(size_t depth) {
    while (path_.size() > depth + 1) {
      STATE *state = path_.back();
      path_.pop_back();
      bool added = false;
      STATE **entry = register_.insert(state_hash(state),
                                       [state](STATE *known) { return same_state(known, state); },
                                       &added);
      if (added) {
        *entry = state;
        link(state);
        continue;
      }
      // The arc to the state is the last one its parent received: the head of its list.
      path_.back()->arcs->destination = *entry;
      free_state(state, net_);
    }
  }

  void link(STATE *state) {
    state->next = net_->states;
    net_->states = state;
    net_->num_states++;
  }

  NET *net_;
  FlatHash<STATE *> register_;
  std::vector<STATE *> path_;  // path_[i]: the state after i labels of the last sequence
  std::vector<uint32_t> last_;
  bool added_ = false;
};

// Puts every state's arcs in increasing label order: they were pushed in increasing order, so
// each list is reversed.
void reverse_arc_lists(NET *net) {
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    ARC *reversed = nullptr;
    for (ARC *arc = state->arcs; arc != nullptr;) {
      ARC *next = arc->next;
      arc->next = reversed;
      reversed = arc;
      arc = next;
    }
    state->arcs = reversed;
  }
}

// Sets the flag-diacritic marks of the network from its labels.
void mark_flag_diacritics(NET *net) {
  for (int i = 0; i < net->labels->len; ++i) {
    const uint32_t label = net->labels->items[i];
    const LABEL *upper = label_record(upper_id(label));
    const LABEL *lower = label_record(lower_id(label));
    if (upper != nullptr && upper->flag != nullptr) net->flags2.upper_has_flags = 1;
    if (lower != nullptr && lower->flag != nullptr) net->flags2.lower_has_flags = 1;
  }
}

}  // namespace

void LabelSequences::add(const uint32_t *labels, size_t count) {
  const size_t start = bytes_.size();
  for (size_t i = 0; i < count; ++i)
    if (labels[i] != EPSILON) put_label(labels[i], &bytes_);
  starts_.push_back(start);
  const size_t n = starts_.size();
  if (sorted_ && n > 1 && compare(n - 2, n - 1) > 0) sorted_ = false;
}

size_t LabelSequences::packed_length(size_t i) const {
  return (i + 1 < starts_.size() ? starts_[i + 1] : bytes_.size()) - starts_[i];
}

int LabelSequences::compare(size_t a, size_t b) const {
  return compare_packed(begin(a), packed_length(a), begin(b), packed_length(b));
}

void LabelSequences::sort() {
  if (sorted_) return;
  // Sort records of (first 8 packed bytes as a big-endian number, start, length): most
  // comparisons are decided by the numbers, without touching the bytes; equal numbers compare
  // the whole sequences. Then repack the bytes in the new order.
  struct Span {
    uint64_t prefix;
    size_t start;
    size_t length;
  };
  const unsigned char *bytes = bytes_.data();
  std::vector<Span> spans(starts_.size());
  for (size_t i = 0; i < spans.size(); ++i) {
    const size_t length = packed_length(i);
    uint64_t prefix = 0;
    for (size_t k = 0; k < 8; ++k) prefix = (prefix << 8) | (k < length ? bytes[starts_[i] + k] : 0);
    spans[i] = {prefix, starts_[i], length};
  }
  std::sort(spans.begin(), spans.end(), [bytes](const Span &a, const Span &b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return compare_packed(bytes + a.start, a.length, bytes + b.start, b.length) < 0;
  });
  std::vector<unsigned char> packed;
  packed.reserve(bytes_.size());
  for (size_t i = 0; i < spans.size(); ++i) {
    starts_[i] = packed.size();
    packed.insert(packed.end(), bytes + spans[i].start, bytes + spans[i].start + spans[i].length);
  }
  bytes_.swap(packed);
  sorted_ = true;
}

void LabelSequences::get(size_t i, std::vector<uint32_t> *out) const {
  out->clear();
  const unsigned char *p = begin(i);
  const unsigned char *end = p + packed_length(i);
  while (p < end) {
    uint32_t label;
    p = get_label(p, &label);
    out->push_back(label);
  }
}

void LabelSequences::clear() {
  std::vector<unsigned char>().swap(bytes_);
  std::vector<size_t>().swap(starts_);
  sorted_ = true;
}

NET *minimal_net_of_sequences(LabelSequences &sequences) {
  sequences.sort();
  // The empty language, marked deterministic, pruned, minimized, epsilon-free and loop-free,
  // which the construction keeps true.
  NET *net = null_net();
  Builder builder(net);
  std::vector<uint32_t> labels;
  for (size_t i = 0; i < sequences.size(); ++i) {
    sequences.get(i, &labels);
    builder.add(labels);
  }
  builder.finish();
  reverse_arc_lists(net);
  update_net_labels_and_sigma(net);
  mark_flag_diacritics(net);
  return net;
}

}  // namespace kora
