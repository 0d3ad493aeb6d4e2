// The kora module's access to the library (see library.h).

#include "library.h"

#include <cstdlib>

#include "error-place.h"

namespace py = pybind11;

namespace kora_python {

// Never destroyed: a Net may be freed after static destructors have run.
std::shared_mutex &library_lock() {
  static auto *lock = new std::shared_mutex;
  return *lock;
}

thread_local Messages call_messages;

PyObject *error_class = nullptr;
PyObject *warning_class = nullptr;

namespace {

void keep_error(const char *message, const char *, int) {
  call_messages.errors.emplace_back(message != nullptr ? message : "");
}
void keep_warning(const char *message, const char *, int) {
  call_messages.warnings.emplace_back(message != nullptr ? message : "");
}

}  // namespace

void collect_messages() {
  set_error_function(keep_error);
  set_warning_function(keep_warning);
}

py::str text(const char *bytes, size_t length) {
  PyObject *object = PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "surrogateescape");
  if (object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(object);
}

py::str text(const std::string &bytes) { return text(bytes.data(), bytes.size()); }

void locate_messages(const std::string &file) {
  auto locate = [&](std::string &message) {
    if (message.compare(0, 5, "line ") != 0) return;
    size_t end = message.find_first_not_of("0123456789", 5);
    if (end == std::string::npos || end == 5 || message.compare(end, 2, ": ") != 0) return;
    message = file + ":" + message.substr(5, end - 5) + message.substr(end);
  };
  for (std::string &error : call_messages.errors) locate(error);
  for (std::string &warning : call_messages.warnings) locate(warning);
}

void show_regex_error_place(const std::string &text) {
  if (call_messages.errors.empty() || !call_messages.errors[0].starts_with("Regex error")) return;
  long long offset = regex_error_position(nullptr, nullptr);
  if (offset >= 0)
    call_messages.errors[0] += "\n" + kora_tool::error_place(text, static_cast<size_t>(offset),
                                                              " at the end of the expression");
  // The library's hint follows the error as a warning: here it joins the error.
  std::vector<std::string> &warnings = call_messages.warnings;
  for (auto warning = warnings.begin(); warning != warnings.end();) {
    if (warning->starts_with("Hint: ")) {
      call_messages.errors[0] += "\n" + *warning;
      warning = warnings.erase(warning);
    } else {
      ++warning;
    }
  }
}

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

bool is_plain(const NET *net) {
  return !net->flags.compacted && !net->flags.shared_arc_lists && !net->flags2.optimized &&
         !net->flags2.has_arc_vectors && !net->flags2.reduced_labelset && !net->flags2.is_virtual;
}

std::string lazy_refusal(const char *what) {
  return std::string(what) +
         ": the network is lazy (a virtual network, as kora.lazy_compose makes): its states are "
         "made only as lookups reach them; it looks up, generates, saves and pickles, and "
         "kora.compose builds the whole network for the rest";
}

void refuse_lazy(const NET *net, const char *what) {
  if (!net->flags2.is_virtual) return;
  PyErr_SetObject(error_class, text(lazy_refusal(what)).ptr());
  throw py::error_already_set();
}

// Called with the GIL held. Waiting for the lock with it is safe: whoever holds the lock
// finishes without the GIL.
// Whatever the library reports while freeing is dropped, not left to the next call.
Net::~Net() {
  Messages pending = std::move(call_messages);
  {
    std::unique_lock<std::shared_mutex> lock(library_lock());
    free_applyers();
    if (table_) free_network(table_->plain_copy);
    free_network(net_);
  }
  call_messages = std::move(pending);
}

void Net::free_applyers() {
  for (auto &pool : pools_) {
    for (APPLY_CONTEXT *applyer : pool) free_applyer(applyer);
    pool.clear();
  }
  for (APPROX_APPLYER *applyer : approx_pool_) free_approx_applyer(applyer);
  approx_pool_.clear();
}

NET *plain_copy_of(NET *net) {
  NET *copy = copy_net(net);  // plain arcs for a vectorized network, all labels for a reduced one
  if (copy != nullptr && copy->flags.compacted) uncompact_net(copy);
  if (copy != nullptr && copy->flags.shared_arc_lists) copy = unshare_arcs(copy);
  if (copy != nullptr && copy->flags2.optimized) unoptimize_arcs(copy);
  if (copy != nullptr && !is_plain(copy)) {
    free_network(copy);
    copy = nullptr;
  }
  return copy;
}

StateTable *Net::table() {
  if (table_) {
    NET *source = table_->source;
    if (NET_states(source) == table_->first && NET_num_states(source) == table_->state_count &&
        NET_num_arcs(source) == table_->arc_count)
      return table_.get();
    free_network(table_->plain_copy);
    table_.reset();
  }
  auto table = std::make_unique<StateTable>();
  table->source = net_;
  if (!is_plain(net_)) {
    table->plain_copy = plain_copy_of(net_);
    if (table->plain_copy == nullptr) {
      if (net_->flags2.is_virtual)
        call_messages.errors.assign(1, lazy_refusal("its states"));
      else if (call_messages.errors.empty())
        call_messages.errors.emplace_back("the states of this network cannot be listed");
      return nullptr;
    }
    table->source = table->plain_copy;
  }
  NET *source = table->source;
  auto add = [&](STATE *state) {
    if (table->numbers.emplace(state, static_cast<uint32_t>(table->states.size())).second)
      table->states.push_back(state);
  };
  if (NET_start_state(source) != nullptr) add(NET_start_state(source));
  for (STATE *state = NET_states(source); state != nullptr; state = STATE_next(state)) add(state);
  table->first = NET_states(source);
  table->state_count = NET_num_states(source);
  table->arc_count = NET_num_arcs(source);
  table_ = std::move(table);
  return table_.get();
}

void Net::changed() {
  free_applyers();
  if (table_) {
    table_->first = NET_states(net_);
    table_->state_count = NET_num_states(net_);
    table_->arc_count = NET_num_arcs(net_);
  }
}

NET *made_from(NET *made, const NET *a, const NET *b) {
  return made == a || made == b ? nullptr : made;
}

NetPtr combine(const char *failure, const Net &a, const Net &b, BinaryFunction combine_nets) {
  refuse_lazy(a.get(), failure);
  refuse_lazy(b.get(), failure);
  return make_net(failure, [&] {
    if (a.get() != b.get())
      return made_from(combine_nets(a.get(), b.get(), 1, 1), a.get(), b.get());
    NET *copy = copy_net(b.get());
    return copy != nullptr ? made_from(combine_nets(a.get(), copy, 1, 0), a.get()) : nullptr;
  });
}

NetPtr unary(const Net &net, const char *failure, NET *(*operation)(NET *, int)) {
  refuse_lazy(net.get(), failure);
  return make_net(failure, [&] { return made_from(operation(net.get(), 1), net.get()); });
}

}  // namespace kora_python
