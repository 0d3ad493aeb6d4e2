#include "files.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace kora_test {

ScratchFiles::ScratchFiles() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kora-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) directory_ = buffer.data();
}

ScratchFiles::~ScratchFiles() {
  std::error_code ignored;
  if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
}

std::string ScratchFiles::path(const std::string &name) const { return directory_ + "/" + name; }

std::string ScratchFiles::write(const std::string &name, const std::string &bytes) const {
  const std::string file = path(name);
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

std::string read_file(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool file_exists(const std::string &path) { return std::filesystem::exists(path); }

}  // namespace kora_test
