// kora: the command-line face of the library.
//
//   kora version        the library's version string
//   kora words FILE     the minimal network of a word list (one word per line, UTF-8), printed
//                       state by state
//
// It uses only the public interface of libkora.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "kora.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: kora version\n"
               "       kora words FILE\n");
  return 2;
}

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

int main(int argc, char **argv) {
  if (argc < 2) return usage();
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int status = 0;
  if (std::strcmp(argv[1], "version") == 0) {
    std::printf("%s\n", libkora_version());
  } else if (std::strcmp(argv[1], "words") == 0 && argc == 3) {
    NET *net = words_net(argv[2]);
    if (net == nullptr) {
      status = 1;
    } else {
      print_net(net, stdout);
      free_network(net);
    }
  } else {
    status = usage();
  }
  reclaim_kora(context);
  return status;
}
