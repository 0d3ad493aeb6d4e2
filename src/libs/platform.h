// The few services the library takes from the operating system.
#pragma once

namespace kora {

// The memory page size of the system, asked once and remembered.
unsigned page_size();

}  // namespace kora
