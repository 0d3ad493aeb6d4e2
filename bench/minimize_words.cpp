// Benchmark: the minimal acceptor of a word list, one symbol per byte.
//
// The words (one per line) are inserted as the paths of a trie built with the internal builders
// (bench/word-trie.h), then min_fsm merges the equivalent states. The program
// prints one line: the list's name, states and arcs of the minimal network, the seconds spent
// building the trie and minimizing, and the peak resident memory in KiB. Reading the file comes
// before the clock starts. Afterwards the result is checked: every word is accepted and the
// network has exactly as many paths as the list has distinct words.
//
// Usage: minimize_words WORD-LIST [NAME]. bench/compare-minimize.sh runs it beside its OpenFst
// peer (bench/peers/openfst_minimize_words.cpp), which does the same with fst::Minimize.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "alph.h"
#include "kora.h"
#include "label.h"
#include "measure.h"
#include "network_paths.h"
#include "minimize.h"
#include "struct.h"
#include "word-trie.h"

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;  // every byte names its own code
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; ++byte) kora::intern_byte_symbol(&label_of[byte], byte);

  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = bench::build_trie(text, label_of);
  double build = measure::seconds_since(start);
  uint32_t trie_states = net->num_states;
  double cpu_minimize_start = measure::cpu_seconds();
  auto minimize_start = std::chrono::steady_clock::now();
  kora::min_fsm(net, 0);
  double minimize = measure::seconds_since(minimize_start);
  double total = measure::seconds_since(start);
  double cpu_minimize = measure::cpu_seconds() - cpu_minimize_start, cpu_total = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();

  std::vector<std::string> words;
  size_t begin = 0, failures = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    if (end > begin) words.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  for (const std::string &w : words) failures += !measure::accepts(net, w, label_of);
  std::sort(words.begin(), words.end());
  size_t distinct = std::unique(words.begin(), words.end()) - words.begin();
  uint64_t paths = measure::count_paths(net);
  if (failures != 0 || paths != distinct) {
    std::fprintf(stderr, "wrong result: %zu words rejected, %llu paths for %zu words\n", failures,
                 static_cast<unsigned long long>(paths), distinct);
    return 1;
  }

  measure::report("kora", argc > 2 ? argv[2] : argv[1], trie_states, net->num_states,
                  net->num_arcs, build, minimize, total, cpu_minimize, cpu_total, peak);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
