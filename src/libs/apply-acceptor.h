// The applyer's word index of a deterministic acceptor: one 32-bit word per state and per arc,
// for the lookup of a word in a word list's network.
//
// A lookup of a random word in a large acceptor waits, at each character, for the state its arc
// leads to: the applyer's index (apply-index.h) spends 12 bytes on each state and arc, and a
// word list of 30 000 states outgrows a core's second-level cache. This copy keeps what a
// membership test needs in a third of that: a state is a word (bit 31 final, the low bits its
// number of arcs) followed by its arcs, each a word of the symbol's code in the input alphabet
// (the top 8 bits) and its destination's word (the low 24 bits).
//
// It is made from the applyer's index when that index is complete and every state in it is
// deterministic, every arc reads an ordinary symbol and writes what it reads (no epsilon, flag
// or OTHER on either side), the network reads at most 255 distinct symbols, and the copy has
// fewer than 2^24 words. Then a record read whole as one-byte symbols has one result, its own
// spelling, exactly when its symbols lead from the start state to a final state; the applyer
// asks this copy first and writes that result itself. Each applyer has its own, as it keeps
// the path of the last lookup. Cost: time and space linear in the index's states and arcs, 4
// bytes each; a lookup reads one state word and its arcs per symbol it does not share with the
// last record.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kora {

class ApplyIndex;

class AcceptorIndex {
 public:
  // The word index of `index`, or an empty one (made() false) when the index does not qualify.
  explicit AcceptorIndex(const ApplyIndex &index);

  bool made() const { return !words_.empty(); }

  // Whether the `length` input symbols spell a path from the start state to a final state.
  // The walk starts where the last one left the symbols this record shares with its record, as
  // a sorted word list's neighbours share their beginnings. A state's arcs are compared with
  // the symbol's code eight at a time, without a branch per arc: which arc matches is as hard
  // to guess as the word, and a missed guess costs more than the comparisons.
  bool accepts(const uint32_t *symbols, uint32_t length) {
    if (walked_symbols_.size() < length) {
      walked_symbols_.resize(length);
      walked_states_.resize(length);
    }
    uint32_t position = 0;
    const uint32_t shared = std::min(length, walked_);
    while (position < shared && walked_symbols_[position] == symbols[position]) position++;
    uint32_t state = position == 0 ? 0 : walked_states_[position - 1];
    const __m128i code_bits = _mm_set1_epi32(static_cast<int>(kCodeMask));
    for (; position < length; position++) {
      const uint32_t symbol = symbols[position];
      state = symbol < codes_.size() && codes_[symbol] != 0 ? arc_to(state, codes_[symbol], code_bits)
                                                           : kNone;
      if (state == kNone) break;
      walked_symbols_[position] = symbol;
      walked_states_[position] = state;
    }
    walked_ = position;
    return position == length && (words_[state] & kFinal) != 0;
  }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  static constexpr uint32_t kCodeShift = 24;
  static constexpr uint32_t kCodeMask = 0xFF000000;
  static constexpr uint32_t kDestinationMask = 0x00FFFFFF;
  static constexpr uint32_t kCountMask = 0x1FF;
  static constexpr uint32_t kFinal = 0x80000000;

  // Each state's word followed by its arcs' words, and eight words of 0 after the last, so that
  // the last state's arcs can be read eight at a time.
  std::vector<uint32_t> words_;
  std::vector<uint8_t> codes_;   // the code (1 to 255) of each input symbol by id, 0 for none
  // The symbols the last walk read and the state after each: the first walked_ entries.
  std::vector<uint32_t> walked_symbols_, walked_states_;
  uint32_t walked_ = 0;

  // The destination of the arc of `state` that reads the symbol of `code`, or kNone.
  uint32_t arc_to(uint32_t state, uint8_t code, __m128i code_bits) const {
    const __m128i wanted = _mm_set1_epi32(static_cast<int>(uint32_t{code} << kCodeShift));
    const uint32_t count = words_[state] & kCountMask;
    const uint32_t *arcs = &words_[state + 1];
    for (uint32_t done = 0;; done += 8) {
      const auto *group = reinterpret_cast<const __m128i *>(arcs + done);
      const __m128i low = _mm_and_si128(_mm_loadu_si128(group), code_bits);
      const __m128i high = _mm_and_si128(_mm_loadu_si128(group + 1), code_bits);
      uint32_t matches = static_cast<uint32_t>(
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, wanted))) |
          _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(high, wanted))) << 4);
      const uint32_t left = count - done;
      if (left < 8) matches &= (1u << left) - 1;
      if (matches != 0)
        return arcs[done + static_cast<uint32_t>(__builtin_ctz(matches))] & kDestinationMask;
      if (left <= 8) return kNone;
    }
  }
};

}  // namespace kora
