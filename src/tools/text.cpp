// kora text [--words | --spaced] NETWORK: writes the words of a network back as a word list on
// the standard output, or its paths as spaced text when a word list cannot hold them (a
// transducer, multi-character symbols) or when the network was read from spaced text.

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int text_command(int argc, char **argv) {
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {}, 1, &source, files)) return usage();
  NET *net = read_network(files[0], source);
  if (net == nullptr) return 1;
  bool as_spaced = source == Source::spaced || NET_arity(net) == 2;
  int status = as_spaced ? write_spaced_text(net, nullptr) : write_text(net, nullptr);
  free_network(net);
  return status;
}

}  // namespace kora_tool
