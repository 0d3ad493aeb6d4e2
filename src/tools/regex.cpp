// kora regex [-o OUT] (EXPR | -f FILE): compiles a regular expression, or every expression of a
// file of expressions, prints the size of each network in one line and with -o saves them all to
// one network file.

#include <cstdio>

#include "kora.h"
#include "tool.h"

namespace kora_tool {

int regex_command(int argc, char **argv) {
  bool from_file = false;
  const char *output = nullptr;
  std::vector<const char *> operands;
  if (!parse_arguments(argc, argv, {{"-f", &from_file}}, &output, operands) ||
      operands.size() != 1)
    return usage();
  NV *nets = nullptr;
  if (from_file) {
    nets = read_regex_file(operands[0]);
  } else if (NET *net = read_regex(operands[0])) {
    nets = make_nv(1);
    NV_net(nets, 0) = net;
  }
  if (nets == nullptr) {
    std::fprintf(stderr, "kora: the regular expression%s could not be compiled\n",
                 from_file ? "s" : "");
    return 1;
  }
  int status = 0;
  if (output != nullptr && save_nets(nets, output, nullptr) != 0) {
    std::fprintf(stderr, "kora: cannot save the networks to '%s'\n", output);
    status = 1;
  }
  for (int i = 0; i < NV_len(nets); i++) print_summary(NV_net(nets, i));
  free_nv_and_nets(nets);
  return status;
}

}  // namespace kora_tool
