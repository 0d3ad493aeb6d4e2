// Benchmark: the bytes per arc of a compacted network, in its file and resident once loaded,
// against the plain form.
//
//   compact_sizes save (NETWORK-FILE | --words WORD-LIST) PREFIX
//     writes the network as PREFIX.fst (plain) and PREFIX-compact.fst (compact_net) and prints
//     its states and arcs, each file's bytes and bytes per arc, and the compacted block's bytes.
//   compact_sizes resident FILE read|map [WORDS-FILE COUNT]
//     in a fresh process: loads FILE (the block read into memory, or mapped), and prints the
//     resident memory the load added, in bytes and bytes per arc (the code of loading and lookup
//     made resident first by a small network, so that only the network's own pages count); with WORDS-FILE, then looks
//     the first COUNT words up from the upper side through apply_to_string and prints the resident memory added by
//     the load and the lookups together, and the milliseconds from the start of the load to the
//     first answer.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "measure.h"

namespace {

long long file_bytes(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The resident memory of this process, in bytes.
long long resident_bytes() {
  FILE *file = std::fopen("/proc/self/statm", "r");
  long long size = 0, resident = 0;
  if (file == nullptr || std::fscanf(file, "%lld %lld", &size, &resident) != 2) resident = -1;
  if (file != nullptr) std::fclose(file);
  return resident * sysconf(_SC_PAGESIZE);
}

int save(const char *source, bool from_words, const std::string &prefix) {
  NET *net = from_words ? read_text(source) : load_net(source, nullptr);
  if (net == nullptr) return 2;
  const std::string plain = prefix + ".fst", compacted = prefix + "-compact.fst";
  if (save_net(net, plain.c_str(), nullptr) != 0) return 1;
  const double arcs = NET_num_arcs(net);
  auto start = std::chrono::steady_clock::now();
  compact_net(net, nullptr);
  const double compact_s = measure::seconds_since(start);
  if (save_net(net, compacted.c_str(), nullptr) != 0) return 1;
  std::printf("kora-compact save %s states=%u arcs=%u compact_s=%.3f plain_file=%lld "
              "plain_file_per_arc=%.2f compact_file=%lld compact_file_per_arc=%.2f block=%u "
              "block_per_arc=%.2f\n",
              source, NET_num_states(net), NET_num_arcs(net), compact_s, file_bytes(plain),
              file_bytes(plain) / arcs, file_bytes(compacted), file_bytes(compacted) / arcs,
              net->block_size, net->block_size / arcs);
  free_network(net);
  return 0;
}

// Loads a small compacted network the way `map` says, looks a word up in it and frees it, so
// that the code of loading and lookup is resident before the network measured is loaded: its
// pages are the program's, shared by every network, not the network's. The clock that times the
// load and the reading of the resident memory are run once too, for the same reason.
void warm_up(bool map, FST_CONTEXT *context) {
  measure::seconds_since(std::chrono::steady_clock::now());
  resident_bytes();
  char name[] = "/tmp/compact_sizes_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return;
  close(fd);
  NET *small = read_regex("a b c | a d (e) ;");
  compact_net(small, nullptr);
  save_net(small, name, context);
  free_network(small);
  context->map_arc_blocks = map ? 1 : 0;
  if (NET *loaded = load_net(name, context)) {
    APPLY_CONTEXT *applyer = init_apply(loaded, 0, nullptr);
    apply_to_string("abc", applyer);
    free_applyer(applyer);
    free_network(loaded);
  }
  std::remove(name);
}

int resident(int argc, char **argv, FST_CONTEXT *context) {
  const char *file = argv[2];
  const bool map = std::strcmp(argv[3], "map") == 0;
  std::vector<std::string> words;
  if (argc > 5) {
    std::string text;
    if (!measure::read_file(argv[4], text)) return 2;
    words = measure::split_lines(text);
    words.resize(std::min(words.size(), static_cast<size_t>(std::atol(argv[5]))));
  }
  warm_up(map, context);
  const long long before = resident_bytes();
  auto start = std::chrono::steady_clock::now();
  NET *net = load_net(file, context);
  if (net == nullptr) return 1;
  const long long loaded = resident_bytes() - before;
  const double arcs = NET_num_arcs(net);
  double first_ms = -1;
  size_t answered = 0;
  if (!words.empty()) {
    APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
    for (const std::string &word : words) {
      const char *answer = apply_to_string(word.c_str(), applyer);
      if (first_ms < 0) first_ms = 1e3 * measure::seconds_since(start);
      answered += answer != nullptr && answer[0] != '\0';
    }
    free_applyer(applyer);
  }
  const long long after = resident_bytes() - before;
  std::printf("kora-%s resident %s compacted=%d arcs=%.0f loaded_bytes=%lld loaded_per_arc=%.2f "
              "lookups=%zu answered=%zu after_lookups_bytes=%lld after_lookups_per_arc=%.2f "
              "first_answer_ms=%.2f\n",
              map ? "map" : "read", file, net->flags.compacted, arcs, loaded, loaded / arcs,
              words.size(), answered, after, after / arcs, first_ms);
  free_network(net);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;
  int status = 2;
  if (argc == 4 && std::strcmp(argv[1], "save") == 0)
    status = save(argv[2], false, argv[3]);
  else if (argc == 5 && std::strcmp(argv[1], "save") == 0 && std::strcmp(argv[2], "--words") == 0)
    status = save(argv[3], true, argv[4]);
  else if (argc >= 4 && std::strcmp(argv[1], "resident") == 0)
    status = resident(argc, argv, context);
  else
    std::fprintf(stderr, "usage: %s save (NETWORK-FILE | --words WORD-LIST) PREFIX\n"
                         "       %s resident FILE read|map [WORDS-FILE COUNT]\n",
                 argv[0], argv[0]);
  reclaim_kora(context);
  return status;
}
