// The commands of the kora tool, one function each, and what they share. Each command takes the
// arguments that follow its name and returns the process's exit status: 0 on success, 1 when the
// library refused its input, 2 for a usage error.
#pragma once

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
int print_command(int argc, char **argv);
int info_command(int argc, char **argv);

// Networks as arguments and results (net-file.cpp). The tool's network files are the library's
// binary network files.

// Removes "-o FILE" from the arguments and returns FILE, or null when there is none.
const char *take_output_option(int *argc, char **argv);

// The first network of a saved file (the caller's), or null after a message on standard error.
NET *network_argument(const char *file_name);

// Saves the network to `output` when it is not null, else prints it on standard output; the
// network stays the caller's. Returns the exit status: 0, or 1 after a message.
int save_or_print(NET *net, const char *output);

// Prints the usage of every command to standard error and returns 2.
int usage();

}  // namespace kora_tool
