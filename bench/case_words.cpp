// Benchmark: the case functions on the minimal acceptor of a word list.
//
// The list is read with read_text (a file of one word per line, UTF-8), as a user reads it, and
// defined as the network W; then each of UpCase(W), DownCase(W), Cap(W) and AnyCase(W) is
// compiled with read_regex, results minimized (parameter word 16 on). One line per
// function: its states and arcs, the seconds it took, and the number of paths, which is checked:
// case-mapping never adds paths to UpCase( and DownCase( beyond the list's and AnyCase( never
// loses one. Reading the file is timed on its own line.
//
// Usage: case_words WORD-LIST

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "kora.h"
#include "measure.h"
#include "network_paths.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: case_words WORD-LIST\n");
    return 2;
  }
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  int_parameters()->word[KORA_MINIMIZE] = 1;
  auto start = std::chrono::steady_clock::now();
  NET *words = read_text(argv[1]);
  if (words == nullptr) return 2;
  const double read = measure::seconds_since(start);
  const uint64_t paths = measure::count_paths(words);
  std::printf("read_text %s states=%u arcs=%u paths=%llu seconds=%.3f\n", argv[1],
              words->num_states, words->num_arcs, static_cast<unsigned long long>(paths), read);
  if (define_net("W", words, 0) != 0) return 2;
  int status = 0;
  for (const char *function : {"UpCase(W)", "DownCase(W)", "Cap(W)", "AnyCase(W)"}) {
    start = std::chrono::steady_clock::now();
    NET *result = read_regex(function);
    const double seconds = measure::seconds_since(start);
    if (result == nullptr) return 1;
    const uint64_t result_paths = measure::count_paths(result);
    std::printf("%s states=%u arcs=%u paths=%llu seconds=%.3f peak_kib=%ld\n", function,
                result->num_states, result->num_arcs,
                static_cast<unsigned long long>(result_paths), seconds, measure::peak_kib());
    const bool any = function[0] == 'A';
    if (result_paths == 0 || (any ? result_paths < paths : result_paths > paths)) status = 1;
    free_network(result);
  }
  reclaim_kora(context);
  return status;
}
