// Benchmark: the minimal acceptor of a word list, one symbol per byte.
//
// The words (one per line) are inserted as the paths of a trie built with the internal builders
// (make_state, alloc_arc, push_arc), then min_fsm merges the equivalent states. The program
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

namespace {


// The trie of the lines of `text` (a final line without newline counts; empty lines are
// skipped), over the labels label_of[byte].
NET *build_trie(const std::string &text, const uint32_t *label_of) {
  NET *net = make_empty_net();
  net->start = kora::make_state(nullptr, net);
  bool used[256] = {};
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *end = p + text.size();
  while (p < end) {
    STATE *state = net->start;
    const unsigned char *line = p;
    for (; p < end && *p != '\n'; ++p) {
      uint32_t label = label_of[*p];
      used[*p] = true;
      // Words come sorted, so the arc wanted is nearly always the last one made, at the head.
      ARC *arc = state->arcs;
      while (arc != nullptr && arc->label != label) arc = arc->next;
      if (arc == nullptr) {
        arc = kora::alloc_arc(label, kora::make_state(nullptr, net), net);
        kora::push_arc(arc, state);
      }
      state = arc->destination;
    }
    if (p > line) state->flags.final = 1;
    ++p;
  }
  for (int byte = 0; byte < 256; ++byte) {
    if (!used[byte]) continue;
    alph_add_to(net->labels, label_of[byte], 0);
    alph_add_to(net->sigma, label_of[byte], 0);
  }
  // True by construction: one arc per label and state, no EPSILON, every state on a word's path.
  net->flags.deterministic = 1;
  net->flags.epsilon_free = 1;
  net->flags.pruned = 1;
  net->flags.loop_free = 1;
  return net;
}

bool accepts(const NET *net, const unsigned char *word, size_t length, const uint32_t *label_of) {
  const STATE *state = net->start;
  for (size_t i = 0; i < length && state != nullptr; ++i) {
    const ARC *arc = state->arcs;
    while (arc != nullptr && arc->label != label_of[word[i]]) arc = arc->next;
    state = arc == nullptr ? nullptr : arc->destination;
  }
  return state != nullptr && state->flags.final;
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;  // every byte names its own code
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; ++byte) kora::intern_byte_symbol(&label_of[byte], byte);

  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = build_trie(text, label_of);
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
  for (const std::string &w : words)
    failures +=
        !accepts(net, reinterpret_cast<const unsigned char *>(w.data()), w.size(), label_of);
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
