#include "files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

std::string scratch_path(const std::string &name) {
  const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string path = ::testing::TempDir();
  if (test != nullptr) {
    path += test->test_suite_name();
    path += '.';
    path += test->name();
    path += '.';
  }
  // The process id keeps apart the files of suites that run at the same time from other trees.
  path += std::to_string(getpid());
  path += '.';
  path += name;
  return path;
}

std::string read_file(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

FILE *stream_of(const std::string &bytes) {
  FILE *stream = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::rewind(stream);
  return stream;
}

std::vector<std::string> files_in(const std::string &directory) {
  std::vector<std::string> files;
  std::error_code unreadable;
  for (const auto &entry : std::filesystem::directory_iterator(directory, unreadable))
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path().string());
  return files;
}

bool file_exists(const std::string &path) { return std::filesystem::exists(path); }

Bytes read_bytes(const std::string &path) {
  const std::string contents = read_file(path);
  return Bytes(contents.begin(), contents.end());
}

void write_bytes(const std::string &path, const Bytes &bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes saved_bytes(const std::vector<NET *> &nets) {
  std::string path = scratch_path("saved.fst");
  NV *nv = make_nv(static_cast<int>(nets.size()));
  for (size_t i = 0; i < nets.size(); i++) nv->nets[i] = nets[i];
  int status = save_nets(nv, path.c_str(), nullptr);
  free_nv(nv);
  Bytes bytes = status == 0 ? read_bytes(path) : Bytes{};
  if (std::getenv("KORA_KEEP_SAVED") == nullptr) std::remove(path.c_str());
  return bytes;
}

uint32_t u32_at(const Bytes &bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) << 24 |
         static_cast<uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

}  // namespace kora_test
