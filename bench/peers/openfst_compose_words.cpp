// Peer of bench/compose_words.cpp with OpenFst (Debian's libfst-dev), run only for measurement:
// the same tagger (a trie of the words with byte labels, each word followed by an arc 0:256 to
// a final state), minimized or not, composed with the same one-state rewrites through
// fst::Compose after fst::ArcSort (the tagger by output label, the rewrite by input label).
// Prints the same fields as the kora program.
//
// Build: g++ -O2 -std=c++17 openfst_compose_words.cpp -lfst -o openfst_compose_words

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <fst/fstlib.h>

#include "../measure.h"

namespace {

using Arc = fst::StdArc;
constexpr int kTag = 256;

void build_tagger(const std::string &text, fst::StdVectorFst &net, bool *used) {
  net.SetStart(net.AddState());
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *end = p + text.size();
  auto find = [&](Arc::StateId state, Arc::Label in, Arc::Label out) {
    size_t count = net.NumArcs(state);
    if (count == 0) return fst::kNoStateId;
    fst::ArcIterator<fst::StdVectorFst> arcs(net, state);
    for (size_t i = count; i-- > 0;) {  // the arc wanted is nearly always the last made
      arcs.Seek(i);
      if (arcs.Value().ilabel == in && arcs.Value().olabel == out) return arcs.Value().nextstate;
    }
    return fst::kNoStateId;
  };
  while (p < end) {
    Arc::StateId state = net.Start();
    const unsigned char *line = p;
    for (; p < end && *p != '\n'; ++p) {
      used[*p] = true;
      Arc::StateId next = find(state, *p, *p);
      if (next == fst::kNoStateId) {
        next = net.AddState();
        net.AddArc(state, Arc(*p, *p, Arc::Weight::One(), next));
      }
      state = next;
    }
    if (p > line && find(state, 0, kTag) == fst::kNoStateId) {
      Arc::StateId final = net.AddState();
      net.SetFinal(final, Arc::Weight::One());
      net.AddArc(state, Arc(0, kTag, Arc::Weight::One(), final));
    }
    ++p;
  }
}

fst::StdVectorFst rewrite(int from, int to, const bool *used) {
  fst::StdVectorFst net;
  net.SetStart(net.AddState());
  net.SetFinal(0, Arc::Weight::One());
  for (int byte = 1; byte < 256; ++byte)
    if (used[byte]) net.AddArc(0, Arc(byte, byte == from ? to : byte, Arc::Weight::One(), 0));
  net.AddArc(0, Arc(kTag, kTag, Arc::Weight::One(), 0));
  return net;
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (argc < 3 || !measure::read_word_list(argc, argv, text)) {
    std::fprintf(stderr, "usage: %s WORD-LIST trie|minimal|cascade [NAME]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[2];
  auto start = std::chrono::steady_clock::now();
  bool used[256] = {};
  fst::StdVectorFst tagger;
  build_tagger(text, tagger, used);
  const double build = measure::seconds_since(start);
  if (mode != "trie") fst::Minimize(&tagger);
  const int rules[5][2] = {{'a', 'b'}, {'e', 'i'}, {'o', 'u'}, {'s', 'z'}, {'t', 'd'}};
  const int steps = mode == "cascade" ? 5 : 1;
  std::vector<fst::StdVectorFst> rewrites;
  for (int i = 0; i < steps; i++) rewrites.push_back(rewrite(rules[i][0], rules[i][1], used));

  const double cpu_start = measure::cpu_seconds();
  auto compose_start = std::chrono::steady_clock::now();
  fst::StdVectorFst result = tagger;
  for (fst::StdVectorFst &r : rewrites) {
    fst::ArcSort(&result, fst::OLabelCompare<Arc>());
    fst::ArcSort(&r, fst::ILabelCompare<Arc>());
    fst::StdVectorFst composed;
    fst::Compose(result, r, &composed);
    result = composed;
  }
  const double compose = measure::seconds_since(compose_start);
  const double cpu_compose = measure::cpu_seconds() - cpu_start;
  const long peak = measure::peak_kib();
  size_t arcs = 0;
  for (fst::StateIterator<fst::StdVectorFst> states(result); !states.Done(); states.Next())
    arcs += result.NumArcs(states.Value());
  std::printf("openfst %s %s states=%d arcs=%zu build=%.3f compose=%.3f cpu_compose=%.3f peak_kib=%ld\n",
              mode.c_str(), argc > 3 ? argv[3] : argv[1], result.NumStates(), arcs, build, compose,
              cpu_compose, peak);
  return 0;
}
