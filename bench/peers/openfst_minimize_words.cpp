// Peer of bench/minimize_words.cpp with OpenFst (Debian's libfst-dev), run only for measurement:
// the words of a list inserted as the paths of a trie into a StdVectorFst with byte labels, then
// fst::Minimize. Prints the same fields as the kora program.
//
// Build: g++ -O2 -std=c++17 openfst_minimize_words.cpp -lfst -o openfst_minimize_words

#include <chrono>
#include <cstdio>
#include <string>

#include <fst/fstlib.h>

#include "../measure.h"
#include "openfst_trie.h"

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  fst::StdVectorFst trie;
  peers::build_trie(text, trie);
  double build = measure::seconds_since(start);
  int trie_states = trie.NumStates();
  double cpu_minimize_start = measure::cpu_seconds();
  auto minimize_start = std::chrono::steady_clock::now();
  fst::Minimize(&trie);
  double minimize = measure::seconds_since(minimize_start);
  double total = measure::seconds_since(start);
  double cpu_minimize = measure::cpu_seconds() - cpu_minimize_start, cpu_total = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();

  size_t arcs = 0;
  for (fst::StateIterator<fst::StdVectorFst> states(trie); !states.Done(); states.Next())
    arcs += trie.NumArcs(states.Value());
  measure::report("openfst", argc > 2 ? argv[2] : argv[1], trie_states, trie.NumStates(),
                  static_cast<long>(arcs), build, minimize, total, cpu_minimize, cpu_total, peak);
  return 0;
}
