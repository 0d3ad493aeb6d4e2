// kora words [--spaced] [--print] [-o OUT] FILE: the minimal network of a word list (or of spaced
// text), summarized in one line or listed state by state with --print, and saved with -o.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int words_command(int argc, char **argv) {
  bool spaced = false, print = false;
  const char *output = nullptr;
  std::vector<const char *> files;
  if (!parse_arguments(argc, argv, {{"--spaced", &spaced}, {"--print", &print}}, &output, files) ||
      files.size() != 1)
    return usage();
  NET *net = read_network(files[0], spaced ? Source::spaced : Source::words);
  if (net == nullptr) return 1;
  int status = output != nullptr ? save_network(net, output) : 0;
  if (print)
    print_net(net, stdout);
  else
    print_summary(net);
  free_network(net);
  return status;
}

}  // namespace kora_tool
