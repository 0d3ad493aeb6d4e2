// Benchmark: looking up every word of a word list in its minimal acceptor, plain and
// vectorized, through kora's public interface (init_apply, apply_to_string), in list order.
// The acceptor is made with read_text and the vectorized form with vectorize_states (neither
// timed). One line per form gives the best and the median words per second of the repeats and
// the number of words found, which must be the same for both.
//
// Usage: lookup_vectorized WORD-LIST [THRESHOLD] [REPEATS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "kora.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void measure(const char *name, NET *net, const std::vector<std::string> &words, int repeats) {
  std::vector<double> seconds;
  size_t found = 0;
  const auto made = std::chrono::steady_clock::now();
  APPLY_CONTEXT *applyer = init_apply(net, 1, nullptr);
  const double preparing = seconds_since(made);
  for (int r = 0; r < repeats; r++) {
    const auto start = std::chrono::steady_clock::now();
    found = 0;
    for (const std::string &word : words) {
      const char *out = apply_to_string(word.c_str(), applyer);
      found += out != nullptr && *out != '\0';
    }
    seconds.push_back(seconds_since(start));
  }
  free_applyer(applyer);
  std::sort(seconds.begin(), seconds.end());
  const double n = static_cast<double>(words.size());
  std::printf("%-11s best %10.0f words/s  median %10.0f words/s  found %zu of %zu  (applyer made in %.3f s)\n",
              name, n / seconds.front(), n / seconds[seconds.size() / 2], found, words.size(),
              preparing);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s WORD-LIST [THRESHOLD] [REPEATS]\n", argv[0]);
    return 2;
  }
  const int threshold = argc > 2 ? std::atoi(argv[2]) : 2;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  std::vector<std::string> words;
  std::ifstream list(argv[1]);
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) words.push_back(line);
  NET *plain = read_text(argv[1]);
  if (plain == nullptr) return 1;
  NET *vectorized = copy_net(plain);
  const int states = vectorize_states(vectorized, threshold);
  std::printf("%zu words, %u states, %u arcs; threshold %d: %d states vectorized\n", words.size(),
              plain->num_states, plain->num_arcs, threshold, states);
  measure("plain", plain, words, repeats);
  measure("vectorized", vectorized, words, repeats);
  free_network(plain);
  free_network(vectorized);
  reclaim_kora(context);
  return 0;
}
