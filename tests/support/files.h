// Files for the tests that read and write them: scratch directories and paths, whole-file
// contents as text or bytes, and networks saved to bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kora.h"

namespace kora_test {

// A scratch directory of its own, removed with everything in it when the ScratchFiles goes.
class ScratchFiles {
 public:
  ScratchFiles();
  ~ScratchFiles();
  ScratchFiles(const ScratchFiles &) = delete;
  ScratchFiles &operator=(const ScratchFiles &) = delete;

  // The path of `name` in the directory (nothing is made).
  std::string path(const std::string &name) const;
  // Writes `bytes` to the file `name` and returns its path.
  std::string write(const std::string &name, const std::string &bytes) const;
  // The directory itself.
  const std::string &directory() const { return directory_; }

 private:
  std::string directory_;
};

// A path in gtest's scratch directory, unique to the running test.
std::string scratch_path(const std::string &name);

// The contents of the file at `path`; empty when it cannot be read.
std::string read_file(const std::string &path);

// A temporary stream holding `bytes`, positioned at its start; the caller closes it.
FILE *stream_of(const std::string &bytes);

// The paths of the files in `directory` whose names do not start with "."; none when it
// cannot be read.
std::vector<std::string> files_in(const std::string &directory);

// Whether a file exists at `path`.
bool file_exists(const std::string &path);

using Bytes = std::vector<uint8_t>;

// The file's contents as bytes, and a file made of bytes.
Bytes read_bytes(const std::string &path);
void write_bytes(const std::string &path, const Bytes &bytes);

// The bytes save_nets writes for the networks (empty when it fails).
Bytes saved_bytes(const std::vector<NET *> &nets);

// Big-endian u32 at `offset`.
uint32_t u32_at(const Bytes &bytes, size_t offset);

}  // namespace kora_test
