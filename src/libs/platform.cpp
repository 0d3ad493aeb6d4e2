#include "platform.h"

#include <unistd.h>

namespace kora {

unsigned page_size() {
  static const unsigned size = [] {
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<unsigned>(size) : 4096u;
  }();
  return size;
}

}  // namespace kora
