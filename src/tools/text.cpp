// kora text [--spaced] FILE: writes the words of a network back as a word list (or its paths as
// spaced text) on the standard output.

#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int text_command(int argc, char **argv) {
  bool spaced = false;
  const char *file_name = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--spaced") == 0)
      spaced = true;
    else if (file_name == nullptr && argv[i][0] != '-')
      file_name = argv[i];
    else
      return usage();
  }
  if (file_name == nullptr) return usage();
  NET *net = read_network(file_name, spaced);
  if (net == nullptr) return 1;
  const int status = spaced ? write_spaced_text(net, nullptr) : write_text(net, nullptr);
  free_network(net);
  return status;
}

}  // namespace kora_tool
