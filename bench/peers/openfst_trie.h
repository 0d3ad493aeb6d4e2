// The trie of a word list as an OpenFst StdVectorFst, shared by the OpenFst peers of the
// benchmarks. Header-only, so that each peer builds with a single compiler call.
#pragma once

#include <fst/fstlib.h>

#include <string>

#include "../measure.h"

namespace peers {

// The trie of the lines of `text` with byte labels (b is the label b; 0 is epsilon); with
// `tagger`, each word goes on with an arc 0:(256 + tag) to a final state of its own.
inline void build_trie(const std::string &text, fst::StdVectorFst &trie, bool tagger = false) {
  using Arc = fst::StdArc;
  trie.SetStart(trie.AddState());
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *end = p + text.size();
  while (p < end) {
    Arc::StateId state = trie.Start();
    const unsigned char *line = p;
    for (; p < end && *p != '\n'; ++p) {
      Arc::Label label = *p;
      Arc::StateId next = fst::kNoStateId;
      size_t count = trie.NumArcs(state);
      if (count > 0) {
        fst::ArcIterator<fst::StdVectorFst> arcs(trie, state);
        for (size_t i = count; i-- > 0;) {
          arcs.Seek(i);
          if (arcs.Value().ilabel == label && arcs.Value().olabel == label) {
            next = arcs.Value().nextstate;
            break;
          }
        }
      }
      if (next == fst::kNoStateId) {
        next = trie.AddState();
        trie.AddArc(state, Arc(label, label, Arc::Weight::One(), next));
      }
      state = next;
    }
    if (p > line) {
      if (tagger) {
        Arc::StateId tagged = trie.AddState();
        int tag = measure::word_tag(std::string(reinterpret_cast<const char *>(line), p - line));
        trie.AddArc(state, Arc(0, 256 + tag, Arc::Weight::One(), tagged));
        trie.SetFinal(tagged, Arc::Weight::One());
      } else {
        trie.SetFinal(state, Arc::Weight::One());
      }
    }
    ++p;
  }
}

}  // namespace peers
