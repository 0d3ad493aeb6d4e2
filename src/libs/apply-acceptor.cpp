// The applyer's word index of a deterministic acceptor.

#include "apply-acceptor.h"

#include "apply-index.h"

namespace kora {

namespace {

// Symbol ids above this get no code: the table of codes stays small.
constexpr uint32_t kMostSymbolId = 1 << 16;

}  // namespace

// Each entry of the index becomes one word at the same position, so destinations keep their
// numbers.
AcceptorIndex::AcceptorIndex(const ApplyIndex &index) {
  const auto size = static_cast<uint32_t>(index.entries.size());
  if (size == 0 || size > kDestinationMask || !index.ordinary_or_epsilon() ||
      !index.copies_input())
    return;
  std::vector<uint32_t> words(size + 8);
  std::vector<uint8_t> codes;
  uint32_t next_code = 1;
  for (uint32_t number = 0; number < size; number = index.next_state(number)) {
    const IndexState &state = index.state(number);
    if (!state.deterministic || state.count > kCountMask) return;
    words[number] = state.count | (state.final ? kFinal : 0);
    for (uint32_t arc = number + 1; arc <= number + state.count; arc++) {
      const IndexArc &entry = index.arc(arc);
      const uint32_t symbol = entry.input();
      if (entry.special() != kOrdinary || entry.other_label() || symbol >= kMostSymbolId)
        return;
      if (symbol >= codes.size()) codes.resize(symbol + 1, 0);
      if (codes[symbol] == 0) {
        if (next_code > 255) return;
        codes[symbol] = static_cast<uint8_t>(next_code++);
      }
      words[arc] = uint32_t{codes[symbol]} << kCodeShift | entry.destination;
    }
  }
  words_ = std::move(words);
  codes_ = std::move(codes);
}

}  // namespace kora
