// Benchmark: long regular expressions through the public interface, the way a user gets them,
// beside the word-list reader on the same words.
//
//   regex_union regex FILE.re   reads the file (one expression) and compiles it with read_regex
//   regex_union text FILE       read_text of a word list
//   regex_union grammar         200 definitions made with define_regex_net (below)
//
// The clock runs around the file read and the compilation (for the grammar, around all the
// definitions). One line per run: mode, states, arcs, wall and processor seconds, peak memory.
// bench/compare-regex-union.sh runs it beside `kora regex -f` and `kora words`.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kora.h"
#include "measure.h"

namespace {

// A grammar of the shape a morphology writer builds: character classes, 300 tags as
// multi-character symbols, stem lists, closures nested in closures, complements, intersections,
// replace rules with contexts and their compositions; each definition uses earlier ones.
std::vector<std::pair<std::string, std::string>> grammar() {
  std::vector<std::pair<std::string, std::string>> definitions = {
      {"Vowel", "[a | e | i | o | u]"},
      {"Cons", "[b | c | d | f | g | h | j | k | l | m | n | p | q | r | s | t | v | w | x | y | z]"},
      {"Letter", "[Vowel | Cons]"},
      {"Syllable", "[Cons* Vowel+ Cons*]"},
  };
  std::string tags;
  for (int i = 0; i < 300; i++) tags += (i == 0 ? "%+Tag" : " | %+Tag") + std::to_string(i);
  definitions.push_back({"Tag", "[" + tags + "]"});
  std::mt19937 random(200);
  auto word = [&random] {
    std::string text = "{";
    const int length = 3 + static_cast<int>(random() % 6);
    for (int i = 0; i < length; i++) text += static_cast<char>('a' + random() % 26);
    return text + "}";
  };
  auto earlier = [&](const char *prefix, int below) {
    return std::string(prefix) + std::to_string(random() % below);
  };
  int stems = 0, patterns = 0, rules = 0;
  while (definitions.size() < 200) {
    const size_t i = definitions.size();
    std::string name, body;
    switch (i % 5) {
      case 0: {  // a stem list
        name = "Stems" + std::to_string(stems++);
        for (int k = 0; k < 40; k++) body += (k == 0 ? "[" : " | ") + word();
        body += "]";
        break;
      }
      case 1: {  // a pattern: nested closures, a complement, an intersection
        name = "Pattern" + std::to_string(patterns++);
        const std::string stem = stems > 0 ? earlier("Stems", stems) : "Syllable";
        body = "[[" + stem + " [Syllable (%-)]*]+ & ~[?* Cons Cons Cons ?*]] Tag";
        break;
      }
      case 2:
      case 3: {  // a rule with contexts
        name = "Rule" + std::to_string(rules++);
        const char from = static_cast<char>('a' + random() % 26);
        const char to = static_cast<char>('a' + random() % 26);
        body = std::string("[") + from + " -> " + to + " || Vowel _ [Cons | .#.]]";
        break;
      }
      default: {  // a cascade of earlier rules
        name = "Cascade" + std::to_string(i);
        body = earlier("Rule", rules) + " .o. " + earlier("Rule", rules) + " .o. " +
               earlier("Rule", rules);
        break;
      }
    }
    definitions.push_back({name, body});
  }
  return definitions;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || (std::strcmp(argv[1], "grammar") != 0 && argc < 3)) {
    std::fprintf(stderr, "usage: %s regex FILE.re | text WORD-LIST | grammar\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  std::vector<std::pair<std::string, std::string>> definitions;
  if (mode == "grammar") definitions = grammar();

  const double cpu_start = measure::cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  NET *net = nullptr;
  if (mode == "regex") {
    std::string text;
    if (!measure::read_file(argv[2], text)) return 1;
    net = read_regex(text.c_str());
  } else if (mode == "text") {
    net = read_text(argv[2]);
  } else {
    for (const auto &[name, body] : definitions) {
      if (define_regex_net(name.c_str(), body.c_str()) != 0) {
        std::fprintf(stderr, "cannot define %s as %s\n", name.c_str(), body.c_str());
        return 1;
      }
    }
    net = read_regex(("Pattern0 .o. " + definitions.back().first).c_str());
  }
  const double wall = measure::seconds_since(start);
  const double cpu = measure::cpu_seconds() - cpu_start;
  if (net == nullptr) return 1;
  std::printf("mode=%s states=%u arcs=%u total=%.4f cpu_total=%.4f peak_kib=%ld\n", mode.c_str(),
              net->num_states, net->num_arcs, wall, cpu, measure::peak_kib());
  free_network(net);
  reclaim_kora(context);
  return 0;
}
