// Benchmark: looking up every word of a word list through kora's public interface.
//
// Two machines are made from the list (not timed): the minimal acceptor of the words
// (read_text), and a tagger mapping each word to itself followed by one of four tags (+Poss,
// +Prop, +Pl, +Sg, chosen by measure::word_tag), built as a trie with an EPSILON:tag arc after
// each word and minimized. Each is looked up with three inputs: the words in list order, the
// words shuffled (fixed seed), and the list with every second word made unknown (a "#"
// appended, a character of no word). Two ways a user takes:
//   string  apply_to_string on each word, the results written into an output text in the
//           lookup tools' convention ("input<TAB>result", "input<TAB>input<TAB>+?", an empty
//           line after each input), as kora lookup writes them;
//   stream  one applyer over a file of the words (new_applyer, next_apply_output per line),
//           each record's results appended to the output text.
// Each measurement is repeated; one line per measurement gives the best and the median words
// per second. With "save DIR", the two machines are also saved as DIR/acceptor.fst and
// DIR/tagger.fst for the comparison scripts, which time kora apply down as a process (REPEATS 0
// only saves them). With --network, a saved network is loaded (not timed) and the lines of a
// file are looked up as strings.
//
// Usage: lookup_words WORD-LIST [REPEATS] [save DIR]
//        lookup_words --network NETWORK-FILE WORDS-FILE [REPEATS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "answers.h"
#include "kora.h"
#include "label.h"
#include "measure.h"
#include "word-trie.h"

namespace {

const char *const kTags[4] = {"+Poss", "+Prop", "+Pl", "+Sg"};

struct Timing {
  double best = 0, median = 0;
  size_t answered = 0;  // inputs with at least one result, as a check
};

template <typename Run>
Timing repeat(int repeats, Run run) {
  std::vector<double> seconds;
  Timing timing;
  for (int r = 0; r < repeats; r++) {
    auto start = std::chrono::steady_clock::now();
    timing.answered = run();
    seconds.push_back(measure::seconds_since(start));
  }
  std::sort(seconds.begin(), seconds.end());
  timing.best = seconds.front();
  timing.median = seconds[seconds.size() / 2];
  return timing;
}

size_t lookup_strings(NET *net, const std::vector<std::string> &words) {
  APPLY_CONTEXT *applyer = init_apply(net, 0, nullptr);
  kora_tool::Answers out;
  size_t answered = 0;
  for (const std::string &word : words) {
    if (kora_tool::answer(applyer, word.c_str(), word.size(), out)) answered++;
    if (out.size() >= measure::kAnswerBlockBytes) out.clear();
  }
  free_applyer(applyer);
  return answered;
}

size_t lookup_stream(NET *net, const std::string &file_name) {
  FILE *file = std::fopen(file_name.c_str(), "r");
  if (file == nullptr) return 0;
  APPLY_CONTEXT *applyer = new_applyer(net, nullptr, file, 0, nullptr);
  std::string out;
  size_t answered = 0;
  while (const char *results = next_apply_output(applyer)) {
    if (*results != '\0') answered++;
    out.append(results).append("\n");
    if (out.size() >= measure::kAnswerBlockBytes) out.clear();
  }
  free_applyer(applyer);
  std::fclose(file);
  return answered;
}

// Looks the lines of `words_file` up in the network saved in `network_file`.
int lookup_file(const char *network_file, const char *words_file, int repeats) {
  std::string text;
  if (!measure::read_file(words_file, text)) {
    std::fprintf(stderr, "cannot read %s\n", words_file);
    return 2;
  }
  const std::vector<std::string> words = measure::split_lines(text);
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;
  NET *net = load_net(network_file, nullptr);
  if (net == nullptr) return 2;
  Timing t = repeat(repeats, [&] { return lookup_strings(net, words); });
  const double n = static_cast<double>(words.size());
  std::printf("kora %s %s string words=%zu answered=%zu best_wps=%.0f median_wps=%.0f\n",
              network_file, words_file, words.size(), t.answered, n / t.best, n / t.median);
  free_network(net);
  reclaim_kora(context);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 3 && std::strcmp(argv[1], "--network") == 0)
    return lookup_file(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 1);
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  const int repeats = argc > 2 ? std::max(0, std::atoi(argv[2])) : 5;
  const char *save_dir = argc > 4 && std::strcmp(argv[3], "save") == 0 ? argv[4] : nullptr;
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;

  NET *acceptor = read_text(argv[1]);
  uint32_t label_of[256];
  for (int byte = 0; byte < 256; byte++) {
    char name[2] = {static_cast<char>(byte), 0};
    label_of[byte] = byte == 0 || byte > 127 ? kora::EPSILON : kora::symbol_id(name);
  }
  uint32_t tag_labels[4];
  for (int k = 0; k < 4; k++) tag_labels[k] = kora::pair_id(kora::EPSILON, kora::symbol_id(kTags[k]));
  // The list is read as bytes: a UTF-8 character is a sequence of byte symbols here, so the
  // tagger is built from the ASCII words only.
  const std::string ascii = measure::ascii_lines(text);
  NET *tagger = bench::build_trie(ascii, label_of, [&](const std::string &word) {
    return tag_labels[measure::word_tag(word)];
  });
  minimize_net(tagger);
  if (save_dir != nullptr) {
    save_net(acceptor, (std::string(save_dir) + "/acceptor.fst").c_str(), nullptr);
    save_net(tagger, (std::string(save_dir) + "/tagger.fst").c_str(), nullptr);
  }

  const measure::LookupInputs inputs(text);
  std::string files[3];
  for (int k = 0; k < 3; k++) {
    char name[] = "/tmp/kora-lookup-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return 1;
    FILE *file = fdopen(fd, "w");
    for (const std::string &word : inputs.lists[k]) std::fprintf(file, "%s\n", word.c_str());
    std::fclose(file);
    files[k] = name;
  }

  NET *machines[2] = {acceptor, tagger};
  const char *machine_names[2] = {"acceptor", "tagger"};
  for (int m = 0; m < 2 && repeats > 0; m++)
    for (int k = 0; k < 3; k++)
      for (int api = 0; api < 2; api++) {
        Timing t = repeat(repeats, [&] {
          return api == 0 ? lookup_strings(machines[m], inputs.lists[k])
                          : lookup_stream(machines[m], files[k]);
        });
        const double n = static_cast<double>(inputs.lists[k].size());
        std::printf("kora %s %s %s words=%zu answered=%zu best_wps=%.0f median_wps=%.0f\n",
                    machine_names[m], inputs.names[k], api == 0 ? "string" : "stream",
                    inputs.lists[k].size(), t.answered, n / t.best, n / t.median);
        std::fflush(stdout);
      }
  for (const std::string &file : files) std::remove(file.c_str());
  free_network(acceptor);
  free_network(tagger);
  reclaim_kora(context);
  return 0;
}
