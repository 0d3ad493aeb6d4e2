// kora lexicon [-o OUT] FILE: compiles a lexicon source file, prints the size of its network in
// one line and saves it with -o.
//
// The library prints the messages of a compilation on standard error; the command collects them
// and writes each as "FILE:LINE: message" when it names a line ("line 3: syntax error at 'x'"),
// as "FILE: warning: message" or "FILE: error: message" for the library's warnings and errors,
// and other lines (the names that follow a warning) as they are. A compilation with an error,
// or with a warning that entries are not in the network (a continuation class never defined, a
// sublexicon nothing leads to), fails: it saves nothing, prints no size and exits with status 1.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

bool starts_with(const std::string &text, const char *prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Rewrites one line of the library's messages; returns whether it fails the compilation.
bool report_line(const char *file_name, std::string line) {
  if (line.empty()) return false;
  if (starts_with(line, "line ")) {
    size_t colon = line.find(": ");
    if (colon != std::string::npos) {
      std::fprintf(stderr, "%s:%s: %s\n", file_name, line.substr(5, colon - 5).c_str(),
                   line.substr(colon + 2).c_str());
      return true;
    }
  }
  bool is_error = starts_with(line, "*** ERROR: ");
  if (is_error || starts_with(line, "*** Warning: ")) {
    line.erase(0, is_error ? 11 : 13);
    while (!line.empty() && line[0] == ' ') line.erase(0, 1);
    if (line.size() >= 4 && line.compare(line.size() - 4, 4, " ***") == 0)
      line.erase(line.size() - 4);
    std::fprintf(stderr, "%s: %s: %s\n", file_name, is_error ? "error" : "warning", line.c_str());
    return is_error || loses_input(line);
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  return false;
}

// Runs read_vorn with standard error going to a scratch file, then reports what it printed.
// *failed becomes true when a message failed the compilation.
NET *compile(const char *file_name, bool *failed) {
  std::fflush(stderr);
  FILE *captured = std::tmpfile();
  int saved = captured != nullptr ? dup(2) : -1;
  if (saved < 0 || dup2(fileno(captured), 2) < 0) {
    if (captured != nullptr) std::fclose(captured);
    if (saved >= 0) close(saved);
    NET *net = read_vorn(file_name);
    *failed = net == nullptr;
    return net;
  }
  NET *net = read_vorn(file_name);
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::rewind(captured);
  std::string line;
  *failed = net == nullptr;
  int c;
  while ((c = std::fgetc(captured)) != EOF) {
    if (c != '\n') {
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (report_line(file_name, line)) *failed = true;
    line.clear();
  }
  if (report_line(file_name, line)) *failed = true;
  std::fclose(captured);
  return net;
}

}  // namespace

int lexicon_command(int argc, char **argv) {
  const char *output = nullptr;
  std::vector<const char *> files;
  if (!parse_arguments(argc, argv, {}, &output, files) || files.size() != 1) return usage();
  if (!check_readable(files[0])) return 1;
  bool failed = false;
  NET *net = compile(files[0], &failed);
  if (net == nullptr) return 1;
  int status = 1;
  if (!failed && failures_seen() == 0) {
    status = output != nullptr ? save_network(net, output) : 0;
    print_summary(net);
  }
  free_network(net);
  return status;
}

}  // namespace kora_tool
