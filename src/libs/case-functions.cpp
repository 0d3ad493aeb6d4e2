// The case functions of the regex language: UpCase(, DownCase(, OptUpCase(, OptDownCase(,
// Cap(, OptCap( and AnyCase(, applied to the arcs of a network on its upper side, its lower
// side or both.
//
// A symbol is case-mapped by mapping every character of its name with the simple Unicode
// mappings (case-map.h) and interning the result; the built-in symbols and flag diacritics are
// never mapped. Lower-casing the one-character symbol U+03A3 gives the final sigma U+03C2 on an
// arc that enters a final state from a state other than the start state, and U+03C3 elsewhere.
//
// UpCase(, DownCase( and their optional forms rewrite each arc in place: the label is
// replaced by its image (the optional forms keep the original arc beside it), and AnyCase(
// puts the upper- and lower-case images beside every arc. Arcs that end up equal merge.
// Time O(E log d) for E arcs and states of at most d arcs, plus one interning per distinct
// symbol.
//
// Cap( lower-cases the chosen sides and upper-cases the first character of every word: of the
// whole string, and after each blank, tab, newline, carriage return or hyphen (one-character
// symbols). It is the product of the network with a tracker that knows, for each chosen side,
// whether the next symbol on that side begins a word: EPSILON, flag diacritics and the built-in
// symbols leave the tracker as it is, a separator puts it at a word start, anything else
// inside a word. The result has at most 4 V states and 4 E arcs (2 V and 2 E for one side or
// an automaton); time O(E log d) plus the map from states to product states.
//
// When a label changed, the network loses `deterministic` and `minimized`; labels and sigma
// are rebuilt (the sigma keeps the symbols that OTHER must go on excluding) and the network is
// minimized when the minimize parameter is on. Tested in tests/regex/functions_test.cpp.

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "alph.h"
#include "build-index.h"
#include "calculus.h"
#include "case-map.h"
#include "error.h"
#include "fat-str.h"
#include "functions.h"
#include "label.h"
#include "minimize.h"
#include "pars-tbl.h"
#include "struct.h"

namespace kora {
namespace {

constexpr uint32_t kCapitalSigma = 0x3A3;
constexpr uint32_t kFinalSigma = 0x3C2;

enum class CaseKind { kUp, kDown, kOptUp, kOptDown, kCap, kOptCap, kAny, kUnknown };

CaseKind case_kind(uint32_t function) {
  static const std::pair<const char *, CaseKind> kNames[] = {
      {"UpCase(", CaseKind::kUp},       {"DownCase(", CaseKind::kDown},
      {"OptUpCase(", CaseKind::kOptUp}, {"OptDownCase(", CaseKind::kOptDown},
      {"Cap(", CaseKind::kCap},         {"OptCap(", CaseKind::kOptCap},
      {"AnyCase(", CaseKind::kAny}};
  for (const auto &[name, kind] : kNames)
    if (function == symbol_id(name)) return kind;
  return CaseKind::kUnknown;
}

// What a symbol is turned into.
enum Mapping { kUpper = 0, kLower = 1, kLowerFinal = 2, kUpperFirst = 3 };

struct Sides {
  bool upper;
  bool lower;
};

// Maps symbols, remembering each symbol's images.
class SymbolMapper {
 public:
  uint32_t map(uint32_t id, Mapping mapping) {
    if (!mappable(id)) return id;
    const uint64_t key = (static_cast<uint64_t>(id) << 2) | mapping;
    auto found = images_.find(key);
    if (found != images_.end()) return found->second;
    const uint32_t image = compute(id, mapping);
    images_.emplace(key, image);
    return image;
  }

  // Whether `id` leaves the word tracker of Cap( as it is: EPSILON, a built-in symbol, a flag.
  static bool transparent(uint32_t id) { return !mappable(id); }

 private:
  static bool mappable(uint32_t id) {
    if (id <= DET_EPSILON) return false;
    if (id < 128) return true;
    if (id <= LAST_FUNCTION_SYMBOL) return false;
    const LABEL *label = label_record(id);
    return label != nullptr && label->arity == 1 && label->flag == nullptr;
  }

  static uint32_t compute(uint32_t id, Mapping mapping) {
    std::vector<uint32_t> name;
    if (id < 128) {
      name.push_back(id);
    } else {
      const uint32_t *codes = label_record(id)->name;
      name.assign(codes, codes + fat_strlen(codes));
    }
    bool changed = false;
    for (size_t i = 0; i < name.size(); i++) {
      uint32_t code = name[i];
      if (mapping == kUpper || (mapping == kUpperFirst && i == 0))
        code = simple_upper(code);
      else if (mapping == kLower || mapping == kLowerFinal)
        code = simple_lower(code);
      if (mapping == kLowerFinal && name.size() == 1 && name[0] == kCapitalSigma)
        code = kFinalSigma;
      changed |= code != name[i];
      name[i] = code;
    }
    if (!changed) return id;
    uint32_t image = id;
    if (name.size() == 1 && name[0] >= 2 && name[0] < 128) return name[0];
    name.push_back(0);
    if (intern_fat_symbol(&image, name.data()) != 0) return id;
    return image;
  }

  std::unordered_map<uint64_t, uint32_t> images_;
};

// The label with `upper_image` and `lower_image` on its sides; the label itself when neither
// side changed (so that OTHER stays OTHER and not OTHER:OTHER).
uint32_t relabel(uint32_t label, uint32_t upper_image, uint32_t lower_image) {
  if (upper_image == upper_id(label) && lower_image == lower_id(label)) return label;
  uint32_t out = label;
  if (intern_pair(&out, upper_image, lower_image) != 0) return label;
  return out;
}

// The label with the chosen sides mapped.
uint32_t map_label(SymbolMapper &mapper, uint32_t label, Sides sides, Mapping mapping) {
  const uint32_t upper = upper_id(label), lower = lower_id(label);
  return relabel(label, sides.upper ? mapper.map(upper, mapping) : upper,
                 sides.lower ? mapper.map(lower, mapping) : lower);
}

void add_variant(std::vector<uint32_t> *variants, uint32_t label) {
  for (uint32_t known : *variants)
    if (known == label) return;
  variants->push_back(label);
}

// The labels an arc labelled `label` gets from UpCase(, DownCase(, their optional forms or
// AnyCase(; `final_sigma` when the arc enters a final state from a state other than the start.
std::vector<uint32_t> arc_variants(SymbolMapper &mapper, CaseKind kind, uint32_t label,
                                   Sides sides, bool final_sigma) {
  const Mapping lower = final_sigma ? kLowerFinal : kLower;
  std::vector<uint32_t> variants;
  switch (kind) {
    case CaseKind::kUp:
      variants.push_back(map_label(mapper, label, sides, kUpper));
      break;
    case CaseKind::kDown:
      variants.push_back(map_label(mapper, label, sides, lower));
      break;
    case CaseKind::kOptUp:
      variants.push_back(label);
      add_variant(&variants, map_label(mapper, label, sides, kUpper));
      break;
    case CaseKind::kOptDown:
      variants.push_back(label);
      add_variant(&variants, map_label(mapper, label, sides, lower));
      break;
    default: {  // AnyCase(: each chosen side in its own case, its upper case or its lower case
      const uint32_t upper = upper_id(label), lower_side = lower_id(label);
      std::array<uint32_t, 3> uppers{upper, upper, upper}, lowers{lower_side, lower_side, lower_side};
      if (sides.upper) uppers = {upper, mapper.map(upper, kUpper), mapper.map(upper, lower)};
      if (sides.lower)
        lowers = {lower_side, mapper.map(lower_side, kUpper), mapper.map(lower_side, lower)};
      if (label_arity(label) == 1 && sides.upper && sides.lower) {
        for (uint32_t image : uppers) add_variant(&variants, image);
      } else {
        for (uint32_t u : uppers)
          for (uint32_t l : lowers) add_variant(&variants, relabel(label, u, l));
      }
    }
  }
  return variants;
}

// Rewrites the arcs of every state to their variants. Returns whether any label changed.
bool rewrite_arcs(NET *net, CaseKind kind, Sides sides) {
  SymbolMapper mapper;
  ArcAppender appender(net);
  std::vector<ArcSpec> old_arcs, new_arcs;
  bool changed = false;
  for (STATE *state = net->states; state != nullptr; state = state->next) {
    old_arcs.clear();
    arc_specs_of(state->arcs, &old_arcs);
    new_arcs.clear();
    for (const ArcSpec &arc : old_arcs) {
      const bool final_sigma = arc.destination->flags.final && state != net->start;
      for (uint32_t label : arc_variants(mapper, kind, arc.label, sides, final_sigma)) {
        changed |= label != arc.label;
        new_arcs.push_back({label, arc.destination, arc.big, arc.user_pointer});
      }
    }
    free_state_arcs(state, net);
    state->flags.deterministic = 1;
    appender.append(state, new_arcs, true);
  }
  return changed;
}

// --- Cap( and OptCap( -------------------------------------------------------------------------

bool is_separator(uint32_t id) {
  return id == ' ' || id == '\t' || id == '\n' || id == '\r' || id == '-';
}

// Tracker bits: the next symbol on the upper (lower) side begins a word.
constexpr unsigned kUpperAtStart = 1, kLowerAtStart = 2;

unsigned next_tracker(unsigned tracker, uint32_t label, Sides sides) {
  auto step = [&](bool chosen, unsigned bit, uint32_t symbol) {
    if (!chosen || SymbolMapper::transparent(symbol)) return tracker & bit;
    return is_separator(symbol) ? bit : 0u;
  };
  return step(sides.upper, kUpperAtStart, upper_id(label)) |
         step(sides.lower, kLowerAtStart, lower_id(label));
}

// The label lower-cased on the chosen sides and then, on the sides at a word start,
// upper-cased in its first character.
uint32_t capitalized(SymbolMapper &mapper, uint32_t label, Sides sides, unsigned tracker,
                     bool final_sigma, bool lower_first) {
  const Mapping lower = final_sigma ? kLowerFinal : kLower;
  auto side = [&](bool chosen, unsigned bit, uint32_t symbol) {
    if (!chosen) return symbol;
    if (lower_first) symbol = mapper.map(symbol, lower);
    return (tracker & bit) ? mapper.map(symbol, kUpperFirst) : symbol;
  };
  return relabel(label, side(sides.upper, kUpperAtStart, upper_id(label)),
                 side(sides.lower, kLowerAtStart, lower_id(label)));
}

// Replaces the states of `net` by those of its product with the word tracker. Returns whether
// any label changed.
bool capitalize(NET *net, Sides sides, bool optional) {
  SymbolMapper mapper;
  ArcAppender appender(net);
  std::unordered_map<STATE *, std::array<STATE *, 4>> product;
  struct Pending {
    STATE *original;
    unsigned tracker;
    STATE *made;
  };
  std::vector<Pending> pending;
  STATE *new_states = nullptr;
  uint32_t state_count = 0;
  auto state_of = [&](STATE *original, unsigned tracker) {
    auto [entry, fresh] = product.try_emplace(original, std::array<STATE *, 4>{});
    STATE *&made = entry->second[tracker];
    if (made == nullptr) {
      made = alloc_state();
      made->flags.final = original->flags.final;
      made->next = new_states;
      new_states = made;
      state_count++;
      pending.push_back({original, tracker, made});
    }
    return made;
  };
  const unsigned start_tracker = (sides.upper ? kUpperAtStart : 0) | (sides.lower ? kLowerAtStart : 0);
  STATE *start = state_of(net->start, start_tracker);
  bool changed = false;
  std::vector<ArcSpec> old_arcs, new_arcs;
  while (!pending.empty()) {
    const Pending item = pending.back();
    pending.pop_back();
    old_arcs.clear();
    arc_specs_of(item.original->arcs, &old_arcs);
    new_arcs.clear();
    for (const ArcSpec &arc : old_arcs) {
      const bool final_sigma = arc.destination->flags.final && item.original != net->start;
      STATE *destination = state_of(arc.destination, next_tracker(item.tracker, arc.label, sides));
      std::vector<uint32_t> labels{capitalized(mapper, arc.label, sides, item.tracker, final_sigma, true)};
      if (optional) {
        add_variant(&labels, arc.label);
        add_variant(&labels, map_label(mapper, arc.label, sides, final_sigma ? kLowerFinal : kLower));
        add_variant(&labels, capitalized(mapper, arc.label, sides, item.tracker, final_sigma, false));
      }
      for (uint32_t label : labels) {
        changed |= label != arc.label;
        new_arcs.push_back({label, destination, arc.big, arc.user_pointer});
      }
    }
    appender.append(item.made, new_arcs, true);
  }
  // The old states go; the product takes their place.
  free_state_list(net);
  net->states = new_states;
  net->start = start;
  net->num_states = state_count;
  net->flags.sorted_states = 0;
  return changed;
}

// The side a side symbol names: its name begins with u (upper), l (lower) or b (both).
bool read_side(uint32_t side, Sides *out) {
  if (side == ID_NO_SYMBOL) {
    *out = {true, true};
    return true;
  }
  const LABEL *label = label_record(side);
  uint32_t first = 0;
  if (side < 128)
    first = side;
  else if (label != nullptr && label->arity == 1 && label->name != nullptr)
    first = label->name[0];
  switch (first) {
    case 'u': case 'U': *out = {true, false}; return true;
    case 'l': case 'L': *out = {false, true}; return true;
    case 'b': case 'B': *out = {true, true}; return true;
    default: break;
  }
  std::string name;
  append_label(name, side, 0);
  error_printf("%s is not a valid side. Only %s, %s, or %s are accepted here.", name.c_str(),
               "upper", "lower", "both");
  return false;
}

// Rebuilds labels and sigma after the arcs changed: the sigma keeps what it held besides the
// labels' symbols (all of it when OTHER is in it, since OTHER must go on excluding those).
void rebuild_alphabets(NET *net, ALPH *kept) {
  labels_from_arcs(net);
  set_arity_from_labels(net);
  ALPH *sigma = sigma_from_labels(net, 2);
  sigma = union_alph(sigma, kept, 0, 0);
  free_alph(net->sigma);
  net->sigma = sigma;
}

}  // namespace

bool is_case_function(uint32_t id) { return case_kind(id) != CaseKind::kUnknown; }

NET *case_function(uint32_t function, NET *net, uint32_t side) {
  const CaseKind kind = case_kind(function);
  if (kind == CaseKind::kUnknown) {
    std::string name;
    append_label(name, function, 0);
    error_printf("'%s' is an unknown function.", name.c_str());
    free_network(net);
    return null_net();
  }
  Sides sides{};
  if (!read_side(side, &sides)) {
    free_network(net);
    return null_net();
  }
  if (net == nullptr) return null_net();
  if (!check_operand(net, "case function")) return net;
  ALPH *kept = test_alph_member(net->sigma, OTHER) ? copy_alph(net->sigma) : sigma_extras(net);
  const bool changed = (kind == CaseKind::kCap || kind == CaseKind::kOptCap)
                           ? capitalize(net, sides, kind == CaseKind::kOptCap)
                           : rewrite_arcs(net, kind, sides);
  if (changed) {
    net->flags.deterministic = 0;
    net->flags.minimized = 0;
    net->flags2.sorted_arcs = 0;
    free_net_parse_tables(net);
  }
  free_build_index(net);
  rebuild_alphabets(net, kept);
  if (minimize_results()) net = min_fsm(net, 0);
  return net;
}

}  // namespace kora
