// Networks as arguments and results of the tool's commands: loading a network from a saved file,
// and saving a command's network with -o FILE or printing it.

#include <cstdio>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

const char *take_output_option(int *argc, char **argv) {
  for (int i = 0; i + 1 < *argc; i++) {
    if (std::strcmp(argv[i], "-o") != 0) continue;
    const char *output = argv[i + 1];
    for (int j = i; j + 2 < *argc; j++) argv[j] = argv[j + 2];
    *argc -= 2;
    return output;
  }
  return nullptr;
}

NET *network_argument(const char *file_name) {
  NET *net = load_net(file_name, nullptr);
  if (net == nullptr) std::fprintf(stderr, "kora: cannot load a network from '%s'\n", file_name);
  return net;
}

int save_or_print(NET *net, const char *output) {
  if (output == nullptr) {
    print_net(net, stdout);
    return 0;
  }
  if (save_net(net, output, nullptr) != 0) {
    std::fprintf(stderr, "kora: cannot save the network to '%s'\n", output);
    return 1;
  }
  return 0;
}

int print_command(int argc, char **argv) {
  if (argc != 1) return usage();
  NET *net = network_argument(argv[0]);
  if (net == nullptr) return 1;
  print_net(net, stdout);
  free_network(net);
  return 0;
}

int info_command(int argc, char **argv) {
  if (argc != 1) return usage();
  return print_file_info(argv[0], stdout) == 0 ? 0 : 1;
}

}  // namespace kora_tool
