// Benchmark: a lexicon file compiled through read_vorn, the way a user gets it: the clock runs
// around read_vorn alone, which opens, reads, scans, parses, builds and minimizes.
//
// Prints one line of "key=value" fields: entries (the entry lines of the file), states, arcs,
// total and cpu_total seconds, peak_kib. With EXPECTED-PATHS the result is checked: the network
// must have that many paths.
//
// Usage: compile_lexicon LEXICON-FILE [EXPECTED-PATHS]. bench/compare-lexicon.sh generates the
// lexicon and runs this beside `kora lexicon` and SFST's fst-compiler-utf8.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kora.h"
#include "measure.h"
#include "path-counts.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s LEXICON-FILE [EXPECTED-PATHS]\n", argv[0]);
    return 2;
  }
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;

  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = read_vorn(argv[1]);
  double total = measure::seconds_since(start);
  double cpu_total = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();
  if (net == nullptr) return 1;

  kora::index_net(net);
  unsigned long long paths = kora::path_count(net->start);
  if (argc > 2 && paths != std::strtoull(argv[2], nullptr, 10)) {
    std::fprintf(stderr, "wrong result: %llu paths, %s expected\n", paths, argv[2]);
    return 1;
  }
  std::printf("program=read_vorn states=%u arcs=%u paths=%llu total=%.3f cpu_total=%.3f "
              "peak_kib=%ld\n",
              net->num_states, net->num_arcs, paths, total, cpu_total, peak);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
