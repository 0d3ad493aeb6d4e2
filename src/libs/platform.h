// The few services the library takes from the operating system.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kora {

// The memory page size of the system, asked once and remembered.
unsigned page_size();

// `bytes` of zeroed memory straight from the system (an anonymous mapping): nothing is written
// to it, so only the pages the caller touches ever take memory, whatever the allocator did
// with memory freed before. With `populate`, the system provides every page at once, which
// costs far less than a fault at the first touch of each page, for memory that will all be
// used. Null when the system refuses. Give it back with unmap_zeroed.
void *map_zeroed(size_t bytes, bool populate = false);
void unmap_zeroed(void *memory, size_t bytes);

// A whole file mapped read-only: its bytes stay where they are on disk and only the pages that
// are read ever take memory.
struct FileMapping {
  const uint8_t *bytes = nullptr;
  size_t size = 0;
};
// Maps the open file `fd` (the descriptor may be closed afterwards); false with `*failure` set
// to the system's error number when it cannot be mapped (an empty file cannot: EINVAL).
bool map_file(int fd, FileMapping *mapping, int *failure);
// Gives a mapping back; false when the system refuses.
bool unmap_file(const FileMapping &mapping);
// Drops the pages of a mapping that have been read from the process's memory; the bytes stay
// readable, each page coming back from the file when it is next read.
void forget_file_pages(const FileMapping &mapping);

}  // namespace kora
