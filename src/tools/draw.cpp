// kora draw [--words | --spaced] [--max-states N] [-o OUT] NETWORK: writes the network as a
// Graphviz DOT digraph on the standard output or in OUT. A network of more than N states
// (default kDefaultMaxStates, 0 for no limit) is refused with the library's message.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// Larger drawings take Graphviz long to lay out and are hard to read.
constexpr long kDefaultMaxStates = 1000;

}  // namespace

int draw_command(int argc, char **argv) {
  long max_states = kDefaultMaxStates;
  if (!take_number_option(argc, argv, "--max-states", 0, LONG_MAX, &max_states)) return usage();
  const char *output = nullptr;
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {}, 1, &source, files, &output)) return usage();
  NET *net = read_network(files[0], source);
  if (net == nullptr) return 1;
  char *dot = network_to_dot(net, max_states);
  free_network(net);
  if (dot == nullptr) return 1;
  int status = 0;
  size_t length = std::strlen(dot);
  if (output == nullptr) {
    std::fwrite(dot, 1, length, stdout);
  } else {
    status = write_whole_file(output, "the drawing", [dot, length](const char *file_name) {
      FILE *stream = std::fopen(file_name, "w");
      if (stream == nullptr) return false;
      bool written = std::fwrite(dot, 1, length, stream) == length;
      return std::fclose(stream) == 0 && written;
    });
  }
  std::free(dot);
  return status;
}

}  // namespace kora_tool
