// A cascade of twenty rewrite rules with contexts over a 40-symbol alphabet (vowel harmony,
// assimilation, deletion and epenthesis at boundaries, directed and parallel rules), each
// compiled through the rule compiler and composed into one transducer. Reports the compile
// time of every rule, the composition time, the result's size and the peak memory.
// Usage: replace_cascade
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "kora.h"
#include "label.h"
#include "measure.h"
#include "replace.h"

namespace {

const std::string kVowels = "aeiouyAEIOUY";
const std::string kConsonants = "bcdfghjklmnpqrstvwxzBCDFGHJK";  // 28: 40 symbols in all

NET *chars(const std::string &set) {
  NET *net = null_net();
  for (char c : set) net = union_net(net, label_net(static_cast<unsigned char>(c)), 0, 0);
  return net;
}
NET *word(const std::string &s) {
  NET *net = epsilon_net();
  for (char c : s) net = concat_net(net, label_net(static_cast<unsigned char>(c)), 0, 0);
  return net;
}
NET *V() { return chars(kVowels); }
NET *C() { return chars(kConsonants); }
NET *cat(NET *a, NET *b) { return concat_net(a, b, 0, 0); }
NET *star(NET *a) { return zero_plus_net(a, 0); }
NET *edge() { return label_net(kora::BOUNDARY_SYMBOL); }

struct Rule {
  const char *name;
  NET *(*build)();
};

NET *rule(NET *upper, int arrow, NET *lower, int context, NET *left, NET *right) {
  kora::REPL_RULES *r = kora::make_replace_rule(upper, arrow, lower);
  if (context < 0) return kora::compile_replace_group(r);
  return kora::compile_parallel_replace(kora::attach_contexts(r, context, kora::make_context(left, right)));
}

const Rule kRules[] = {
    {"e -> a || a C* _", [] { return rule(word("e"), 0, word("a"), 0, cat(word("a"), star(C())), nullptr); }},
    {"i -> u || u C* _", [] { return rule(word("i"), 0, word("u"), 0, cat(word("u"), star(C())), nullptr); }},
    {"E -> A || [a|A] C* _", [] { return rule(word("E"), 0, word("A"), 0, cat(chars("aA"), star(C())), nullptr); }},
    {"n -> m || _ [p|b]", [] { return rule(word("n"), 0, word("m"), 0, nullptr, chars("pb")); }},
    {"t -> d || V _ V", [] { return rule(word("t"), 0, word("d"), 0, V(), V()); }},
    {"k -> g || V _ V", [] { return rule(word("k"), 0, word("g"), 0, V(), V()); }},
    {"s -> z || V _ V", [] { return rule(word("s"), 0, word("z"), 0, V(), V()); }},
    {"h -> 0 || .#. _", [] { return rule(word("h"), 0, epsilon_net(), 0, edge(), nullptr); }},
    {"e -> 0 || C _ .#.", [] { return rule(word("e"), 0, epsilon_net(), 0, C(), edge()); }},
    {"y -> i || C _ .#.", [] { return rule(word("y"), 0, word("i"), 0, C(), edge()); }},
    {"l -> r // r V _", [] { return rule(word("l"), 0, word("r"), 1, cat(word("r"), V()), nullptr); }},
    {"[aa|ee] @-> A", [] { return rule(union_net(word("aa"), word("ee"), 0, 0), 3, word("A"), -1, nullptr, nullptr); }},
    {"d -> t || _ .#.", [] { return rule(word("d"), 0, word("t"), 0, nullptr, edge()); }},
    {"g -> k || _ .#.", [] { return rule(word("g"), 0, word("k"), 0, nullptr, edge()); }},
    {"w (->) v", [] { return rule(word("w"), 10, word("v"), -1, nullptr, nullptr); }},
    {"p -> f, f -> p || V _ V", [] {
       kora::REPL_RULES *r = kora::append_rule(kora::make_replace_rule(word("p"), 0, word("f")),
                                               kora::make_replace_rule(word("f"), 0, word("p")));
       return kora::compile_parallel_replace(kora::attach_contexts(r, 0, kora::make_context(V(), V())));
     }},
    {"q -> k \\/ _ u", [] { return rule(word("q"), 0, word("k"), 3, nullptr, word("u")); }},
    {"c -> s || _ [e|i]", [] { return rule(word("c"), 0, word("s"), 0, nullptr, chars("ei")); }},
    {"[. .] -> e || C C _ C", [] {
       return rule(kora::mark_epsilon_brackets(epsilon_net()), 0, word("e"), 0, cat(C(), C()), C());
     }},
    {"[V V+] @> V || .#. C* _", [] {
       return rule(cat(V(), one_plus_net(V(), 0)), 5, V(), 0, cat(edge(), star(C())), nullptr);
     }},
};

}  // namespace

int main() {
  initialize_kora();
  double slowest = 0;
  NET *cascade = nullptr;
  double compose_seconds = 0;
  for (const Rule &r : kRules) {
    double start = measure::cpu_seconds();
    NET *net = r.build();
    double seconds = measure::cpu_seconds() - start;
    slowest = seconds > slowest ? seconds : slowest;
    std::printf("rule %-26s %8.1f ms  %6u states %7u arcs\n", r.name, seconds * 1000, NET_num_states(net),
                NET_num_arcs(net));
    start = measure::cpu_seconds();
    cascade = cascade == nullptr ? net : compose_net(cascade, net, 0, 0);
    compose_seconds += measure::cpu_seconds() - start;
  }
  std::printf("slowest rule %.1f ms; composing the cascade %.2f s; result %u states %u arcs; peak %ld KiB\n",
              slowest * 1000, compose_seconds, NET_num_states(cascade), NET_num_arcs(cascade), measure::peak_kib());
  free_network(cascade);
  reclaim_kora(nullptr);
  return 0;
}
