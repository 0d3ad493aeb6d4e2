// kora suggest [--words | --spaced] [--max-edits K] [--limit N] [--transpositions]
// [--errors MODEL] [-j N] NETWORK [INPUT]: spelling correction. For each line of INPUT or of the
// standard input, the strings of the network's lower side (the side lookup reads) within K edits
// of the line (default 2), best first, at most N of them (default 10; 0 for all), one line
// "input<TAB>suggestion<TAB>distance" each, the suggestion being what the network writes for the
// string (the string itself on a word list, the analyses on a lexical transducer);
// "input<TAB>input<TAB>+?" when there is none. --transpositions counts a swap of two adjacent
// symbols as one edit; --errors takes the edits from the error model in the saved network file
// MODEL (typed strings on its upper side, intended ones on its lower side; see
// init_apply_approx in kora.h).
//
// With one thread (-j 1, or output to a terminal, which is then flushed after each line) the
// lines are answered in order. With N threads the input is read in batches of lines; each batch
// is cut into N runs of lines, answered at once by N threads each with an applyer of its own,
// and written in input order with the messages each run met, so the output on both streams is
// the same as with one thread.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "answers.h"
#include "kora.h"
#include "tool.h"

namespace kora_tool {
namespace {

constexpr size_t kBatchLines = 4096;
constexpr long kDefaultMaxEdits = 2;
constexpr long kDefaultLimit = 10;

struct Settings {
  int max_edits = kDefaultMaxEdits;
  int limit = kDefaultLimit;
  int options = 0;
};

// Appends the answer to one input line (its line end cut off).
void answer_line(APPROX_APPLYER *applyer, const Settings &settings, const std::string &line,
                 Answers &out) {
  const size_t length = strnlen(line.c_str(), line.size());
  const int count =
      apply_approx(line.c_str(), settings.max_edits, settings.limit, settings.options, applyer);
  if (count <= 0) {
    char *at = out.room(4 * length + 5);
    at = put_field(at, line.c_str(), length);
    *at++ = '\t';
    at = put_field(at, line.c_str(), length);
    out.added(put(at, "\t+?\n", 4));
    return;
  }
  for (int k = 0; k < count; k++) {
    int distance = 0;
    const char *suggestion = approx_result(applyer, k, &distance, nullptr);
    const std::string number = std::to_string(distance);
    const size_t suggestion_length = std::strlen(suggestion);
    char *at = out.room(2 * (length + suggestion_length) + number.size() + 3);
    at = put_field(at, line.c_str(), length);
    *at++ = '\t';
    at = put_field(at, suggestion, suggestion_length);
    *at++ = '\t';
    at = put(at, number.data(), number.size());
    *at++ = '\n';
    out.added(at);
  }
}

void write_out(const Answers &out) {
  if (out.size() > 0) std::fwrite(out.data(), 1, out.size(), stdout);
}

// Reads up to `most` lines of `input`, without their line ends, into `lines`; false at the end.
bool read_lines(FILE *input, size_t most, std::vector<std::string> &lines) {
  lines.clear();
  char *buffer = nullptr;
  size_t capacity = 0;
  ssize_t got;
  while (lines.size() < most && (got = getline(&buffer, &capacity, input)) >= 0) {
    size_t length = static_cast<size_t>(got);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r')) length--;
    lines.emplace_back(buffer, length);
  }
  std::free(buffer);
  return !lines.empty();
}

void suggest_lines(NET *net, NET *model, const Settings &settings, FILE *input, unsigned jobs,
                   bool flush) {
  std::vector<APPROX_APPLYER *> applyers;
  for (unsigned k = 0; k < jobs; k++) applyers.push_back(init_apply_approx(net, 1, model, nullptr));
  std::vector<std::string> lines;
  const size_t batch = flush ? 1 : kBatchLines;
  while (!std::ferror(stdout) && read_lines(input, batch, lines)) {
    const size_t runs = std::min<size_t>(jobs, lines.size());
    std::vector<Answers> outs(runs);
    std::vector<std::string> messages(runs);
    auto answer_run = [&](size_t run) {
      const size_t first = lines.size() * run / runs, last = lines.size() * (run + 1) / runs;
      if (runs > 1) keep_messages_in(&messages[run]);
      for (size_t k = first; k < last; k++)
        answer_line(applyers[run], settings, lines[k], outs[run]);
      if (runs > 1) keep_messages_in(nullptr);
    };
    std::vector<std::thread> threads;
    for (size_t run = 1; run < runs; run++) threads.emplace_back(answer_run, run);
    answer_run(0);
    for (std::thread &thread : threads) thread.join();
    for (size_t run = 0; run < runs; run++) {
      if (!messages[run].empty())
        std::fwrite(messages[run].data(), 1, messages[run].size(), stderr);
      write_out(outs[run]);
    }
    if (flush) std::fflush(stdout);
  }
  for (APPROX_APPLYER *applyer : applyers) free_approx_applyer(applyer);
}

}  // namespace

int suggest_command(int argc, char **argv) {
  Settings settings;
  long max_edits = kDefaultMaxEdits, limit = kDefaultLimit,
       jobs = std::thread::hardware_concurrency();
  if (jobs == 0) jobs = 1;
  bool transpositions = false;
  const char *errors = nullptr;
  Source source;
  std::vector<const char *> files;
  if (!take_number_option(argc, argv, "-j", 1, 1024, &jobs) ||
      !take_number_option(argc, argv, "--max-edits", 0, 100, &max_edits) ||
      !take_number_option(argc, argv, "--limit", 0, INT_MAX, &limit) ||
      !take_option(argc, argv, "--errors", &errors) ||
      !parse_network_arguments(argc, argv, {{"--transpositions", &transpositions}}, 2, &source,
                               files))
    return usage();
  settings.max_edits = static_cast<int>(max_edits);
  settings.limit = static_cast<int>(limit);
  settings.options = transpositions ? KORA_APPROX_TRANSPOSITIONS : 0;
  FILE *input = stdin;
  if (files.size() == 2) {
    if (!check_readable(files[1])) return 1;
    if ((input = std::fopen(files[1], "r")) == nullptr) {
      std::fprintf(stderr, "kora: cannot read '%s': %s\n", files[1], std::strerror(errno));
      return 1;
    }
  }
  NET *net = read_network(files[0], source);
  NET *model = net != nullptr && errors != nullptr ? read_network(errors, Source::saved) : nullptr;
  if (net == nullptr || (errors != nullptr && model == nullptr)) {
    free_network(net);
    if (input != stdin) std::fclose(input);
    return 1;
  }
  const bool flush = isatty(fileno(stdout)) != 0;
  suggest_lines(net, model, settings, input, flush ? 1 : static_cast<unsigned>(jobs), flush);
  free_network(model);
  free_network(net);
  if (input != stdin) std::fclose(input);
  return 0;
}

}  // namespace kora_tool
