// kora._kora: the Python extension of the kora module, a thin layer over the public interface
// (include/kora.h) that python/kora/__init__.py completes.
//
// Ownership. A Python Net owns one NET record and frees it when it dies; no operation consumes
// its operands (the keep and copy flags always keep them), so every result is a new record of
// its own. Nets never change after they are made: methods that transform return a new Net. The
// library is initialized once, when the module is imported, and never reclaimed: objects may
// outlive any point at which it could safely be done (module globals die in no fixed order at
// exit), and the process returns the memory.
//
// Threads. The library is single-threaded except for applyers, which may look up one network
// on several threads at once provided nothing else runs (see "Threads" in kora.h). One
// reader-writer lock stands for that rule: lookups hold it shared, every other library call
// holds it exclusively. The GIL is released around every call that may take time (compiling,
// combining, loading, looking up), the lock taken after the GIL is released and released before
// the GIL is taken back, so a thread holding the lock never waits for the GIL. Each Net keeps a
// pool of applyers per direction: a lookup takes one (making it when the pool is empty) and
// gives it back, so lookups on one Net from several threads each have their own.
//
// Messages. The library reports errors and warnings through callbacks; they are collected per
// thread while a call runs (no Python is touched under the lock), then errors are raised as
// kora.Error carrying the library's messages and warnings are issued as kora.Warning.
//
// Memory. The library's memory limit (set_memory_limit in kora.h) is set when the module is
// imported to half of the machine's physical memory, so that a runaway operation fails instead
// of taking the interpreter down; a call stopped by it raises MemoryError with the library's
// message. kora.set_memory_limit changes it for the whole process.
//
// Arguments are checked (python/arguments.h) before anything reaches the library: a wrong kind
// raises TypeError and a value the library cannot take ValueError, each naming the argument.
//
// Tested by tests/python/test_*.py.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "arguments.h"
#include "count-paths.h"
#include "kora.h"

namespace py = pybind11;

namespace {

using kora_python::bytes_argument;
using kora_python::integer_argument;
using kora_python::path_argument;
using kora_python::text_argument;
using kora_python::text_list_argument;

// --- The library lock and the messages of a call ------------------------------------------------

// Never destroyed: a Net may be freed after static destructors have run.
std::shared_mutex &library_lock() {
  static auto *lock = new std::shared_mutex;
  return *lock;
}

struct Messages {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

thread_local Messages call_messages;

void keep_error(const char *message, const char *, int) {
  call_messages.errors.emplace_back(message != nullptr ? message : "");
}
void keep_warning(const char *message, const char *, int) {
  call_messages.warnings.emplace_back(message != nullptr ? message : "");
}

PyObject *error_class = nullptr;    // kora.Error: a refusal or failure of the library
PyObject *warning_class = nullptr;  // kora.Warning

// Library text (UTF-8; undecodable bytes kept as surrogate escapes) as a Python string.
py::str text(const char *bytes, size_t length) {
  PyObject *object = PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "surrogateescape");
  if (object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(object);
}

py::str text(const std::string &bytes) { return text(bytes.data(), bytes.size()); }

// With the GIL held: issues the warnings of the call just made as kora.Warning and raises its
// errors, one message a line, as MemoryError when the library's memory limit stopped the call
// and as kora.Error otherwise (or `failure` when it failed without a message).
void report(bool failed, const char *failure) {
  Messages messages = std::move(call_messages);
  call_messages = Messages();
  for (const std::string &warning : messages.warnings)
    if (PyErr_WarnFormat(warning_class, 1, "%U", text(warning).ptr()) != 0)
      throw py::error_already_set();
  if (messages.errors.empty() && !failed) return;
  std::string all = messages.errors.empty() ? failure : "";
  bool over_limit = false;
  for (const std::string &error : messages.errors) {
    all += (all.empty() ? "" : "\n") + error;
    over_limit |= error.starts_with("Memory limit exceeded: ");
  }
  PyErr_SetObject(over_limit ? PyExc_MemoryError : error_class, text(all).ptr());
  throw py::error_already_set();
}

// Runs `work` with the GIL released, holding the library lock exclusively.
template <typename Work>
auto exclusive(Work &&work) {
  py::gil_scoped_release no_gil;
  std::unique_lock<std::shared_mutex> lock(library_lock());
  return work();
}

// Half of the machine's physical memory: the memory limit the module starts with (0, no limit,
// when the system does not say).
size_t half_of_physical_memory() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<size_t>(pages) * static_cast<size_t>(page_size) / 2;
}

// --- Networks ---------------------------------------------------------------------------------

class Net {
 public:
  explicit Net(NET *net) : net_(net) {}
  Net(const Net &) = delete;
  Net &operator=(const Net &) = delete;

  // Called with the GIL held. Waiting for the lock with it is safe: whoever holds the lock
  // finishes without the GIL.
  // Whatever the library reports while freeing is dropped, not left to the next call.
  ~Net() {
    Messages pending = std::move(call_messages);
    {
      std::unique_lock<std::shared_mutex> lock(library_lock());
      for (auto &pool : pools_)
        for (APPLY_CONTEXT *applyer : pool) free_applyer(applyer);
      free_network(net_);
    }
    call_messages = std::move(pending);
  }

  NET *get() const { return net_; }

  // Runs `work(applyer)` with an applyer of this network for `side` (0 down, 1 up), holding
  // the library lock shared; the GIL must have been released.
  template <typename Work>
  void with_applyer(int side, Work &&work) {
    std::shared_lock<std::shared_mutex> lock(library_lock());
    APPLY_CONTEXT *applyer = nullptr;
    {
      std::lock_guard<std::mutex> pool_lock(pool_mutex_);
      if (!pools_[side].empty()) {
        applyer = pools_[side].back();
        pools_[side].pop_back();
      }
    }
    if (applyer == nullptr) applyer = init_apply(net_, side, nullptr);
    if (applyer == nullptr) return;
    work(applyer);
    std::lock_guard<std::mutex> pool_lock(pool_mutex_);
    pools_[side].push_back(applyer);
  }

 private:
  NET *net_;
  std::mutex pool_mutex_;
  std::vector<APPLY_CONTEXT *> pools_[2];
};

using NetPtr = std::shared_ptr<Net>;

// A new Net of what `make` returns, run with the GIL released under the exclusive lock; an
// error reported meanwhile (or a null result) frees the result and raises kora.Error.
template <typename Make>
NetPtr make_net(const char *failure, Make &&make) {
  NET *result = exclusive([&] {
    NET *net = make();
    if (net != nullptr && !call_messages.errors.empty()) {
      free_network(net);
      net = nullptr;
    }
    return net;
  });
  report(result == nullptr, failure);
  return std::make_shared<Net>(result);
}

// The two operands of a binary operation; one record passed twice is given as itself and a
// copy, so that no operation ever sees an alias.
template <typename Combine>
NetPtr combine(const char *failure, const Net &a, const Net &b, Combine &&combine_nets) {
  return make_net(failure, [&] {
    if (a.get() != b.get()) return combine_nets(a.get(), b.get(), 1, 1);
    NET *copy = copy_net(b.get());
    return copy != nullptr ? combine_nets(a.get(), copy, 1, 0) : nullptr;
  });
}

// A unary operation with copy flag 1.
NetPtr unary(const Net &net, const char *failure, NET *(*operation)(NET *, int)) {
  return make_net(failure, [&] { return operation(net.get(), 1); });
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
  return text_of_copy(net, "the network could not be drawn",
                      [&](NET *copy) { return network_to_dot(copy, max_states); });
}

// The saved-file bytes of the network.
py::bytes to_bytes(const Net &net) {
  std::string bytes = exclusive([&] {
    size_t length = 0;
    unsigned char *saved = save_net_to_memory(net.get(), &length, nullptr);
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
  Paths(const Net &net, std::optional<long long> limit) : left_(limit) {
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
          upper += names_[arc->name].first;
          lower += names_[arc->name].second;
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
          char *upper = label_side_name(label, 0);
          char *lower = label_side_name(label, 1);
          names_.emplace_back(upper != nullptr ? upper : "", lower != nullptr ? lower : "");
          std::free(upper);
          std::free(lower);
        }
        states_[i].push_back(Arc{destination, found->second});
      }
    }
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
  size_t length_ = 0;
  std::vector<Frame> frames_;
  std::vector<const Arc *> path_;
  bool fresh_ = true;
};

// --- Sizes ------------------------------------------------------------------------------------

// The number of paths; TypeError for a network with a loop.
size_t path_count(const Net &net) {
  std::optional<uint64_t> count = exclusive([&] { return kora_tool::count_paths(net.get()); });
  report(false, "");
  if (!count) throw py::type_error("len() of a network with a loop: it has infinitely many paths");
  if (*count > static_cast<uint64_t>(PY_SSIZE_T_MAX))
    throw py::value_error("the network has more paths than len() can count");
  return static_cast<size_t>(*count);
}

// Whether some path leads from the start state to a final state.
bool has_path(const Net &net) {
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

// The names of the symbols of the network's sigma.
py::set sigma(const Net &net) {
  std::vector<std::string> names = exclusive([&] {
    std::vector<std::string> found;
    ALPH *alph = net_sigma(net.get());
    if (alph == nullptr) return found;
    auto add = [&](uint32_t id) {
      if (char *name = label_side_name(id, 0)) {
        found.emplace_back(name);
        std::free(name);
      }
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
  for (const std::string &name : names) set.add(text(name.data(), name.size()));
  return set;
}

bool equivalent(const Net &a, const Net &b) {
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

// The calculus as Python operators and methods: name, what a failure says, the operation.
struct BinaryOperation {
  const char *name;
  const char *failure;
  NET *(*operation)(NET *, NET *, int, int);
};
const BinaryOperation binary_operations[] = {
    {"__or__", "union failed", union_net},
    {"__add__", "concatenation failed", concat_net},
    {"__and__", "intersection failed", intersect_net},
    {"__sub__", "difference failed", minus_net},
    {"__matmul__", "composition failed", compose_net},
};

struct UnaryOperation {
  const char *name;
  const char *failure;
  NET *(*operation)(NET *, int);
  const char *doc;
};
const UnaryOperation unary_operations[] = {
    {"__invert__", "complement failed", negate_net, "The complement of an automaton."},
    {"star", "star failed", zero_plus_net, "Zero or more repetitions."},
    {"plus", "plus failed", one_plus_net, "One or more repetitions."},
    {"optional", "optional failed", optional_net, "The language or the empty string."},
    {"reverse", "reverse failed", reverse_net, "Every path spelled backwards."},
    {"invert", "invert failed", invert_net, "Upper and lower sides exchanged."},
    {"upper", "upper side failed", upper_side_net, "The upper-side language, as an automaton."},
    {"lower", "lower side failed", lower_side_net, "The lower-side language, as an automaton."},
};

}  // namespace

PYBIND11_MODULE(_kora, m) {
  m.doc() = "The kora finite-state library (the extension behind the kora package).";
  error_class = PyErr_NewException("kora.Error", PyExc_Exception, nullptr);
  if (error_class == nullptr) throw py::error_already_set();
  m.attr("Error") = py::handle(error_class);
  warning_class = PyErr_NewException("kora.Warning", PyExc_UserWarning, nullptr);
  if (warning_class == nullptr) throw py::error_already_set();
  m.attr("Warning") = py::handle(warning_class);

  // Once per process: the library stays initialized until the process ends.
  {
    std::unique_lock<std::shared_mutex> lock(library_lock());
    set_error_function(keep_error);
    set_warning_function(keep_warning);
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

  py::class_<Net, NetPtr> net(m, "Net", "A finite-state network: an automaton or a transducer.");
  net.def_property_readonly("states", [](const Net &n) { return NET_num_states(n.get()); },
                            "The number of states.")
      .def_property_readonly("arcs", [](const Net &n) { return NET_num_arcs(n.get()); },
                             "The number of arcs.")
      .def_property_readonly("arity", [](const Net &n) { return NET_arity(n.get()); },
                             "1 for an automaton, 2 for a transducer.")
      .def_property_readonly("sigma", &sigma, "The names of the symbols the network knows.")
      .def("__len__", &path_count,
           "The number of paths (words of an automaton, string pairs of a transducer); "
           "TypeError when the network has a loop.")
      .def("__bool__", &has_path, "Whether the network accepts anything.")
      .def("__str__", &listing, "The listing of the network, state by state.")
      .def("__repr__", [](const Net &n) {
        return "<kora.Net: " + std::to_string(NET_num_states(n.get())) + " states, " +
               std::to_string(NET_num_arcs(n.get())) + " arcs, " +
               (NET_arity(n.get()) == 2 ? "transducer>" : "automaton>");
      })
      .def("repeat",
           [](const Net &n, py::handle min_argument, py::handle max_argument) {
             const int min = static_cast<int>(integer_argument(min_argument, "min", 0, INT_MAX));
             int max = -1;
             if (!max_argument.is_none()) {
               max = static_cast<int>(integer_argument(max_argument, "max", 0, INT_MAX));
               if (max < min)
                 throw py::value_error("max (" + std::to_string(max) + ") is less than min (" +
                                       std::to_string(min) + ")");
             }
             return make_net("repeat failed", [&] { return repeat_net(n.get(), min, max, 1); });
           },
           py::arg("min"), py::arg("max") = py::none(),
           "From min to max repetitions (max None: no maximum); ValueError when min is negative "
           "or max is less than min.")
      .def("minimize",
           [](const Net &n) {
             return make_net("minimize failed", [&] {
               NET *copy = copy_net(n.get());
               if (copy == nullptr || minimize_net(copy) != 0) {
                 free_network(copy);
                 return static_cast<NET *>(nullptr);
               }
               return copy;
             });
           },
           "The minimal network of the same relation (a new network).")
      .def("copy", [](const Net &n) { return make_net("copy failed", [&] { return copy_net(n.get()); }); })
      .def("equivalent",
           [](const Net &n, py::handle other) {
             if (!py::isinstance<Net>(other))
               throw py::type_error(std::string("other must be a kora.Net, not ") +
                                    Py_TYPE(other.ptr())->tp_name);
             return equivalent(n, other.cast<const Net &>());
           },
           py::arg("other"),
           "Whether the two networks accept the same strings (or string pairs).")
      .def("lookup", [](Net &n, py::handle input) { return lookup(n, input, 0); },
           py::arg("input"),
           "The lower strings of the paths whose upper side is the input (a str).")
      .def("generate", [](Net &n, py::handle input) { return lookup(n, input, 1); },
           py::arg("input"),
           "The upper strings of the paths whose lower side is the input (a str).")
      .def("lookup_many",
           [](Net &n, py::handle inputs, py::handle direction) {
             return lookup_many(n, inputs, side_of(direction));
           },
           py::arg("inputs"), py::arg("direction") = "down",
           "lookup (direction 'down') or generate ('up') of every input, as a list of lists, "
           "with the GIL released for the whole batch.")
      .def("paths",
           [](const Net &n, py::handle limit) {
             if (limit.is_none()) return Paths(n, std::nullopt);
             return Paths(n, integer_argument(limit, "limit", 0, LLONG_MAX));
           },
           py::arg("limit") = py::none(),
           "An iterator over the (upper, lower) strings of the paths, shortest first, at most "
           "limit of them (None: all, without end when the network has a loop; ValueError when "
           "negative).")
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
      .def("to_bytes", &to_bytes, "The bytes of a network file holding the network.")
      .def(py::pickle([](const Net &n) { return to_bytes(n); },
                      [](const py::bytes &bytes) { return from_bytes(bytes); }));

  for (const BinaryOperation &binary : binary_operations)
    net.def(binary.name,
            [binary](const Net &a, const Net &b) {
              return combine(binary.failure, a, b, binary.operation);
            },
            py::is_operator());
  for (const UnaryOperation &unary_operation : unary_operations)
    net.def(unary_operation.name,
            [unary_operation](const Net &n) {
              return unary(n, unary_operation.failure, unary_operation.operation);
            },
            unary_operation.doc);

  py::class_<Paths>(m, "Paths")
      .def("__iter__", [](Paths &paths) -> Paths & { return paths; })
      .def("__next__", &Paths::next);

  m.def("regex",
        [](py::handle source) {
          const std::string text = text_argument(source, "source");
          return make_net("the regular expression could not be compiled",
                          [&] { return read_regex(text.c_str()); });
        },
        py::arg("source"), "Compiles a regular expression (a str).");
  m.def("lexicon",
        [](py::handle path) {
          const std::string file = path_argument(path, "path");
          return make_net("the lexicon could not be compiled",
                          [&] { return read_vorn(file.c_str()); });
        },
        py::arg("path"), "Compiles a lexicon source file (path: str, bytes or os.PathLike).");
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
  m.def("from_bytes", &from_bytes, py::arg("data"),
        "The network of the bytes (bytes-like) of a network file.");
}
