#include "language.h"

#include <algorithm>
#include <map>

#include "label.h"

namespace kora_test {
namespace {

// The concrete (upper, lower) pairs an arc label stands for; kora::EPSILON spells nothing.
std::vector<std::pair<uint32_t, uint32_t>> instances(uint32_t label, const NET *net,
                                                     const Symbols &universe) {
  Symbols unknown;
  for (uint32_t s : universe)
    if (!test_alph_member(net->sigma, s)) unknown.push_back(s);
  auto side = [&](uint32_t id) { return id == kora::OTHER ? unknown : Symbols{id}; };
  uint32_t upper = kora::upper_id(label), lower = kora::lower_id(label);
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  if (kora::label_arity(label) == 1) {
    for (uint32_t s : side(label)) pairs.push_back({s, s});
    return pairs;
  }
  for (uint32_t u : side(upper))
    for (uint32_t l : side(lower))
      if (!(upper == kora::OTHER && lower == kora::OTHER && u == l)) pairs.push_back({u, l});
  return pairs;
}

}  // namespace

Symbols universe_of(const std::vector<const NET *> &nets) {
  std::set<uint32_t> symbols;
  for (const NET *net : nets) {
    const ALPH *sigma = net->sigma;
    for (int i = 0; sigma != nullptr && i < sigma->len; i++) {
      if (sigma->type == KORA_LABEL_ALPH)
        symbols.insert(sigma->items[i]);
      else if (sigma->items[i])
        symbols.insert(static_cast<uint32_t>(i));
    }
  }
  symbols.erase(kora::OTHER);
  symbols.erase(kora::EPSILON);
  symbols.insert(kora::symbol_id("FRESH-1"));
  symbols.insert(kora::symbol_id("FRESH-2"));
  return Symbols(symbols.begin(), symbols.end());
}

// Depth-first over paths with an explicit stack; each frame remembers the arc to try next.
Relation enumerate(const NET *net, const Symbols &universe, int max_arcs) {
  Relation result;
  if (net->start == nullptr) return result;
  std::map<uint32_t, std::vector<std::pair<uint32_t, uint32_t>>> cache;
  auto pairs_of = [&](uint32_t label) -> const std::vector<std::pair<uint32_t, uint32_t>> & {
    auto found = cache.find(label);
    if (found == cache.end()) found = cache.emplace(label, instances(label, net, universe)).first;
    return found->second;
  };
  struct Frame {
    const STATE *state;
    const ARC *arc;
    size_t instance;
    size_t upper_size, lower_size;
  };
  Symbols upper, lower;
  std::vector<Frame> stack{{net->start, net->start->arcs, 0, 0, 0}};
  if (net->start->flags.final) result.insert({upper, lower});
  while (!stack.empty()) {
    Frame &top = stack.back();
    upper.resize(top.upper_size);
    lower.resize(top.lower_size);
    if (top.arc == nullptr || static_cast<int>(stack.size()) > max_arcs) {
      stack.pop_back();
      continue;
    }
    const ARC *arc = top.arc;
    const auto &pairs = pairs_of(arc->label);
    if (arc->label != kora::EPSILON && top.instance >= pairs.size()) {
      top.arc = arc->next;
      top.instance = 0;
      continue;
    }
    if (arc->label == kora::EPSILON) {
      top.arc = arc->next;
    } else {
      auto [u, l] = pairs[top.instance++];
      if (u != kora::EPSILON) upper.push_back(u);
      if (l != kora::EPSILON) lower.push_back(l);
    }
    const STATE *next = arc->destination;
    if (next->flags.final) result.insert({upper, lower});
    stack.push_back({next, next->arcs, 0, upper.size(), lower.size()});
  }
  return result;
}

Relation shorter_than(const Relation &relation, size_t max_length) {
  Relation kept;
  for (const StringPair &pair : relation)
    if (pair.first.size() <= max_length && pair.second.size() <= max_length) kept.insert(pair);
  return kept;
}

std::string describe(const Relation &relation) {
  auto spell = [](const Symbols &symbols) {
    std::string text;
    for (uint32_t s : symbols) {
      const kora::LABEL *label = kora::label_record(s);
      if (label == nullptr || label->arity != 1) {
        text += "#" + std::to_string(s);
        continue;
      }
      std::string name;
      for (const uint32_t *c = label->name; *c != 0; c++)
        name += *c < 128 ? static_cast<char>(*c) : '?';
      text += name.size() == 1 ? name : "[" + name + "]";
    }
    return text;
  };
  std::string text = "{";
  for (const StringPair &pair : relation) {
    text += " " + spell(pair.first);
    if (pair.first != pair.second) text += ":" + spell(pair.second);
    text += " |";
  }
  return text + " }";
}

NET *random_net(std::mt19937 &random, const RandomNetOptions &options) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::vector<uint32_t> labels;
  Symbols symbols;
  for (const std::string &name : options.symbols) symbols.push_back(kora::symbol_id(name.c_str()));
  for (uint32_t s : symbols) labels.push_back(s);
  if (options.other) labels.push_back(kora::OTHER);
  if (options.transducer) {
    for (uint32_t u : symbols)
      for (uint32_t l : symbols)
        if (u != l) labels.push_back(kora::pair_id(u, l));
    labels.push_back(kora::pair_id(symbols[0], kora::EPSILON));
    labels.push_back(kora::pair_id(kora::EPSILON, symbols.back()));
    if (options.other) labels.push_back(kora::pair_id(kora::OTHER, symbols[0]));
  }
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;  // duplicate arcs are expected and skipped quietly
  NET *net = null_net();
  std::vector<STATE *> states{net->start};
  int count = 1 + pick(options.max_states);
  for (int i = 1; i < count; i++) states.push_back(add_state_to_net(net, 0));
  for (STATE *s : states) s->flags.final = pick(3) == 0;
  int arcs = pick(options.max_arcs + 1);
  for (int i = 0; i < arcs; i++) {
    uint32_t label = options.epsilon && pick(6) == 0 ? kora::EPSILON : labels[pick(labels.size())];
    add_arc_to_state(net, states[pick(states.size())], label, states[pick(states.size())],
                     nullptr, 0);
  }
  int_parameters()->word[KORA_VERBOSE] = verbose;
  return net;
}

}  // namespace kora_test
