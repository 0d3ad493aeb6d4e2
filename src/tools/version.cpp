// kora version (and kora --version): the version of the program, from the build, and the
// library's version string.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int version_command(int argc, char **) {
  if (argc != 0) return usage();
  std::printf("kora %s\n%s\n", KORA_VERSION, libkora_version());
  return 0;
}

}  // namespace kora_tool
