// What the benchmark programs share: reading a word list, clocks, and the one-line report.
// Header-only, so that the peer programs under bench/peers build with a single compiler call.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// The tag of a word in the tagger benchmarks (bench/file_io.cpp and its peer): 0 (+Poss) for a
// word ending in 's, 1 (+Prop) for a capitalized word, 2 (+Pl) for a word ending in s, else 3 (+Sg).
inline int word_tag(const std::string &word) {
  size_t n = word.size();
  if (n >= 2 && word[n - 2] == '\'' && word[n - 1] == 's') return 0;
  if (word[0] >= 'A' && word[0] <= 'Z') return 1;
  if (word[n - 1] == 's') return 2;
  return 3;
}

// The non-empty lines of `text` (line ends LF).
inline std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The inputs of the lookup benchmarks (bench/lookup_words.cpp and its peer): the words of the
// list in order, shuffled (a fixed seed), and with every second word made unknown ("#", a
// character of no word, appended).
struct LookupInputs {
  static constexpr int count = 3;
  const char *names[count] = {"words", "shuffled", "half-unknown"};
  std::vector<std::string> lists[count];
  explicit LookupInputs(const std::string &text) {
    lists[0] = split_lines(text);
    lists[1] = lists[0];
    std::shuffle(lists[1].begin(), lists[1].end(), std::mt19937(42));
    lists[2] = lists[0];
    for (size_t i = 1; i < lists[2].size(); i += 2) lists[2][i] += "#";
  }
};

// The lookup benchmarks drop their answers whenever this many bytes have been written, as kora
// lookup writes its output in blocks of this size and reuses its buffer: the answers stay in
// the cache, beside the machine, as they do in the tool.
constexpr size_t kAnswerBlockBytes = 64 * 1024;

// The words of `text` made of ASCII characters only, one per line: the tagger of the lookup
// benchmarks is built from them, one symbol per byte.
inline std::string ascii_lines(const std::string &text) {
  std::string ascii;
  for (const std::string &word : split_lines(text))
    if (std::all_of(word.begin(), word.end(), [](char c) { return c > 0; }))
      ascii.append(word).append("\n");
  return ascii;
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
