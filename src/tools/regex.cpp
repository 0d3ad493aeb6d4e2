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
  if (from_file && !check_readable(operands[0])) return 1;
  NV *nets = nullptr;
  if (from_file) {
    nets = read_regex_file(operands[0]);
  } else if (NET *net = read_regex(operands[0])) {
    nets = make_nv(1);
    NV_net(nets, 0) = net;
  }
  if (nets != nullptr && from_file && NV_len(nets) == 0) {
    std::fprintf(stderr, "kora: '%s' holds no regular expression\n", operands[0]);
    count_failure();
  }
  // An expression the library reported an error in may still have given a network (an empty
  // one, which is not what was written): it is neither saved nor summarized.
  if (nets == nullptr || failures_seen() > 0) {
    std::fprintf(stderr, "kora: the regular expression%s could not be compiled\n",
                 from_file ? "s" : "");
    if (nets != nullptr) free_nv_and_nets(nets);
    return 1;
  }
  int status = 0;
  if (output != nullptr)
    status = write_whole_file(output, "the networks", [nets](const char *file_name) {
      return save_nets(nets, file_name, nullptr) == 0;
    });
  for (int i = 0; i < NV_len(nets); i++) print_summary(NV_net(nets, i));
  free_nv_and_nets(nets);
  return status;
}

}  // namespace kora_tool
