// The applyer's compact index of a network, its arc cursor, and the cache of label spellings.

#include "apply-index.h"

#include <algorithm>

#include "context.h"
#include "flat-hash.h"
#include "flag-sides.h"
#include "label.h"

namespace kora {
namespace {

bool epsilon_like(uint32_t symbol) {
  return symbol == EPSILON || symbol == ALTCHAIN_SYMBOL || symbol == GUARDED_EPSILON;
}

IndexArc index_arc(const ARC *arc, uint32_t destination, int input_side) {
  const uint32_t label = arc->label;
  const uint32_t input = input_side == 1 ? lower_id(label) : upper_id(label);
  const uint32_t output = input_side == 1 ? upper_id(label) : lower_id(label);
  IndexArc entry{input, destination, label, 0, 0};
  if (epsilon_like(input))
    entry.special = kEpsilonInput;
  else if (input == ID_NO_SYMBOL || input == OTHER || symbol_flag(input) != nullptr)
    entry.special = kOtherSpecial;
  entry.plain_output = label != OTHER && !epsilon_like(output) && symbol_flag(output) == nullptr;
  return entry;
}

}  // namespace

uint32_t ApplyIndex::start_of(const NET *net) {
  for (const auto &[known, start] : starts_)
    if (known == net) return start;
  const auto base = static_cast<uint32_t>(states.size());
  starts_.emplace_back(net, base);
  // Numbers states as a breadth-first walk meets them; state k of the walk is base + k.
  struct Number {
    const STATE *state;
    uint32_t number;
  };
  FlatHash<Number> numbers("APPLY_INDEX");
  std::vector<const STATE *> order;
  auto number = [&](const STATE *state) {
    bool added = false;
    Number *entry = numbers.insert(hash_mix(reinterpret_cast<uintptr_t>(state)),
                                   [state](const Number &n) { return n.state == state; }, &added);
    if (added) {
      *entry = {state, base + static_cast<uint32_t>(order.size())};
      order.push_back(state);
    }
    return entry->number;
  };
  number(net->start);
  for (size_t k = 0; k < order.size(); ++k) {
    const STATE *state = order[k];
    IndexState entry{};
    entry.final = state->flags.final != 0;
    entry.first = static_cast<uint32_t>(arcs.size());
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
      arcs.push_back(index_arc(arc, number(arc->destination), input_side_));
    entry.end = static_cast<uint32_t>(arcs.size());
    entry.wide = kNotWide;
    if (entry.end - entry.first > kWideState) {
      WideState wide{};
      wide.plain_first = static_cast<uint32_t>(plain.size());
      wide.special_first = static_cast<uint32_t>(specials.size());
      for (uint32_t a = entry.first; a < entry.end; ++a) {
        if (arcs[a].special)
          specials.push_back(a);
        else
          plain.emplace_back(arcs[a].input, a);
      }
      std::sort(plain.begin() + wide.plain_first, plain.end());
      wide.plain_end = static_cast<uint32_t>(plain.size());
      wide.special_end = static_cast<uint32_t>(specials.size());
      entry.wide = static_cast<uint32_t>(wides.size());
      wides.push_back(wide);
    }
    states.push_back(entry);
  }
  return base;
}

void ArcCursor::start_merged(const ApplyIndex &index, const WideState &wide) {
  special_next = wide.special_first;
  special_end = wide.special_end;
  next = end = wide.plain_first;
  if (symbol == ID_NO_SYMBOL) return;
  const auto first = index.plain.begin() + wide.plain_first;
  const auto last = index.plain.begin() + wide.plain_end;
  const auto from = std::lower_bound(first, last, std::make_pair(symbol, 0u));
  auto to = from;
  while (to != last && to->first == symbol) ++to;
  next = static_cast<uint32_t>(from - index.plain.begin());
  end = static_cast<uint32_t>(to - index.plain.begin());
}

uint32_t ArcCursor::advance_merged(const ApplyIndex &index) {
  const uint32_t plain_arc = next < end ? index.plain[next].second : ApplyIndex::kNoArc;
  const uint32_t special_arc =
      special_next < special_end ? index.specials[special_next] : ApplyIndex::kNoArc;
  if (plain_arc < special_arc) {
    ++next;
    return plain_arc;
  }
  if (special_arc != ApplyIndex::kNoArc) ++special_next;
  return special_arc;
}

void Spellings::prepare() {
  const int encoding = context()->out_char_encoding;
  if (encoding == encoding_) return;
  made_.clear();
  text_.clear();
  encoding_ = encoding;
}

Spellings::Spelling Spellings::make(uint32_t id) {
  if (id >= label_count()) return {"", 0, 0};  // an id never given out prints nothing
  if (id >= made_.size()) made_.resize(id + 1, Made{0, 0, 0});
  const size_t offset = text_.size();
  append_label(text_, id, 0);
  const auto length = static_cast<uint32_t>(text_.size() - offset);
  const auto newlines = static_cast<uint32_t>(std::count(text_.begin() + offset, text_.end(), '\n'));
  made_[id] = {static_cast<uint32_t>(offset) + 1, length, newlines};
  return {text_.data() + offset, length, newlines};
}

}  // namespace kora
