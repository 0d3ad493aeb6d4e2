// kora regex [-D NAME=FILE | -D NAME=REGEX]... [-o OUT] (EXPR | -f FILE): compiles a regular
// expression, or every expression of a file of expressions, prints the size of each network in
// one line and with -o saves them all to one network file. Each -D defines NAME, before the
// expressions are compiled, as the network of a saved network file or of a regular expression,
// so that the expressions (and later definitions) use it by name: a lexicon compiled before and
// the rules that spell its forms make one analyser in one call.
//
// Under each error of the parser the command shows where it stopped: the line of the expression
// (or of the file) and a caret under the token, at the place regex_error_position gives.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "error-place.h"
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

// The text being compiled, for the places of its errors: the expression, or the file's
// contents once an error needs them.
struct CompiledText {
  std::string text;
  const char *file_name = nullptr;  // null for an expression
  bool read = false;
};

CompiledText source;

// The contents of the file, or false when it cannot be read again.
bool read_source_file() {
  if (source.read) return true;
  FILE *file = std::fopen(source.file_name, "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    source.text.append(buffer, count);
  std::fclose(file);
  source.read = true;
  return true;
}

// The error callback while compiling: the library's report, then, for an error of the parser,
// its place.
void report_with_place(const char *message, const char *extra, int code) {
  report_library_error(message, extra, code);
  if (std::strncmp(message, "Regex error", 11) != 0) return;
  long long offset = regex_error_position(nullptr, nullptr);
  if (offset < 0 || (source.file_name != nullptr && !read_source_file())) return;
  const char *end_note =
      source.file_name != nullptr ? " at the end of the file" : " at the end of the expression";
  report(error_place(source.text, static_cast<size_t>(offset), end_note) + "\n");
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
  if (from_file)
    source.file_name = operands[0];
  else
    source.text = operands[0];
  set_error_function(report_with_place);
  NV *nets = nullptr;
  if (from_file) {
    nets = read_regex_file(operands[0]);
  } else if (NET *net = read_regex(operands[0])) {
    nets = make_nv(1);
    NV_net(nets, 0) = net;
  }
  set_error_function(report_library_error);
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
