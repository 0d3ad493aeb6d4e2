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

namespace {


// The trie of the lines of `text`; a byte b is the label b (never 0, which is epsilon). As in
// the kora program, the arc wanted is looked for first among the last arcs made.
void build_trie(const std::string &text, fst::StdVectorFst &trie) {
  using Arc = fst::StdArc;
  trie.SetStart(trie.AddState());
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *end = p + text.size();
  while (p < end) {
    Arc::StateId state = trie.Start();
    const unsigned char *line = p;
    for (; p < end && *p != '\n'; ++p) {
      Arc::Label label = *p;
      Arc::StateId next = fst::kNoStateId;
      size_t count = trie.NumArcs(state);
      if (count > 0) {
        fst::ArcIterator<fst::StdVectorFst> arcs(trie, state);
        for (size_t i = count; i-- > 0;) {
          arcs.Seek(i);
          if (arcs.Value().ilabel == label) {
            next = arcs.Value().nextstate;
            break;
          }
        }
      }
      if (next == fst::kNoStateId) {
        next = trie.AddState();
        trie.AddArc(state, Arc(label, label, Arc::Weight::One(), next));
      }
      state = next;
    }
    if (p > line) trie.SetFinal(state, Arc::Weight::One());
    ++p;
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  fst::StdVectorFst trie;
  build_trie(text, trie);
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
