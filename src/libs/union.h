// Union of networks.
//
// The networks are merged pairwise into the first one: a new start state receives the arcs of
// both start states (moved, or copied when arcs enter a start state), and the two state lists
// are joined. No EPSILON arcs are made. When both networks are minimized, share no label and
// each has a state without arcs, those two states are merged and the result stays minimized
// without running minimization. Time O(V + E) per merge (harmonization, the test for arcs into
// the start states and the emptiness tests are linear); space O(k) for the start arcs.
// Tested in tests/operations/operators_test.cpp.
#pragma once

#include <vector>

#include "kora.h"
#include "minimal-sequences.h"

namespace kora {

// The union of the networks of `nets` (each distinct record used once). Without `copy` the
// networks are consumed and the result is the first one's record (or, when that accepts
// nothing, the record of another); with `copy` they stay the caller's and the result is new.
// The vector record stays the caller's. With `minimize` the first network and every
// intermediate result go through min_fsm. A null or empty vector gives a new null network.
// Refusals (networks of different label maps, compacted or non-plain networks) free the
// networks unless `copy` and give a new null network.
NET *union_fsm(NV *nets, int copy, int minimize);

// The union of many plain networks of one label map, built as they arrive, for long unions such
// as a word list written as an expression: where union_fsm pays for the whole result at every
// step, this pays for each operand once. With `minimize`, an operand that is a single string
// (one path, no OTHER in its sigma) is taken into the word-list construction at once
// (minimal-sequences.h) and freed; finish() joins the other operands to the minimal network of
// the strings in one pass (a new start state taking every start state's arcs, the state lists
// linked behind it) and minimizes the whole once. Without `minimize` every operand is kept and
// joined in one pass, and nothing is minimized. The result has the language and sigma of the
// pairwise union; no operand gives a new null network.
// Time O(V + E) over the operands plus one minimization; space the minimal network of the
// strings so far (packed) and the other operands.
class UnionBuilder {
 public:
  explicit UnionBuilder(bool minimize);
  ~UnionBuilder();  // frees the operands not yet joined
  UnionBuilder(const UnionBuilder &) = delete;
  UnionBuilder &operator=(const UnionBuilder &) = delete;

  // Takes `net` over.
  void add(NET *net);
  // Adds the string of `count` symbols (or identity labels) of the current label map.
  void add_string(const uint32_t *labels, size_t count);
  // The union of the operands added (the caller's); the builder is empty afterwards.
  NET *finish();

 private:
  void note_symbols(const ALPH *sigma);

  bool minimize_;
  LabelSequences strings_;
  bool has_strings_ = false;
  std::vector<uint32_t> string_symbols_;  // the members of the strings' sigmas: nonzero by id
  std::vector<NET *> others_;
  std::vector<uint32_t> labels_;  // scratch
};

// The union of `result` and `other`, both consumed (the same record counts once); the result
// is `result`'s record unless `result` accepts nothing. Both must be plain networks of one
// label map.
NET *union_pair(NET *result, NET *other);

}  // namespace kora
