// Benchmark: looking words up through a cascade that is not built.
//
// The tagger of bench/compose_words.cpp (each ASCII word of the list mapped to itself followed
// by the tag "+Tag", minimized) above its five one-state rewrites (a -> b, e -> i, o -> u,
// s -> z, t -> d), every word of the list generated through them (applied down, in list order)
// with the public applyer. Modes (one per process):
//   lazy   lazy_compose_net of the six networks: states are made as the lookups reach them;
//   eager  compose_net of the six first (word 16 off, as the virtual composition is not
//          minimized either), then the lookups.
// Time to the first answer runs from having the six networks to the first word's answer
// (composing, for eager, included); then the rest of the list is looked up (the first pass,
// which for lazy makes the states), and the whole list once more (steady words per second).
// Both modes print a checksum of the first pass's answers, which must agree. One line: mode,
// list, first answer in milliseconds, words per second of the first pass and of the second,
// states of the network looked up in, peak memory in KiB.
//
// Usage: virtual_words WORD-LIST lazy|eager [NAME]. bench/compare-virtual.sh runs it beside its
// OpenFst peer (bench/peers/openfst_virtual_words.cpp, delayed ComposeFst).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "label.h"
#include "measure.h"
#include "minimize.h"
#include "struct.h"
#include "word-trie.h"

namespace {

NET *rewrite(unsigned char from, unsigned char to, const uint32_t *label_of, uint32_t tag,
             const bool *used) {
  NET *net = epsilon_net();
  for (int byte = 0; byte < 256; ++byte)
    if (used[byte]) {
      const uint32_t label =
          byte == from ? kora::pair_id(label_of[from], label_of[to]) : label_of[byte];
      add_arc_to_state(net, net->start, label, net->start, nullptr, 0);
    }
  add_arc_to_state(net, net->start, tag, net->start, nullptr, 0);
  return net;
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (argc < 3 || !measure::read_word_list(argc, argv, text)) {
    std::fprintf(stderr, "usage: %s WORD-LIST lazy|eager [NAME]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[2];
  text = measure::ascii_lines(text);
  const std::vector<std::string> words = measure::split_lines(text);
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;
  int_parameters()->word[KORA_MINIMIZE] = 0;
  int_parameters()->word[KORA_VERBOSE] = 0;
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; ++byte) kora::intern_byte_symbol(&label_of[byte], byte);
  const uint32_t tag = kora::symbol_id("+Tag");
  bool used[256] = {};
  const uint32_t tag_label = kora::pair_id(kora::EPSILON, tag);
  NET *nets[6];
  nets[0] = bench::build_trie(
      text, label_of, [tag_label](const std::string &) { return tag_label; }, used);
  kora::min_fsm(nets[0], 0);
  const char rules[5][2] = {{'a', 'b'}, {'e', 'i'}, {'o', 'u'}, {'s', 'z'}, {'t', 'd'}};
  for (int i = 0; i < 5; i++) nets[i + 1] = rewrite(rules[i][0], rules[i][1], label_of, tag, used);

  auto start = std::chrono::steady_clock::now();
  NET *net = nullptr;
  if (mode == "lazy") {
    NV cascade{6, nets};
    net = lazy_compose_net(&cascade, 0);
  } else {
    net = nets[0];
    for (int i = 1; i < 6; i++) net = compose_net(net, nets[i], 0, 0);
  }
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  uint64_t checksum = 0, answered = 0;
  auto take = [&](const char *answer) {
    if (answer == nullptr || *answer == '\0') return;
    answered++;
    for (const char *c = answer; *c != '\0'; ++c) checksum = checksum * 131 + static_cast<unsigned char>(*c);
  };
  take(apply_to_string(words[0].c_str(), applyer));
  const double first = measure::seconds_since(start);
  auto cold_start = std::chrono::steady_clock::now();
  for (size_t i = 1; i < words.size(); ++i) take(apply_to_string(words[i].c_str(), applyer));
  const double cold = measure::seconds_since(cold_start);
  const uint64_t first_checksum = checksum;
  auto steady_start = std::chrono::steady_clock::now();
  for (const std::string &word : words) take(apply_to_string(word.c_str(), applyer));
  const double steady = measure::seconds_since(steady_start);
  if (answered != 2 * words.size()) {
    std::fprintf(stderr, "wrong result: %llu answers for %zu words\n",
                 static_cast<unsigned long long>(answered), words.size());
    return 1;
  }
  std::printf(
      "kora-%s %s first_ms=%.3f first_pass_words_per_s=%.0f words_per_s=%.0f states=%u "
      "checksum=%llx peak_kib=%ld\n",
      mode.c_str(), argc > 3 ? argv[3] : argv[1], first * 1000,
      static_cast<double>(words.size() - 1) / cold, static_cast<double>(words.size()) / steady,
      net->num_states, static_cast<unsigned long long>(first_checksum), measure::peak_kib());
  free_applyer(applyer);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
