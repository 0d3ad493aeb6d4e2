// Helpers of the epsilon-removal, determinization and minimization tests.
//
// Those operations treat labels as atoms (a tuple is one label, OTHER is one label) and keep
// arcs with different user pointers apart, so the exact reference is the set of label
// sequences a network accepts, each label optionally paired with its arc's user pointer. It is
// computed breadth first over (state, sequence) configurations, which stays small on networks
// with EPSILON cycles where path enumeration explodes.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kora.h"
#include "label.h"
#include "struct.h"

namespace label_sequences {

struct Atom {
  uint32_t label;
  const void *pointer;
  auto operator<=>(const Atom &) const = default;
};
using Sequence = std::vector<Atom>;

// The sequences of at most max_length labels spelled by paths from the start state to a final
// state; EPSILON arcs spell nothing. While searching, a sequence is a string of atom numbers.
inline std::set<Sequence> accepted(const NET *net, size_t max_length, bool pointers) {
  std::vector<Atom> atoms;
  std::map<Atom, char> number;
  std::set<std::string> spelled;
  std::set<std::pair<const STATE *, std::string>> seen{{net->start, ""}};
  std::vector<std::pair<const STATE *, std::string>> work{{net->start, ""}};
  while (!work.empty()) {
    auto [state, sequence] = work.back();
    work.pop_back();
    if (state->flags.final) spelled.insert(sequence);
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      std::string next = sequence;
      if (arc->label != kora::EPSILON) {
        if (next.size() == max_length) continue;
        Atom atom{arc->label, pointers ? kora::arc_user_pointer(arc) : nullptr};
        auto [entry, added] = number.try_emplace(atom, static_cast<char>(atoms.size()));
        if (added) atoms.push_back(atom);
        next.push_back(entry->second);
      }
      if (seen.insert({arc->destination, next}).second) work.push_back({arc->destination, next});
    }
  }
  std::set<Sequence> result;
  for (const std::string &sequence : spelled) {
    Sequence decoded;
    for (char c : sequence) decoded.push_back(atoms[static_cast<unsigned char>(c)]);
    result.insert(decoded);
  }
  return result;
}

// Pointers that arcs carry in these tests.
inline const void *const kPointers[] = {&kPointers[0], &kPointers[1]};

// A hand-built network of `count` states, states[0] the start; each arc is
// (from, label, to, user pointer). The marks null_net leaves (minimized, pruned, loop_free) are
// cleared, since the arcs may make them wrong. Duplicate arcs are skipped quietly. The states
// come back through `out`.
struct Arc {
  int from;
  uint32_t label;
  int to;
  const void *pointer = nullptr;
};
inline NET *network(int count, std::set<int> finals, std::vector<Arc> arcs,
                    std::vector<STATE *> *out = nullptr) {
  NET *net = null_net();
  std::vector<STATE *> states{net->start};
  for (int i = 1; i < count; i++) states.push_back(add_state_to_net(net, finals.count(i) != 0));
  net->start->flags.final = finals.count(0) != 0;
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;
  for (const Arc &a : arcs)
    add_arc_to_state(net, states[a.from], a.label, states[a.to], const_cast<void *>(a.pointer),
                     a.pointer != nullptr);
  int_parameters()->word[KORA_VERBOSE] = verbose;
  net->flags.minimized = net->flags.pruned = net->flags.loop_free = 0;
  if (out != nullptr) *out = states;
  return net;
}

// Adds up to `count` big arcs with a non-null user pointer, labelled like arcs the network
// already has, between random states; duplicates are skipped quietly.
inline void add_pointer_arcs(NET *net, std::mt19937 &random, int count) {
  std::vector<STATE *> states;
  std::vector<uint32_t> labels{'a'};
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    states.push_back(s);
    for (ARC *a = s->arcs; a != nullptr; a = a->next) labels.push_back(a->label);
  }
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;
  for (int i = 0; i < count; i++) {
    STATE *from = states[random() % states.size()], *to = states[random() % states.size()];
    add_arc_to_state(net, from, labels[random() % labels.size()], to,
                     const_cast<void *>(kPointers[random() % 2]), 1);
  }
  int_parameters()->word[KORA_VERBOSE] = verbose;
}

// An empty string when `net` is a clean epsilon-free result: no EPSILON arc, visit marks and
// client cells clear, counts right, no arc to a state off the list. Otherwise what is wrong.
// With `deterministic`, also: the network and every state marked deterministic, and no two
// arcs of one state with one label and user pointer (*AND_CHECK* arcs excepted).
inline std::string fault(const NET *net, bool deterministic = false) {
  std::ostringstream fault;
  if (!net->flags.epsilon_free) fault << "net not marked epsilon_free; ";
  if (net->flags.visit_marks_dirty) fault << "visit_marks_dirty; ";
  if (deterministic && !net->flags.deterministic) fault << "net not marked deterministic; ";
  uint32_t states = 0, arcs = 0;
  std::set<const STATE *> listed, targets;
  for (const STATE *s = net->states; s != nullptr; s = s->next, states++) {
    listed.insert(s);
    if (s->flags.visit_mark != 0 || s->client_cell != nullptr) fault << "scratch left; ";
    if (deterministic && !s->flags.deterministic) fault << "state without deterministic mark; ";
    std::set<Atom> out;
    for (const ARC *a = s->arcs; a != nullptr; a = a->next, arcs++) {
      targets.insert(a->destination);
      if (a->label == kora::EPSILON) fault << "EPSILON arc; ";
      if (deterministic && a->label != kora::AND_CHECK &&
          !out.insert({a->label, kora::arc_user_pointer(a)}).second)
        fault << "two arcs with label " << a->label << "; ";
    }
  }
  if (states != net->num_states || arcs != net->num_arcs) fault << "wrong counts; ";
  for (const STATE *t : targets)
    if (listed.count(t) == 0) fault << "arc to a state off the list; ";
  return fault.str();
}

// The number of states on the list that cannot be reached from the start state.
inline size_t unreachable_states(const NET *net) {
  std::set<const STATE *> reached{net->start};
  std::vector<const STATE *> work{net->start};
  while (!work.empty()) {
    const STATE *s = work.back();
    work.pop_back();
    for (const ARC *a = s->arcs; a != nullptr; a = a->next)
      if (reached.insert(a->destination).second) work.push_back(a->destination);
  }
  size_t count = 0;
  for (const STATE *s = net->states; s != nullptr; s = s->next) count += reached.count(s) == 0;
  return count;
}

// Every arc as (source position, label, user pointer, destination position) along the state
// list, with the finality of each state: equal before and after means untouched.
inline std::vector<std::vector<uintptr_t>> fingerprint(const NET *net) {
  std::map<const STATE *, uintptr_t> position;
  for (const STATE *s = net->states; s != nullptr; s = s->next) position.emplace(s, position.size());
  std::vector<std::vector<uintptr_t>> print;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    print.push_back({position[s], s->flags.final, s == net->start});
    for (const ARC *a = s->arcs; a != nullptr; a = a->next)
      print.push_back({position[s], a->label, reinterpret_cast<uintptr_t>(kora::arc_user_pointer(a)),
                       position.count(a->destination) ? position[a->destination] : ~uintptr_t{0}});
  }
  return print;
}

}  // namespace label_sequences
