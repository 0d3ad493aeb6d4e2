#include "language.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "big-arc.h"
#include "label.h"
#include "utf8.h"

namespace kora_test {
std::vector<std::pair<uint32_t, uint32_t>> label_instances(uint32_t label, const NET *net,
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
  symbols.erase(kora::ALTCHAIN_SYMBOL);
  symbols.insert(kora::symbol_id("FRESH-1"));
  symbols.insert(kora::symbol_id("FRESH-2"));
  return Symbols(symbols.begin(), symbols.end());
}

// A walk over configurations (state, upper so far, lower so far), each visited once, so that
// EPSILON cycles and paths that meet again cost nothing.
Relation enumerate(const NET *net, const Symbols &universe, size_t max_length) {
  return enumerate(net, universe, max_length, max_length);
}

Relation enumerate(const NET *net, const Symbols &universe, size_t max_upper, size_t max_lower) {
  Relation result;
  if (net->start == nullptr) return result;
  std::map<uint32_t, std::vector<std::pair<uint32_t, uint32_t>>> cache;
  const std::vector<std::pair<uint32_t, uint32_t>> nothing{{kora::EPSILON, kora::EPSILON}};
  using Configuration = std::tuple<const STATE *, Symbols, Symbols>;
  std::set<Configuration> seen{{net->start, {}, {}}};
  std::vector<Configuration> to_visit(seen.begin(), seen.end());
  while (!to_visit.empty()) {
    auto [state, upper, lower] = std::move(to_visit.back());
    to_visit.pop_back();
    if (state->flags.final) result.insert({upper, lower});
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      const bool silent = arc->label == kora::EPSILON || arc->label == kora::ALTCHAIN_SYMBOL;
      auto found = cache.find(arc->label);
      if (!silent && found == cache.end())
        found = cache.emplace(arc->label, label_instances(arc->label, net, universe)).first;
      for (const auto &[u, l] : silent ? nothing : found->second) {
        Configuration next{arc->destination, upper, lower};
        if (u != kora::EPSILON) std::get<1>(next).push_back(u);
        if (l != kora::EPSILON) std::get<2>(next).push_back(l);
        if (std::get<1>(next).size() > max_upper || std::get<2>(next).size() > max_lower) continue;
        if (seen.insert(next).second) to_visit.push_back(std::move(next));
      }
    }
  }
  return result;
}

std::vector<Symbols> strings_up_to(const Symbols &universe, size_t max_length) {
  std::vector<Symbols> strings = {{}};
  for (size_t begin = 0; begin < strings.size(); begin++)
    if (strings[begin].size() < max_length)
      for (uint32_t s : universe) {
        Symbols longer = strings[begin];
        longer.push_back(s);
        strings.push_back(longer);
      }
  return strings;
}

namespace {

std::string symbols_text(const Symbols &symbols) {
  std::string text;
  for (uint32_t id : symbols) {
    if (id > 32 && id < 127) {
      text += static_cast<char>(id);
      continue;
    }
    std::string name;
    kora::append_label(name, id, 0);
    text.append("<").append(name).append(">");
  }
  return text;
}

}  // namespace

std::string describe(const Relation &relation) {
  std::string text = "{";
  for (const StringPair &pair : relation) {
    text.append(" ").append(symbols_text(pair.first));
    if (pair.first != pair.second) text.append(":").append(symbols_text(pair.second));
    text += " |";
  }
  return text + " }";
}

std::set<std::string> words(const NET *net, size_t max_length,
                            const std::vector<const NET *> &universe_nets) {
  std::vector<const NET *> nets = universe_nets;
  nets.push_back(net);
  std::set<std::string> out;
  for (const StringPair &pair : enumerate(net, universe_of(nets), max_length)) {
    const std::string upper = symbols_text(pair.first), lower = symbols_text(pair.second);
    out.insert(upper == lower ? upper : upper + ":" + lower);
  }
  return out;
}

::testing::AssertionResult same_relation(const NET *a, const NET *b, size_t max_length) {
  if (a == nullptr || b == nullptr) return ::testing::AssertionFailure() << "a network is null";
  const Symbols universe = universe_of({a, b});
  const Relation ra = enumerate(a, universe, max_length), rb = enumerate(b, universe, max_length);
  if (ra == rb) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << describe(ra) << "\n  differs from\n" << describe(rb);
}

std::set<std::vector<Atom>> atom_sequences(const NET *net, size_t max_length, bool pointers) {
  using Configuration = std::pair<const STATE *, std::vector<Atom>>;
  std::set<std::vector<Atom>> spelled;
  std::set<Configuration> seen{{net->start, {}}};
  std::vector<Configuration> work{{net->start, {}}};
  while (!work.empty()) {
    auto [state, sequence] = work.back();
    work.pop_back();
    if (state->flags.final) spelled.insert(sequence);
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      std::vector<Atom> next = sequence;
      if (arc->label != kora::EPSILON) {
        if (next.size() == max_length) continue;
        next.push_back({arc->label, pointers ? kora::arc_user_pointer(arc) : nullptr});
      }
      // A loop-free network meets no configuration twice but through converging paths, which
      // cost no more than the sequences they spell: the long chains of text files need no set.
      if (net->flags.loop_free || seen.insert({arc->destination, next}).second)
        work.push_back({arc->destination, next});
    }
  }
  return spelled;
}

std::set<Symbols> label_paths(const NET *net) {
  std::set<Symbols> paths;
  for (const std::vector<Atom> &sequence : atom_sequences(net, std::numeric_limits<size_t>::max(), false)) {
    Symbols labels;
    for (const Atom &atom : sequence) labels.push_back(atom.first);
    paths.insert(labels);
  }
  return paths;
}

std::vector<std::string> utf8_characters(const std::string &text) {
  std::vector<std::string> characters;
  for (size_t i = 0, length; i < text.size(); i += length) {
    for (length = 1; i + length < text.size() && (text[i + length] & 0xC0) == 0x80;) ++length;
    characters.push_back(text.substr(i, length));
  }
  return characters;
}

std::string utf8_name(uint32_t id) {
  const kora::LABEL *label = kora::label_record(id);
  std::string text;
  if (id == KORA_EPSILON || label == nullptr || label->arity != 1) return text;
  for (const uint32_t *code = label->name; *code != 0; code++) {
    char bytes[4];
    text.append(bytes, static_cast<size_t>(kora::utf8_encode_char(*code, bytes)));
  }
  return text;
}

std::set<std::pair<std::string, std::string>> spelled_pairs(const NET *net, size_t max_symbols,
                                                            const char *separator) {
  auto spell = [&](const Symbols &symbols) {
    std::string text;
    for (size_t i = 0; i < symbols.size(); i++) {
      if (i > 0) text += separator;
      text += utf8_name(symbols[i]);
    }
    return text;
  };
  std::set<std::pair<std::string, std::string>> pairs;
  for (const StringPair &pair : enumerate(net, {}, max_symbols))
    pairs.insert({spell(pair.first), spell(pair.second)});
  return pairs;
}

std::set<std::string> spellings(const NET *net, size_t max_symbols, const char *separator) {
  std::set<std::string> texts;
  for (const auto &pair : spelled_pairs(net, max_symbols, separator)) texts.insert(pair.first);
  return texts;
}

}  // namespace kora_test
