// kora compose [--lazy] [--words | --spaced] -o OUT NETWORK...: the composition of every network
// of the files, in order, the first one above, saved in OUT with its size in one line. With
// --lazy the composition is not built: OUT holds a virtual network, the operation and its
// operands, whose states kora lookup and generate make as the inputs reach them.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int compose_command(int argc, char **argv) {
  bool lazy = false;
  const char *output = nullptr;
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {{"--lazy", &lazy}}, SIZE_MAX, &source, files,
                               &output) ||
      output == nullptr)
    return usage();
  std::vector<NET *> nets;
  for (const char *file : files) {
    std::vector<NET *> read = read_networks(file, source);
    nets.insert(nets.end(), read.begin(), read.end());
    if (!read.empty()) continue;
    for (NET *net : nets) free_network(net);
    return 1;
  }
  // A refused composition may still give a network (an empty one): it is not saved.
  const size_t failures = failures_seen();
  NET *composed = nullptr;
  if (lazy) {
    NV vector{static_cast<int>(nets.size()), nets.data()};
    composed = lazy_compose_net(&vector, 0);
  } else {
    composed = copy_net(nets[0]);
    for (size_t k = 1; k < nets.size() && composed != nullptr; k++)
      composed = compose_net(composed, nets[k], 0, 1);
    for (NET *net : nets) free_network(net);
  }
  if (composed == nullptr || failures_seen() > failures) {
    free_network(composed);
    return 1;
  }
  int status = save_network(composed, output);
  if (status == 0 && lazy)
    std::printf("virtual: the composition of %zu networks, made as lookups reach it.\n",
                nets.size());
  else if (status == 0)
    print_summary(composed);
  free_network(composed);
  return status;
}

}  // namespace kora_tool
