// Helpers of the epsilon-removal, determinization and minimization tests.
//
// Those operations treat labels as atoms (a tuple is one label, OTHER is one label) and keep
// arcs with different user pointers apart, so the exact reference is the set of label
// sequences a network accepts, each label optionally paired with its arc's user pointer. It is
// computed breadth first over (state, sequence) configurations, which stays small on networks
// with EPSILON cycles where path enumeration explodes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "kora.h"
#include "label.h"
#include "struct.h"
#include "structure.h"

namespace label_sequences {

using Atom = std::pair<uint32_t, const void *>;  // label, user pointer
using Sequence = std::vector<Atom>;

// The sequences of at most max_length labels spelled by paths from the start state to a final
// state; EPSILON arcs spell nothing.
inline std::set<Sequence> accepted(const NET *net, size_t max_length, bool pointers) {
  std::set<Sequence> spelled;
  std::set<std::pair<const STATE *, Sequence>> seen{{net->start, {}}};
  std::vector<std::pair<const STATE *, Sequence>> work{{net->start, {}}};
  while (!work.empty()) {
    auto [state, sequence] = work.back();
    work.pop_back();
    if (state->flags.final) spelled.insert(sequence);
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      Sequence next = sequence;
      if (arc->label != kora::EPSILON) {
        if (next.size() == max_length) continue;
        next.push_back({arc->label, pointers ? kora::arc_user_pointer(arc) : nullptr});
      }
      if (seen.insert({arc->destination, next}).second) work.push_back({arc->destination, next});
    }
  }
  return spelled;
}

// An empty string when `net` is a clean epsilon-free result: no EPSILON arc, scratch fields
// clear, counts right, no arc to a state off the list, no arc repeated. Otherwise what is wrong. With
// `deterministic`, also marked so and no two arcs of one state with one label and user pointer
// (*AND_CHECK* arcs excepted).
inline std::string fault(const NET *net, bool deterministic = false) {
  std::set<std::string> faults;
  if (!net->flags.epsilon_free || (deterministic && !net->flags.deterministic)) faults.insert("marks");
  std::unordered_set<const STATE *> states;
  for (const STATE *s = net->states; s != nullptr; s = s->next) states.insert(s);
  size_t arcs = 0;
  std::vector<Atom> out;
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    if (s->flags.visit_mark != 0 || s->client_cell != nullptr) faults.insert("scratch left");
    out.clear();
    for (const ARC *a = s->arcs; a != nullptr; a = a->next, arcs++) {
      if (a->label == kora::EPSILON) faults.insert("EPSILON arc");
      if (states.count(a->destination) == 0) faults.insert("arc to a state off the list");
      if (a->label != kora::AND_CHECK) out.push_back({a->label, kora::arc_user_pointer(a)});
    }
    std::sort(out.begin(), out.end());
    if (deterministic && std::adjacent_find(out.begin(), out.end()) != out.end())
      faults.insert("two arcs with one label");
  }
  if (states.size() != net->num_states || arcs != net->num_arcs) faults.insert("wrong counts");
  if (kora_test::duplicate_arcs(net) != 0) faults.insert("duplicate arcs");
  std::string text;
  for (const std::string &f : faults) text.append(f).append("; ");
  return text;
}

// The number of states on the list that cannot be reached from the start state.
inline size_t unreachable_states(const NET *net) {
  return kora_test::states_of(net).size() -
         kora_test::reachable({net->start}, kora_test::arcs_of(net)).size();
}

// Every state (finality, start) and arc (label, user pointer, destination) by position along
// the state list: equal before and after means untouched.
inline std::vector<std::vector<uintptr_t>> fingerprint(const NET *net) {
  std::map<const STATE *, uintptr_t> position;
  std::vector<std::vector<uintptr_t>> print;
  for (const STATE *s = net->states; s != nullptr; s = s->next) position.emplace(s, position.size());
  for (const STATE *s = net->states; s != nullptr; s = s->next) {
    print.push_back({s->flags.final, s == net->start});
    for (const ARC *a = s->arcs; a != nullptr; a = a->next)
      print.back().insert(print.back().end(),
                          {a->label, reinterpret_cast<uintptr_t>(kora::arc_user_pointer(a)),
                           position.count(a->destination) ? position[a->destination] : ~uintptr_t{0}});
  }
  return print;
}

}  // namespace label_sequences
