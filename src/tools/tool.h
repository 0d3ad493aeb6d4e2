// The commands of the kora tool, one function each, and what they share. Each command takes the
// arguments that follow its name and returns the process's exit status: 0 on success, 1 when the
// library refused its input, 2 for a usage error. Whatever a command returns, the process exits
// with 1 when the library reported an error or lost part of the input (failures_seen) or when
// standard output could not be written.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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
int lookup_command(int argc, char **argv);
int generate_command(int argc, char **argv);
int apply_command(int argc, char **argv);
int suggest_command(int argc, char **argv);
int lexicon_command(int argc, char **argv);
int regex_command(int argc, char **argv);
int draw_command(int argc, char **argv);
int optimize_command(int argc, char **argv);
int convert_command(int argc, char **argv);
int compose_command(int argc, char **argv);
int patterns_command(int argc, char **argv);

// Prints the usage of every command to standard error and returns 2.
int usage();
// The usage of every command, on `stream` (kora --help).
void print_usage(FILE *stream);

// --- Arguments (kora.cpp) ---------------------------------------------------------------------

// An option of a command: its name ("--spaced") and the Boolean it sets.
struct Flag {
  const char *name;
  bool *value;
};

// Reads a command's arguments: each option named in `flags` sets its Boolean; with `output`,
// "-o FILE" sets *output; every other argument not starting with "-" is an operand, kept in
// order. Returns false for an unknown option or an "-o" without its file.
bool parse_arguments(int argc, char **argv, const std::vector<Flag> &flags, const char **output,
                     std::vector<const char *> &operands);

// Takes every occurrence of the option `name` and its value out of the arguments: "NAME VALUE",
// or "NAME=VALUE" for a long option ("--max-states") and "NAMEVALUE" for a short one ("-j").
// *value becomes the last value given (unchanged when there is none); false when a value is
// missing.
bool take_option(int &argc, char **argv, const char *name, const char **value);

// take_option keeping every value given, in order, in `values`.
bool take_options(int &argc, char **argv, const char *name, std::vector<const char *> &values);

// take_option for a number: false when it is missing, malformed or outside [low, high].
bool take_number_option(int &argc, char **argv, const char *name, long low, long high,
                        long *value);

// --- Networks as arguments and results (net-file.cpp) ------------------------------------------

// Where a command's network comes from: a saved network file (the tool's own format), a word
// list, spaced text or Prolog facts.
enum class Source { saved, words, spaced, prolog };

// Reads the arguments "[--words | --spaced] NETWORK ..." of a command that takes a network, with
// the command's own options in `flags`: *source becomes what --words or --spaced select (a
// saved file without either), operands[0] the network's file, then at most max_operands - 1
// more; with `output`, "-o FILE" sets *output. False for a usage error.
bool parse_network_arguments(int argc, char **argv, std::vector<Flag> flags, size_t max_operands,
                             Source *source, std::vector<const char *> &operands,
                             const char **output = nullptr);

// The network of the file (the first network of a saved file). Null, with the library's or the
// tool's message on standard error, when it cannot be read. The caller frees the network.
NET *read_network(const char *file_name, Source source);

// Every network of the file, in order (the one network of a word list or spaced text). Empty,
// with the message, when it cannot be read. The caller frees the networks.
std::vector<NET *> read_networks(const char *file_name, Source source);

// Writes the file `output` whole or not at all: `write` is given a new file's name beside
// `output` and returns whether it wrote all of it; the file then replaces `output`, or is
// removed. 0, or 1 after "kora: cannot write WHAT to 'OUTPUT'" on standard error.
int write_whole_file(const char *output, const char *what,
                     const std::function<bool(const char *file_name)> &write);

// Saves the network to `output` with write_whole_file.
int save_network(NET *net, const char *output);

// Prints "N states, M arcs, P words." ("paths" for a transducer); a network with loops has
// "loops" in place of the count of its paths, and a virtual network, whose states are made
// only as lookups reach them, "virtual: made as lookups reach it.".
void print_summary(NET *net);

// --- Failures and messages (status.cpp) --------------------------------------------------------

// Installs the tool's callbacks for the library's errors and warnings: each is written as the
// library writes it ("\n*** ERROR: %s ***\n", "\n*** Warning: %s ***\n") through report();
// errors, and warnings that say part of the input was lost (loses_input), count as failures.
void watch_library_messages();

// The error callback that watch_library_messages installs, for a command whose own adds to it.
void report_library_error(const char *message, const char *extra, int code);

// Whether a warning of the library says that part of the input is not in the result (a word
// left out, lexicon entries that lead nowhere or that nothing leads to).
bool loses_input(const std::string &warning);

// The failures counted since the command started, on any thread; count_failure adds one the
// tool met itself (a result cut by --max-results).
size_t failures_seen();
void count_failure();

// While a sink is set, what this thread reports (the library's messages and the tool's notes)
// is appended to it instead of being written; null writes it on standard error again.
void keep_messages_in(std::string *sink);
void report(const std::string &text);

// Whether `file_name` is a file that can be read: false, after "kora: cannot read 'FILE':
// reason" on standard error, when it cannot be opened or is a directory.
bool check_readable(const char *file_name);

// Flushes standard output: false, after a message on standard error, when anything written to
// it (by the tool or the library) was lost. (Output into a closed pipe never gets here: main
// lets SIGPIPE end the process.)
bool flush_standard_output();

}  // namespace kora_tool
