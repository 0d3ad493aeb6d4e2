// The guard of exported calls: the list of records a call made and the handling of the
// exceptions that end a call (see boundary.h).

#include "boundary.h"

#include <cctype>
#include <exception>
#include <new>
#include <vector>

#include "error.h"

namespace kora {

thread_local int guarded_call_depth = 0;

namespace {

struct MadeRecord {
  void *object;
  void (*release)(void *);
};

// The records made by the outermost call running on this thread.
thread_local std::vector<MadeRecord> made_in_call;

// "read_regex" -> "READ_REGEX", the form in which messages name operations.
std::string operation_name(const char *function) {
  std::string name(function);
  for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// Frees what the failed call made, newest first (a network made from another is freed before
// it). Releasing may itself run exported functions, which run nested inside this call.
void release_made() {
  while (!made_in_call.empty()) {
    MadeRecord record = made_in_call.back();
    made_in_call.pop_back();
    record.release(record.object);
  }
}

}  // namespace

void note_made(void *object, void (*release)(void *)) {
  if (guarded_call_depth > 0) made_in_call.push_back({object, release});
}

void forget_made(void *object) {
  std::erase_if(made_in_call, [object](const MadeRecord &record) { return record.object == object; });
}

void note_freed(void *object) {
  if (!made_in_call.empty() && made_in_call.back().object == object) made_in_call.pop_back();
}

namespace boundary_detail {

OutermostCall::~OutermostCall() {
  made_in_call.clear();
  guarded_call_depth = 0;
}

void abandon_call(const char *function) {
  const std::string name = operation_name(function);
  try {
    throw;
  } catch (const CallAbandoned &abandoned) {
    release_made();
    error_printf("%s: %s (%s)", abandoned.reason, name.c_str(), abandoned.detail.c_str());
  } catch (const std::bad_alloc &) {
    out_of_memory(name.c_str());
  } catch (const std::exception &exception) {
    programming_error(name.c_str(), "Unexpected exception: %s\n", exception.what());
  } catch (...) {
    programming_error(name.c_str(), "Unexpected exception\n");
  }
}

}  // namespace boundary_detail
}  // namespace kora
