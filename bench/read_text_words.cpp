// Benchmark: the minimal acceptor of a word list through the public interface, the way a user
// gets it: read_text from the file to the minimal network, the file read included.
//
// The clock runs around read_text alone (which opens, reads, decodes and builds). The program
// prints one line in the format of the other word-list benchmarks (build = read_text; there is
// no separate minimization, so minimize is 0 and trie_states is the number of words read).
// Afterwards the result is checked: the network has exactly as many paths as the list has
// distinct non-empty lines.
//
// Usage: read_text_words WORD-LIST [NAME]. bench/compare-read-text.sh runs it beside
// minimize_words, OpenFst (bench/peers/openfst_minimize_words.cpp) and `kora words`.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kora.h"
#include "measure.h"
#include "path-counts.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s WORD-LIST [NAME]\n", argv[0]);
    return 2;
  }
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;

  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = read_text(argv[1]);
  double total = measure::seconds_since(start);
  double cpu_total = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();
  if (net == nullptr) return 1;

  // Check: paths = distinct non-empty lines (line ends LF, CR LF or CR, as read_text takes them).
  std::string text;
  measure::read_file(argv[1], text);
  std::vector<std::string> words;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    if (end > begin) words.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  size_t lines = words.size();
  std::sort(words.begin(), words.end());
  size_t distinct = std::unique(words.begin(), words.end()) - words.begin();
  kora::index_net(net);
  uint64_t paths = kora::path_count(net->start);
  if (paths != distinct) {
    std::fprintf(stderr, "wrong result: %llu paths for %zu distinct words\n",
                 static_cast<unsigned long long>(paths), distinct);
    return 1;
  }
  measure::report("read_text", argc > 2 ? argv[2] : argv[1], static_cast<long>(lines),
                  net->num_states, net->num_arcs, total, 0.0, total, 0.0, cpu_total, peak);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
