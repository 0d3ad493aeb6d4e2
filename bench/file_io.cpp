// Benchmark: saving and loading large networks through save_net and load_net.
//
//   file_io save WORD-LIST acceptor|tagger FILE [NAME]
//     builds the machine (not timed): the minimal acceptor of the list, one symbol per byte, or
//     the tagger, which maps each word to itself followed by one of four tags (+Poss for words
//     ending in 's, +Prop for capitalized words, +Pl for words ending in s, +Sg otherwise),
//     minimized with minimize_net; then saves it to FILE five times and reports the file's size
//     and the best and median wall-clock seconds of save_net.
//   file_io load FILE [NAME]
//     loads the file once with load_net and reports the wall-clock and processor seconds and the
//     process's peak resident memory (run it in a fresh process for each measurement).
//
// bench/compare-files.sh runs both beside the OpenFst peer (bench/peers/openfst_file_io.cpp),
// which builds the same machines and writes and reads them as StdVectorFst and ConstFst.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "label.h"
#include "measure.h"
#include "word-trie.h"

namespace {

const char *const kTags[4] = {"+Poss", "+Prop", "+Pl", "+Sg"};

NET *build_machine(const std::string &text, bool tagger) {
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; ++byte)
    kora::intern_byte_symbol(&label_of[byte], static_cast<unsigned char>(byte));
  NET *net;
  if (tagger) {
    uint32_t tag_labels[4];
    for (int i = 0; i < 4; i++)
      tag_labels[i] = kora::pair_id(KORA_EPSILON, kora::symbol_id(kTags[i]));
    net = bench::build_trie(text, label_of, [&](const std::string &word) {
      return tag_labels[measure::word_tag(word)];
    });
  } else {
    net = bench::build_trie(text, label_of);
  }
  minimize_net(net);
  return net;
}

int save(int argc, char **argv) {
  std::string text;
  if (argc < 5 || !measure::read_file(argv[2], text)) {
    std::fprintf(stderr, "usage: file_io save WORD-LIST acceptor|tagger FILE [NAME]\n");
    return 2;
  }
  const bool tagger = std::strcmp(argv[3], "tagger") == 0;
  const char *file = argv[4];
  NET *net = build_machine(text, tagger);
  std::vector<double> times;
  for (int run = 0; run < 5; run++) {
    auto start = std::chrono::steady_clock::now();
    if (save_net(net, file, nullptr) != 0) return 1;
    times.push_back(measure::seconds_since(start));
  }
  std::sort(times.begin(), times.end());
  struct stat info {};
  stat(file, &info);
  std::printf("kora save %s states=%u arcs=%u bytes=%lld save_best=%.4f save_median=%.4f\n",
              argc > 5 ? argv[5] : argv[2], net->num_states, net->num_arcs,
              static_cast<long long>(info.st_size), times.front(), times[times.size() / 2]);
  free_network(net);
  return 0;
}

int load(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: file_io load FILE [NAME]\n");
    return 2;
  }
  long base = measure::peak_kib();
  double cpu_start = measure::cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  NET *net = load_net(argv[2], nullptr);
  double wall = measure::seconds_since(start);
  double cpu = measure::cpu_seconds() - cpu_start;
  long peak = measure::peak_kib();
  if (net == nullptr) return 1;
  std::printf("kora load %s states=%u arcs=%u load=%.4f cpu=%.4f peak_kib=%ld base_kib=%ld\n",
              argc > 3 ? argv[3] : argv[2], net->num_states, net->num_arcs, wall, cpu, peak, base);
  free_network(net);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  int_parameters()->word[KORA_REPORT_BAD_CHARS] = 0;  // every byte names its own code
  int status = 2;
  if (argc > 1 && std::strcmp(argv[1], "save") == 0) status = save(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "load") == 0) status = load(argc, argv);
  reclaim_kora(context);
  return status;
}
