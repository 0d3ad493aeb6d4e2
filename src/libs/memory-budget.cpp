// The count of bytes held against the caller's memory limit (see memory-budget.h).

#include "memory-budget.h"

#include <string>

#include "boundary.h"
#include "context.h"

namespace kora {

void charge_memory(size_t bytes) {
  const size_t now = bytes_held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  const size_t limit = context()->memory_limit;
  if (limit == 0 || now <= limit || guarded_call_depth == 0) return;
  bytes_held.fetch_sub(bytes, std::memory_order_relaxed);
  throw CallAbandoned{"Memory limit exceeded", "limit " + std::to_string(limit) + " bytes"};
}

void release_memory(size_t bytes) { bytes_held.fetch_sub(bytes, std::memory_order_relaxed); }

}  // namespace kora

extern "C" {

KORA_API void set_memory_limit(FST_CONTEXT *context, size_t bytes) {
  kora::guarded(__func__, [&] {
      (context != nullptr ? context : kora::context())->memory_limit = bytes;
  });
}

}  // extern "C"
