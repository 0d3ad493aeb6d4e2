// Saved network files for the storage tests: scratch paths, whole files as bytes, and networks
// saved to bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kora.h"

namespace kora_test {

using Bytes = std::vector<uint8_t>;

// A path in the test's scratch directory (gtest's TempDir), unique to the running test.
std::string scratch_path(const std::string &name);

// The bytes of a file (empty when it cannot be read), and a file made of bytes.
Bytes read_bytes(const std::string &path);
void write_bytes(const std::string &path, const Bytes &bytes);

// The bytes save_nets writes for the networks (empty when it fails). With KORA_KEEP_SAVED in the
// environment the file is kept in the scratch directory, for a look at a failing test.
Bytes saved_bytes(const std::vector<NET *> &nets);

// Big-endian u32 at `offset`.
uint32_t u32_at(const Bytes &bytes, size_t offset);

}  // namespace kora_test
