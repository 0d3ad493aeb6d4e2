// kora lexicon [-o OUT] FILE: compiles a lexicon source file, prints the size of its network in
// one line and saves it with -o.
//
// The library's messages about the file name their line as "line N: message"; the command
// writes them as "FILE:N: message" for an error and "FILE:N: warning: message" for a warning,
// other messages as "FILE: error: message" and "FILE: warning: message", and the further lines
// of a message as they are. A compilation with an error, or with a warning that entries are not
// in the network (a continuation class never defined, a sublexicon nothing leads to), fails: it
// saves nothing, prints no size and exits with status 1.

#include <cstdio>
#include <cstring>
#include <string>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

const char *lexicon_file = nullptr;

// "FILE:N: " for a message that begins "line N: " (which is taken off), else "FILE: ".
std::string located(std::string *message, const char *kind) {
  std::string where = std::string(lexicon_file) + ":";
  if (message->compare(0, 5, "line ") == 0) {
    size_t digits = message->find_first_not_of("0123456789", 5);
    if (digits != std::string::npos && digits > 5 && message->compare(digits, 2, ": ") == 0) {
      where.append(*message, 5, digits - 5).append(":");
      message->erase(0, digits + 2);
      return where + (std::strcmp(kind, "error") == 0 ? " " : " warning: ");
    }
  }
  return where + " " + kind + ": ";
}

void report_lexicon_error(const char *text, const char *, int) {
  count_failure();
  std::string message = text;
  std::string where = located(&message, "error");
  report(where + message + "\n");
}

void report_lexicon_warning(const char *text, const char *, int) {
  if (loses_input(text)) count_failure();
  std::string message = text;
  std::string where = located(&message, "warning");
  report(where + message + "\n");
}

}  // namespace

int lexicon_command(int argc, char **argv) {
  const char *output = nullptr;
  std::vector<const char *> files;
  if (!parse_arguments(argc, argv, {}, &output, files) || files.size() != 1) return usage();
  if (!check_readable(files[0])) return 1;
  lexicon_file = files[0];
  set_error_function(report_lexicon_error);
  set_warning_function(report_lexicon_warning);
  NET *net = read_vorn(files[0]);
  watch_library_messages();
  if (net == nullptr) return 1;
  int status = 1;
  if (failures_seen() == 0) {
    status = output != nullptr ? save_network(net, output) : 0;
    print_summary(net);
  }
  free_network(net);
  return status;
}

}  // namespace kora_tool
