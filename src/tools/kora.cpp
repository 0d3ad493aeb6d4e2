// kora: the command-line face of the library. It uses only the public interface of libkora.
//
//   kora COMMAND [--memory-limit SIZE] ARGUMENTS...
//   kora COMMAND --help
//
// The commands are listed in the table below; `kora` alone prints their usage. Every command
// runs with a memory limit for the library (half of the machine's memory unless given).

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

const Command commands[] = {
    {"version", "", "the version of the program and the library's version string",
     version_command},
    {"words", "[--spaced] [--print] [-o OUT] FILE",
     "the minimal network of a word list (one word per line; with --spaced, of spaced text):\n"
     "      its size in one line, or with --print its listing state by state; -o saves it",
     words_command},
    {"lexicon", "[-o OUT] FILE",
     "compiles a lexicon source file: the size of its network in one line; -o saves it;\n"
     "      messages as \"FILE:LINE: message\"",
     lexicon_command},
    {"text", "[--words | --spaced] NETWORK",
     "the words of a network, one per line (the paths of a transducer as spaced text)",
     text_command},
    {"print", "[--words | --spaced] NETWORK", "a network listed state by state", print_command},
    {"info", "NETFILE", "the header of a saved network file and the size of each network in it",
     info_command},
    {"lookup", "[--words | --spaced] [--cascade | --lazy] [--flush] [-j N] [--max-results N] NETWORK [INPUT]",
     "analyses each line of INPUT (standard input by default): applies the network up, reading\n"
     "      the lower (surface) side and writing the upper (lexical) side; one line\n"
     "      \"input<TAB>output\" per result, \"input<TAB>input<TAB>+?\" when there is none, and an\n"
     "      empty line after each input (a tab in an input or a result written \\t, a\n"
     "      backslash \\\\); --cascade applies every network of the file in turn,\n"
     "      as their composition in file order would (otherwise only the first, with a note);\n"
     "      --flush flushes after each input (always on a terminal); -j N looks up on N threads\n"
     "      (default: the number of cores; one with --flush or on a terminal), reading the input\n"
     "      in batches of lines and writing the same output, in input order, as one thread; an\n"
     "      input with more than --max-results results (default 10000; 0 for no limit) gets the\n"
     "      first ones and a note on standard error, and the command exits with status 1",
     lookup_command},
    {"generate", "[--words | --spaced] [--cascade | --lazy] [--flush] [-j N] [--max-results N] NETWORK [INPUT]",
     "the same as lookup, applying the network down: reading the upper side, writing the lower",
     generate_command},
    {"apply", "(up | down) [--words | --spaced] [--cascade | --lazy] [--flush] [-j N] [--max-results N] NETWORK [INPUT]",
     "apply up is lookup, apply down is generate", apply_command},
    {"suggest",
     "[--words | --spaced] [--max-edits K] [--limit N] [--transpositions] [--errors MODEL] [-j N] "
     "NETWORK [INPUT]",
     "spelling correction: for each line of INPUT (standard input by default), the strings of\n"
     "      the network's lower side within K edits (default 2), best first (by distance, then\n"
     "      in byte order), at most N (default 10; 0 for all), one line\n"
     "      \"input<TAB>suggestion<TAB>distance\" each, the suggestion being what the network\n"
     "      writes for the string (its upper side); \"input<TAB>input<TAB>+?\" when there is\n"
     "      none; --transpositions counts a swap of adjacent symbols as one edit; --errors takes\n"
     "      the edits from the error model in the network file MODEL (typed strings above,\n"
     "      intended ones below; each arc of a pair one error); -j N as for lookup",
     suggest_command},
    {"patterns",
     "[--words | --spaced] [--up | --down] [--delete | --extract | --count] [--latin1] [-j N] "
     "NETWORK [INPUT]",
     "marks up INPUT (standard input by default) with a pattern network: at each position the\n"
     "      longest match is written between <name> and </name>, its closing tag in the network,\n"
     "      the rest copied; --delete leaves the matches out, --extract writes only them, one\n"
     "      per line, --count writes only the table of matches per tag. The network is read from\n"
     "      the side without the tags (--up: the lower side, --down: the upper side); --latin1\n"
     "      reads and writes ISO-8859-1. Matches never hold a line end. One thread streams the\n"
     "      text in constant memory; -j N marks up blocks of lines on N threads, with the same\n"
     "      output",
     patterns_command},
    {"regex", "[-D NAME=FILE | -D NAME=REGEX]... [-o OUT] (EXPR | -f FILE)",
     "compiles a regular expression, or each expression of FILE (each ended by \";\"): the\n"
     "      size of each network in one line; -o saves them all; a syntax error is followed by\n"
     "      its line with a caret under the token where the parser stopped. -D defines NAME,\n"
     "      for the expressions to use, as the network of FILE (a saved network file of one\n"
     "      network) or of REGEX, in order: kora regex -D Lex=lex.fst -D Rule='a -> b' 'Lex .o. Rule'",
     regex_command},
    {"compose", "[--lazy] [--words | --spaced] -o OUT NETWORK...",
     "saves in OUT the composition of every network of the files, in order, the first one\n"
     "      above (a lexicon above its rules), and prints its size in one line; with --lazy\n"
     "      the composition is not built: OUT holds the networks and the operation, and\n"
     "      lookup and generate make the states the inputs reach, as lookup --lazy does",
     compose_command},
    {"draw", "[--words | --spaced] [--max-states N] [-o OUT] NETWORK",
     "the network as a Graphviz DOT digraph (to draw with `dot -Tsvg`), on standard output or\n"
     "      in OUT: states as circles, final states as double circles, an arrow into the start\n"
     "      state, one edge per pair of states labelled with its arcs' labels; a network of\n"
     "      more than N states (default 1000; 0 for no limit) is refused",
     draw_command},
    {"optimize", "[--words | --spaced] [--arcs] [--reduce | --compact] -o OUT NETWORK",
     "saves the network in a smaller form that lookup reads as it is: --arcs lets states share\n"
     "      the common ends of their arc lists, --reduce keeps one label of each group of labels\n"
     "      that every state treats alike; with neither option, both. --compact alone stores\n"
     "      the network as one byte block of a few bytes per arc, which lookup maps from the\n"
     "      file instead of reading it",
     optimize_command},
    {"convert", "[--from FORMAT] [--properties FILE] --to FORMAT IN OUT",
     "writes the networks of IN to OUT (- for the standard output) in another format. FORMAT\n"
     "      is binary (a saved network file, the default for --from), text (a word list),\n"
     "      spaced (spaced text), prolog (Prolog facts) or, for --to, properties (the\n"
     "      network's properties, one per line); --properties FILE reads such properties into\n"
     "      the networks before they are written",
     convert_command},
};

const char kEveryCommand[] =
    "Every command takes --memory-limit SIZE: the most memory the library may hold, in bytes\n"
    "or with a K, M or G suffix; 0 for no limit; by default half of the machine's memory, or\n"
    "of the address space when ulimit -v allows less. An operation that would need more stops\n"
    "with an error.\n";

void print_command_usage(const Command &command, FILE *stream) {
  std::fprintf(stream, "  kora %s %s\n      %s\n", command.name, command.usage, command.summary);
}

// Reads SIZE: a number of bytes, or of KiB, MiB or GiB with a K, M or G after it. False when it
// is malformed or too large for a size_t.
bool parse_size(const char *text, size_t *bytes) {
  if (*text < '0' || *text > '9') return false;
  char *end = nullptr;
  errno = 0;
  unsigned long long n = std::strtoull(text, &end, 10);
  int shift = 0;
  if (*end != '\0') {
    const char *units = "KMG";
    const char *unit = std::strchr(units, *end);
    if (unit == nullptr || end[1] != '\0') return false;
    shift = 10 * static_cast<int>(unit - units + 1);
  }
  if (errno != 0 || n > (SIZE_MAX >> shift)) return false;
  *bytes = static_cast<size_t>(n) << shift;
  return true;
}

// Half of the machine's physical memory, or of the process's address space when it is limited
// to less (ulimit -v), so that a runaway operation stops with the library's message before an
// allocation fails; 0 (no limit) when neither can be told.
size_t default_memory_limit() {
  size_t bytes = 0;
  long pages = sysconf(_SC_PHYS_PAGES);
  long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && page_size > 0)
    bytes = static_cast<size_t>(pages) / 2 * static_cast<size_t>(page_size);
  struct rlimit address_space;
  if (getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY) {
    size_t half = static_cast<size_t>(address_space.rlim_cur / 2);
    if (bytes == 0 || half < bytes) bytes = half;
  }
  return bytes;
}

}  // namespace

void print_usage(FILE *stream) {
  std::fprintf(stream, "usage:\n");
  for (const Command &command : commands) print_command_usage(command, stream);
  std::fprintf(stream,
               "A NETWORK is a saved network file (see words -o), or with --words a word list and\n"
               "with --spaced spaced text.\n%s"
               "kora --version prints the versions of the program and the library.\n",
               kEveryCommand);
}

int usage() {
  print_usage(stderr);
  return 2;
}

bool parse_arguments(int argc, char **argv, const std::vector<Flag> &flags, const char **output,
                     std::vector<const char *> &operands) {
  for (int i = 0; i < argc; ++i) {
    if (output != nullptr && std::strcmp(argv[i], "-o") == 0) {
      if (i + 1 == argc) return false;
      *output = argv[++i];
      continue;
    }
    bool known = false;
    for (const Flag &flag : flags)
      if (std::strcmp(argv[i], flag.name) == 0) *flag.value = known = true;
    if (known) continue;
    if (argv[i][0] == '-' && argv[i][1] != '\0') return false;
    operands.push_back(argv[i]);
  }
  return true;
}

bool take_options(int &argc, char **argv, const char *name, std::vector<const char *> &values) {
  size_t length = std::strlen(name);
  bool long_option = name[0] == '-' && name[1] == '-';
  int kept = 0;
  for (int i = 0; i < argc; i++) {
    if (std::strcmp(argv[i], name) == 0) {
      if (i + 1 == argc) {
        std::fprintf(stderr, "kora: option %s needs a value\n", name);
        return false;
      }
      values.push_back(argv[++i]);
    } else if (std::strncmp(argv[i], name, length) == 0 &&
               (!long_option || argv[i][length] == '=')) {
      values.push_back(argv[i] + length + (long_option ? 1 : 0));
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return true;
}

bool take_option(int &argc, char **argv, const char *name, const char **value) {
  std::vector<const char *> values;
  if (!take_options(argc, argv, name, values)) return false;
  if (!values.empty()) *value = values.back();
  return true;
}

bool take_number_option(int &argc, char **argv, const char *name, long low, long high,
                        long *value) {
  const char *number = nullptr;
  if (!take_option(argc, argv, name, &number)) return false;
  if (number == nullptr) return true;
  char *end = nullptr;
  errno = 0;
  long n = std::strtol(number, &end, 10);
  if (*number == '\0' || *end != '\0' || errno != 0 || n < low || n > high) {
    if (high == LONG_MAX)
      std::fprintf(stderr, "kora: option %s takes a number of at least %ld, not '%s'\n", name,
                   low, number);
    else
      std::fprintf(stderr, "kora: option %s takes a number from %ld to %ld, not '%s'\n", name,
                   low, high, number);
    return false;
  }
  *value = n;
  return true;
}

}  // namespace kora_tool

int main(int argc, char **argv) {
  using namespace kora_tool;
  // Output into a closed pipe ends the process quietly, as in other tools, even when the parent
  // left SIGPIPE ignored: the write error that would otherwise remain cannot be told apart.
  std::signal(SIGPIPE, SIG_DFL);
  if (argc < 2) return usage();
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return version_command(0, nullptr);
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    print_usage(stdout);
    return flush_standard_output() ? 0 : 1;
  }
  for (const Command &command : commands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    if (argc == 3 && std::strcmp(argv[2], "--help") == 0) {
      std::printf("usage:\n");
      print_command_usage(command, stdout);
      std::fputs(kEveryCommand, stdout);
      return flush_standard_output() ? 0 : 1;
    }
    int command_argc = argc - 2;
    char **command_argv = argv + 2;
    size_t memory_limit = default_memory_limit();
    const char *size = nullptr;
    if (!take_option(command_argc, command_argv, "--memory-limit", &size)) return usage();
    if (size != nullptr && !parse_size(size, &memory_limit)) {
      std::fprintf(stderr,
                   "kora: option --memory-limit takes a number of bytes, or of KiB, MiB or GiB "
                   "with a K, M or G after it, not '%s'\n",
                   size);
      return usage();
    }
    FST_CONTEXT *context = initialize_kora();
    context->eol_string = "\n";
    int_parameters()->word[KORA_VERBOSE] = 0;  // no progress dots or file notes
    set_memory_limit(context, memory_limit);
    watch_library_messages();
    int status = command.run(command_argc, command_argv);
    reclaim_kora(context);
    if (status == 0 && failures_seen() > 0) status = 1;
    if (!flush_standard_output()) status = 1;
    return status;
  }
  return usage();
}
