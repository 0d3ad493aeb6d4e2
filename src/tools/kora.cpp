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
    {"words", "[--spaced] [--print] [-o OUT] FILE",
     "the minimal network of a word list (one word per line; with --spaced, of spaced text):\n"
     "      its size in one line, with --print its listing state by state, with -o saved to OUT",
     words_command},
    {"text", "[--spaced] FILE",
     "the words of the network of a word list or of a saved network file written back, one per\n"
     "      line (with --spaced, the paths of spaced text as spaced text)",
     text_command},
    {"print", "NETFILE", "the first network of a saved network file, printed state by state",
     print_command},
    {"info", "NETFILE", "the header of a saved network file and the size of each network in it",
     info_command},
};

}  // namespace

const char *file_and_flags(int argc, char **argv, std::initializer_list<Flag> flags) {
  const char *file_name = nullptr;
  for (int i = 0; i < argc; ++i) {
    bool known = false;
    for (const Flag &flag : flags)
      if (std::strcmp(argv[i], flag.name) == 0) *flag.value = known = true;
    if (known) continue;
    if (file_name != nullptr || argv[i][0] == '-') return nullptr;
    file_name = argv[i];
  }
  return file_name;
}

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
    int_parameters()->word[KORA_VERBOSE] = 0;  // no progress dots or file notes
    int status = command.run(argc - 2, argv + 2);
    reclaim_kora(context);
    return status;
  }
  return usage();
}
