// kora optimize [--arcs] [--reduce | --compact] NETWORK -o OUT: the network saved in a smaller
// form. --arcs lets states share the common tails of their arc lists (arc optimization),
// --reduce keeps one label of each group of labels that every state treats alike (labelset
// reduction); with neither, both are done. --compact alone stores the network as one byte block
// of a few bytes per arc (compaction), which lookup maps from the file instead of reading it.
// Every form is kept in the file and looked up as it is.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int optimize_command(int argc, char **argv) {
  bool arcs = false, reduce = false, compact = false;
  const char *output = nullptr;
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {{"--arcs", &arcs}, {"--reduce", &reduce}, {"--compact", &compact}}, 1, &source,
                               files, &output) ||
      output == nullptr)
    return usage();
  if (compact && (arcs || reduce)) {
    std::fprintf(stderr, "kora: --compact excludes --arcs and --reduce\n");
    return 2;
  }
  if (!arcs && !reduce && !compact) arcs = reduce = true;
  NET *net = read_network(files[0], source);
  if (net == nullptr) return 1;
  size_t failures = failures_seen();
  if (reduce) reduce_labelset(net);
  if (arcs) optimize_arcs(net);
  if (compact) compact_net(net, nullptr);
  int status = 1;
  if (failures_seen() == failures) {
    status = save_network(net, output);
    print_summary(net);
  } else {
    std::fprintf(stderr, "kora: '%s' could not be optimized\n", files[0]);
  }
  free_network(net);
  return status;
}

}  // namespace kora_tool
