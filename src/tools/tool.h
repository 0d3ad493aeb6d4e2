// The commands of the kora tool, one function each, and what they share. Each command takes the
// arguments that follow its name and returns the process's exit status: 0 on success, 1 when the
// library refused its input, 2 for a usage error.
#pragma once

#include <initializer_list>

#include "kora.h"

namespace kora_tool {

// A command of the tool: its name, its usage line (arguments only) and what runs it.
struct Command {
  const char *name;
  const char *usage;
  const char *summary;
  int (*run)(int argc, char **argv);
};

int version_command(int argc, char **argv);
int words_command(int argc, char **argv);
int text_command(int argc, char **argv);

// The network of the file a command names: today a word list, or spaced text with `spaced`.
// Null, with the library's report on standard error, when it cannot be read. The caller frees
// the network.
NET *read_network(const char *file_name, bool spaced);

// An option of a command: its name ("--spaced") and the Boolean it sets.
struct Flag {
  const char *name;
  bool *value;
};

// Reads the arguments of a command that takes options and one file: each option named in
// `flags` sets its Boolean. Returns the file, or null when an argument is not one of the
// options, a second file is given or none.
const char *file_and_flags(int argc, char **argv, std::initializer_list<Flag> flags);

// Prints the usage of every command to standard error and returns 2.
int usage();

}  // namespace kora_tool
