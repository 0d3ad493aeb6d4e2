// The bimachine search; see apply-bimachine.h for what it computes and costs.

#include "apply-bimachine.h"

#include <algorithm>

#include "alph.h"
#include "error.h"
#include "label.h"

namespace kora {

namespace {

// The arc of `state` in the half `net` that reads `x` (an ALTCHAIN arc leads on to the list of
// its destination), or null; *fallback receives a leading _DET_EPSILON_ arc when `fallback` is
// given.
const ARC *sequential_arc(const NET *net, const STATE *state, uint32_t x, int side,
                          const ARC **fallback, const std::vector<bool> &sigma) {
  const ARC *arc = state->arcs;
  if (fallback != nullptr) {
    *fallback = nullptr;
    if (arc != nullptr && (side == 0 ? upper_id(arc->label) : lower_id(arc->label)) == DET_EPSILON) {
      *fallback = arc;
      arc = arc->next;
    }
  }
  const bool outside = x >= sigma.size() || !sigma[x];
  uint32_t hops = 0;
  while (arc != nullptr) {
    if (arc->label == ALTCHAIN_SYMBOL) {
      if (hops++ > net->num_states) return nullptr;
      arc = arc->destination->arcs;
      continue;
    }
    const uint32_t i = side == 0 ? upper_id(arc->label) : lower_id(arc->label);
    if (i == x || (i == OTHER && outside)) return arc;
    arc = arc->next;
  }
  return nullptr;
}

// What the arc writes for the symbol x it read: its output side, or x for an OTHER one.
uint32_t written(const ARC *arc, uint32_t x, int side) {
  const uint32_t o = side == 0 ? lower_id(arc->label) : upper_id(arc->label);
  return o == OTHER ? x : o;
}

}  // namespace

int bimachine_search(NET *left, NET *right, int input_side, const SearchInput &input,
                     std::vector<uint32_t> *output) {
  output->clear();
  const bool fits = input_side == 0 ? left->flags2.upper_sequentialized
                                    : left->flags2.lower_sequentialized;
  if (!fits || !left->flags2.left_bimachine) {
    if (left->flags2.left_bimachine)
      warning(input_side == 0 ? "This is an upwards bimachine. It cannot be applied downwards."
                              : "This is a downwards bimachine. It cannot be applied upwards.");
    return 0;
  }
  if (left->start == nullptr || right->start == nullptr) return 0;
  // The left pass: one arc per input symbol, or the state's default arc, which reads nothing.
  const std::vector<bool> left_sigma = sigma_members(left);
  std::vector<uint32_t> middle;
  const STATE *state = left->start;
  bool failed = false;
  int position = 0;
  uint32_t defaults = 0;  // default moves in a row, at most one per state
  for (;;) {
    const uint32_t x = static_cast<uint32_t>(position) < *input.known
                           ? (*input.symbols)[position]
                           : (*input.complete ? ID_NO_SYMBOL
                                              : input.read_symbol_at(input.applyer, position, &failed));
    if (failed) return 0;
    if (x == ID_NO_SYMBOL) break;
    const ARC *fallback = nullptr;
    const ARC *arc = sequential_arc(left, state, x, input_side, &fallback, left_sigma);
    if (arc != nullptr) {
      middle.push_back(written(arc, x, input_side));
      state = arc->destination;
      position++;
      defaults = 0;
    } else if (fallback != nullptr && defaults++ <= left->num_states) {
      middle.push_back(written(fallback, x, input_side));
      state = fallback->destination;
    } else {
      return 0;
    }
  }
  if (!state->flags.final) return 0;
  // The right pass, from the last symbol written to the first.
  const std::vector<bool> right_sigma = sigma_members(right);
  state = right->start;
  for (size_t k = middle.size(); k-- > 0;) {
    const ARC *arc = sequential_arc(right, state, middle[k], input_side, nullptr, right_sigma);
    if (arc == nullptr) return 0;
    output->push_back(written(arc, middle[k], input_side));
    state = arc->destination;
  }
  if (!state->flags.final) return 0;
  std::reverse(output->begin(), output->end());
  return 1;
}

}  // namespace kora
