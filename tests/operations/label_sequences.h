// Helpers of the epsilon-removal, determinization and minimization tests, which compare label
// sequences (kora_test::atom_sequences: those operations treat labels as atoms and keep arcs
// with different user pointers apart): whether a result is clean, and a fingerprint of a
// network that shows whether it was touched.
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
#include "language.h"
#include "label.h"
#include "struct.h"
#include "structure.h"

namespace label_sequences {

using kora_test::Atom;

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
