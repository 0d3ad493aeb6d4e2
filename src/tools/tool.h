// The commands of the kora tool, one function each, and what they share. Each command takes the
// arguments that follow its name and returns the process's exit status: 0 on success, 1 when the
// library refused its input, 2 for a usage error.
#pragma once

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

// Prints the usage of every command to standard error and returns 2.
int usage();

}  // namespace kora_tool
