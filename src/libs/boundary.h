// The boundary of the exported interface. Every exported function runs its body through
// guarded(), so that no C++ exception ever reaches a caller of kora.h:
// - CallAbandoned, thrown by library code that must give up the whole call (the memory limit
//   reached, a result too large to hold), is reported as an error naming the call, whatever
//   the call made is freed, and the call returns its failure value; the library stays usable;
// - std::bad_alloc (an allocation the system refused, in a standard container or anywhere) ends
//   the process through out_of_memory with the call's name, as every allocation failure does;
// - any other exception is a broken invariant, reported as a programming error.
// Only the outermost guarded call of a thread catches: an exported function that the library
// calls from inside another runs its body directly, and a failure unwinds to the outermost one.
//
// What a call made is known through note_made: modules that hand out records the caller would
// own (networks) note each one made while a call runs; a failed call releases those still
// alive. A record that a call puts somewhere longer-lived (a definition) is taken off the list
// with forget_made. Cost on the normal path: a thread-local counter and, per record made, one
// entry appended to a thread-local list that the call's end empties.
#pragma once

#include <string>
#include <type_traits>

namespace kora {

// Gives up the exported call under way: "<reason>: <CALL> (<detail>)" is reported as an error
// by the outermost guard.
struct CallAbandoned {
  const char *reason;  // a static text, "Memory limit exceeded"
  std::string detail;  // "limit 1048576 bytes"
};

// Guarded calls running on this thread (0 outside the library, 1 inside an exported call).
// Initial-exec: one load from the thread pointer, as the guard runs on every exported call.
extern thread_local int guarded_call_depth __attribute__((tls_model("initial-exec")));

// Records that the running call made `object`, which `release` frees should the call fail.
// Nothing is recorded outside a guarded call.
void note_made(void *object, void (*release)(void *));
// The running call keeps `object` beyond its end (it was stored somewhere longer-lived).
void forget_made(void *object);
// `object` was freed: when it is the newest record, as for a network made and freed within
// one step, the record goes, so that a long call's list stays about as long as what it
// holds. O(1); an older record stays (releasing a freed record does nothing).
void note_freed(void *object);

namespace boundary_detail {

// Ends the outermost call: empties the list of records made; releases them first on failure.
struct OutermostCall {
  OutermostCall() { guarded_call_depth = 1; }
  ~OutermostCall();
  OutermostCall(const OutermostCall &) = delete;
  OutermostCall &operator=(const OutermostCall &) = delete;
};

// Inside a catch block: reports the exception being handled as the failure of `function`
// (see above; std::bad_alloc and unexpected exceptions end the process) and releases what the
// call made.
void abandon_call(const char *function);

}  // namespace boundary_detail

// Runs `body`, the work of the exported function `function` (its __func__), and returns its
// result, or `failure` when the call had to be abandoned.
template <typename Body, typename Result = std::invoke_result_t<Body>>
Result guarded(const char *function, std::type_identity_t<Result> failure, Body &&body) {
  if (guarded_call_depth > 0) return body();
  boundary_detail::OutermostCall call;
  try {
    return body();
  } catch (...) {
    boundary_detail::abandon_call(function);
    return failure;
  }
}

// The same for a function without a result.
template <typename Body>
void guarded(const char *function, Body &&body) {
  if (guarded_call_depth > 0) return body();
  boundary_detail::OutermostCall call;
  try {
    body();
  } catch (...) {
    boundary_detail::abandon_call(function);
  }
}

}  // namespace kora
