// The applyer's word index: the arcs of the states that read one arc at most, in one 32-bit
// word per state and per arc, for the runs of a lookup that read one symbol per state.
//
// Most of a lookup in a large network made from a word list is a run from state to state, one
// arc per input symbol (see ApplyIndex: states that read one arc at most). Looking up a random
// word, each step waits for the state its arc leads to, and the applyer's index (12 bytes per
// state and arc) of a word list of 30 000 states outgrows a core's second-level cache. This
// copy keeps what the runs need in a third of that. Word k stands for entry k of the index: a
// state's word holds bit 31 final and, when the state reads one arc at most, its number of
// arcs in the low bits (else 0, so that a run stops there); an arc's word holds the code of
// its input symbol in the input alphabet in its top 8 bits (0 when the arc is special, so that
// no symbol takes it), bit 23 set when it writes the symbol it reads, and its destination's
// entry in the low 23 bits. Eight words of 0 follow the last, so that a state's arcs can be
// read eight at a time. The formatter writes a run of arcs that copy their input as the
// input's own bytes, so that a tagger's lookup does not read the run's arcs again.
//
// It is made from a complete index (not one that grows) of fewer than 2^23 entries, with no
// flag or OTHER on the input side (searched by the ordinary search), whose states that read one arc at most have at most 255 input symbols among their ordinary arcs.
// Runs give what ApplyIndex gives them: the same arcs, in the same entries. Cost: time and
// space linear in the index's states and arcs, 4 bytes each; a run reads one state word and
// its arcs per symbol.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace kora {

class ApplyIndex;

class WordIndex {
 public:
  // The word index of `index`, or an empty one (made() false) when the index does not qualify.
  explicit WordIndex(const ApplyIndex &index);

  bool made() const { return !words_.empty(); }
  // Whether every state is deterministic and every arc reads an ordinary symbol and writes
  // what it reads: a record then has one result at most, its own spelling.
  bool plain_acceptor() const { return plain_acceptor_; }
  bool final(uint32_t state) const { return (words_[state] & kFinal) != 0; }
  uint32_t destination(uint32_t arc) const { return words_[arc] & kDestinationMask; }
  // How many of the `length` arcs of `path`, from the first, write the symbol they read.
  uint32_t copying_steps(const uint32_t *path, uint32_t length) const {
    uint32_t k = 0;
    while (k < length && (words_[path[k]] & kCopies) != 0) k++;
    return k;
  }

  // From `*state` at input position `*position`, takes the one arc that reads the next symbol
  // for as long as the states read one arc at most and the first `known` of `symbols` last,
  // appending each arc's entry to `path` (which has room for them); *state and *position
  // become where the run stopped. A state's arcs are compared with the symbol's code eight at
  // a time, without a branch per arc: which arc matches is as hard to guess as the word, and a
  // missed guess costs more than the comparisons.
  void take_only_arcs(const uint32_t *symbols, uint32_t known, uint32_t *state,
                      uint32_t *position, uint32_t *path) const {
    uint32_t s = *state, p = *position;
    for (; p < known; p++) {
      const uint32_t symbol = symbols[p];
      if (symbol >= codes_.size() || codes_[symbol] == 0) break;
      const uint32_t arc = arc_reading(s, codes_[symbol]);
      if (arc == kNone) break;
      *path++ = arc;
      s = destination(arc);
    }
    *state = s;
    *position = p;
  }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  static constexpr uint32_t kCodeShift = 24;
  static constexpr uint32_t kCodeMask = 0xFF000000;
  static constexpr uint32_t kCopies = 0x00800000;
  static constexpr uint32_t kDestinationMask = 0x007FFFFF;
  static constexpr uint32_t kCountMask = 0x1FF;
  static constexpr uint32_t kFinal = 0x80000000;

  // Four words at once, in the compiler's vector types (a vector register where there is one).
  typedef uint32_t Lanes __attribute__((vector_size(16)));

  // The entry of the arc of `state` whose code is `code`, or kNone. The eight arcs of a group
  // are compared at once: each lane that matches keeps its bit of `kLaneBits`, and the lanes
  // are or-ed together into one mask.
  uint32_t arc_reading(uint32_t state, uint8_t code) const {
    const Lanes wanted = Lanes{} + (uint32_t{code} << kCodeShift);
    const Lanes low_bits = {1, 2, 4, 8}, high_bits = {16, 32, 64, 128};
    const uint32_t count = words_[state] & kCountMask;
    const uint32_t first = state + 1;
    for (uint32_t done = 0;; done += 8) {
      Lanes low, high;
      std::memcpy(&low, &words_[first + done], 16);
      std::memcpy(&high, &words_[first + done + 4], 16);
      const Lanes lanes = (((low & kCodeMask) == wanted) & low_bits) |
                          (((high & kCodeMask) == wanted) & high_bits);
      uint32_t matches = lanes[0] | lanes[1] | lanes[2] | lanes[3];
      const uint32_t left = count - done;
      if (left < 8) matches &= (1u << left) - 1;
      if (matches != 0) return first + done + static_cast<uint32_t>(__builtin_ctz(matches));
      if (left <= 8) return kNone;
    }
  }

  std::vector<uint32_t> words_;  // one per entry of the index, and eight of 0
  std::vector<uint8_t> codes_;   // the code (1 to 255) of each input symbol by id, 0 for none
  bool plain_acceptor_ = true;
};

}  // namespace kora
