#include "platform.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
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

bool map_file(int fd, FileMapping *mapping, int *failure) {
  struct stat facts;
  if (fstat(fd, &facts) != 0) {
    *failure = errno;
    return false;
  }
  if (facts.st_size == 0) {
    *failure = EINVAL;
    return false;
  }
  void *bytes = mmap(nullptr, static_cast<size_t>(facts.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (bytes == MAP_FAILED) {
    *failure = errno;
    return false;
  }
  // Lookups read the states they reach, scattered over the file: without read-ahead and
  // fault-around, only the pages they touch become resident.
  madvise(bytes, static_cast<size_t>(facts.st_size), MADV_RANDOM);
  mapping->bytes = static_cast<const uint8_t *>(bytes);
  mapping->size = static_cast<size_t>(facts.st_size);
  return true;
}

void forget_file_pages(const FileMapping &mapping) {
  // The mapping is private and never written: dropping its pages loses nothing.
  madvise(const_cast<uint8_t *>(mapping.bytes), mapping.size, MADV_DONTNEED);
}

bool unmap_file(const FileMapping &mapping) {
  return munmap(const_cast<uint8_t *>(mapping.bytes), mapping.size) == 0;
}

}  // namespace kora
