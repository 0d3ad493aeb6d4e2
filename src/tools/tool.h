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
int print_command(int argc, char **argv);
int info_command(int argc, char **argv);

// The network of the file a command names: the first network of a saved network file, else the
// network of a word list, or of spaced text with `spaced`. Null, with the library's report on
// standard error, when it cannot be read. The caller frees the network.
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

// Networks in saved files (net-file.cpp). The tool's network files are the library's binary
// network files.

// Removes "-o FILE" from the arguments and returns FILE, or null when there is none.
const char *take_output_option(int *argc, char **argv);

// Whether the file starts like a saved network file (its type byte is one the library loads).
bool is_network_file(const char *file_name);

// The first network of a saved file (the caller's), or null after a message on standard error.
NET *network_argument(const char *file_name);

// Saves the network (which stays the caller's) to `output`. Returns the exit status: 0, or 1
// after a message.
int save_network(NET *net, const char *output);

// Prints the usage of every command to standard error and returns 2.
int usage();

}  // namespace kora_tool
