// kora words FILE: the minimal network of a word list, one word per line, printed state by state.

#include <cstdio>
#include <fstream>
#include <string>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// The union of the words of a file, one per line; null when the file cannot be read.
NET *words_net(const char *file_name) {
  std::ifstream file(file_name);
  if (!file) {
    std::fprintf(stderr, "kora: cannot read '%s'\n", file_name);
    return nullptr;
  }
  NET *words = null_net();
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    words = union_net(words, string_to_net(line.c_str(), 0), 0, 0);
  }
  return words;
}

}  // namespace

int words_command(int argc, char **argv) {
  if (argc != 1) return usage();
  NET *net = words_net(argv[0]);
  if (net == nullptr) return 1;
  print_net(net, stdout);
  free_network(net);
  return 0;
}

}  // namespace kora_tool
