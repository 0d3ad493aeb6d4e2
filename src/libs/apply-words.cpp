// The applyer's word index.

#include "apply-words.h"

#include "apply-index.h"

namespace kora {

namespace {

// Symbol ids above this get no code: the table of codes stays small.
constexpr uint32_t kMostSymbolId = 1 << 16;

}  // namespace

// Each entry of the index becomes one word at the same position, so destinations keep their
// numbers.
WordIndex::WordIndex(const ApplyIndex &index) {
  const auto size = static_cast<uint32_t>(index.entries.size());
  if (size == 0 || size > kDestinationMask || !index.ordinary_or_epsilon()) return;
  std::vector<uint32_t> words(size + 8);
  std::vector<uint8_t> codes;
  uint32_t next_code = 1;
  plain_acceptor_ = index.copies_input();
  for (uint32_t number = 0; number < size; number = index.next_state(number)) {
    const IndexState &state = index.state(number);
    words[number] = state.final ? kFinal : 0;
    plain_acceptor_ = plain_acceptor_ && state.deterministic && state.reads_one;
    if (!state.reads_one) continue;
    if (state.count > kCountMask) return;
    words[number] |= state.count;
    for (uint32_t arc = number + 1; arc <= number + state.count; arc++) {
      const IndexArc &entry = index.arc(arc);
      const uint32_t symbol = entry.input();
      words[arc] = entry.destination;
      if (entry.special() != kOrdinary) continue;
      if (symbol >= kMostSymbolId) return;
      if (symbol >= codes.size()) codes.resize(symbol + 1, 0);
      if (codes[symbol] == 0) {
        if (next_code > 255) return;
        codes[symbol] = static_cast<uint8_t>(next_code++);
      }
      words[arc] |= uint32_t{codes[symbol]} << kCodeShift;
      if (!entry.other_label() && entry.plain_output() && entry.output() == symbol)
        words[arc] |= kCopies;
    }
  }
  words_ = std::move(words);
  codes_ = std::move(codes);
}

}  // namespace kora
