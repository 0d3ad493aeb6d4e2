// Benchmark: one operation of the calculus on large automata, through the public functions.
//
// A is the minimal acceptor of the first word list and B of the second, each made by read_text;
// the nondeterministic acceptor of (a|b)* a (a|b)^18 is built state by state. After the
// operands are made, the program times one operation, which consumes its operands as a caller
// who no longer needs them would (keep flags 0, copy 0) and minimizes its result (the library's
// default), and prints one line: the operation, wall-clock and processor seconds, the peak
// resident memory while it ran (operands included), and the canonical form of the result
// (bench/canonical-dfa.h), which bench/compare-calculus.sh compares with OpenFst's.
//
// Usage: calculus_ops OPERATION LIST-A LIST-B, OPERATION one of intersect (A & B), minus
// (B - A), union (A | B), determinize (the acceptor above), negate (~B), reverse (B reversed),
// concat (A B), zero_plus (A*), and intersect_kept and minus_kept, which keep both operands
// (keep flags 1), as OpenFst's Intersect and Difference do. The peer is
// bench/peers/openfst_calculus_ops.cpp.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "canonical-dfa.h"
#include "kora.h"
#include "measure.h"

namespace {

// The acceptor of (a|b)* a (a|b)^n: state 0 loops on a and b and reads a into state 1; states
// 1 to n read a or b into the next; state n+1 is final. Its minimal form has 2^(n+1) states.
NET *last_but_n_is_a(int n) {
  NET *net = make_empty_net();
  STATE *start = add_state_to_net(net, 0);
  net->start = start;
  const uint32_t a = 'a', b = 'b';
  add_arc_to_state(net, start, a, start, nullptr, 0);
  add_arc_to_state(net, start, b, start, nullptr, 0);
  STATE *previous = add_state_to_net(net, n == 0);
  add_arc_to_state(net, start, a, previous, nullptr, 0);
  for (int i = 1; i <= n; ++i) {
    STATE *next = add_state_to_net(net, i == n);
    add_arc_to_state(net, previous, a, next, nullptr, 0);
    add_arc_to_state(net, previous, b, next, nullptr, 0);
    previous = next;
  }
  return net;
}

// The code of a label: its character's code point, or kOtherCode for OTHER.
uint32_t label_code(uint32_t label, std::unordered_map<uint32_t, uint32_t> &codes) {
  if (label == KORA_OTHER) return measure::kOtherCode;
  auto [it, added] = codes.try_emplace(label, 0);
  if (added) {
    char *name = label_side_name(label, 0);
    std::vector<uint32_t> points = measure::code_points(name != nullptr ? name : "");
    it->second = points.size() == 1 ? points[0] : 0xFFFFFFFF;
    std::free(name);
  }
  return it->second;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OPERATION LIST-A LIST-B\n", argv[0]);
    return 2;
  }
  const std::string operation = argv[1];
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  NET *a = nullptr, *b = nullptr;
  if (operation == "determinize") {
    a = last_but_n_is_a(18);
  } else {
    a = read_text(argv[2]);
    b = read_text(argv[3]);
    if (a == nullptr || b == nullptr) {
      std::fprintf(stderr, "cannot read %s or %s\n", argv[2], argv[3]);
      return 2;
    }
  }

  measure::reset_peak_memory();
  const double cpu_start = measure::cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  NET *result = nullptr;
  if (operation == "intersect") result = intersect_net(a, b, 0, 0);
  else if (operation == "minus") result = minus_net(b, a, 0, 0);
  else if (operation == "intersect_kept") result = intersect_net(a, b, 1, 1);
  else if (operation == "minus_kept") result = minus_net(b, a, 1, 1);
  else if (operation == "union") result = union_net(a, b, 0, 0);
  else if (operation == "determinize") result = minimize_net(a) == 0 ? a : nullptr;
  else if (operation == "negate") result = negate_net(b, 0);
  else if (operation == "reverse") result = reverse_net(b, 0);
  else if (operation == "concat") result = concat_net(a, b, 0, 0);
  else if (operation == "zero_plus") result = zero_plus_net(a, 0);
  const double seconds = measure::seconds_since(start);
  const double cpu = measure::cpu_seconds() - cpu_start;
  const long peak = measure::peak_resident_kib();
  if (result == nullptr) {
    std::fprintf(stderr, "%s: unknown operation or failed\n", operation.c_str());
    return 2;
  }

  std::unordered_map<uint32_t, uint32_t> codes;
  const measure::CanonicalForm form =
      measure::canonical_form(result->start, [&](STATE *state, bool *final, auto *arcs) {
        *final = state->flags.final;
        for (ARC *arc = state->arcs; arc != nullptr; arc = arc->next)
          arcs->push_back({label_code(arc->label, codes), arc->destination});
      });
  std::printf("kora %s seconds=%.3f cpu=%.3f peak_kib=%ld %s\n", operation.c_str(), seconds, cpu,
              peak, form.line().c_str());
  free_network(result);
  if (operation == "intersect_kept" || operation == "minus_kept") {
    free_network(a);
    free_network(b);
  }
  if (operation == "negate" || operation == "reverse") free_network(a);  // only b was consumed
  if (operation == "zero_plus") free_network(b);
  reclaim_kora(context);
  return 0;
}
