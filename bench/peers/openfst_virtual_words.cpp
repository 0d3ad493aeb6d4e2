// Peer of bench/virtual_words.cpp with OpenFst (Debian's libfst-dev), run only for measurement:
// the same minimized tagger and five one-state rewrites (bench/peers/openfst_compose_words.cpp
// builds them the same way), composed by delayed fst::ComposeFst (the tagger sorted by output
// label, the rewrites by input label; states are made as they are visited and cached), and every
// ASCII word of the list generated through it: a depth-first walk over (state, position) from
// the start, taking arcs whose input label is the next byte or epsilon, writing the output
// labels; the list is looked up twice, the second pass in the states cached by the first.
// Prints the same fields as the kora program; the checksum is over the same answers.
//
// Build: g++ -O2 -std=c++17 openfst_virtual_words.cpp -lfst -o openfst_virtual_words

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <fst/fstlib.h>

#include "../measure.h"

namespace {

using Arc = fst::StdArc;
constexpr int kTag = 256;

void build_tagger(const std::string &text, fst::StdVectorFst &net, bool *used) {
  net.SetStart(net.AddState());
  for (const std::string &word : measure::split_lines(text)) {
    Arc::StateId state = net.Start();
    for (unsigned char c : word) {
      used[c] = true;
      Arc::StateId next = fst::kNoStateId;
      for (fst::ArcIterator<fst::StdVectorFst> arcs(net, state); !arcs.Done(); arcs.Next())
        if (arcs.Value().ilabel == c) next = arcs.Value().nextstate;
      if (next == fst::kNoStateId) {
        next = net.AddState();
        net.AddArc(state, Arc(c, c, Arc::Weight::One(), next));
      }
      state = next;
    }
    bool tagged = false;
    for (fst::ArcIterator<fst::StdVectorFst> arcs(net, state); !arcs.Done(); arcs.Next())
      tagged = tagged || arcs.Value().olabel == kTag;
    if (!tagged) {
      Arc::StateId final = net.AddState();
      net.SetFinal(final, Arc::Weight::One());
      net.AddArc(state, Arc(0, kTag, Arc::Weight::One(), final));
    }
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

// Every output of `word` through `net`, each followed by "\n", appended to `out`: a depth-first
// walk with an explicit stack, each frame holding the output written on its path.
void generate(const fst::Fst<Arc> &net, const std::string &word, std::string &out) {
  struct Frame {
    Arc::StateId state;
    size_t position;
    std::string output;
  };
  std::vector<Frame> stack;
  stack.push_back({net.Start(), 0, std::string()});
  while (!stack.empty()) {
    Frame frame = std::move(stack.back());
    stack.pop_back();
    if (frame.position == word.size() && net.Final(frame.state) != Arc::Weight::Zero())
      out.append(frame.output).append("\n");
    for (fst::ArcIterator<fst::Fst<Arc>> arcs(net, frame.state); !arcs.Done(); arcs.Next()) {
      const Arc &arc = arcs.Value();
      size_t position = frame.position;
      if (arc.ilabel != 0) {
        if (position == word.size() || arc.ilabel != static_cast<unsigned char>(word[position]))
          continue;
        position++;
      }
      Frame next{arc.nextstate, position, frame.output};
      if (arc.olabel == kTag)
        next.output.append("+Tag");
      else if (arc.olabel != 0)
        next.output.push_back(static_cast<char>(arc.olabel));
      stack.push_back(std::move(next));
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (argc < 3 || !measure::read_word_list(argc, argv, text)) {
    std::fprintf(stderr, "usage: %s WORD-LIST delayed [NAME]\n", argv[0]);
    return 2;
  }
  text = measure::ascii_lines(text);
  const std::vector<std::string> words = measure::split_lines(text);
  bool used[256] = {};
  fst::StdVectorFst tagger;
  build_tagger(text, tagger, used);
  fst::Minimize(&tagger);
  fst::ArcSort(&tagger, fst::OLabelCompare<Arc>());
  const int rules[5][2] = {{'a', 'b'}, {'e', 'i'}, {'o', 'u'}, {'s', 'z'}, {'t', 'd'}};
  std::vector<fst::StdVectorFst> rewrites;
  for (const auto &rule : rules) {
    rewrites.push_back(rewrite(rule[0], rule[1], used));
    fst::ArcSort(&rewrites.back(), fst::ILabelCompare<Arc>());
  }

  auto start = std::chrono::steady_clock::now();
  std::vector<std::unique_ptr<fst::Fst<Arc>>> stages;
  stages.emplace_back(new fst::ComposeFst<Arc>(tagger, rewrites[0]));
  for (size_t i = 1; i < rewrites.size(); i++)
    stages.emplace_back(new fst::ComposeFst<Arc>(*stages.back(), rewrites[i]));
  const fst::Fst<Arc> &cascade = *stages.back();
  uint64_t checksum = 0, answered = 0;
  std::string answer;
  auto take = [&]() {
    if (answer.empty()) return;
    answered++;
    for (unsigned char c : answer) checksum = checksum * 131 + c;
  };
  generate(cascade, words[0], answer);
  take();
  const double first = measure::seconds_since(start);
  auto cold_start = std::chrono::steady_clock::now();
  for (size_t i = 1; i < words.size(); ++i) {
    answer.clear();
    generate(cascade, words[i], answer);
    take();
  }
  const double cold = measure::seconds_since(cold_start);
  const uint64_t first_checksum = checksum;
  auto steady_start = std::chrono::steady_clock::now();
  for (const std::string &word : words) {
    answer.clear();
    generate(cascade, word, answer);
    take();
  }
  const double steady = measure::seconds_since(steady_start);
  if (answered != 2 * words.size()) {
    std::fprintf(stderr, "wrong result: %llu answers for %zu words\n",
                 static_cast<unsigned long long>(answered), words.size());
    return 1;
  }
  std::printf(
      "openfst-delayed %s first_ms=%.3f first_pass_words_per_s=%.0f words_per_s=%.0f "
      "checksum=%llx peak_kib=%ld\n",
      argc > 3 ? argv[3] : argv[1], first * 1000, static_cast<double>(words.size() - 1) / cold,
      static_cast<double>(words.size()) / steady, static_cast<unsigned long long>(first_checksum),
      measure::peak_kib());
  return 0;
}
