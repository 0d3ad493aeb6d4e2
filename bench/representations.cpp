// Benchmark: the representations of one network, their sizes and their lookup speed.
//
// The network is read from a saved file (or, with --words, made from a word list by read_text;
// not timed). Six forms are made from it, each from a fresh copy: plain (as read), optimized
// (optimize_arcs), shared (optimize_arcs then share_arcs), reduced (reduce_labelset),
// vectorized (vectorize_states, every state with at least THRESHOLD arcs, default 1) and
// compacted (compact_net). For each
// form one line gives the time taken to make it, its states, arcs and bytes in memory, the
// bytes of its saved file (for the forms a file keeps: plain, optimized, reduced, compacted; -1
// for the others), and the words per second of looking up every line of WORDS-FILE through
// apply_to_string, answers written as kora lookup writes them (best and median of REPEATS),
// with the milliseconds of making the applyer (ready_ms) apart.
//
// Usage: representations (NETWORK-FILE | --words WORD-LIST) WORDS-FILE [REPEATS [THRESHOLD]]

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "answers.h"
#include "kora.h"
#include "measure.h"
#include "print.h"

namespace {

struct Form {
  const char *name;
  std::function<void(NET *net)> make;  // changes the copy in place
  bool kept_in_files;
};

// Words per second of looking every word up through one applyer, best and median of
// `repeats` runs; *answered counts the words with a result, as a check that the forms agree.
// Making the applyer (its index of the network) is timed apart, as *ready_ms, the median of the
// runs: it is done once per applyer, as OpenFst's peer converts to ConstFst once, and the peer
// reports that time apart too.
void time_lookup(NET *net, const std::vector<std::string> &words, int repeats, double *best,
                 double *median, double *ready_ms, size_t *answered) {
  std::vector<double> seconds, ready;
  for (int r = 0; r < repeats; r++) {
    auto made = std::chrono::steady_clock::now();
    APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
    ready.push_back(measure::seconds_since(made));
    auto start = std::chrono::steady_clock::now();
    kora_tool::Answers out;
    *answered = 0;
    for (const std::string &word : words) {
      if (kora_tool::answer(applyer, word.c_str(), word.size(), out)) ++*answered;
      if (out.size() >= measure::kAnswerBlockBytes) out.clear();
    }
    seconds.push_back(measure::seconds_since(start));
    free_applyer(applyer);
  }
  std::sort(seconds.begin(), seconds.end());
  std::sort(ready.begin(), ready.end());
  const double n = static_cast<double>(words.size());
  *best = n / seconds.front();
  *median = n / seconds[seconds.size() / 2];
  *ready_ms = 1e3 * ready[ready.size() / 2];
}

long long saved_bytes(NET *net) {
  char name[] = "/tmp/kora-forms-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return -1;
  close(fd);
  struct stat info {};
  long long bytes = save_net(net, name, nullptr) == 0 && stat(name, &info) == 0 ? info.st_size : -1;
  std::remove(name);
  return bytes;
}

}  // namespace

int main(int argc, char **argv) {
  const bool from_words = argc > 1 && std::strcmp(argv[1], "--words") == 0;
  const int first = from_words ? 2 : 1;
  if (argc < first + 2) {
    std::fprintf(stderr,
                 "usage: %s (NETWORK-FILE | --words WORD-LIST) WORDS-FILE [REPEATS [THRESHOLD]]\n",
                 argv[0]);
    return 2;
  }
  const char *network_file = argv[first];
  std::string text;
  if (!measure::read_file(argv[first + 1], text)) {
    std::fprintf(stderr, "cannot read %s\n", argv[first + 1]);
    return 2;
  }
  const std::vector<std::string> words = measure::split_lines(text);
  const int repeats = argc > first + 2 ? std::max(1, std::atoi(argv[first + 2])) : 3;
  const int threshold = argc > first + 3 ? std::max(1, std::atoi(argv[first + 3])) : 1;

  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;
  NET *source = from_words ? read_text(network_file) : load_net(network_file, nullptr);
  if (source == nullptr) return 2;
  const Form forms[] = {
      {"plain", [](NET *) {}, true},
      {"optimized", [](NET *net) { optimize_arcs(net); }, true},
      {"shared", [](NET *net) { optimize_arcs(net), share_arcs(net); }, false},
      {"reduced", [](NET *net) { reduce_labelset(net); }, true},
      {"vectorized", [threshold](NET *net) { vectorize_states(net, threshold); }, false},
      {"compacted", [](NET *net) { compact_net(net, nullptr); }, true},
  };
  for (const Form &form : forms) {
    NET *net = copy_net(source);
    auto start = std::chrono::steady_clock::now();
    form.make(net);
    const double make_seconds = measure::seconds_since(start);
    double best = 0, median = 0, ready_ms = 0;
    size_t answered = 0;
    time_lookup(net, words, repeats, &best, &median, &ready_ms, &answered);
    std::printf("kora %s %s make_s=%.3f states=%u arcs=%u bytes=%lld file_bytes=%lld words=%zu "
                "answered=%zu ready_ms=%.1f best_wps=%.0f median_wps=%.0f\n",
                network_file, form.name, make_seconds, NET_num_states(net), NET_num_arcs(net),
                kora::net_size(net), form.kept_in_files ? saved_bytes(net) : -1, words.size(),
                answered, ready_ms, best, median);
    std::fflush(stdout);
    free_network(net);
  }
  free_network(source);
  reclaim_kora(context);
  return 0;
}
