// kora: the command-line face of the library. It uses only the public interface of libkora.
//
//   kora COMMAND ARGUMENTS...
//
// The commands are listed in the table below; `kora` alone prints their usage.

#include <cstdio>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

const Command commands[] = {
    {"version", "", "the library's version string", version_command},
    {"words", "FILE", "the minimal network of a word list (one word per line), printed state by state",
     words_command},
};

}  // namespace

int usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command &command : commands)
    std::fprintf(stderr, "  kora %s %s\n      %s\n", command.name, command.usage, command.summary);
  return 2;
}

}  // namespace kora_tool

int main(int argc, char **argv) {
  using namespace kora_tool;
  if (argc < 2) return usage();
  for (const Command &command : commands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    FST_CONTEXT *context = initialize_kora();
    context->eol_string = "\n";
    int status = command.run(argc - 2, argv + 2);
    reclaim_kora(context);
    return status;
  }
  return usage();
}
