// OpenFst peer of bench/lookup_words.cpp: the same two machines (the minimal acceptor of the
// word list over byte labels; the tagger of the ASCII words, each word followed by an arc
// 0:(256 + tag), minimized with its labels encoded), looked up through OpenFst's own API: a
// depth-first walk with one SortedMatcher per depth over a StdVectorFst, and the same over a
// StdConstFst converted from it. Each input's results are written into an output text in the
// lookup tools' convention, as in the kora program. Same inputs (words, shuffled with the same
// generator and seed, every second word with "#" appended) and the same report lines.
//
// Build: g++ -O2 -DNDEBUG -std=c++17 openfst_lookup_words.cpp -o openfst_lookup_words -lfst
// Usage: openfst_lookup_words WORD-LIST [REPEATS]

#include <fst/fstlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../measure.h"
#include "openfst_trie.h"

namespace {

const char *const kTags[4] = {"+Poss", "+Prop", "+Pl", "+Sg"};

// All output strings of the paths that read `word`, found depth first; each depth has a
// matcher of its own, since a matcher's iteration is undone by SetState.
template <class F>
class Lookup {
 public:
  explicit Lookup(const F &fst) : fst_(fst) {}

  // Appends the answer to `word` in the lookup tools' convention; true when it had a result.
  bool answer(const std::string &word, std::string &out) {
    word_ = &word;
    results_ = 0;
    output_.clear();
    out_ = &out;
    walk(fst_.Start(), 0, 0);
    if (results_ == 0) out.append(word).append("\t").append(word).append("\t+?\n");
    out.append("\n");
    return results_ > 0;
  }

 private:
  using Arc = typename F::Arc;
  using Matcher = fst::SortedMatcher<F>;

  Matcher &matcher(size_t depth) {
    while (matchers_.size() <= depth)
      matchers_.push_back(std::make_unique<Matcher>(fst_, fst::MATCH_INPUT));
    return *matchers_[depth];
  }

  void append_label(int label) {
    if (label >= 256)
      output_.append(kTags[label - 256]);
    else if (label > 0)
      output_.push_back(static_cast<char>(label));
  }

  void walk(typename Arc::StateId state, size_t position, size_t depth) {
    if (position == word_->size() && fst_.Final(state) != Arc::Weight::Zero()) {
      out_->append(*word_).append("\t").append(output_).append("\n");
      results_++;
    }
    Matcher &m = matcher(depth);
    m.SetState(state);
    if (m.Find(0)) {
      for (; !m.Done(); m.Next()) {
        const Arc &arc = m.Value();
        if (arc.ilabel == fst::kNoLabel) continue;  // the implicit epsilon loop
        size_t length = output_.size();
        append_label(arc.olabel);
        walk(arc.nextstate, position, depth + 1);
        output_.resize(length);
      }
    }
    if (position == word_->size()) return;
    m.SetState(state);
    if (!m.Find(static_cast<unsigned char>((*word_)[position]))) return;
    for (; !m.Done(); m.Next()) {
      const Arc &arc = m.Value();
      size_t length = output_.size();
      append_label(arc.olabel);
      walk(arc.nextstate, position + 1, depth + 1);
      output_.resize(length);
    }
  }

  const F &fst_;
  std::vector<std::unique_ptr<Matcher>> matchers_;
  const std::string *word_ = nullptr;
  std::string output_;
  std::string *out_ = nullptr;
  size_t results_ = 0;
};

template <class F>
void measure_lookups(const char *program, const char *machine, const char *input,
                     const F &fst, const std::vector<std::string> &words, int repeats) {
  std::vector<double> seconds;
  size_t answered = 0;
  for (int r = 0; r < repeats; r++) {
    auto start = std::chrono::steady_clock::now();
    Lookup<F> lookup(fst);
    std::string out;
    answered = 0;
    for (const std::string &word : words) {
      if (lookup.answer(word, out)) answered++;
      if (out.size() >= measure::kAnswerBlockBytes) out.clear();
    }
    seconds.push_back(measure::seconds_since(start));
  }
  std::sort(seconds.begin(), seconds.end());
  const double n = static_cast<double>(words.size());
  std::printf("%s %s %s string words=%zu answered=%zu best_wps=%.0f median_wps=%.0f\n", program,
              machine, input, words.size(), answered, n / seconds.front(),
              n / seconds[seconds.size() / 2]);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
  std::string text;
  if (!measure::read_word_list(argc, argv, text)) return 2;
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  fst::StdVectorFst acceptor;
  peers::build_trie(text, acceptor);
  fst::Minimize(&acceptor);
  auto sorting = std::chrono::steady_clock::now();
  fst::ArcSort(&acceptor, fst::ILabelCompare<fst::StdArc>());
  const double acceptor_sort_ms = 1e3 * measure::seconds_since(sorting);

  const std::string ascii = measure::ascii_lines(text);
  fst::StdVectorFst tagger;
  peers::build_trie(ascii, tagger, true);
  fst::EncodeMapper<fst::StdArc> encoder(fst::kEncodeLabels, fst::ENCODE);
  fst::Encode(&tagger, &encoder);
  fst::Minimize(&tagger);
  fst::Decode(&tagger, encoder);
  sorting = std::chrono::steady_clock::now();
  fst::ArcSort(&tagger, fst::ILabelCompare<fst::StdArc>());
  const double tagger_sort_ms = 1e3 * measure::seconds_since(sorting);
  auto converting = std::chrono::steady_clock::now();
  const fst::StdConstFst const_acceptor(acceptor);
  const double acceptor_const_ms = 1e3 * measure::seconds_since(converting);
  converting = std::chrono::steady_clock::now();
  const fst::StdConstFst const_tagger(tagger);
  const double tagger_const_ms = 1e3 * measure::seconds_since(converting);
  // What makes each machine ready for lookups, timed apart as kora's applyer is: sorting the
  // arcs, and converting to ConstFst.
  std::printf("openfst-vector acceptor ready_ms=%.1f\nopenfst-const acceptor ready_ms=%.1f\n"
              "openfst-vector tagger ready_ms=%.1f\nopenfst-const tagger ready_ms=%.1f\n",
              acceptor_sort_ms, acceptor_sort_ms + acceptor_const_ms, tagger_sort_ms,
              tagger_sort_ms + tagger_const_ms);

  const measure::LookupInputs inputs(text);
  for (int k = 0; k < inputs.count; k++) {
    measure_lookups("openfst-vector", "acceptor", inputs.names[k], acceptor, inputs.lists[k],
                    repeats);
    measure_lookups("openfst-const", "acceptor", inputs.names[k], const_acceptor, inputs.lists[k],
                    repeats);
  }
  for (int k = 0; k < inputs.count; k++) {
    measure_lookups("openfst-vector", "tagger", inputs.names[k], tagger, inputs.lists[k], repeats);
    measure_lookups("openfst-const", "tagger", inputs.names[k], const_tagger, inputs.lists[k],
                    repeats);
  }
  return 0;
}
