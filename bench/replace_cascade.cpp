// A cascade of twenty rewrite rules with contexts over a 40-symbol alphabet (vowel harmony,
// assimilation, deletion and epenthesis at boundaries, directed and parallel rules), each
// compiled from its regular expression by read_regex and composed into one transducer.
// Reports the compile time of every rule, the composition time, the result's size and the
// peak memory. The vowels and consonants are defined networks V and C, as a grammar writer
// would define them.
// Usage: replace_cascade
#include <cstdio>

#include "kora.h"
#include "measure.h"

namespace {

const char *const kVowels = "a|e|i|o|u|y|A|E|I|O|U|Y";
const char *const kConsonants =  // 28: 40 symbols in all
    "b|c|d|f|g|h|j|k|l|m|n|p|q|r|s|t|v|w|x|z|B|L|D|F|G|H|J|K";

const char *const kRules[] = {
    "e -> a || a C* _",
    "i -> u || u C* _",
    "E -> A || [a|A] C* _",
    "n -> m || _ [p|b]",
    "t -> d || V _ V",
    "k -> g || V _ V",
    "s -> z || V _ V",
    "h -> 0 || .#. _",
    "e -> 0 || C _ .#.",
    "y -> i || C _ .#.",
    "l -> r // r V _",
    "[a a|e e] @-> A",
    "d -> t || _ .#.",
    "g -> k || _ .#.",
    "w (->) v",
    "p -> f, f -> p || V _ V",
    "q -> k \\/ _ u",
    "c -> s || _ [e|i]",
    "[. .] -> e || C C _ C",
    "[V V+] @> V || .#. C* _",
};

}  // namespace

int main() {
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  if (define_regex_net("V", kVowels) != 0 || define_regex_net("C", kConsonants) != 0) return 1;
  double slowest = 0;
  NET *cascade = nullptr;
  double compose_seconds = 0;
  for (const char *rule : kRules) {
    double start = measure::cpu_seconds();
    NET *net = read_regex(rule);
    double seconds = measure::cpu_seconds() - start;
    if (net == nullptr) {
      std::fprintf(stderr, "cannot compile %s\n", rule);
      return 1;
    }
    slowest = seconds > slowest ? seconds : slowest;
    std::printf("rule %-26s %8.1f ms  %6u states %7u arcs\n", rule, seconds * 1000, NET_num_states(net),
                NET_num_arcs(net));
    start = measure::cpu_seconds();
    cascade = cascade == nullptr ? net : compose_net(cascade, net, 0, 0);
    compose_seconds += measure::cpu_seconds() - start;
  }
  std::printf("slowest rule %.1f ms; composing the cascade %.2f s; result %u states %u arcs; peak %ld KiB\n",
              slowest * 1000, compose_seconds, NET_num_states(cascade), NET_num_arcs(cascade), measure::peak_kib());
  free_network(cascade);
  reclaim_kora(context);
  return 0;
}
