// kora version: prints the library's version string.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int version_command(int argc, char **) {
  if (argc != 0) return usage();
  std::printf("%s\n", libkora_version());
  return 0;
}

}  // namespace kora_tool
