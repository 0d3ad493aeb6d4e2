// Networks as arguments and results of the tool's commands: reading a network from a saved file,
// a word list or spaced text; saving one; and its size in one line.

#include <cstdint>
#include <cstdio>
#include <optional>

#include "count-paths.h"
#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

const char *plural(uint64_t count) { return count == 1 ? "" : "s"; }

}  // namespace

bool parse_network_arguments(int argc, char **argv, std::vector<Flag> flags, size_t max_operands,
                             Source *source, std::vector<const char *> &operands,
                             const char **output) {
  bool words = false, spaced = false;
  flags.push_back({"--words", &words});
  flags.push_back({"--spaced", &spaced});
  if (!parse_arguments(argc, argv, flags, output, operands) || operands.empty() ||
      operands.size() > max_operands || (words && spaced))
    return false;
  *source = spaced ? Source::spaced : words ? Source::words : Source::saved;
  return true;
}

NET *read_network(const char *file_name, Source source) {
  switch (source) {
    case Source::words: return read_text(file_name);
    case Source::spaced: return read_spaced_text(file_name);
    case Source::saved: break;
  }
  NET *net = load_net(file_name, nullptr);
  if (net == nullptr) std::fprintf(stderr, "kora: cannot load a network from '%s'\n", file_name);
  return net;
}

int save_network(NET *net, const char *output) {
  if (save_net(net, output, nullptr) == 0) return 0;
  std::fprintf(stderr, "kora: cannot save the network to '%s'\n", output);
  return 1;
}

void print_summary(NET *net) {
  const char *kind = NET_arity(net) == 2 ? "path" : "word";
  std::printf("%u state%s, %u arc%s, ", NET_num_states(net), plural(NET_num_states(net)),
              NET_num_arcs(net), plural(NET_num_arcs(net)));
  if (std::optional<uint64_t> paths = count_paths(net))
    std::printf("%llu %s%s.\n", static_cast<unsigned long long>(*paths), kind, plural(*paths));
  else
    std::printf("loops.\n");
}

}  // namespace kora_tool
