// Peer of bench/calculus_ops.cpp with OpenFst (Debian's libfst-dev), run only for measurement:
// the same operands (the minimal acceptors of two word lists, one label per code point, and the
// acceptor of (a|b)* a (a|b)^18) and the same operations, each in OpenFst's usual way:
//   intersect    ArcSort + Intersect(A, B)
//   minus        ArcSort + Difference(B, A)
//   union        Union + RmEpsilon + Determinize + Minimize
//   determinize  Determinize + Minimize
//   negate       Difference(U, B), U the closure of B's labels and a label for OTHER
//   reverse      Reverse + RmEpsilon + Determinize + Minimize
//   concat       Concat + RmEpsilon + Determinize + Minimize
//   zero_plus    Closure + RmEpsilon + Determinize + Minimize
// The results of Intersect and Difference are deterministic already; they are minimized after
// the clock stops, for the comparison only. Prints the same fields as the kora program.
//
// Build: g++ -O2 -std=c++17 openfst_calculus_ops.cpp -lfst -o openfst_calculus_ops

#include <fst/fstlib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "../canonical-dfa.h"
#include "../measure.h"

namespace {

using Arc = fst::StdArc;
using Fst = fst::StdVectorFst;

// The minimal acceptor of the lines of a word list, one label per code point. It is built as a
// trie, minimized, and read back from its serialized form, so that it is held as a network
// loaded from a file is, without the memory the trie left behind.
std::unique_ptr<Fst> read_list(const char *path) {
  std::string text;
  if (!measure::read_file(path, text)) return nullptr;
  Fst net;
  net.SetStart(net.AddState());
  for (const std::string &line : measure::split_lines(text)) {
    Arc::StateId state = net.Start();
    for (uint32_t code : measure::code_points(line)) {
      Arc::StateId next = fst::kNoStateId;
      for (fst::ArcIterator<Fst> arcs(net, state); !arcs.Done(); arcs.Next())
        if (arcs.Value().ilabel == static_cast<Arc::Label>(code)) next = arcs.Value().nextstate;
      if (next == fst::kNoStateId) {
        next = net.AddState();
        net.AddArc(state, Arc(code, code, Arc::Weight::One(), next));
      }
      state = next;
    }
    net.SetFinal(state, Arc::Weight::One());
  }
  fst::Minimize(&net);
  std::stringstream bytes;
  net.Write(bytes, fst::FstWriteOptions());
  net = Fst();
  return std::unique_ptr<Fst>(Fst::Read(bytes, fst::FstReadOptions()));
}

Fst last_but_n_is_a(int n) {
  Fst net;
  const Arc::Label a = 'a', b = 'b';
  Arc::StateId start = net.AddState();
  net.SetStart(start);
  net.AddArc(start, Arc(a, a, Arc::Weight::One(), start));
  net.AddArc(start, Arc(b, b, Arc::Weight::One(), start));
  Arc::StateId previous = net.AddState();
  net.AddArc(start, Arc(a, a, Arc::Weight::One(), previous));
  for (int i = 1; i <= n; ++i) {
    Arc::StateId next = net.AddState();
    net.AddArc(previous, Arc(a, a, Arc::Weight::One(), next));
    net.AddArc(previous, Arc(b, b, Arc::Weight::One(), next));
    previous = next;
  }
  net.SetFinal(previous, Arc::Weight::One());
  return net;
}

void determinize_minimize(Fst &net, Fst &result) {
  fst::RmEpsilon(&net);
  fst::Determinize(net, &result);
  fst::Minimize(&result);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OPERATION LIST-A LIST-B\n", argv[0]);
    return 2;
  }
  const std::string operation = argv[1];
  std::unique_ptr<Fst> a_loaded, b_loaded;
  if (operation == "determinize") {
    a_loaded = std::make_unique<Fst>(last_but_n_is_a(18));
    b_loaded = std::make_unique<Fst>();
  } else {
    a_loaded = read_list(argv[2]);
    b_loaded = read_list(argv[3]);
  }
  if (a_loaded == nullptr || b_loaded == nullptr) {
    std::fprintf(stderr, "cannot read %s or %s\n", argv[2], argv[3]);
    return 2;
  }
  Fst &a = *a_loaded, &b = *b_loaded;

  // Intersect and Difference keep their operands: the kept rows of the kora program are
  // the same calls here.
  const std::string call = operation == "intersect_kept" ? "intersect"
                           : operation == "minus_kept"   ? "minus"
                                                         : operation;
  measure::reset_peak_memory();
  const double cpu_start = measure::cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  Fst result;
  bool minimize_after = false;
  if (call == "intersect") {
    fst::ArcSort(&a, fst::OLabelCompare<Arc>());
    fst::ArcSort(&b, fst::ILabelCompare<Arc>());
    fst::Intersect(a, b, &result);
    minimize_after = true;
  } else if (call == "minus") {
    fst::ArcSort(&b, fst::OLabelCompare<Arc>());
    fst::ArcSort(&a, fst::ILabelCompare<Arc>());
    fst::Difference(b, a, &result);
    minimize_after = true;
  } else if (call == "union") {
    fst::Union(&a, b);
    determinize_minimize(a, result);
  } else if (call == "determinize") {
    fst::Determinize(a, &result);
    fst::Minimize(&result);
  } else if (call == "negate") {
    std::set<Arc::Label> labels{static_cast<Arc::Label>(measure::kOtherCode)};
    for (fst::StateIterator<Fst> states(b); !states.Done(); states.Next())
      for (fst::ArcIterator<Fst> arcs(b, states.Value()); !arcs.Done(); arcs.Next())
        labels.insert(arcs.Value().ilabel);
    Fst universal;
    universal.SetStart(universal.AddState());
    universal.SetFinal(0, Arc::Weight::One());
    for (Arc::Label label : labels) universal.AddArc(0, Arc(label, label, Arc::Weight::One(), 0));
    fst::ArcSort(&b, fst::ILabelCompare<Arc>());
    fst::Difference(universal, b, &result);
    minimize_after = true;
  } else if (call == "reverse") {
    Fst reversed;
    fst::Reverse(b, &reversed);
    determinize_minimize(reversed, result);
  } else if (call == "concat") {
    fst::Concat(&a, b);
    determinize_minimize(a, result);
  } else if (call == "zero_plus") {
    fst::Closure(&a, fst::CLOSURE_STAR);
    determinize_minimize(a, result);
  } else {
    std::fprintf(stderr, "%s: unknown operation\n", operation.c_str());
    return 2;
  }
  const double seconds = measure::seconds_since(start);
  const double cpu = measure::cpu_seconds() - cpu_start;
  const long peak = measure::peak_resident_kib();
  if (minimize_after) fst::Minimize(&result);

  const measure::CanonicalForm form =
      measure::canonical_form(result.Start(), [&](Arc::StateId state, bool *final, auto *arcs) {
        *final = result.Final(state) != Arc::Weight::Zero();
        for (fst::ArcIterator<Fst> it(result, state); !it.Done(); it.Next())
          arcs->push_back({static_cast<uint32_t>(it.Value().ilabel), it.Value().nextstate});
      });
  std::printf("openfst %s seconds=%.3f cpu=%.3f peak_kib=%ld %s\n", operation.c_str(), seconds,
              cpu, peak, form.line().c_str());
  return 0;
}
