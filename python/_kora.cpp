// kora._kora: the Python extension of the kora module, a thin layer over the public interface
// (include/kora.h) that python/kora/__init__.py completes.
//
// Ownership. A Python Net owns one NET record and frees it when it dies; no operation consumes
// its operands (the keep and copy flags always keep them), so every result is a new record of
// its own. A Net changes only through its add_ and set_ methods (building by hand, states.h);
// every other method that transforms returns a new Net. The library is initialized once, when
// the module is imported, and never reclaimed: objects may outlive any point at which it could
// safely be done (module globals die in no fixed order at exit), and the process returns the
// memory.
//
// Threads and messages: see library.h.
//
// Memory. The library's memory limit (set_memory_limit in kora.h) is set when the module is
// imported to half of the machine's physical memory, so that a runaway operation fails instead
// of taking the interpreter down; a call stopped by it raises MemoryError with the library's
// message. kora.set_memory_limit changes it for the whole process.
//
// Arguments are checked (python/arguments.h) before anything reaches the library: a wrong kind
// raises TypeError and a value the library cannot take ValueError, each naming the argument.
//
// Names. The classes are made while the module's __module__ is "kora", so that they are
// kora.Net, kora.State, ... in signatures, help() and pickles, as the package exports them.
//
// Tested by tests/python/test_*.py.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "arguments.h"
#include "count-paths.h"
#include "kora.h"
#include "library.h"
#include "patterns.h"
#include "states.h"

namespace py = pybind11;

namespace kora_python {

namespace {

// Half of the machine's physical memory: the memory limit the module starts with (0, no limit,
// when the system does not say).
size_t half_of_physical_memory() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<size_t>(pages) * static_cast<size_t>(page_size) / 2;
}

// --- Text out ---------------------------------------------------------------------------------

// The results of one lookup, each ended by "\n", as a list of strings.
py::list results(const std::string &output) {
  py::list list;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    list.append(text(output.data() + start, end - start));
    start = end + 1;
  }
  return list;
}

int side_of(py::handle direction) {
  const std::string name = text_argument(direction, "direction");
  if (name == "down") return 0;
  if (name == "up") return 1;
  throw py::value_error("direction must be 'down' or 'up', not '" + name + "'");
}

py::list lookup(Net &net, py::handle argument, int side) {
  const std::string input = text_argument(argument, "input");
  std::string output;
  {
    py::gil_scoped_release no_gil;
    net.with_applyer(side, [&](APPLY_CONTEXT *applyer) {
      if (const char *found = apply_to_string(input.c_str(), applyer)) output = found;
    });
  }
  report(false, "");
  return results(output);
}

py::list lookup_many(Net &net, py::handle inputs, int side) {
  const std::vector<std::string> lines = text_list_argument(inputs, "inputs");
  std::vector<std::string> outputs(lines.size());
  {
    py::gil_scoped_release no_gil;
    net.with_applyer(side, [&](APPLY_CONTEXT *applyer) {
      for (size_t i = 0; i < lines.size(); i++)
        if (const char *found = apply_to_string(lines[i].c_str(), applyer)) outputs[i] = found;
    });
  }
  report(false, "");
  py::list all(outputs.size());
  for (size_t i = 0; i < outputs.size(); i++) all[i] = results(outputs[i]);
  return all;
}

// The settings of a suggestion: the bound, the limit, the options and the error model.
struct SuggestSettings {
  int max_edits, limit, options;
  NET *model;
};

SuggestSettings suggest_settings(py::handle max_edits, py::handle limit, bool transpositions,
                                 py::handle errors) {
  SuggestSettings settings{};
  settings.max_edits = static_cast<int>(integer_argument(max_edits, "max_edits", 0, 100));
  settings.limit =
      limit.is_none() ? 0 : static_cast<int>(integer_argument(limit, "limit", 1, INT_MAX));
  settings.options = transpositions ? KORA_APPROX_TRANSPOSITIONS : 0;
  if (!errors.is_none()) {
    if (!py::isinstance<Net>(errors))
      throw py::type_error(std::string("errors must be a kora.Net or None, not ") +
                           Py_TYPE(errors.ptr())->tp_name);
    settings.model = errors.cast<const Net &>().get();
  }
  return settings;
}

using Suggestions = std::vector<std::pair<std::string, int>>;

Suggestions suggestions_of(APPROX_APPLYER *applyer, const std::string &word,
                           const SuggestSettings &settings) {
  Suggestions found;
  const int count =
      apply_approx(word.c_str(), settings.max_edits, settings.limit, settings.options, applyer);
  for (int k = 0; k < count; k++) {
    int distance = 0;
    const char *output = approx_result(applyer, k, &distance, nullptr);
    found.emplace_back(output, distance);
  }
  return found;
}

py::list suggestion_list(const Suggestions &found) {
  py::list list;
  for (const auto &[output, distance] : found)
    list.append(py::make_tuple(text(output.data(), output.size()), distance));
  return list;
}

// The suggestions for each of `words`, looked for with the GIL released for the whole batch.
std::vector<Suggestions> suggest_many(Net &net, const std::vector<std::string> &words,
                                      const SuggestSettings &settings) {
  refuse_lazy(net.get(), "suggest()");
  if (settings.model != nullptr) refuse_lazy(settings.model, "suggest() with it as errors");
  std::vector<Suggestions> found(words.size());
  {
    py::gil_scoped_release no_gil;
    net.with_approx_applyer(settings.model, [&](APPROX_APPLYER *applyer) {
      for (size_t i = 0; i < words.size(); i++)
        found[i] = suggestions_of(applyer, words[i], settings);
    });
  }
  report(false, "");
  return found;
}

// What `write(copy)` makes of a copy of the network, as a string, and whether it made
// anything: the listing and the drawing are made from a copy because both put the state list
// in their order first. `write` returns a malloc'd text (or null) and must not free the copy.
template <typename Write>
std::string text_of_copy(const Net &net, const char *failure, Write &&write) {
  std::pair<bool, std::string> made = exclusive([&] {
    NET *copy = copy_net(net.get());
    char *written = copy != nullptr ? write(copy) : nullptr;
    free_network(copy);
    std::pair<bool, std::string> result(written != nullptr, written != nullptr ? written : "");
    std::free(written);
    return result;
  });
  report(!made.first, failure);
  return made.second;
}

// The listing of print_net.
std::string listing(const Net &net) {
  return text_of_copy(net, "the network could not be listed", [](NET *copy) -> char * {
    char *buffer = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&buffer, &size);
    if (stream == nullptr) return nullptr;
    print_net(copy, stream);
    std::fclose(stream);
    return buffer;
  });
}

// The network as a Graphviz DOT digraph; more than `max_states` states (when positive) is
// refused by the library with its message.
std::string dot(const Net &net, long max_states) {
  refuse_lazy(net.get(), "dot()");
  return text_of_copy(net, "the network could not be drawn",
                      [&](NET *copy) { return network_to_dot(copy, max_states); });
}

// The saved-file bytes of the network, with the time of writing fixed at 0 (January 1, 1970),
// so that equal networks give equal bytes (pickles, and the Dask path's cache by digest).
py::bytes to_bytes(const Net &net) {
  std::string bytes = exclusive([&] {
    size_t length = 0;
    set_save_time(0);
    unsigned char *saved = save_net_to_memory(net.get(), &length, nullptr);
    set_save_time(-1);
    std::string copy(reinterpret_cast<const char *>(saved), saved != nullptr ? length : 0);
    std::free(saved);
    return copy;
  });
  report(bytes.empty(), "the network could not be saved");
  return py::bytes(bytes);
}

NetPtr from_bytes(py::handle data) {
  const std::string bytes = bytes_argument(data, "data");
  return make_net("no network could be read from the bytes", [&] {
    return load_net_from_memory(reinterpret_cast<const unsigned char *>(bytes.data()),
                                bytes.size(), nullptr);
  });
}

// --- Paths ------------------------------------------------------------------------------------

// The paths of a network from its start state to a final state, shortest first (ties in the
// order of the arcs), as (upper, lower) strings. The network is copied into plain arrays when
// the iterator is made, so iterating holds no lock; only the states on some path are kept.
// Paths of each length are found by a depth-first walk bounded by that length (iterative
// deepening), which skips states that cannot reach a final state in the steps left: memory
// O(V + E) besides the walk's stack, time about the number of prefixes of the paths given out
// times their length. A network whose kept part has no cycle ends after its longest path; one
// with a cycle has infinitely many paths and goes on until the limit.
class Paths {
 public:
  // With `as_regex`, each side is written as a regular expression of its symbols.
  Paths(const Net &net, std::optional<long long> limit, bool as_regex)
      : left_(limit), as_regex_(as_regex) {
    refuse_lazy(net.get(), "paths()");
    exclusive([&] { snapshot(net.get()); return 0; });
    report(false, "");
    if (states_.empty() || distance_[0] == kFar) left_ = 0;
    prepare_lengths();
    start_walk();
  }

  py::tuple next() {
    if (left_ && *left_ == 0) throw py::stop_iteration();
    while (true) {
      if (walk()) {
        if (left_) --*left_;
        std::string upper, lower;
        for (const Arc *arc : path_) {
          append_side(upper, names_[arc->name].first);
          append_side(lower, names_[arc->name].second);
        }
        return py::make_tuple(text(upper.data(), upper.size()), text(lower.data(), lower.size()));
      }
      // Every path of this length has been given out.
      if (longest_ && length_ >= *longest_) {
        left_ = 0;
        throw py::stop_iteration();
      }
      length_++;
      start_walk();
    }
  }

 private:
  static constexpr size_t kFar = SIZE_MAX;
  struct Arc {
    size_t destination;
    size_t name;  // index in names_
  };

  // Copies the states that lie on a path from the start to a final state, with their arcs and
  // the names of their labels, and each one's distance to a final state. Under the lock.
  void snapshot(NET *net) {
    STATE *start = NET_start_state(net);
    if (start == nullptr) return;
    std::unordered_map<STATE *, size_t> number;
    std::vector<STATE *> order{start};
    number[start] = 0;
    for (size_t i = 0; i < order.size(); i++)
      for (ARC *arc = STATE_arcs(order[i]); arc != nullptr; arc = ARC_next(arc))
        if (number.emplace(ARC_destination(arc), order.size()).second)
          order.push_back(ARC_destination(arc));
    // Distances to a final state, backwards breadth-first.
    std::vector<std::vector<size_t>> sources(order.size());
    for (size_t i = 0; i < order.size(); i++)
      for (ARC *arc = STATE_arcs(order[i]); arc != nullptr; arc = ARC_next(arc))
        sources[number[ARC_destination(arc)]].push_back(i);
    distance_.assign(order.size(), kFar);
    std::vector<size_t> queue;
    for (size_t i = 0; i < order.size(); i++)
      if (STATE_final(order[i])) {
        distance_[i] = 0;
        queue.push_back(i);
      }
    for (size_t k = 0; k < queue.size(); k++)
      for (size_t source : sources[queue[k]])
        if (distance_[source] == kFar) {
          distance_[source] = distance_[queue[k]] + 1;
          queue.push_back(source);
        }
    std::unordered_map<uint32_t, size_t> label_name;
    states_.resize(order.size());
    final_.resize(order.size());
    for (size_t i = 0; i < order.size(); i++) {
      final_[i] = STATE_final(order[i]);
      if (distance_[i] == kFar) continue;
      for (ARC *arc = STATE_arcs(order[i]); arc != nullptr; arc = ARC_next(arc)) {
        size_t destination = number[ARC_destination(arc)];
        if (distance_[destination] == kFar) continue;
        const uint32_t label = ARC_label(arc);
        auto [found, added] = label_name.emplace(label, names_.size());
        if (added) {
          const Sides &sides = sides_of(label);
          if (as_regex_)
            names_.emplace_back(regex_symbol(sides.upper_id, sides.upper),
                                regex_symbol(sides.lower_id, sides.lower));
          else
            names_.emplace_back(library_spelling(sides.upper), library_spelling(sides.lower));
        }
        states_[i].push_back(Arc{destination, found->second});
      }
    }
  }

  // A side's name as lookup writes it: OTHER and the symbol ? are both "?".
  static std::string library_spelling(const std::string &name) {
    return name == "%?" ? "?" : name;
  }

  // A symbol as a regular expression writes it: "" for EPSILON, "?" for OTHER, otherwise its
  // name with "%" before every character that may not stand there in a symbol ("%+N", "%0").
  static std::string regex_symbol(uint32_t id, const std::string &spelled) {
    if (id == KORA_EPSILON) return "";
    if (id == KORA_OTHER) return "?";
    const std::string name = library_spelling(spelled);
    std::string written;
    for (size_t i = 0; i < name.size(); i++) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      const bool letter = std::isalpha(c) || c >= 0x7F || c == '\'' || c == '=';
      const bool kept = i == 0 ? letter || (c >= '1' && c <= '9')
                               : letter || std::isdigit(c) || c == '#' || c == '?';
      if (!kept) written += '%';
      written += name[i];
    }
    return written;
  }

  // Appends a symbol to a side: in regular-expression form separated by a blank.
  void append_side(std::string &side, const std::string &symbol) const {
    if (as_regex_ && !side.empty() && !symbol.empty()) side += ' ';
    side += symbol;
  }

  // The longest path when the kept part has no cycle (nothing when it has one); walks from
  // the start state depth first.
  void prepare_lengths() {
    if (left_ && *left_ == 0) return;
    enum : char { kNew, kOpen, kDone };
    std::vector<char> mark(states_.size(), kNew);
    std::vector<size_t> longest(states_.size(), 0);
    std::vector<std::pair<size_t, size_t>> stack{{0, 0}};
    mark[0] = kOpen;
    while (!stack.empty()) {
      auto &[state, next] = stack.back();
      if (next < states_[state].size()) {
        size_t destination = states_[state][next++].destination;
        if (mark[destination] == kOpen) return;  // a cycle: no longest path
        if (mark[destination] == kNew) {
          mark[destination] = kOpen;
          stack.push_back({destination, 0});
        }
        continue;
      }
      for (const Arc &arc : states_[state])
        longest[state] = std::max(longest[state], longest[arc.destination] + 1);
      mark[state] = kDone;
      stack.pop_back();
    }
    longest_ = longest[0];
  }

  void start_walk() {
    frames_.assign(1, {0, 0});
    path_.clear();
    fresh_ = true;
  }

  // Advances the walk of paths of length_ to the next one; false when there is none left.
  bool walk() {
    if (fresh_) {
      fresh_ = false;
      if (length_ == 0 && final_[0]) return true;
    }
    while (!frames_.empty()) {
      Frame &frame = frames_.back();
      const std::vector<Arc> &arcs = states_[frame.state];
      size_t depth = frames_.size() - 1;
      if (depth == length_ || frame.next == arcs.size()) {
        frames_.pop_back();
        if (!path_.empty()) path_.pop_back();
        continue;
      }
      const Arc &arc = arcs[frame.next++];
      if (distance_[arc.destination] > length_ - depth - 1) continue;
      path_.push_back(&arc);
      frames_.push_back({arc.destination, 0});
      if (depth + 1 == length_ && final_[arc.destination]) return true;
    }
    return false;
  }

  struct Frame {
    size_t state;
    size_t next;
  };
  std::vector<std::vector<Arc>> states_;
  std::vector<bool> final_;
  std::vector<size_t> distance_;
  std::vector<std::pair<std::string, std::string>> names_;
  std::optional<size_t> longest_;
  std::optional<long long> left_;
  bool as_regex_;
  size_t length_ = 0;
  std::vector<Frame> frames_;
  std::vector<const Arc *> path_;
  bool fresh_ = true;
};

// --- Sizes ------------------------------------------------------------------------------------

// The number of paths, counted on the plain form of a network in another representation (a
// compacted network has no arc lists; a reduced one's arcs stand for several labels each);
// TypeError for a network with a loop.
size_t path_count(const Net &net) {
  refuse_lazy(net.get(), "len()");
  bool failed = false;
  std::optional<uint64_t> count = exclusive([&]() -> std::optional<uint64_t> {
    if (is_plain(net.get())) return kora_tool::count_paths(net.get());
    NET *plain = plain_copy_of(net.get());
    failed = plain == nullptr;
    std::optional<uint64_t> paths = failed ? 0 : kora_tool::count_paths(plain);
    free_network(plain);
    return paths;
  });
  report(failed, "the paths of this network cannot be counted");
  if (!count) throw py::type_error("len() of a network with a loop: it has infinitely many paths");
  if (*count > static_cast<uint64_t>(PY_SSIZE_T_MAX))
    throw py::value_error("the network has more paths than len() can count");
  return static_cast<size_t>(*count);
}

bool is_lazy(const Net &net) { return net.get()->flags2.is_virtual != 0; }

// Whether some path leads from the start state to a final state.
bool has_path(const Net &net) {
  refuse_lazy(net.get(), "bool() and is_empty");
  return exclusive([&] {
    STATE *start = NET_start_state(net.get());
    if (start == nullptr) return false;
    std::unordered_set<STATE *> seen{start};
    std::vector<STATE *> stack{start};
    while (!stack.empty()) {
      STATE *state = stack.back();
      stack.pop_back();
      if (STATE_final(state)) return true;
      for (ARC *arc = STATE_arcs(state); arc != nullptr; arc = ARC_next(arc))
        if (seen.insert(ARC_destination(arc)).second) stack.push_back(ARC_destination(arc));
    }
    return false;
  });
}

// The symbols of the network's sigma, spelled as arcs spell them (states.h).
py::set sigma(const Net &net) {
  std::vector<std::string> names = exclusive([&] {
    std::vector<std::string> found;
    ALPH *alph = net_sigma(net.get());
    if (alph == nullptr) return found;
    auto add = [&](uint32_t id) {
      if (id != KORA_EPSILON) found.push_back(sides_of(id).upper);
    };
    for (int i = 0; i < ALPH_len(alph); i++) {
      if (ALPH_type(alph) == KORA_BINARY_ALPH && ALPH_item(alph, i) != 0)
        add(static_cast<uint32_t>(i));
      else if (ALPH_type(alph) == KORA_LABEL_ALPH)
        add(ALPH_item(alph, i));
    }
    return found;
  });
  report(false, "");
  py::set set;
  for (const std::string &name : names) set.add(text(name));
  return set;
}

bool equivalent(const Net &a, const Net &b) {
  refuse_lazy(a.get(), "equivalent()");
  refuse_lazy(b.get(), "equivalent()");
  bool same = exclusive([&] {
    NET *x = copy_net(a.get()), *y = copy_net(b.get());
    bool answer = x != nullptr && y != nullptr && minimize_net(x) == 0 && minimize_net(y) == 0 &&
                  test_equivalent(x, y) != 0;
    free_network(x);
    free_network(y);
    return answer;
  });
  report(false, "");
  return same;
}

// A copy of the network made minimal (deterministic, no EPSILON arcs, fewest states).
NetPtr minimal(const Net &net) {
  refuse_lazy(net.get(), "minimize failed");
  return make_net("minimize failed", [&] {
    NET *copy = copy_net(net.get());
    if (copy == nullptr || minimize_net(copy) != 0) {
      free_network(copy);
      return static_cast<NET *>(nullptr);
    }
    return copy;
  });
}

// The side named `side`: 0 for "upper" or "input", 1 for "lower" or "output".
int projection_side(py::handle side) {
  const std::string name = text_argument(side, "side");
  if (name == "upper" || name == "input") return 0;
  if (name == "lower" || name == "output") return 1;
  throw py::value_error("side must be 'upper', 'lower', 'input' or 'output', not '" + name + "'");
}

// From `lower` to `upper` repetitions (upper None: no maximum).
NetPtr repetitions(const Net &net, py::handle lower_argument, py::handle upper_argument,
                   const char *lower_name, const char *upper_name) {
  const int lower = static_cast<int>(integer_argument(lower_argument, lower_name, 0, INT_MAX));
  int upper = -1;
  if (!upper_argument.is_none()) {
    upper = static_cast<int>(integer_argument(upper_argument, upper_name, 0, INT_MAX));
    if (upper < lower)
      throw py::value_error(std::string(upper_name) + " (" + std::to_string(upper) +
                            ") is less than " + lower_name + " (" + std::to_string(lower) + ")");
  }
  if (upper < 0 && lower <= 1)
    return unary(net, "closure failed", lower == 0 ? zero_plus_net : one_plus_net);
  refuse_lazy(net.get(), "repeat failed");
  return make_net("repeat failed",
                  [&] { return made_from(repeat_net(net.get(), lower, upper, 1), net.get()); });
}

// The calculus as Python methods (and operators): the names, what a failure says, the
// operation and its docstring.
struct BinaryOperation {
  const char *method;
  const char *symbol;  // the operator's method, or null
  const char *failure;
  BinaryFunction operation;
  const char *doc;
};
const BinaryOperation binary_operations[] = {
    {"union", "__or__", "union failed", union_net,
     "a.union(b), a | b: the strings (or pairs) of either network, as a new network."},
    {"concat", "__add__", "concatenation failed", concat_net,
     "a.concat(b), a + b: a string (pair) of a followed by one of b, as a new network."},
    {"intersect", "__and__", "intersection failed", intersect_net,
     "a.intersect(b), a & b: the strings (pairs) of both networks, as a new network. Labels "
     "are compared as wholes, which is exact for automata and for pairs of equal length."},
    {"difference", "__sub__", "difference failed", minus_net,
     "a.difference(b), a - b: the strings (pairs) of a that b lacks, as a new network."},
    {"compose", "__matmul__", "composition failed", compose_net,
     "a.compose(b), a @ b: the pairs (x, z) such that a maps x to some y and b maps y to z, "
     "as a new network."},
    {"cross", nullptr, "cross product failed", crossproduct_net,
     "a.cross(b): every string of automaton a paired with every string of automaton b, symbol "
     "by symbol from the left, as a new transducer (a transducer operand is a kora.Error)."},
};

struct UnaryOperation {
  const char *name;
  const char *failure;
  NET *(*operation)(NET *, int);
  const char *doc;
};
const UnaryOperation unary_operations[] = {
    {"__invert__", "complement failed", negate_net,
     "~a: the complement of an automaton (the strings over its sigma and OTHER it does not "
     "accept), as a new network; a transducer is a kora.Error."},
    {"star", "star failed", zero_plus_net, "Zero or more repetitions, as a new network."},
    {"plus", "plus failed", one_plus_net, "One or more repetitions, as a new network."},
    {"optional", "optional failed", optional_net,
     "The language or the empty string, as a new network."},
    {"ques", "optional failed", optional_net,
     "The language or the empty string, as a new network (optional())."},
    {"reverse", "reverse failed", reverse_net, "Every path spelled backwards, as a new network."},
    {"invert", "invert failed", invert_net,
     "Upper and lower sides exchanged, as a new network."},
    {"upper", "upper side failed", upper_side_net,
     "The upper-side language, as a new automaton (project('upper'))."},
    {"lower", "lower side failed", lower_side_net,
     "The lower-side language, as a new automaton (project('lower'))."},
};

const char *const kMinimalDoc =
    "the minimal network of the same relation, as a new network: deterministic (no EPSILON "
    "arc, no two arcs with one label from a state) with the fewest states. Labels count as "
    "wholes.";

}  // namespace

}  // namespace kora_python

using namespace kora_python;

PYBIND11_MODULE(_kora, m) {
  m.doc() = "The kora finite-state library (the extension behind the kora package).";
  error_class = PyErr_NewExceptionWithDoc(
      "kora.Error", "A refusal or failure of the library, carrying its messages, one a line.",
      PyExc_Exception, nullptr);
  if (error_class == nullptr) throw py::error_already_set();
  m.attr("Error") = py::handle(error_class);
  warning_class = PyErr_NewExceptionWithDoc(
      "kora.KoraWarning", "A warning of the library (part of an input left out, ...).",
      PyExc_UserWarning, nullptr);
  if (warning_class == nullptr) throw py::error_already_set();
  m.attr("KoraWarning") = py::handle(warning_class);

  // Once per process: the library stays initialized until the process ends.
  {
    std::unique_lock<std::shared_mutex> lock(library_lock());
    collect_messages();
    FST_CONTEXT *context = initialize_kora();
    context->eol_string = "\n";
    int_parameters()->word[KORA_VERBOSE] = 0;
    int_parameters()->word[KORA_QUIT_ON_ERROR] = 0;
    int_parameters()->word[KORA_INTERACTIVE] = 1;
    set_memory_limit(context, half_of_physical_memory());
  }
  m.attr("version") = libkora_version();
  m.def("set_memory_limit",
        [](py::handle limit) {
          const auto bytes = static_cast<size_t>(integer_argument(limit, "limit", 0, LLONG_MAX));
          exclusive([&] {
            set_memory_limit(get_default_kora_context(), bytes);
            return 0;
          });
        },
        py::arg("limit"),
        "Limits the memory that the library may hold at once, the networks alive included, to "
        "limit bytes (0: no limit). A call that would pass it raises MemoryError and leaves "
        "everything as it was. Half of the machine's physical memory when kora is imported.");
  m.def("memory_limit",
        [] { return exclusive([] { return get_default_kora_context()->memory_limit; }); },
        "The memory limit in bytes (0: no limit).");

  // The classes below are named kora.X (see "Names" above).
  m.attr("__module__") = "kora";

  py::class_<Paths>(m, "Paths", "An iterator over the (upper, lower) strings of a network's paths.")
      .def("__iter__", [](Paths &paths) -> Paths & { return paths; })
      .def("__next__", &Paths::next);

  py::class_<Net, NetPtr> net(
      m, "Net",
      "A finite-state network: an automaton (a language) or a transducer (a relation between "
      "upper and lower strings). Net() is the empty language, one non-final start state to build "
      "on with add_state and add_arc. Operations never change their operands: each returns a new "
      "network.");
  net.def(py::init([] { return make_net("no network could be made", [] { return null_net(); }); }))
      .def_property_readonly("num_states",
                             [](const Net &n) {
                               refuse_lazy(n.get(), "num_states");
                               return NET_num_states(n.get());
                             },
                             "The number of states (kora.Error for a lazy network).")
      .def_property_readonly("num_arcs",
                             [](const Net &n) {
                               refuse_lazy(n.get(), "num_arcs");
                               return NET_num_arcs(n.get());
                             },
                             "The number of arcs (kora.Error for a lazy network).")
      .def_property_readonly("is_lazy", [](const Net &n) { return is_lazy(n); },
                             "Whether the network is lazy (virtual, as kora.lazy_compose makes "
                             "it): its states are made only as lookups reach them, and what "
                             "needs them all (len(), paths(), num_states, the calculus, ...) "
                             "raises kora.Error.")
      .def_property_readonly("arity", [](const Net &n) { return NET_arity(n.get()); },
                             "1 for an automaton, 2 for a transducer, as the library keeps it.")
      .def_property_readonly("sigma", &sigma,
                             "The symbols the network knows, as a set of str (\"?\" OTHER, "
                             "\"%?\" the symbol ?); OTHER stands for every other symbol.")
      .def_property_readonly("is_empty", [](const Net &n) { return !has_path(n); },
                             "No path leads from the start state to a final state.")
      .def("__len__", &path_count,
           "The number of paths (words of an automaton, string pairs of a transducer); "
           "TypeError when the network has a loop.")
      .def("__bool__", &has_path, "Whether the network accepts anything (not is_empty).")
      .def("__contains__", [](Net &n, py::handle s) { return !lookup(n, s, 0).empty(); },
           py::arg("string"),
           "s in net: whether some path has s (a str) as its upper string, the string read by "
           "generate(); for an automaton, whether it accepts s. s is cut into the network's "
           "symbols by longest match, as generate cuts it.")
      .def("__str__", &listing,
           "The listing of the network, state by state; for a lazy network, the states made "
           "so far and then the listing of each network it is built of.")
      .def("__repr__", [](const Net &n) {
        const std::string kind = NET_arity(n.get()) == 2 ? "transducer>" : "automaton>";
        if (is_lazy(n)) return "<kora.Net: lazy, " + kind;
        return "<kora.Net: " + std::to_string(NET_num_states(n.get())) + " states, " +
               std::to_string(NET_num_arcs(n.get())) + " arcs, " + kind;
      })
      .def("repeat",
           [](const Net &n, py::handle min, py::handle max) {
             return repetitions(n, min, max, "min", "max");
           },
           py::arg("min"), py::arg("max") = py::none(),
           "From min to max repetitions (max None: no maximum), as a new network; ValueError "
           "when min is negative or max is less than min.")
      .def("closure",
           [](const Net &n, py::handle lower, py::handle upper) {
             return repetitions(n, lower, upper, "lower", "upper");
           },
           py::arg("lower") = 0, py::arg("upper") = py::none(),
           "From lower to upper repetitions (upper None: no maximum), as a new network: "
           "closure() is star(), closure(1) is plus().")
      .def("project",
           [](const Net &n, py::handle side) {
             return projection_side(side) == 0 ? unary(n, "upper side failed", upper_side_net)
                                               : unary(n, "lower side failed", lower_side_net);
           },
           py::arg("side"),
           "The language of one side, as a new automaton: side 'upper' (or 'input') or 'lower' "
           "(or 'output').")
      .def("minimize", &minimal, (std::string("Minimized: ") + kMinimalDoc).c_str())
      .def("determinize", &minimal,
           (std::string("A deterministic network of the same relation: kora determinizes as "
                        "part of minimization, so this is ") + kMinimalDoc).c_str())
      .def("optimize", &minimal,
           (std::string("Determinized and minimized: ") + kMinimalDoc).c_str())
      .def("copy",
           [](const Net &n) {
             refuse_lazy(n.get(), "copy()");
             return make_net("the network cannot be copied in the plain representation",
                             [&] { return plain_copy_of(n.get()); });
           },
           "A new network equal to this one, in the plain representation (arc lists that "
           "add_state and add_arc may change), whatever the representation it was loaded in.")
      .def("equivalent",
           [](const Net &n, py::handle other) {
             if (!py::isinstance<Net>(other))
               throw py::type_error(std::string("other must be a kora.Net, not ") +
                                    Py_TYPE(other.ptr())->tp_name);
             return equivalent(n, other.cast<const Net &>());
           },
           py::arg("other"),
           "Whether the two networks accept the same strings (or string pairs).")
      .def("lookup", [](Net &n, py::handle input) { return lookup(n, input, 1); },
           py::arg("input"),
           "The analyses of a surface string: the upper (lexical) strings of the paths whose "
           "lower side is the input (a str); apply_up().")
      .def("generate", [](Net &n, py::handle input) { return lookup(n, input, 0); },
           py::arg("input"),
           "The surface strings of an analysis: the lower strings of the paths whose upper side "
           "is the input (a str); apply_down().")
      .def("apply_up", [](Net &n, py::handle input) { return lookup(n, input, 1); },
           py::arg("input"),
           "The upper strings of the paths whose lower side is the input (a str): lookup().")
      .def("apply_down", [](Net &n, py::handle input) { return lookup(n, input, 0); },
           py::arg("input"),
           "The lower strings of the paths whose upper side is the input (a str): generate().")
      .def("lookup_many",
           [](Net &n, py::handle inputs, py::handle direction) {
             return lookup_many(n, inputs, side_of(direction));
           },
           py::arg("inputs"), py::arg("direction") = "up",
           "lookup (direction 'up', applying the network up) or generate ('down') of every "
           "input, as a list of lists, with the GIL released for the whole batch.")
      .def("suggest",
           [](Net &n, py::handle word, py::handle max_edits, py::handle limit,
              bool transpositions, py::handle errors) {
             const std::string input = text_argument(word, "word");
             const SuggestSettings settings =
                 suggest_settings(max_edits, limit, transpositions, errors);
             return suggestion_list(suggest_many(n, {input}, settings)[0]);
           },
           py::arg("word"), py::arg("max_edits") = 2, py::arg("limit") = 10, py::kw_only(),
           py::arg("transpositions") = false, py::arg("errors") = py::none(),
           "Spelling correction: the strings of the lower side (the side lookup reads) within "
           "max_edits insertions, deletions or substitutions of a symbol of word (0 to 100; with "
           "transpositions=True a swap of two adjacent symbols is one edit too), as a list of "
           "(suggestion, distance) pairs, best first: by distance, then by the matched string "
           "and the suggestion in byte order; at most limit of them (None: all). A suggestion "
           "is what the network writes for the string: the string itself on an automaton, its "
           "analyses on a lexical transducer. errors, a transducer from typed strings (upper "
           "side) to intended ones (lower side), replaces plain edits: each of its arcs "
           "labelled by a pair costs one, identity arcs none. The language is never listed: "
           "the search walks the network and gives up a path as soon as it cannot come within "
           "max_edits.")
      .def("suggest_many",
           [](Net &n, py::handle words, py::handle max_edits, py::handle limit,
              bool transpositions, py::handle errors) {
             const std::vector<std::string> inputs = text_list_argument(words, "words");
             const SuggestSettings settings =
                 suggest_settings(max_edits, limit, transpositions, errors);
             py::list all;
             for (const Suggestions &found : suggest_many(n, inputs, settings))
               all.append(suggestion_list(found));
             return all;
           },
           py::arg("words"), py::arg("max_edits") = 2, py::arg("limit") = 10, py::kw_only(),
           py::arg("transpositions") = false, py::arg("errors") = py::none(),
           "suggest() of every word, as a list of lists, with the GIL released for the whole "
           "batch.")
      .def("paths",
           [](const Net &n, py::handle limit, bool regex) {
             if (limit.is_none()) return Paths(n, std::nullopt, regex);
             return Paths(n, integer_argument(limit, "limit", 0, LLONG_MAX), regex);
           },
           py::arg("limit") = py::none(), py::kw_only(), py::arg("regex") = false,
           "An iterator over the (upper, lower) strings of the paths, shortest first, at most "
           "limit of them (None: all, without end when the network has a loop; ValueError when "
           "negative). The strings are written as lookup writes them: symbol names one after "
           "the other, OTHER as \"?\". With regex=True each side is written without ambiguity, "
           "as a regular expression of its symbols: separated by blanks, \"?\" for OTHER, "
           "escapes where needed (\"c a t %+N\", \"%?\"), so that kora.regex(side) is "
           "that side's string.")
      .def("save",
           [](const Net &n, py::handle path) {
             const std::string file = path_argument(path, "path");
             int status = exclusive([&] { return save_net(n.get(), file.c_str(), nullptr); });
             report(status != 0, "the network could not be saved");
           },
           py::arg("path"),
           "Saves the network to a network file (path: str, bytes or os.PathLike).")
      .def("dot",
           [](const Net &n, py::handle max_states) {
             return dot(n, static_cast<long>(
                               integer_argument(max_states, "max_states", LONG_MIN, LONG_MAX)));
           },
           py::arg("max_states") = 1000,
           "The network as a Graphviz DOT digraph (final states as double circles, the arcs "
           "between two states as one edge); kora.Error when it has more than max_states "
           "states (max_states 0 or less: no limit; 1000 by default, as kora draw).")
      .def("to_bytes", &to_bytes,
           "The bytes of a network file holding the network. The file's time of writing is\n"
           "fixed (January 1, 1970), so equal networks give equal bytes.")
      .def(py::pickle([](const Net &n) { return to_bytes(n); },
                      [](const py::bytes &bytes) { return from_bytes(bytes); }));

  for (const BinaryOperation &binary : binary_operations) {
    auto method = [binary](const Net &a, const Net &b) {
      return combine(binary.failure, a, b, binary.operation);
    };
    net.def(binary.method, method, py::arg("other"), binary.doc);
    if (binary.symbol != nullptr) net.def(binary.symbol, method, py::is_operator(), binary.doc);
  }
  for (const UnaryOperation &unary_operation : unary_operations)
    net.def(unary_operation.name,
            [unary_operation](const Net &n) {
              return unary(n, unary_operation.failure, unary_operation.operation);
            },
            unary_operation.doc);

  define_states(m, net);
  define_patterns(net);
  py::delattr(m, "__module__");

  m.def("regex",
        [](py::handle source) {
          const std::string text = text_argument(source, "source");
          return make_net("the regular expression could not be compiled", [&] {
            NET *net = read_regex(text.c_str());
            if (net == nullptr) show_regex_error_place(text);
            return net;
          });
        },
        py::arg("source"),
        "Compiles a regular expression (a str) into a new network. A syntax error raises "
        "kora.Error with the line of the expression and a caret under the place of the error.");
  m.def("lexicon",
        [](py::handle path) {
          const std::string file = path_argument(path, "path");
          return make_net("the lexicon could not be compiled", [&] {
            NET *net = read_vorn(file.c_str());
            locate_messages(file);
            return net;
          });
        },
        py::arg("path"),
        "Compiles a lexicon source file (path: str, bytes or os.PathLike). Its errors raise "
        "kora.Error and its warnings are kora.KoraWarning, each message as 'FILE:LINE: ...'.");
  m.def("read_words",
        [](py::handle source, bool spaced) {
          const std::string file = path_argument(source, "source");
          return make_net("the word list could not be read", [&] {
            return spaced ? read_spaced_text(file.c_str()) : read_text(file.c_str());
          });
        },
        py::arg("source"), py::arg("spaced") = false,
        "The minimal network of a word-list file (or of spaced text), named as kora.words "
        "names it.");
  m.def("load",
        [](py::handle path) {
          const std::string file = path_argument(path, "path");
          return make_net("no network could be loaded",
                          [&] { return load_net(file.c_str(), nullptr); });
        },
        py::arg("path"), "The first network of a network file (path: str, bytes or os.PathLike).");
  m.def(
      "lazy_compose",
      [](const py::args &nets) {
        std::vector<NET *> operands;
        for (py::handle item : nets) {
          if (!py::isinstance<Net>(item))
            throw py::type_error(std::string("lazy_compose() takes kora.Net arguments, not ") +
                                 std::string(py::str(py::type::of(item).attr("__name__"))));
          operands.push_back(item.cast<Net &>().get());
        }
        if (operands.empty()) throw py::type_error("lazy_compose() needs at least one network");
        return make_net("the lazy composition failed", [&] {
          NV vector{static_cast<int>(operands.size()), operands.data()};
          return lazy_compose_net(&vector, 1);
        });
      },
      "The composition of the networks, the first one above, as a virtual network.");
  m.def("from_bytes", &from_bytes, py::arg("data"),
        "The network of the bytes (bytes-like) of a network file.");
}
