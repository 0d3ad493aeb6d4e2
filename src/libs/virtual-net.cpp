// Virtual networks: interning of operand data, expansion on demand, and the arcs and finality of
// each operation (see virtual-net.h).

#include "virtual-net.h"

#include <algorithm>
#include <utility>

#include "alph.h"
#include "boundary.h"
#include "determinize.h"
#include "error.h"
#include "label.h"
#include "modify.h"
#include "print.h"
#include "struct.h"

namespace kora {
namespace {

// --- Reading operands --------------------------------------------------------------------------

// A dead operand state: not final and without arcs. An unexpanded state of a virtual operand
// is not judged, so that looking at a destination never expands it.
bool dead(NET *operand, STATE *state) {
  if (const VIRTUAL_NET *inner = virtual_of(operand))
    if (!inner->states[virtual_state_number(state)].expanded) return false;
  return !state->flags.final && state->arcs == nullptr;
}

bool first_final(VIRTUAL_NET &v, STATE *s) { return s != nullptr && state_final(v.first, s); }
bool second_final(VIRTUAL_NET &v, STATE *s) { return s != nullptr && state_final(v.second, s); }

// The live arcs of an operand state as (label, destination), in list order.
struct OperandArc {
  uint32_t label;
  STATE *destination;
};
void live_arcs(NET *operand, STATE *state, std::vector<OperandArc> &out) {
  out.clear();
  if (state == nullptr) return;
  for (ARC *arc = state_arcs(operand, state); arc != nullptr; arc = arc->next)
    if (!dead(operand, arc->destination)) out.push_back({arc->label, arc->destination});
}

// The arcs sorted by label, ties in list order: the arcs with one label are a run.
void by_label(std::vector<OperandArc> &arcs) {
  std::stable_sort(arcs.begin(), arcs.end(),
                   [](const OperandArc &x, const OperandArc &y) { return x.label < y.label; });
}

// The run of `sorted` with `label`.
std::pair<const OperandArc *, const OperandArc *> run_of(const std::vector<OperandArc> &sorted,
                                                         uint32_t label) {
  auto lower = std::lower_bound(sorted.begin(), sorted.end(), label,
                                [](const OperandArc &arc, uint32_t l) { return arc.label < l; });
  auto upper = lower;
  while (upper != sorted.end() && upper->label == label) ++upper;
  return {sorted.data() + (lower - sorted.begin()), sorted.data() + (upper - sorted.begin())};
}

uint32_t pair_label(uint32_t upper, uint32_t lower) {
  if (upper == lower && upper != OTHER) return upper;
  uint32_t id = ID_NO_SYMBOL;
  intern_pair(&id, upper, lower);
  return id;
}

// --- One operand state: copy, option, zero_plus, lower_net, upper_net -------------------------

uint32_t side_of(int id, uint32_t label) {
  if (id == kVirtualLower) return lower_id(label);
  if (id == kVirtualUpper) return upper_id(label);
  return label;
}

void copy_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs;
  live_arcs(v.first, s.first, arcs);
  for (const OperandArc &arc : arcs)
    out.push_back({side_of(v.methods->id, arc.label),
                   intern_virtual_state(v, arc.destination, nullptr, 0)});
}

bool copy_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) { return first_final(v, s.first); }

bool option_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return s.mark == 1 || first_final(v, s.first);
}

void zero_plus_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  copy_arcs(v, s, out);
  if (s.mark == 1 || !first_final(v, s.first)) return;
  if (!v.net->flags.epsilon_free) {
    out.push_back({EPSILON, v.start});
    return;
  }
  VIRTUAL_STATE start = v.states[v.start];
  copy_arcs(v, start, out);
  v.net->flags.pruned = 0;
}

// --- concat ---------------------------------------------------------------------------------------

void second_arcs(VIRTUAL_NET &v, STATE *s2, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs;
  live_arcs(v.second, s2, arcs);
  for (const OperandArc &arc : arcs)
    out.push_back({arc.label, intern_virtual_state(v, nullptr, arc.destination, 0)});
}

void concat_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  if (s.first == nullptr) {
    second_arcs(v, s.second, out);
    return;
  }
  std::vector<OperandArc> arcs;
  live_arcs(v.first, s.first, arcs);
  for (const OperandArc &arc : arcs)
    out.push_back({arc.label, intern_virtual_state(v, arc.destination, s.second, 0)});
  if (!state_final(v.first, s.first) || dead(v.second, s.second)) return;
  if (v.net->flags.epsilon_free) {
    second_arcs(v, s.second, out);
    v.net->flags.pruned = 0;
  } else {
    out.push_back({EPSILON, intern_virtual_state(v, nullptr, s.second, 0)});
  }
}

bool concat_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  if (s.first == nullptr) return second_final(v, s.second);
  return v.net->flags.epsilon_free && first_final(v, s.first) && second_final(v, s.second);
}

// --- intersect, minus, union -----------------------------------------------------------------------

void intersect_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs1, arcs2;
  live_arcs(v.first, s.first, arcs1);
  live_arcs(v.second, s.second, arcs2);
  by_label(arcs2);
  for (const OperandArc &arc : arcs1) {
    auto [from, to] = run_of(arcs2, arc.label);
    for (const OperandArc *match = from; match != to; ++match)
      out.push_back({arc.label, intern_virtual_state(v, arc.destination, match->destination, 0)});
  }
}

bool intersect_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return first_final(v, s.first) && second_final(v, s.second);
}

// The second operand is deterministic and epsilon-free (new_virtual_net sees to it), so a path
// of the first meets at most one path of the second; an EPSILON arc of the first leaves the
// second where it is.
void minus_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs1, arcs2;
  live_arcs(v.first, s.first, arcs1);
  live_arcs(v.second, s.second, arcs2);
  by_label(arcs2);
  for (const OperandArc &arc : arcs1) {
    if (arc.label == EPSILON && s.second != nullptr) {
      out.push_back({EPSILON, intern_virtual_state(v, arc.destination, s.second, 0)});
      continue;
    }
    auto [from, to] = run_of(arcs2, arc.label);
    if (from == to) out.push_back({arc.label, intern_virtual_state(v, arc.destination, nullptr, 0)});
    for (const OperandArc *match = from; match != to; ++match)
      out.push_back({arc.label, intern_virtual_state(v, arc.destination, match->destination, 0)});
  }
}

bool minus_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return first_final(v, s.first) && !second_final(v, s.second);
}

// The labels of both states in ascending order; per label, every destination of one side with
// every destination of the other, or each with the other side absent when it lacks the label.
// A path of either operand is followed by the first side of the pairs it makes, so a pair path
// accepts exactly when one of its sides does.
void union_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs1, arcs2;
  live_arcs(v.first, s.first, arcs1);
  live_arcs(v.second, s.second, arcs2);
  by_label(arcs1);
  by_label(arcs2);
  size_t i = 0, j = 0;
  while (i < arcs1.size() || j < arcs2.size()) {
    const uint32_t label = std::min(i < arcs1.size() ? arcs1[i].label : ID_NO_SYMBOL,
                                    j < arcs2.size() ? arcs2[j].label : ID_NO_SYMBOL);
    size_t i_end = i, j_end = j;
    while (i_end < arcs1.size() && arcs1[i_end].label == label) ++i_end;
    while (j_end < arcs2.size() && arcs2[j_end].label == label) ++j_end;
    if (j == j_end)
      for (size_t k = i; k < i_end; ++k)
        out.push_back({label, intern_virtual_state(v, arcs1[k].destination, nullptr, 0)});
    else if (i == i_end)
      for (size_t k = j; k < j_end; ++k)
        out.push_back({label, intern_virtual_state(v, nullptr, arcs2[k].destination, 0)});
    else
      for (size_t k = i; k < i_end; ++k)
        for (size_t m = j; m < j_end; ++m)
          out.push_back(
              {label, intern_virtual_state(v, arcs1[k].destination, arcs2[m].destination, 0)});
    i = i_end;
    j = j_end;
  }
}

bool union_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return first_final(v, s.first) || second_final(v, s.second);
}

// --- negate, tags, non_tags -----------------------------------------------------------------------

uint32_t sink_of(VIRTUAL_NET &v) {
  if (v.sink == UINT32_MAX) v.sink = intern_virtual_state(v, nullptr, nullptr, 3);
  return v.sink;
}

// The operand is deterministic (new_virtual_net sees to it): each sigma label has one arc at
// most, and the labels without one lead to the sink, which loops on every label.
void negate_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs;
  live_arcs(v.first, s.first, arcs);
  by_label(arcs);
  for (uint32_t label : v.sigma) {
    if (label == EPSILON) continue;
    auto [from, to] = run_of(arcs, label);
    out.push_back({label, from != to && s.mark != 3
                              ? intern_virtual_state(v, from->destination, nullptr, 0)
                              : sink_of(v)});
  }
}

bool negate_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return s.mark == 3 || !first_final(v, s.first);
}

void tag_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out, bool tags) {
  if (s.mark == 3) return;
  out.push_back({OTHER, sink_of(v)});
  for (uint32_t label : v.sigma)
    if (label != EPSILON && label != OTHER && (is_multichar_symbol(label) != 0) == tags)
      out.push_back({label, sink_of(v)});
}
void tags_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  tag_arcs(v, s, out, true);
}
void non_tags_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  tag_arcs(v, s, out, false);
}
bool sink_final(VIRTUAL_NET &, const VIRTUAL_STATE &s) { return s.mark == 3; }

// --- determinize -----------------------------------------------------------------------------------

// The members of a set with every state reached from them by EPSILON arcs of the operand, each
// once: the states whose arcs and finality the set has.
std::vector<STATE *> epsilon_closure(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  std::vector<STATE *> closure;
  FlatHash<STATE *> seen("DETERMINIZE_VIRTUAL");
  auto add = [&](STATE *state) {
    bool added = false;
    STATE **slot = seen.insert(hash_mix(reinterpret_cast<uintptr_t>(state)),
                               [&](STATE *known) { return known == state; }, &added);
    if (!added) return;
    *slot = state;
    closure.push_back(state);
  };
  for (uint32_t k = 0; k < s.list_size; ++k) add(v.members[s.list_first + k]);
  for (size_t next = 0; next < closure.size(); ++next)
    for (ARC *arc = state_arcs(v.first, closure[next]); arc != nullptr; arc = arc->next)
      if (arc->label == EPSILON && !dead(v.first, arc->destination)) add(arc->destination);
  return closure;
}

// The arcs of the set's closure gathered per label: one arc per label, in label order, to the
// set of their destinations.
void determinize_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> moves;
  for (STATE *state : epsilon_closure(v, s))
    for (ARC *arc = state_arcs(v.first, state); arc != nullptr; arc = arc->next)
      if (arc->label != EPSILON && !dead(v.first, arc->destination))
        moves.push_back({arc->label, arc->destination});
  std::sort(moves.begin(), moves.end(), [](const OperandArc &x, const OperandArc &y) {
    return x.label != y.label ? x.label < y.label : x.destination < y.destination;
  });
  std::vector<STATE *> members;
  for (size_t i = 0; i < moves.size();) {
    members.clear();
    size_t end = i;
    for (; end < moves.size() && moves[end].label == moves[i].label; ++end)
      if (members.empty() || members.back() != moves[end].destination)
        members.push_back(moves[end].destination);
    out.push_back({moves[i].label, intern_virtual_state(v, nullptr, nullptr, 0, &members)});
    i = end;
  }
}

// Final when a state of the closure is (for an epsilon-free operand, a member).
bool determinize_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  const std::vector<STATE *> closure = epsilon_closure(v, s);
  return std::any_of(closure.begin(), closure.end(),
                     [&](STATE *state) { return state_final(v.first, state); });
}

// --- compose ---------------------------------------------------------------------------------------

// The labels of a match of the first arc's lower side with the second arc's upper side, both
// `touching`. OTHER on the outer sides of both stands for any unknown symbol on each: the
// identity when both arcs are the OTHER identity, the pair of different unknowns when exactly
// one of them is the OTHER:OTHER pair, and both otherwise.
void matched_labels(uint32_t label1, uint32_t label2, std::vector<uint32_t> &labels) {
  labels.clear();
  const uint32_t upper = upper_id(label1), lower = lower_id(label2);
  if (upper != OTHER || lower != OTHER) {
    labels.push_back(pair_label(upper, lower));
    return;
  }
  // An OTHER identity touches only OTHER or the OTHER:OTHER pair.
  const int identities = (label1 == OTHER) + (label2 == OTHER);
  if (identities == 2) {
    labels.push_back(OTHER);
  } else if (identities == 1) {
    labels.push_back(pair_label(OTHER, OTHER));
  } else {
    labels.push_back(OTHER);
    labels.push_back(pair_label(OTHER, OTHER));
  }
}

// The arcs of a composition state (s1, s2, mark): every arc of s1 whose lower side matches the
// upper side of an arc of s2 gives an arc to (d1, d2, 0), and EPSILON on a touching side lets
// one operand move alone, under the epsilon-sequencing filter: in a state of mark 0 the first
// operand may move alone on an EPSILON lower side (staying at mark 0) and the second alone on
// an EPSILON upper side (to mark 1); at mark 1 only the second moves alone. The second operand
// may move alone in every state, whatever the arcs of s1 and whether it is final: allowing it
// only where s1 has an arc of a non-EPSILON lower side, or where s1 is final without arcs,
// would lose the paths on which the second operand inserts symbols while the first waits at
// a state whose arcs all have EPSILON below, or at a final state that has arcs. The marks keep
// each pair of paths to one path of the composition. An arc made twice for the state (same
// label and destination) is made once. Cost: O(A log A) for the A arcs of s1 and s2 combined,
// plus the arcs made.
void compose_arcs(VIRTUAL_NET &v, const VIRTUAL_STATE &s, std::vector<VirtualArc> &out) {
  std::vector<OperandArc> arcs1, arcs2;
  live_arcs(v.first, s.first, arcs1);
  live_arcs(v.second, s.second, arcs2);
  std::vector<std::pair<uint32_t, size_t>> by_upper;  // (upper side, arc)
  for (size_t k = 0; k < arcs2.size(); ++k) by_upper.emplace_back(upper_id(arcs2[k].label), k);
  std::sort(by_upper.begin(), by_upper.end());
  std::vector<uint32_t> labels;
  for (const OperandArc &arc : arcs1) {
    const uint32_t touching = lower_id(arc.label);
    if (touching == EPSILON) {
      if (s.mark == 0)
        out.push_back({pair_label(upper_id(arc.label), EPSILON),
                       intern_virtual_state(v, arc.destination, s.second, 0)});
      continue;
    }
    auto k = std::lower_bound(by_upper.begin(), by_upper.end(), std::make_pair(touching, size_t{0}));
    for (; k != by_upper.end() && k->first == touching; ++k) {
      const OperandArc &match = arcs2[k->second];
      matched_labels(arc.label, match.label, labels);
      const uint32_t to = intern_virtual_state(v, arc.destination, match.destination, 0);
      for (uint32_t label : labels) out.push_back({label, to});
    }
  }
  for (const OperandArc &arc : arcs2)
    if (upper_id(arc.label) == EPSILON)
      out.push_back({pair_label(EPSILON, lower_id(arc.label)),
                     intern_virtual_state(v, s.first, arc.destination, 1)});
  if (out.size() < 2) return;
  std::vector<std::pair<VirtualArc, size_t>> sorted;
  for (size_t k = 0; k < out.size(); ++k) sorted.emplace_back(out[k], k);
  std::sort(sorted.begin(), sorted.end(), [](const auto &x, const auto &y) {
    if (x.first.label != y.first.label) return x.first.label < y.first.label;
    if (x.first.destination != y.first.destination)
      return x.first.destination < y.first.destination;
    return x.second < y.second;
  });
  std::vector<bool> repeated(out.size(), false);
  for (size_t k = 1; k < sorted.size(); ++k)
    repeated[sorted[k].second] = sorted[k].first.label == sorted[k - 1].first.label &&
                                 sorted[k].first.destination == sorted[k - 1].first.destination;
  size_t kept = 0;
  for (size_t k = 0; k < out.size(); ++k)
    if (!repeated[k]) out[kept++] = out[k];
  out.resize(kept);
}

bool compose_final(VIRTUAL_NET &v, const VIRTUAL_STATE &s) {
  return first_final(v, s.first) && second_final(v, s.second);
}

// --- The method tables -----------------------------------------------------------------------------

constexpr VIRTUAL_METHODS kMethods[kVirtualOperationCount] = {
    {"concat", 0, kStatePair, concat_final, concat_arcs},
    {"intersect", 1, kStatePair, intersect_final, intersect_arcs},
    {"option", 2, kDataState, option_final, copy_arcs},
    {"minus", 3, kStatePair, minus_final, minus_arcs},
    {"negate", 4, kDataState, negate_final, negate_arcs},
    {"union", 5, kStatePair, union_final, union_arcs},
    {nullptr, 6, kDataState, nullptr, nullptr},
    {"zero_plus", 7, kDataState, option_final, zero_plus_arcs},
    {"determinize", 8, kStateList, determinize_final, determinize_arcs},
    {nullptr, 9, kDataState, nullptr, nullptr},
    {"copy", 10, kDataState, copy_final, copy_arcs},
    {nullptr, 11, kDataState, nullptr, nullptr},  // invert
    {"lower_net", 12, kDataState, copy_final, copy_arcs},
    {"upper_net", 13, kDataState, copy_final, copy_arcs},
    {nullptr, 14, kStatePair, nullptr, nullptr},  // priority_union
    {"tags", 15, kDataState, sink_final, tags_arcs},
    {"non_tags", 16, kDataState, sink_final, non_tags_arcs},
    {"compose", 17, kStatePair, compose_final, compose_arcs},
    {nullptr, 18, kStatePair, nullptr, nullptr},  // crossproduct
};

bool has_two_operands(int id) { return kMethods[id].data == kStatePair && id != kVirtualTags; }

// --- Interning and expansion -----------------------------------------------------------------------

uint64_t data_hash(STATE *first, STATE *second, uint8_t mark) {
  uint64_t hash = hash_word(mark, reinterpret_cast<uintptr_t>(first));
  return hash_word(hash, reinterpret_cast<uintptr_t>(second));
}

uint64_t list_hash(const std::vector<STATE *> &members) {
  uint64_t hash = hash_word(0x5151, members.size());
  for (STATE *member : members) hash = hash_word(hash, reinterpret_cast<uintptr_t>(member));
  return hash;
}

void expand(VIRTUAL_NET &v, uint32_t number) {
  const VIRTUAL_STATE data = v.states[number];
  std::vector<VirtualArc> arcs;
  v.methods->arcs(v, data, arcs);
  const bool final = v.methods->final(v, data);
  STATE *state = data.state;
  ARC **tail = &state->arcs;
  for (const VirtualArc &arc : arcs) {
    ARC *made = alloc_arc(arc.label, v.states[arc.destination].state, v.net);
    *tail = made;
    tail = &made->next;
  }
  state->flags.final = final;
  state->flags.deterministic = arcs.size() < 2;
  v.states[number].expanded = true;
  v.expanded++;
  if (!final && arcs.empty()) v.dead++;
  if (number == v.start) v.net->flags.start_final = final;
}

// The sigma of a virtual network is the union of its operands' sigmas, its label alphabet the
// union of their label alphabets (with the sides of pairs for lower_net and upper_net): the
// labels its arcs can carry but those composition pairs anew. Its arity and flag marks follow.
void set_alphabets(NET *net, NET *first, NET *second, int id) {
  free_alph(net->sigma);
  free_alph(net->labels);
  net->sigma = copy_alph(net_sigma(first));
  if (net->sigma == nullptr) net->sigma = make_alph(0, KORA_BINARY_ALPH);
  label_to_binary(net->sigma);
  net->labels = make_alph(0, KORA_BINARY_ALPH);
  net->arity = 1;
  for (NET *operand : {first, second}) {
    if (operand == nullptr) continue;
    if (operand != first) net->sigma = union_alph(net->sigma, net_sigma(operand), 0, 1);
    ALPH_ITERATOR items;
    start_alph_iterator(&items, net_labels(operand));
    for (uint32_t label = next_alph_item(&items); label != ID_NO_SYMBOL;
         label = next_alph_item(&items)) {
      const uint32_t kept = side_of(id, label);
      net->labels = alph_add_to(net->labels, kept, 0);
      if (label_arity(kept) == 2) net->arity = 2;
    }
    net->flags2.upper_has_flags |= operand->flags2.upper_has_flags;
    net->flags2.lower_has_flags |= operand->flags2.lower_has_flags;
  }
  if (id == kVirtualNegate || id == kVirtualTags || id == kVirtualNonTags) net->arity = 1;
  binary_to_label(net->labels);
}

// --- Hooks -------------------------------------------------------------------------------------------

void free_virtual_info(NET *net) {
  VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return;
  net->virtual_info = nullptr;
  free_network(v->first);
  free_network(v->second);
  delete v;
}

// Prints the states expanded so far, a line each: its number (with "f" when final), its arcs;
// then the listing of each operand, which together with the operation is the whole network.
void print_virtual_states(NET *net, FILE *stream) {
  VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return;
  char text[96];
  std::snprintf(text, sizeof text, "Virtual %s: %llu of %zu states expanded.",
                v->methods->name, static_cast<unsigned long long>(v->expanded),
                v->states.size());
  line_put(text);
  line_end(stream);
  for (uint32_t k = 0; k < v->states.size(); ++k) {
    const VIRTUAL_STATE &s = v->states[k];
    if (!s.expanded) continue;
    std::string line = (s.state->flags.final ? "fs" : "s") + std::to_string(k) + ":";
    if (s.state->arcs == nullptr) line.append(" (no arcs)");
    for (ARC *arc = s.state->arcs; arc != nullptr; arc = arc->next) {
      line.append(arc == s.state->arcs ? " " : ", ");
      append_label(line, arc->label, 1);
      line.append(" -> ");
      const uint32_t to = virtual_state_number(arc->destination);
      line.append(v->states[to].expanded && arc->destination->flags.final ? "fs" : "s");
      line.append(std::to_string(to));
    }
    line.append(".");
    line_put(line.c_str());
    line_end(stream);
  }
  // Operands are named by their path from the outermost network: "Operand 1.2:" is the
  // second operand of the first.
  static std::string path;
  const size_t outer = path.size();
  for (NET *operand : {v->first, v->second}) {
    if (operand == nullptr) continue;
    path.append(outer > 0 ? "." : "").append(operand == v->first ? "1" : "2");
    line_put(std::string("Operand ").append(path).append(":").c_str());
    line_end(stream);
    print_net(operand, stream);
    path.resize(outer);
  }
}

}  // namespace

int virtual_operand_count(int id) { return has_two_operands(id) ? 2 : 1; }

const VIRTUAL_METHODS &get_virtual_methods(int id) {
  if (id < 0 || id >= kVirtualOperationCount)
    programming_error("get_virtual_methods", "Unimplemented virtual operation, ID is: %d", id);
  return kMethods[id];
}

uint32_t intern_virtual_state(VIRTUAL_NET &v, STATE *first, STATE *second, uint8_t mark,
                              std::vector<STATE *> *members) {
  bool added = false;
  VIRTUAL_NET::Interned *entry;
  if (members != nullptr) {
    std::sort(members->begin(), members->end());
    entry = v.interned.insert(
        list_hash(*members),
        [&](const VIRTUAL_NET::Interned &known) {
          const VIRTUAL_STATE &s = v.states[known.number];
          return s.list_size == members->size() &&
                 std::equal(members->begin(), members->end(), v.members.begin() + s.list_first);
        },
        &added);
  } else {
    entry = v.interned.insert(
        data_hash(first, second, mark),
        [&](const VIRTUAL_NET::Interned &known) {
          const VIRTUAL_STATE &s = v.states[known.number];
          return s.first == first && s.second == second && s.mark == mark;
        },
        &added);
  }
  if (!added) return entry->number;
  const auto number = static_cast<uint32_t>(v.states.size());
  entry->number = number;
  STATE *state = make_state(nullptr, v.net);
  state->flags.deterministic = 0;
  state->client_cell = reinterpret_cast<void *>(uintptr_t{number} + 1);
  VIRTUAL_STATE data{state, first, second, 0, 0, mark, false};
  if (members != nullptr) {
    data.list_first = static_cast<uint32_t>(v.members.size());
    data.list_size = static_cast<uint32_t>(members->size());
    v.members.insert(v.members.end(), members->begin(), members->end());
  }
  v.states.push_back(data);
  return number;
}

ARC *state_arcs(NET *net, STATE *state) {
  if (VIRTUAL_NET *v = virtual_of(net)) {
    const uint32_t number = virtual_state_number(state);
    if (!v->states[number].expanded) expand(*v, number);
  }
  return state->arcs;
}

bool state_final(NET *net, STATE *state) {
  state_arcs(net, state);
  return state->flags.final != 0;
}

NET *make_virtual_net(NET *net, NET *first, NET *second, int id) {
  const VIRTUAL_METHODS &methods = get_virtual_methods(id);
  if (methods.name == nullptr)
    programming_error("get_virtual_methods", "Unimplemented virtual operation, ID is: %d", id);
  auto *v = new VIRTUAL_NET();
  v->methods = &methods;
  v->serial = virtual_serial_counter++;
  v->net = net;
  v->first = first;
  v->second = second;
  net->virtual_info = v;
  net->flags2.is_virtual = 1;
  set_alphabets(net, first, second, id);
  if (id == kVirtualNegate && !net->flags.closed_sigma) {
    net->sigma = alph_add_to(net->sigma, OTHER, 0);
    first->sigma = alph_add_to(first->sigma, OTHER, 0);
  }
  if (id == kVirtualNegate || id == kVirtualTags || id == kVirtualNonTags) {
    ALPH_ITERATOR items;
    start_alph_iterator(&items, net->sigma);
    for (uint32_t label = next_alph_item(&items); label != ID_NO_SYMBOL;
         label = next_alph_item(&items))
      v->sigma.push_back(label);
    std::sort(v->sigma.begin(), v->sigma.end());
  }
  STATE *start1 = first->start;
  STATE *start2 = second != nullptr ? second->start : nullptr;
  if (methods.data == kStateList) {
    std::vector<STATE *> members{start1};
    v->start = intern_virtual_state(*v, nullptr, nullptr, 0, &members);
  } else if (id == kVirtualOption || id == kVirtualZeroPlus) {
    v->start = intern_virtual_state(*v, start1, nullptr, 1);
  } else {
    v->start = intern_virtual_state(*v, start1, has_two_operands(id) ? start2 : nullptr, 0);
  }
  net->start = v->states[v->start].state;
  return net;
}

uint64_t expand_virtual_net(NET *net) {
  VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return 0;
  const uint64_t before = v->expanded;
  // States are numbered as they are interned, so walking the numbers upwards expands every
  // state reachable from the start, the ones each expansion makes included.
  for (uint32_t number = v->start; number < v->states.size(); ++number)
    if (!v->states[number].expanded) expand(*v, number);
  return v->expanded - before;
}

NET *copy_virtual_net(NET *net) {
  VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return nullptr;
  NET *first = v->first->flags2.is_virtual ? copy_virtual_net(v->first) : copy_fsm(v->first);
  NET *second = nullptr;
  if (v->second != nullptr)
    second = v->second->flags2.is_virtual ? copy_virtual_net(v->second) : copy_fsm(v->second);
  NET *copy = make_network();
  copy->label_map = net->label_map;
  copy->flags = net->flags;
  copy->flags.start_final = 0;
  copy->flags2 = net->flags2;
  copy->flags2.is_virtual = 0;
  copy->arity = net->arity;
  copy->sigma = copy_alph(net->sigma);
  copy->labels = copy_alph(net->labels);
  return make_virtual_net(copy, first, second, v->methods->id);
}

uint64_t virtual_net_extra_size(const NET *net) {
  const VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return 0;
  uint64_t size = sizeof(VIRTUAL_NET) + v->states.capacity() * sizeof(VIRTUAL_STATE) +
                  v->members.capacity() * sizeof(STATE *) + v->interned.capacity() * 8 +
                  v->sigma.capacity() * 4;
  for (const NET *operand : {v->first, v->second})
    if (operand != nullptr) size += static_cast<uint64_t>(net_size(operand));
  return size;
}

std::string virtual_net_description(const NET *net) {
  const VIRTUAL_NET *v = virtual_of(net);
  if (v == nullptr) return "";
  std::string text = v->methods->name;
  text.append("(");
  for (const NET *operand : {v->first, v->second}) {
    if (operand == nullptr) continue;
    if (operand != v->first) text.append(", ");
    if (operand->flags2.is_virtual) {
      text.append(virtual_net_description(operand));
      continue;
    }
    const uint32_t states = operand->num_states, arcs = operand->num_arcs;
    text.append("[").append(std::to_string(states)).append(states == 1 ? " state, " : " states, ");
    text.append(std::to_string(arcs)).append(arcs == 1 ? " arc]" : " arcs]");
  }
  return text.append(")");
}

namespace {

// Whether the operand can be read state by state: plain arc lists or virtual. Reported when not.
bool readable_operand(NET *net) {
  return net->flags2.is_virtual || check_plain_net(net) == 0;
}

// The operand made deterministic and epsilon-free: a plain one in place, a virtual one wrapped
// in a virtual determinization.
NET *deterministic_operand(NET *net) {
  if (!net->flags2.is_virtual) return determinize_fsm(net, 0);
  if (virtual_of(net)->methods->id == kVirtualDeterminize) return net;
  return new_virtual_net(kVirtualDeterminize, net, nullptr);
}

}  // namespace

NET *new_virtual_net(int id, NET *first, NET *second) {
  auto refuse = [&]() -> NET * {
    free_network(first);
    if (second != first) free_network(second);
    return nullptr;
  };
  if (id < 0 || id >= kVirtualOperationCount || kMethods[id].name == nullptr) {
    error_printf("Unimplemented virtual operation, ID is: %d", id);
    return refuse();
  }
  if (first == nullptr || (second == nullptr) == has_two_operands(id)) {
    error_printf("The virtual operation '%s' takes %d network%s.", kMethods[id].name,
                 has_two_operands(id) ? 2 : 1, has_two_operands(id) ? "s" : "");
    return refuse();
  }
  if (second == first) second = first->flags2.is_virtual ? copy_virtual_net(first) : copy_fsm(first);
  if (!readable_operand(first) || (second != nullptr && !readable_operand(second)))
    return refuse();
  if (second != nullptr && first->label_map != second->label_map) {
    error("Networks do not have a common label map.");
    return refuse();
  }
  if (id == kVirtualNegate && first->arity == 2) {
    error("Negation is not defined for transducers.");
    return refuse();
  }
  if (second != nullptr && !first->flags2.is_virtual && !second->flags2.is_virtual)
    harmonize_sigmas(first, second);
  if (id == kVirtualMinus) second = deterministic_operand(second);
  if (id == kVirtualNegate) first = deterministic_operand(first);
  NET *net = make_network();
  net->label_map = first->label_map;
  net->flags.closed_sigma = first->flags.closed_sigma;
  const bool epsilon_free =
      first->flags.epsilon_free && (second == nullptr || second->flags.epsilon_free);
  net->flags.epsilon_free = epsilon_free && (id == kVirtualConcat || id == kVirtualZeroPlus);
  return make_virtual_net(net, first, second, id);
}

void install_virtual_net_hooks() {
  add_network_freed_hook(free_virtual_info);
  virtual_net_hooks.copy = copy_virtual_net;
  virtual_net_hooks.list_states = print_virtual_states;
  virtual_net_hooks.extra_size = virtual_net_extra_size;
}

}  // namespace kora

using namespace kora;

namespace {

NET *taken(NET *net, int keep) { return net != nullptr && keep != 0 ? copy_fsm(net) : net; }

}  // namespace

extern "C" {

KORA_API NET *virtual_net(int operation, NET *net1, NET *net2, int keep1, int keep2) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    return new_virtual_net(operation, taken(net1, keep1), taken(net2, keep2));
  });
}

KORA_API NET *lazy_compose_net(NV *nets, int keep) {
  return guarded(__func__, nullptr, [&]() -> NET * {
    if (nets == nullptr || nets->len <= 0) {
      error("lazy_compose_net: No networks to compose.");
      return nullptr;
    }
    for (int k = 0; k < nets->len; ++k)
      if (nets->nets[k] == nullptr) {
        error("Unexpected NULL argument in lazy_compose_net().");
        return nullptr;
      }
    std::vector<NET *> operands;
    for (int k = 0; k < nets->len; ++k) operands.push_back(taken(nets->nets[k], keep));
    auto refuse = [&](size_t from) -> NET * {
      for (size_t k = from; k < operands.size(); ++k) free_network(operands[k]);
      return nullptr;
    };
    for (NET *operand : operands)
      if (operand == nullptr || !readable_operand(operand)) return refuse(0);
    ALPH *symbols = make_alph(0, KORA_BINARY_ALPH);
    for (NET *operand : operands) symbols = union_alph(symbols, net_sigma(operand), 0, 1);
    for (NET *operand : operands)
      if (!operand->flags2.is_virtual) expand_other(operand, symbols);
    free_alph(symbols);
    if (operands.size() == 1) return new_virtual_net(kVirtualCopy, operands[0], nullptr);
    NET *result = operands[0];
    for (size_t k = 1; k < operands.size(); ++k) {
      result = new_virtual_net(kVirtualCompose, result, operands[k]);
      if (result == nullptr) return refuse(k + 1);
    }
    return result;
  });
}

}  // extern "C"
