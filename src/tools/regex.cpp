// kora regex [-D NAME=FILE | -D NAME=REGEX]... [-o OUT] (EXPR | -f FILE): compiles a regular
// expression, or every expression of a file of expressions, prints the size of each network in
// one line and with -o saves them all to one network file. Each -D defines NAME, before the
// expressions are compiled, as the network of a saved network file or of a regular expression,
// so that the expressions (and later definitions) use it by name: a lexicon compiled before and
// the rules that spell its forms make one analyser in one call.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// Defines NAME as VALUE: the one network of the saved network file VALUE when such a file
// exists, else the network of the regular expression VALUE. False, with the reason on standard
// error, when it cannot be defined.
bool define(const std::string &name, const char *value) {
  struct stat status;
  if (stat(value, &status) != 0 || !S_ISREG(status.st_mode)) {
    if (define_regex_net(name.c_str(), value) == 0) return true;
    std::fprintf(stderr, "kora: -D %s: cannot compile '%s'\n", name.c_str(), value);
    return false;
  }
  std::vector<NET *> nets = read_networks(value, Source::saved);
  if (nets.size() == 1 && define_net(name.c_str(), nets[0], 0) == 0) return true;
  if (nets.size() > 1)
    std::fprintf(stderr, "kora: -D %s: %s holds %zu networks; a name stands for one\n",
                 name.c_str(), value, nets.size());
  for (NET *net : nets) free_network(net);
  return false;
}

// Defines every NAME=VALUE in order. Returns 0, 1 when a definition failed, 2 for a malformed
// one.
int define_all(const std::vector<const char *> &definitions) {
  for (const char *definition : definitions) {
    const char *equals = std::strchr(definition, '=');
    if (equals == nullptr || equals == definition) {
      std::fprintf(stderr, "kora: option -D takes NAME=FILE or NAME=REGEX, not '%s'\n",
                   definition);
      return 2;
    }
    if (!define(std::string(definition, equals), equals + 1)) return 1;
  }
  return 0;
}

}  // namespace

int regex_command(int argc, char **argv) {
  bool from_file = false;
  const char *output = nullptr;
  std::vector<const char *> operands, definitions;
  if (!take_options(argc, argv, "-D", definitions) ||
      !parse_arguments(argc, argv, {{"-f", &from_file}}, &output, operands) ||
      operands.size() != 1)
    return usage();
  if (int status = define_all(definitions); status != 0) return status;
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
