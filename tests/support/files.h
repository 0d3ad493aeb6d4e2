// Scratch files for the tests that read and write files: each test gets its own directory,
// removed with everything in it when the ScratchFiles goes.
#pragma once

#include <string>

namespace kora_test {

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

// The bytes of the file at `path`; empty when it cannot be read.
std::string read_file(const std::string &path);

// Whether a file exists at `path`.
bool file_exists(const std::string &path);

}  // namespace kora_test
