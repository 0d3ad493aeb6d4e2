#include "platform.h"

#include <sys/mman.h>
#include <unistd.h>

namespace kora {

unsigned page_size() {
  static const unsigned size = [] {
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<unsigned>(size) : 4096u;
  }();
  return size;
}

void *map_zeroed(size_t bytes, bool populate) {
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0);
  void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, flags, -1, 0);
  return memory == MAP_FAILED ? nullptr : memory;
}

void unmap_zeroed(void *memory, size_t bytes) {
  if (memory != nullptr) munmap(memory, bytes);
}

}  // namespace kora
