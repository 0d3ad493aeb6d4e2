// kora text [--spaced] FILE: writes the words of a network back as a word list (or its paths as
// spaced text) on the standard output.

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int text_command(int argc, char **argv) {
  bool spaced = false;
  const char *file_name = file_and_flags(argc, argv, {{"--spaced", &spaced}});
  if (file_name == nullptr) return usage();
  NET *net = read_network(file_name, spaced);
  if (net == nullptr) return 1;
  const int status = spaced ? write_spaced_text(net, nullptr) : write_text(net, nullptr);
  free_network(net);
  return status;
}

}  // namespace kora_tool
