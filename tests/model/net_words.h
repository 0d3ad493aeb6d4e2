// Shared helpers of the model tests: networks built from a table of arcs, and the strings of a
// small automaton as text from the language oracle (language.h).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "language.h"

namespace kora_test {

struct Arc {
  int from;
  uint32_t label;
  int to;
};

// States 0..count-1 (0 is the start, created in index order), `finals` final, arcs added in the
// order given; `states`, if given, receives the states by index.
inline NET *build_net(int count, const std::set<int> &finals, const std::vector<Arc> &arcs,
                      std::vector<STATE *> *states = nullptr) {
  NET *net = null_net();
  std::vector<STATE *> s = {net->start};
  net->start->flags.final = finals.count(0);
  for (int i = 1; i < count; i++) s.push_back(add_state_to_net(net, finals.count(i)));
  for (const Arc &arc : arcs) add_arc_to_state(net, s[arc.from], arc.label, s[arc.to], nullptr, 0);
  if (states != nullptr) *states = s;
  return net;
}

// Every string of at most `max_symbols` symbols the automaton accepts (paths of at most
// 2 * max_symbols + 2 arcs, room for EPSILON arcs between symbols); printable ASCII symbols are
// their characters, others <id>.
inline std::set<std::string> words(const NET *net, size_t max_symbols) {
  std::set<std::string> texts;
  for (const StringPair &pair :
       shorter_than(enumerate(net, {}, static_cast<int>(2 * max_symbols + 2)), max_symbols)) {
    std::string text;
    for (uint32_t id : pair.first)
      if (id > 32 && id < 127)
        text += static_cast<char>(id);
      else
        text.append("<").append(std::to_string(id)).append(">");
    texts.insert(text);
  }
  return texts;
}

}  // namespace kora_test
