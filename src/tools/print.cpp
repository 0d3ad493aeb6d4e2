// kora print [--words | --spaced] NETWORK: a network listed state by state.
// kora info NETFILE: the header of a saved network file and the size of each network in it.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int print_command(int argc, char **argv) {
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {}, 1, &source, files)) return usage();
  NET *net = read_network(files[0], source);
  if (net == nullptr) return 1;
  print_net(net, stdout);
  free_network(net);
  return 0;
}

int info_command(int argc, char **argv) {
  if (argc != 1) return usage();
  if (!check_readable(argv[0])) return 1;
  return print_file_info(argv[0], stdout) == 0 ? 0 : 1;
}

}  // namespace kora_tool
