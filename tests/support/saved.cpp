#include "saved.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "files.h"

namespace kora_test {

std::string scratch_path(const std::string &name) {
  const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string path = ::testing::TempDir();
  if (test != nullptr) {
    path += test->test_suite_name();
    path += '.';
    path += test->name();
    path += '.';
  }
  path += name;
  return path;
}

Bytes read_bytes(const std::string &path) {
  const std::string text = read_file(path);
  return Bytes(text.begin(), text.end());
}

void write_bytes(const std::string &path, const Bytes &bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
  return static_cast<uint32_t>(bytes[offset]) << 24 | static_cast<uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

}  // namespace kora_test
