// kora lookup / kora generate [--words | --spaced] [--flush] NETWORK [INPUT]: applies a network
// down (lookup) or up (generate) to each line of INPUT or of the standard input, in the
// convention of lookup tools: "input<TAB>output" for each result, "input<TAB>input<TAB>+?" when
// there is none, and an empty line after each input. Lines are read and answered one at a time,
// so the tool can serve another program through a pipe; output is flushed after each input when
// it goes to a terminal or with --flush.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

// Writes the results of one input line (each result ended by the end-of-line string "\n").
void answer(const char *input, const char *results, FILE *out) {
  if (results == nullptr || *results == '\0') {
    std::fprintf(out, "%s\t%s\t+?\n", input, input);
  } else {
    for (const char *line = results; *line != '\0';) {
      const char *end = std::strchr(line, '\n');
      if (end == nullptr) end = line + std::strlen(line);
      std::fprintf(out, "%s\t%.*s\n", input, static_cast<int>(end - line), line);
      line = *end == '\n' ? end + 1 : end;
    }
  }
  std::fputc('\n', out);
}

int apply_lines(int argc, char **argv, int input_side) {
  bool flush = false;
  Source source;
  std::vector<const char *> files;
  if (!parse_network_arguments(argc, argv, {{"--flush", &flush}}, 2, &source, files))
    return usage();
  FILE *input = stdin;
  if (files.size() == 2 && (input = std::fopen(files[1], "r")) == nullptr) {
    std::fprintf(stderr, "kora: cannot read '%s'\n", files[1]);
    return 1;
  }
  NET *net = read_network(files[0], source);
  if (net == nullptr) {
    if (input != stdin) std::fclose(input);
    return 1;
  }
  flush = flush || isatty(fileno(stdout));
  APPLY_CONTEXT *applyer = init_apply(net, input_side, nullptr);
  char *line = nullptr;
  size_t capacity = 0;
  ssize_t length;
  while ((length = getline(&line, &capacity, input)) >= 0) {
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
    answer(line, apply_to_string(line, applyer), stdout);
    if (flush) std::fflush(stdout);
  }
  std::free(line);
  free_applyer(applyer);
  free_network(net);
  if (input != stdin) std::fclose(input);
  return 0;
}

}  // namespace

int lookup_command(int argc, char **argv) { return apply_lines(argc, argv, 0); }

int generate_command(int argc, char **argv) { return apply_lines(argc, argv, 1); }

}  // namespace kora_tool
