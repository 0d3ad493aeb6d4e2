// The minimal network of a finite set of label sequences, built incrementally.
//
// The sequences (the words of a word list, the paths of spaced text) are first kept in a
// LabelSequences store, packed in an order-keeping code of 1 to 4 bytes per label, about the
// size of the text they come from; when they did not arrive in order they are sorted there.
// minimal_net_of_sequences then builds the minimal deterministic network of the set directly,
// never holding more than the minimal network and one path (see minimal-sequences.cpp), so a
// word list of any order costs memory proportional to its minimal network and its text, not to
// its trie. Tested in tests/formats/text_read_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// A multiset of label sequences, in arrival order until sort() puts them in label order.
class LabelSequences {
 public:
  // Adds the sequence of `count` labels; EPSILON labels are left out (they spell nothing).
  void add(const uint32_t *labels, size_t count);

  size_t size() const { return starts_.size(); }
  // Puts the sequences in increasing order: by label id at the first difference, a proper prefix
  // first. O(n log n) comparisons.
  void sort();

  // The labels of sequence `i`, decoded into `out` (replacing its content).
  void get(size_t i, std::vector<uint32_t> *out) const;

  // Frees the packed sequences.
  void clear();

 private:
  // The packed bytes of sequence i.
  const unsigned char *begin(size_t i) const { return bytes_.data() + starts_[i]; }
  size_t packed_length(size_t i) const;
  int compare(size_t a, size_t b) const;

  std::vector<unsigned char> bytes_;
  std::vector<size_t> starts_;  // where each sequence starts in bytes_, in order
  bool sorted_ = true;
};

// A new network (the caller's) accepting exactly the sequences: deterministic, epsilon-free,
// pruned, loop-free and minimal, marked so, with its labels and sigma computed from its arcs,
// its arity and its flag-diacritic marks set. Every state's arcs are in increasing label order.
// The sequences are sorted first if they are not in order. No sequence gives the network of
// one non-final state (the empty language); an empty sequence makes the start state final.
// Time O(L + n log n * c) for L labels in n sequences (c: the cost of comparing two of them,
// only when sorting is needed); space: the minimal network, one sequence and the register.
NET *minimal_net_of_sequences(LabelSequences &sequences);

}  // namespace kora
