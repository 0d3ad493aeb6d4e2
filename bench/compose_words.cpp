// Benchmark: composition of a word-list tagger with small rewrite transducers.
//
// The tagger maps each word of the list (one symbol per byte) to itself followed by the tag
// symbol "+Tag": identity arcs along a trie of the words, then an arc 0:+Tag to a final state.
// A rewrite is one final state with an arc from:to and identity arcs for every other symbol of
// the tagger. Modes (one per process, so that each peak memory is its own):
//   trie     the tagger as built (a trie) composed with the rewrite a -> b;
//   minimal  the tagger minimized first (not timed), then composed with a -> b;
//   cascade  the minimized tagger composed with five rewrites one after another
//            (a -> b, e -> i, o -> u, s -> z, t -> d).
// Composition goes through the public compose_net, the tagger handed over (keep 0) and the
// rewrite kept, with word 16 (minimize results) off, as OpenFst's Compose does not minimize.
// The program prints one line: mode, list, states and arcs of the result, seconds spent
// building the tagger and composing (wall clock and processor time), and peak resident memory
// in KiB. The result is checked: its path count is the number of distinct words.
//
// Usage: compose_words WORD-LIST MODE [NAME]. bench/compare-compose.sh runs it beside its
// OpenFst peer (bench/peers/openfst_compose_words.cpp).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "kora.h"
#include "label.h"
#include "measure.h"
#include "network_paths.h"
#include "minimize.h"
#include "struct.h"
#include "word-trie.h"

namespace {

// One final state with from:to and an identity arc for every other used byte and the tag.
NET *rewrite(unsigned char from, unsigned char to, const uint32_t *label_of, uint32_t tag,
             const bool *used) {
  NET *net = epsilon_net();
  for (int byte = 0; byte < 256; ++byte)
    if (used[byte]) {
      const uint32_t label = byte == from ? kora::pair_id(label_of[from], label_of[to]) : label_of[byte];
      add_arc_to_state(net, net->start, label, net->start, nullptr, 0);
    }
  add_arc_to_state(net, net->start, tag, net->start, nullptr, 0);
  return net;
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (argc < 3 || !measure::read_word_list(argc, argv, text)) {
    std::fprintf(stderr, "usage: %s WORD-LIST trie|minimal|cascade [NAME]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[2];
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  int_parameters()->word[KORA_MINIMIZE] = 0;
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; ++byte) kora::intern_byte_symbol(&label_of[byte], byte);
  const uint32_t tag = kora::symbol_id("+Tag");

  auto start = std::chrono::steady_clock::now();
  bool used[256] = {};
  const uint32_t tag_label = kora::pair_id(kora::EPSILON, tag);
  NET *tagger = bench::build_trie(
      text, label_of, [tag_label](const std::string &) { return tag_label; }, used);
  const double build = measure::seconds_since(start);
  if (mode != "trie") kora::min_fsm(tagger, 0);
  const char rules[5][2] = {{'a', 'b'}, {'e', 'i'}, {'o', 'u'}, {'s', 'z'}, {'t', 'd'}};
  const int steps = mode == "cascade" ? 5 : 1;
  std::vector<NET *> rewrites;
  for (int i = 0; i < steps; i++) rewrites.push_back(rewrite(rules[i][0], rules[i][1], label_of, tag, used));

  const double cpu_start = measure::cpu_seconds();
  auto compose_start = std::chrono::steady_clock::now();
  NET *result = tagger;
  for (NET *r : rewrites) result = compose_net(result, r, 0, 1);
  const double compose = measure::seconds_since(compose_start);
  const double cpu_compose = measure::cpu_seconds() - cpu_start;
  const long peak = measure::peak_kib();

  std::set<std::string> words;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    if (end > begin) words.insert(text.substr(begin, end - begin));
    begin = end + 1;
  }
  const uint64_t paths = measure::count_paths(result);
  if (paths != words.size()) {
    std::fprintf(stderr, "wrong result: %llu paths for %zu words\n",
                 static_cast<unsigned long long>(paths), words.size());
    return 1;
  }
  std::printf("kora %s %s states=%u arcs=%u build=%.3f compose=%.3f cpu_compose=%.3f peak_kib=%ld\n",
              mode.c_str(), argc > 3 ? argv[3] : argv[1], result->num_states, result->num_arcs, build,
              compose, cpu_compose, peak);
  free_network(result);
  for (NET *r : rewrites) free_network(r);
  reclaim_kora(context);
  return 0;
}
