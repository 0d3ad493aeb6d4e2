// States and arcs of networks in Python (see states.h).

#include "states.h"

#include <pybind11/stl.h>

#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "arguments.h"
#include "functional.h"

namespace py = pybind11;

namespace kora_python {

namespace {

constexpr uint32_t kQuestionMark = '?';  // the symbol "?": a single ASCII character's id is its code

// --- Labels -----------------------------------------------------------------------------------

// The name of one side of a label (the library's spelling: "" EPSILON, "?" OTHER or "?").
std::string side_name(uint32_t label, int side) {
  char *name = label_side_name(label, side);
  std::string copy = name != nullptr ? name : "";
  std::free(name);
  return copy;
}

// The label id of the symbol spelled `name` in the module's spelling; KORA_NO_LABEL (after the
// library's error) when there is none.
uint32_t symbol_label(const std::string &name) {
  if (name.empty()) return KORA_EPSILON;
  if (name == "?") return KORA_OTHER;
  if (name == "%?") return kQuestionMark;
  NET *net = symbol_net(name.c_str());
  uint32_t label = KORA_NO_LABEL;
  if (net != nullptr && NET_start_state(net) != nullptr && STATE_arcs(NET_start_state(net)) != nullptr)
    label = ARC_label(STATE_arcs(NET_start_state(net)));
  free_network(net);
  return label;
}

// The label of the pair upper:lower (the symbol itself when the two are one symbol other than
// OTHER); KORA_NO_LABEL when the library makes none. pair_net's network has the pair's arc
// and, for a pair with OTHER on one side, an arc with the other side's symbol.
uint32_t pair_label(uint32_t upper, uint32_t lower) {
  NET *net = pair_net(upper, lower);
  if (net == nullptr) return KORA_NO_LABEL;
  uint32_t label = upper == lower ? upper : KORA_NO_LABEL;
  if (NET_start_state(net) != nullptr)
    for (ARC *arc = STATE_arcs(NET_start_state(net)); arc != nullptr; arc = ARC_next(arc))
      if (ARC_label(arc) != upper && ARC_label(arc) != lower) label = ARC_label(arc);
  free_network(net);
  return label;
}

std::string spelling(uint32_t id, const std::string &name) {
  return id == KORA_OTHER ? "?" : id == kQuestionMark ? "%?" : name;
}

// The symbol ids a side named `name` may stand for.
std::vector<uint32_t> candidates(const std::string &name) {
  if (name == "?") return {KORA_OTHER, kQuestionMark};
  return {symbol_label(name)};
}

Sides find_sides(uint32_t label) {
  Sides sides;
  if (label == KORA_EPSILON) return sides;
  const std::string upper = side_name(label, 0), lower = side_name(label, 1);
  const bool symbol = label == KORA_OTHER || label == kQuestionMark || (upper == lower && upper != "?");
  if (symbol) {
    sides.upper_id = sides.lower_id = label;
    sides.upper = sides.lower = spelling(label, upper);
    return sides;
  }
  sides.pair = true;
  sides.upper = upper;
  sides.lower = lower;
  for (uint32_t upper_id : candidates(upper))
    for (uint32_t lower_id : candidates(lower))
      if (pair_label(upper_id, lower_id) == label) {
        sides.upper_id = upper_id;
        sides.lower_id = lower_id;
        sides.upper = spelling(upper_id, upper);
        sides.lower = spelling(lower_id, lower);
        return sides;
      }
  return sides;
}

}  // namespace

const Sides &sides_of(uint32_t label) {
  static auto *cache = new std::unordered_map<uint32_t, Sides>;  // never destroyed, as the lock
  auto found = cache->find(label);
  if (found == cache->end()) found = cache->emplace(label, find_sides(label)).first;
  return found->second;
}

// --- Graphs -----------------------------------------------------------------------------------

Graph graph_of(const StateTable &table) {
  const size_t count = table.states.size();
  Graph graph;
  graph.arcs.resize(count);
  graph.final.resize(count);
  std::vector<std::vector<uint32_t>> sources(count);
  for (size_t i = 0; i < count; i++) {
    graph.final[i] = STATE_final(table.states[i]);
    for (ARC *arc = STATE_arcs(table.states[i]); arc != nullptr; arc = ARC_next(arc)) {
      const uint32_t destination = table.numbers.at(ARC_destination(arc));
      graph.arcs[i].push_back({ARC_label(arc), destination});
      sources[destination].push_back(static_cast<uint32_t>(i));
    }
  }
  // Reachable from the start state, then, of those, reaching a final state backwards.
  std::vector<bool> reached(count, false);
  std::vector<uint32_t> stack;
  if (count > 0 && NET_start_state(table.source) != nullptr) {
    graph.start = table.numbers.at(NET_start_state(table.source));
    reached[*graph.start] = true;
    stack.push_back(*graph.start);
  }
  while (!stack.empty()) {
    const uint32_t state = stack.back();
    stack.pop_back();
    for (const Graph::Arc &arc : graph.arcs[state])
      if (!reached[arc.destination]) reached[arc.destination] = true, stack.push_back(arc.destination);
  }
  graph.useful.assign(count, false);
  for (uint32_t i = 0; i < count; i++)
    if (reached[i] && graph.final[i]) graph.useful[i] = true, stack.push_back(i);
  while (!stack.empty()) {
    const uint32_t state = stack.back();
    stack.pop_back();
    for (uint32_t source : sources[state])
      if (reached[source] && !graph.useful[source]) graph.useful[source] = true, stack.push_back(source);
  }
  return graph;
}

namespace {

// --- Properties read off the arcs ---------------------------------------------------------------

bool deterministic(const Graph &graph) {
  std::unordered_set<uint32_t> labels;
  for (const auto &arcs : graph.arcs) {
    labels.clear();
    for (const Graph::Arc &arc : arcs)
      if (arc.label == KORA_EPSILON || !labels.insert(arc.label).second) return false;
  }
  return true;
}

bool epsilon_free(const Graph &graph) {
  for (const auto &arcs : graph.arcs)
    for (const Graph::Arc &arc : arcs)
      if (arc.label == KORA_EPSILON) return false;
  return true;
}

// No cycle through useful states: an explicit depth-first walk, O(states + arcs).
bool acyclic(const Graph &graph) {
  enum : char { kNew, kOpen, kDone };
  std::vector<char> mark(graph.arcs.size(), kNew);
  std::vector<std::pair<uint32_t, size_t>> stack;
  for (uint32_t root = 0; root < graph.arcs.size(); root++) {
    if (!graph.useful[root] || mark[root] != kNew) continue;
    mark[root] = kOpen;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      auto &[state, next] = stack.back();
      if (next == graph.arcs[state].size()) {
        mark[state] = kDone;
        stack.pop_back();
        continue;
      }
      const uint32_t destination = graph.arcs[state][next++].destination;
      if (!graph.useful[destination]) continue;
      if (mark[destination] == kOpen) return false;
      if (mark[destination] == kNew) mark[destination] = kOpen, stack.push_back({destination, 0});
    }
  }
  return true;
}

bool acceptor(const Graph &graph) {
  for (const auto &arcs : graph.arcs)
    for (const Graph::Arc &arc : arcs)
      if (sides_of(arc.label).pair) return false;
  return true;
}

// The answer of `question(graph)` about a network, its table made under the lock.
template <typename Question>
bool ask(Net &net, Question &&question) {
  std::pair<bool, bool> answer = exclusive([&] {
    StateTable *table = net.table();
    if (table == nullptr) return std::pair<bool, bool>(false, false);
    return std::pair<bool, bool>(true, question(graph_of(*table)));
  });
  report(!answer.first, "");
  return answer.second;
}

// --- States and arcs --------------------------------------------------------------------------

struct State {
  NetPtr net;
  uint32_t index;
};

struct Arc {
  py::object label;
  py::str upper, lower;
  State nextstate;
};

// The state `index` of the table; kora.Error when the table has no such state (it was numbered
// anew since the State was made). Under the lock.
STATE *state_of(StateTable &table, uint32_t index) {
  if (index >= table.states.size()) {
    call_messages.errors.emplace_back("the state " + std::to_string(index) +
                                      " is no longer in the network");
    return nullptr;
  }
  return table.states[index];
}

// The state's finality and its arcs (label, destination number) read under the lock.
struct StateView {
  bool found = false;
  bool final = false;
  std::vector<std::pair<Sides, uint32_t>> arcs;
};

StateView view_of(const State &state) {
  StateView view = exclusive([&] {
    StateView read;
    StateTable *table = state.net->table();
    STATE *record = table != nullptr ? state_of(*table, state.index) : nullptr;
    if (record == nullptr) return read;
    read.found = true;
    read.final = STATE_final(record);
    for (ARC *arc = STATE_arcs(record); arc != nullptr; arc = ARC_next(arc))
      read.arcs.emplace_back(sides_of(ARC_label(arc)), table->numbers.at(ARC_destination(arc)));
    return read;
  });
  report(!view.found, "");
  return view;
}

py::object label_object(const Sides &sides) {
  if (sides.pair) return py::make_tuple(text(sides.upper), text(sides.lower));
  return text(sides.upper);
}

std::vector<Arc> arcs_of(const State &state) {
  std::vector<Arc> arcs;
  for (const auto &[sides, destination] : view_of(state).arcs)
    arcs.push_back({label_object(sides), text(sides.upper), text(sides.lower),
                    State{state.net, destination}});
  return arcs;
}

// --- Building ---------------------------------------------------------------------------------

// Whether the module may change the network: only one in the plain representation is built
// on (an error says so otherwise). Under the lock.
bool changeable(const Net &net) {
  if (is_plain(net.get())) return true;
  if (net.get()->flags2.is_virtual) {
    call_messages.errors.push_back(lazy_refusal("adding to it"));
    return false;
  }
  call_messages.errors.emplace_back(
      "states, arcs and symbols are added only to a network in the plain representation "
      "(this one was loaded arc-optimized, vectorized or reduced): add them to its copy()");
  return false;
}

// The record of `state` for a change through the module. Under the lock.
STATE *state_to_change(Net &net, const State &state) {
  if (!changeable(net)) return nullptr;
  StateTable *table = net.table();
  return table != nullptr ? state_of(*table, state.index) : nullptr;
}

void check_owner(const Net &net, const State &state, const char *name) {
  if (state.net.get() != &net)
    throw py::value_error(std::string(name) + " is a state of another network");
}

// The label id of a str (a symbol) or an (upper, lower) tuple of str (a pair).
struct LabelArgument {
  std::string upper, lower;
  bool pair = false;
};

LabelArgument label_argument(py::handle label) {
  LabelArgument argument;
  if (py::isinstance<py::tuple>(label) && py::len(label) == 2) {
    py::tuple sides = py::reinterpret_borrow<py::tuple>(label);
    argument.upper = text_argument(sides[0], "label", 0);
    argument.lower = text_argument(sides[1], "label", 1);
    argument.pair = true;
  } else if (PyUnicode_Check(label.ptr())) {
    argument.upper = text_argument(label, "label");
  } else {
    throw py::type_error(std::string("label must be a str or an (upper, lower) tuple of str, not ") +
                         Py_TYPE(label.ptr())->tp_name);
  }
  return argument;
}

uint32_t label_id(const LabelArgument &argument) {
  const uint32_t upper = symbol_label(argument.upper);
  if (!argument.pair || upper == KORA_NO_LABEL) return upper;
  const uint32_t lower = symbol_label(argument.lower);
  return lower == KORA_NO_LABEL ? lower : pair_label(upper, lower);
}

State add_state(const NetPtr &net, bool final) {
  std::optional<uint32_t> index = exclusive([&]() -> std::optional<uint32_t> {
    StateTable *table = changeable(*net) ? net->table() : nullptr;
    if (table == nullptr) return std::nullopt;
    STATE *state = add_state_to_net(net->get(), final ? 1 : 0);
    if (state == nullptr) return std::nullopt;
    table->numbers.emplace(state, static_cast<uint32_t>(table->states.size()));
    table->states.push_back(state);
    net->changed();
    return static_cast<uint32_t>(table->states.size() - 1);
  });
  report(!index, "the state could not be added");
  return State{net, *index};
}

void add_arc(const NetPtr &net, const State &from, py::handle label, const State &to) {
  check_owner(*net, from, "state");
  check_owner(*net, to, "nextstate");
  const LabelArgument argument = label_argument(label);
  bool added = exclusive([&] {
    STATE *source = state_to_change(*net, from);
    STATE *destination = source != nullptr ? state_to_change(*net, to) : nullptr;
    if (destination == nullptr) return false;
    const uint32_t id = label_id(argument);
    if (id == KORA_NO_LABEL) return false;
    // A duplicate arc or an EPSILON loop is no error: the network already has those paths.
    const bool same = (id == KORA_EPSILON && source == destination) || [&] {
      for (ARC *arc = STATE_arcs(source); arc != nullptr; arc = ARC_next(arc))
        if (ARC_label(arc) == id && ARC_destination(arc) == destination) return true;
      return false;
    }();
    if (!same && add_arc_to_state(net->get(), source, id, destination, nullptr, 0) == nullptr)
      return false;
    net->changed();
    return true;
  });
  report(!added, "the arc could not be added");
}

void set_final(const NetPtr &net, const State &state, bool final) {
  check_owner(*net, state, "state");
  bool done = exclusive([&] {
    STATE *record = state_to_change(*net, state);
    if (record == nullptr) return false;
    STATE_final(record) = final ? 1 : 0;
    NET *changed = net->get();
    changed->flags.minimized = changed->flags.pruned = changed->flags.completed = 0;
    if (record == NET_start_state(changed)) changed->flags.start_final = final ? 1 : 0;
    net->changed();
    return true;
  });
  report(!done, "");
}

void set_start(const NetPtr &net, const State &state) {
  check_owner(*net, state, "state");
  bool done = exclusive([&] {
    STATE *record = state_to_change(*net, state);
    if (record == nullptr) return false;
    NET *changed = net->get();
    NET_start_state(changed) = record;
    changed->flags.minimized = changed->flags.pruned = changed->flags.loop_free = 0;
    changed->flags.sorted_states = 0;
    changed->flags.start_final = STATE_final(record);
    net->changed();
    return true;
  });
  report(!done, "");
}

void add_symbols(const NetPtr &net, py::handle symbols) {
  const std::vector<std::string> names = text_list_argument(symbols, "symbols");
  bool done = exclusive([&] {
    if (!changeable(*net)) return false;
    for (const std::string &name : names) {
      const uint32_t id = symbol_label(name);
      if (id == KORA_NO_LABEL) return false;
      if (id != KORA_EPSILON) NET_sigma(net->get()) = alph_add_to(net_sigma(net->get()), id, 0);
    }
    net->changed();
    return true;
  });
  report(!done, "the symbols could not be added");
}

std::string state_repr(const State &state) {
  const StateView view = view_of(state);
  return "<kora.State " + std::to_string(state.index) + (view.final ? ", final" : "") + ", " +
         std::to_string(view.arcs.size()) + (view.arcs.size() == 1 ? " arc>" : " arcs>");
}

}  // namespace

void define_states(py::module_ &module, py::class_<Net, NetPtr> &net) {
  // Both classes are registered before their methods, whose signatures name each other.
  py::class_<State> state(module, "State",
                          "A state of a network, as net.states(), net.start and net.add_state() "
                          "give it. States compare equal when they are the same state of the same "
                          "network.");
  py::class_<Arc> arc(module, "Arc",
                      "An arc: its label, the label's upper and lower symbols, and the state it "
                      "leads to. Symbols are strings: EPSILON is \"\", OTHER (any symbol the "
                      "network does not know) is \"?\", and the symbol \"?\" itself is \"%?\".");
  state
      .def_property_readonly("index", [](const State &s) { return s.index; },
                             "The state's number: the start state is 0 when the network is first "
                             "listed, states added later take the next numbers.")
      .def_property_readonly("is_final", [](const State &s) { return view_of(s).final; },
                             "Whether the state is final (a path may end there).")
      .def("arcs", &arcs_of,
           "The arcs leaving the state, as a new list of kora.Arc, in the network's order.")
      .def("__eq__",
           [](const State &a, py::handle b) {
             if (!py::isinstance<State>(b)) return false;
             const State &other = b.cast<const State &>();
             return a.net == other.net && a.index == other.index;
           },
           py::is_operator())
      .def("__hash__",
           [](const State &s) {
             return py::hash(py::make_tuple(reinterpret_cast<uintptr_t>(s.net.get()), s.index));
           })
      .def("__repr__", &state_repr);
  arc.def_readonly("label", &Arc::label,
                   "A str for a symbol (which maps to itself), an (upper, lower) tuple for a "
                   "pair: the form add_arc takes.")
      .def_readonly("upper", &Arc::upper, "The upper (input) symbol.")
      .def_readonly("lower", &Arc::lower, "The lower (output) symbol.")
      .def_readonly("nextstate", &Arc::nextstate, "The state the arc leads to.")
      .def("__repr__", [](const Arc &a) {
        return py::str("<kora.Arc {!r} -> {}>").format(a.label, a.nextstate.index);
      });

  net.def("states",
          [](const NetPtr &n) {
            std::optional<size_t> count = exclusive([&]() -> std::optional<size_t> {
              StateTable *table = n->table();
              if (table == nullptr) return std::nullopt;
              return table->states.size();
            });
            report(!count, "");
            py::list states;
            for (size_t i = 0; i < *count; i++) states.append(State{n, static_cast<uint32_t>(i)});
            return py::iter(states);
          },
          "An iterator over the network's states (kora.State), numbered from 0, the start "
          "state first. A network loaded in a smaller representation is listed as its plain "
          "form.")
      .def_property_readonly(
          "start",
          [](const NetPtr &n) -> py::object {
            std::optional<int64_t> start = exclusive([&]() -> std::optional<int64_t> {
              StateTable *table = n->table();
              if (table == nullptr) return std::nullopt;
              STATE *record = NET_start_state(table->source);
              return record == nullptr ? -1 : int64_t{table->numbers.at(record)};
            });
            report(!start, "");
            if (*start < 0) return py::none();
            return py::cast(State{n, static_cast<uint32_t>(*start)});
          },
          "The start state (a kora.State), or None for a network without one.")
      .def("add_state", &add_state, py::arg("final") = false,
           "Adds a state, final or not, and returns it (a kora.State). The network changes in "
           "place, as with every add_ and set_ method.")
      .def("add_arc", &add_arc, py::arg("state"), py::arg("label"), py::arg("nextstate"),
           "Adds an arc from state to nextstate (states of this network) labelled label: a str "
           "for a symbol, an (upper, lower) tuple of str for a pair (\"\" EPSILON, \"?\" OTHER, "
           "\"%?\" the symbol ?). An arc the state already has is not added twice.")
      .def("set_final", &set_final, py::arg("state"), py::arg("final") = true,
           "Makes the state final (or, with final=False, not final).")
      .def("set_start", &set_start, py::arg("state"), "Makes the state the start state.")
      .def("add_symbols", &add_symbols, py::arg("symbols"),
           "Adds symbols (an iterable of str) to the sigma without arcs, so that OTHER no "
           "longer stands for them.");

  net.def_property_readonly(
         "is_deterministic", [](Net &n) { return ask(n, deterministic); },
         "No state has an EPSILON arc or two arcs with one label (labels compared as wholes: a "
         "pair is one label, OTHER is one label). O(arcs).")
      .def_property_readonly(
          "is_epsilon_free", [](Net &n) { return ask(n, epsilon_free); },
          "No arc is labelled EPSILON (a pair with EPSILON on one side is not). O(arcs).")
      .def_property_readonly(
          "is_acyclic", [](Net &n) { return ask(n, acyclic); },
          "No cycle lies on a path from the start state to a final state: the network has "
          "finitely many paths. O(states + arcs).")
      .def_property_readonly(
          "is_acceptor", [](Net &n) { return ask(n, acceptor); },
          "No arc carries a pair: every path maps its string to itself. O(arcs).")
      .def_property_readonly(
          "is_transducer", [](Net &n) { return !ask(n, acceptor); },
          "Some arc carries a pair (not is_acceptor).")
      .def_property_readonly(
          "is_functional", [](Net &n) { return ask(n, functional); },
          "Every upper string is mapped to at most one lower string (an acceptor always is). "
          "Cost: the pairs of states reachable on one upper string, times the longest "
          "difference between two outputs.");
}

}  // namespace kora_python
