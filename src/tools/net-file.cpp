// Networks in saved files: telling a saved network file from text, loading the first network of
// one, saving a command's network with -o FILE, and the commands print and info.

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

bool is_network_file(const char *file_name) {
  FILE *file = std::fopen(file_name, "rb");
  if (file == nullptr) return false;
  unsigned char header[20];
  const bool complete = std::fread(header, 1, sizeof header, file) == sizeof header;
  std::fclose(file);
  // The type byte of the header: a file of networks (19, 20), an older one (8, 101) or one of
  // the unsupported kind (1), which load_net reports. Since 101 is also the letter e, the
  // character width code (0, 2 or 4) and the two zero bytes after it must be there too, which
  // no text file has.
  const int type = header[4];
  return complete && (type == 1 || type == 8 || type == 19 || type == 20 || type == 101) &&
         (header[17] == 0 || header[17] == 2 || header[17] == 4) && header[18] == 0 &&
         header[19] == 0;
}

int save_network(NET *net, const char *output) {
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
