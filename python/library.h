// The kora module's access to the library (include/kora.h): the lock that stands for its
// threading rule, the messages of a call turned into Python exceptions and warnings, and Net,
// the Python network that owns one NET record.
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
// kora.Error carrying the library's messages and warnings are issued as kora.KoraWarning.
//
// Tested by tests/python/test_*.py.
#ifndef KORA_PYTHON_LIBRARY_H
#define KORA_PYTHON_LIBRARY_H

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kora.h"

namespace kora_python {

// --- The library lock and the messages of a call ------------------------------------------------

std::shared_mutex &library_lock();

struct Messages {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

// What the library reported on this thread since the last report().
extern thread_local Messages call_messages;

// Installs the callbacks that fill call_messages; with the library lock held.
void collect_messages();

extern PyObject *error_class;    // kora.Error: a refusal or failure of the library
extern PyObject *warning_class;  // kora.KoraWarning

// Library text (UTF-8; undecodable bytes kept as surrogate escapes) as a Python string.
pybind11::str text(const char *bytes, size_t length);
pybind11::str text(const std::string &bytes);

// The messages of the call just made (this thread's) that name a line of a lexicon file, "line
// N: message", as "FILE:N: message".
void locate_messages(const std::string &file);

// Under the first error of the call just made, when it is the regex parser's ("Regex error
// ..."): the line of `text` where the parser stopped and a caret under the place that
// regex_error_position gives. With the library lock held.
void show_regex_error_place(const std::string &text);

// With the GIL held: issues the warnings of the call just made as kora.KoraWarning and raises
// its errors, one message a line, as MemoryError when the library's memory limit stopped the
// call and as kora.Error otherwise (or `failure` when it failed without a message).
void report(bool failed, const char *failure);

// Runs `work` with the GIL released, holding the library lock exclusively.
template <typename Work>
auto exclusive(Work &&work) {
  pybind11::gil_scoped_release no_gil;
  std::unique_lock<std::shared_mutex> lock(library_lock());
  return work();
}

// --- Networks ---------------------------------------------------------------------------------

// The states of a network numbered for Python: the start state 0, then the others in the order
// of the network's state list, then the states added through the module, in the order added.
// A network in the plain representation is numbered itself; one in another (arc-optimized,
// shared arcs, vectorized, reduced labelset) through a plain copy, since the library may lay
// such a network's arcs anew in place when it is an operand. The numbering is kept while the
// network's first state and its state and arc counts stay what they were when it was made, and
// made again otherwise, so that no state pointer is read after the library could have freed it.
struct StateTable {
  NET *source = nullptr;      // the network numbered: the Net's own or plain_copy
  NET *plain_copy = nullptr;  // owned; null for a network in the plain representation
  std::vector<STATE *> states;
  std::unordered_map<STATE *, uint32_t> numbers;
  STATE *first = nullptr;  // NET_states(source) when numbered
  uint32_t state_count = 0, arc_count = 0;
};

// Whether the network is in the plain representation: arc lists that the calculus edits.
bool is_plain(const NET *net);

// Why `what` cannot be done on a lazy (virtual) network: its states are made only as lookups
// reach them, so nothing that needs them all (a listing, a count, a drawing, the calculus) is
// answered from it, rather than from the part made so far.
std::string lazy_refusal(const char *what);

// Raises kora.Error with lazy_refusal(what) when the network is lazy.
void refuse_lazy(const NET *net, const char *what);

// A copy of the network in the plain representation (the caller's), or null when none can be
// made (a compacted or virtual network).
NET *plain_copy_of(NET *net);

// `made`, or null when it is `a` or `b`: an operation that keeps its operands and refuses may
// hand one back unchanged, which is not a result of its own.
NET *made_from(NET *made, const NET *a, const NET *b = nullptr);

class Net {
 public:
  explicit Net(NET *net) : net_(net) {}
  Net(const Net &) = delete;
  Net &operator=(const Net &) = delete;
  ~Net();

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

  // Runs `work(applyer)` with an approximate applyer of this network read up (its lower side),
  // with the error model `model` or none, holding the library lock shared; the GIL must have
  // been released. Applyers without a model are kept for the next call, as lookup's are.
  template <typename Work>
  void with_approx_applyer(NET *model, Work &&work) {
    std::shared_lock<std::shared_mutex> lock(library_lock());
    APPROX_APPLYER *applyer = nullptr;
    if (model == nullptr) {
      std::lock_guard<std::mutex> pool_lock(pool_mutex_);
      if (!approx_pool_.empty()) {
        applyer = approx_pool_.back();
        approx_pool_.pop_back();
      }
    }
    if (applyer == nullptr) applyer = init_apply_approx(net_, 1, model, nullptr);
    if (applyer == nullptr) return;
    work(applyer);
    if (model != nullptr) {
      free_approx_applyer(applyer);
      return;
    }
    std::lock_guard<std::mutex> pool_lock(pool_mutex_);
    approx_pool_.push_back(applyer);
  }

  // The state table, numbered anew when the network changed behind it; null (after the
  // library's error) when no plain copy could be made. Under the exclusive lock.
  StateTable *table();

  // After the module changed the network (a state, an arc, a final state or the start state):
  // the applyers, which look up a copy made when they were, are dropped, and the table takes
  // the network's new counts. Under the exclusive lock.
  void changed();

 private:
  void free_applyers();

  NET *net_;
  std::mutex pool_mutex_;
  std::vector<APPLY_CONTEXT *> pools_[2];
  std::vector<APPROX_APPLYER *> approx_pool_;
  std::unique_ptr<StateTable> table_;
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

// A binary operation given as its keep-flag function, for two networks: one record passed
// twice is given as itself and a copy, so that no operation ever sees an alias.
using BinaryFunction = NET *(*)(NET *, NET *, int, int);
NetPtr combine(const char *failure, const Net &a, const Net &b, BinaryFunction combine_nets);

// A unary operation with copy flag 1.
NetPtr unary(const Net &net, const char *failure, NET *(*operation)(NET *, int));

}  // namespace kora_python

#endif  // KORA_PYTHON_LIBRARY_H
