// What makes a command of the tool fail besides its own checks: the library's errors and the
// warnings that say part of the input was lost, files that cannot be read, and output that
// could not be written. Messages go to standard error, or, on a thread that keeps them, to its
// sink, so that kora lookup -j N writes them in input order.

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

std::atomic<size_t> failures{0};
thread_local std::string *message_sink = nullptr;

// Parts of the library's warnings after which some of the input is not in the result.
const char *const kLosingWarnings[] = {
    "the word is left out",                     // a line of a word list or spaced text
    "Sublexicon is mentioned but not defined",  // entries continue into a missing sublexicon
    "Sublexicons defined but not used",         // entries nothing leads to
    "Lost all entries",
    "Cannot parse '",                           // an entry word the symbols cannot spell
    "No sublexicons defined",
};

void report_library_warning(const char *message, const char *, int) {
  if (loses_input(message)) failures++;
  report(std::string("\n*** Warning: ") + message + " ***\n");
}

}  // namespace

void report_library_error(const char *message, const char *, int) {
  failures++;
  std::string text = std::string("\n*** ERROR: ") + message + " ***\n";
  // The library ends the process after running out of memory: no sink would be written.
  if (std::strncmp(message, "Out of memory", 13) == 0)
    std::fwrite(text.data(), 1, text.size(), stderr);
  else
    report(text);
}

void watch_library_messages() {
  set_error_function(report_library_error);
  set_warning_function(report_library_warning);
}

bool loses_input(const std::string &warning) {
  for (const char *part : kLosingWarnings)
    if (warning.find(part) != std::string::npos) return true;
  return false;
}

size_t failures_seen() { return failures; }

void count_failure() { failures++; }

void keep_messages_in(std::string *sink) { message_sink = sink; }

void report(const std::string &text) {
  if (message_sink != nullptr)
    message_sink->append(text);
  else
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool check_readable(const char *file_name) {
  FILE *file = std::fopen(file_name, "r");
  int error = errno;
  struct stat status;
  if (file != nullptr && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode))
    error = EISDIR;
  else if (file != nullptr)
    error = 0;
  if (file != nullptr) std::fclose(file);
  if (error == 0) return true;
  std::fprintf(stderr, "kora: cannot read '%s': %s\n", file_name, std::strerror(error));
  return false;
}

bool flush_standard_output() {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  // The reason is known when this flush failed; an earlier write's is gone.
  std::fprintf(stderr, "kora: cannot write to standard output%s%s\n", errno != 0 ? ": " : "",
               errno != 0 ? std::strerror(errno) : "");
  return false;
}

}  // namespace kora_tool
