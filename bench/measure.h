// What the benchmark programs share: reading a word list, clocks, and the one-line report.
// Header-only, so that the peer programs under bench/peers build with a single compiler call.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace measure {

inline double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this process, in seconds: on a shared machine it is steadier than the clock.
inline double cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline bool read_file(const char *path, std::string &text) {
  FILE *file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return true;
}

// The word list named on the command line (usage: PROGRAM WORD-LIST [NAME]), read into `text`;
// false, with the reason on standard error, when it cannot be had.
inline bool read_word_list(int argc, char **argv, std::string &text) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s WORD-LIST [NAME]\n", argv[0]);
    return false;
  }
  if (!read_file(argv[1], text)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return false;
  }
  return true;
}

// Peak resident memory of this process so far, in KiB.
inline long peak_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Minor page faults of this process so far: first touches of fresh memory, each a trip into
// the kernel that zeroes a page.
inline long minor_faults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// The line that bench/compare-minimize.sh reads: program, list, then key=value fields.
inline void report(const char *program, const char *list, long trie_states, long states,
                   long arcs, double build, double minimize, double total, double cpu_minimize,
                   double cpu_total, long peak) {
  std::printf("%s %s trie_states=%ld states=%ld arcs=%ld build=%.3f minimize=%.3f total=%.3f "
              "cpu_minimize=%.3f cpu_total=%.3f peak_kib=%ld\n",
              program, list, trie_states, states, arcs, build, minimize, total, cpu_minimize,
              cpu_total, peak);
}

}  // namespace measure
