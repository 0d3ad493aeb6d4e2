// Helpers of the epsilon-removal, determinization and minimization tests.
//
// Those operations treat labels as atoms (a tuple is one label, OTHER is one label) and keep
// arcs with different user pointers apart, so the exact reference is the set of label
// sequences a network accepts, each label optionally paired with its arc's user pointer. It is
// computed breadth first over (state, sequence) configurations, which stays small on networks
// with EPSILON cycles where path enumeration explodes.
#pragma once

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
#include "structure_helpers.h"

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

// Pointers that arcs carry in these tests.
inline const void *const kPointers[] = {&kPointers[0], &kPointers[1]};

// Adds the arc quietly (a duplicate is skipped without a warning).
inline void quiet_arc(NET *net, STATE *from, uint32_t label, STATE *to, const void *pointer) {
  int32_t verbose = int_parameters()->word[KORA_VERBOSE];
  int_parameters()->word[KORA_VERBOSE] = 0;
  add_arc_to_state(net, from, label, to, const_cast<void *>(pointer), pointer != nullptr);
  int_parameters()->word[KORA_VERBOSE] = verbose;
}

// A hand-built network of `count` states, states[0] the start; each arc is
// (from, label, to, user pointer). The marks null_net leaves (minimized, pruned, loop_free) are
// cleared, since the arcs may make them wrong.
struct Arc {
  int from;
  uint32_t label;
  int to;
  const void *pointer = nullptr;
};
inline NET *network(int count, std::set<int> finals, std::vector<Arc> arcs) {
  NET *net = null_net();
  std::vector<STATE *> states{net->start};
  for (int i = 1; i < count; i++) states.push_back(add_state_to_net(net, finals.count(i) != 0));
  net->start->flags.final = finals.count(0) != 0;
  for (const Arc &a : arcs) quiet_arc(net, states[a.from], a.label, states[a.to], a.pointer);
  net->flags.minimized = net->flags.pruned = net->flags.loop_free = 0;
  return net;
}

// Adds up to `count` arcs with a user pointer, labelled like arcs the network already has,
// between random states.
inline void add_pointer_arcs(NET *net, std::mt19937 &random, int count) {
  std::vector<STATE *> states;
  std::vector<uint32_t> labels{'a'};
  for (STATE *s = net->states; s != nullptr; s = s->next) {
    states.push_back(s);
    for (ARC *a = s->arcs; a != nullptr; a = a->next) labels.push_back(a->label);
  }
  for (int i = 0; i < count; i++)
    quiet_arc(net, states[random() % states.size()], labels[random() % labels.size()],
              states[random() % states.size()], kPointers[random() % 2]);
}

// An empty string when `net` is a clean epsilon-free result: no EPSILON arc, scratch fields
// clear, counts right, no arc to a state off the list. Otherwise what is wrong. With
// `deterministic`, also marked so and no two arcs of one state with one label and user pointer
// (*AND_CHECK* arcs excepted).
inline std::string fault(const NET *net, bool deterministic = false) {
  std::ostringstream fault;
  if (!net->flags.epsilon_free || (deterministic && !net->flags.deterministic)) fault << "marks; ";
  auto states = structure_test::states_of(net);
  size_t arcs = 0;
  for (const STATE *s : states) {
    if (s->flags.visit_mark != 0 || s->client_cell != nullptr) fault << "scratch left; ";
    std::set<Atom> out;
    for (const ARC *a = s->arcs; a != nullptr; a = a->next, arcs++) {
      if (a->label == kora::EPSILON) fault << "EPSILON arc; ";
      if (states.count(a->destination) == 0) fault << "arc to a state off the list; ";
      if (deterministic && a->label != kora::AND_CHECK &&
          !out.insert({a->label, kora::arc_user_pointer(a)}).second)
        fault << "two arcs with label " << a->label << "; ";
    }
  }
  if (states.size() != net->num_states || arcs != net->num_arcs) fault << "wrong counts; ";
  return fault.str();
}

// The number of states on the list that cannot be reached from the start state.
inline size_t unreachable_states(const NET *net) {
  return structure_test::states_of(net).size() -
         structure_test::reachable({net->start}, structure_test::arcs_of(net)).size();
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
