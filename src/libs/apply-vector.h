// The applyer's searches over two representations: vectorized networks (vectorize.h) and
// bimachines (a left and a right sequential transducer applied one after the other).
//
// The vectorized search is the applyer's depth-first walk (apply.h) over a network some of
// whose states hold their arcs as arc vectors. Its path is a stack of frames, one per state
// entered, each holding the label that led there, the input position and where the state's
// choices stand. At a vectorized state the labels that can read the input symbol x are found
// in the network's range map (x's entry: the labels whose input side is x, or, for a symbol
// outside the sigma, those whose input side is OTHER), and each label's arc is the slot at the
// label's position: O(1) per label, whatever the number of arcs. The labels that read nothing
// (epsilon-like or flag input sides) come from the state's own side lists. States that keep a
// list are walked arc by arc with the applyer's rules. Flags are obeyed on a register that
// backtracking restores, insert flags enter the defined networks they name (with a return move
// at their final states), list flags read a symbol of (or outside) their list, and an epsilon
// move may not revisit a state entered since the last symbol read (the start state counts), an
// epsilon self-loop on a final state being taken once: the rules of the applyer's general
// search, so that the two find the same results (in another order at vectorized states).
// Nothing is allocated per symbol once the stacks have grown; a range map is made per network
// and input side when the applyer first needs it, from the network's labels: O(L) for L labels.
//
// The bimachine search runs the left half over the input without backtracking, collecting the
// symbols it writes, then the right half over them from the last to the first; a result needs
// both halves to end in final states. Cost O(n A) for n input symbols and states of A arcs.
//
// Both searches only read the networks, the definitions and the label map; what they change
// belongs to the applyer. Tested in tests/representations/vectorize_test.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "apply-index.h"
#include "flag-action.h"
#include "kora.h"

namespace kora {

// What a search borrows from its applyer for one record: the input symbols read so far (the
// first *known of *symbols, no more to come once *complete), a reader for the others (which
// sets *failed when the input cannot be read), and the report of a result.
struct SearchInput {
  APPLY_CONTEXT *applyer;
  const std::vector<uint32_t> *symbols;
  const uint32_t *known;
  const bool *complete;
  uint32_t (*read_symbol_at)(APPLY_CONTEXT *applyer, int position, bool *failed);
  void (*on_result)(APPLY_CONTEXT *applyer);
  FlagRegister *flag_register;
  bool flags_active;  // flag diacritics on the input side are obeyed
};

// A state on the path of the vectorized search.
struct VectorFrame {
  enum Kind : uint8_t { START, MOVE, INSERT, RETURN };
  STATE *state;
  const ARC *next_arc;                 // a list state's arcs still to try
  uint32_t epsilon_next, epsilon_end;  // a vectorized state's side lists still to try
  uint32_t symbol_next, symbol_end;    // its range-map labels still to try
  int position;        // the input read before the state
  uint32_t label;      // the label that led here, ID_NO_SYMBOL for the start and a return
  uint32_t net;        // the network the state belongs to (its number in the search)
  Kind kind;
  bool consumed;       // the label read an input symbol
  uint8_t phase;       // 0 on arrival, 1 after a return move, 2 trying its choices, 3 none left
  bool flag_saved;     // the label changed flag_attribute's word, which was flag_previous
  uint32_t flag_attribute;
  uint32_t flag_previous;
};

class VectorSearch {
 public:
  // A search of `net` (which must outlive it) read from `input_side` (0 upper, 1 lower).
  VectorSearch(NET *net, int input_side);
  ~VectorSearch();
  VectorSearch(const VectorSearch &) = delete;
  VectorSearch &operator=(const VectorSearch &) = delete;

  // Searches the record; calls input.on_result once per path that reads it all and ends in a
  // final state; returns the number of results.
  int run(const SearchInput &input);

  // While on_result runs: the steps of the path found (count() of them): whether step k read
  // an input symbol, and what its label reads and writes.
  size_t count() const { return frames_.empty() ? 0 : frames_.size() - 1; }
  bool consumed(size_t k) const { return frames_[k + 1].consumed; }
  const IndexArc *step_arc(size_t k);
  bool running() const { return running_; }

  struct Network;  // what the search knows of one network (range map, labels)

 private:
  uint32_t network_of(NET *net);
  uint32_t symbol(int position, bool *failed);
  void arrive(VectorFrame &frame, uint32_t x);
  bool try_choice(uint32_t x);
  bool try_label(uint32_t label, STATE *destination, uint32_t x, bool by_vector);
  bool goes_round(const STATE *from, const STATE *to, uint32_t label) const;
  void push(STATE *state, uint32_t net, int position, uint32_t label, VectorFrame::Kind kind,
            bool consumed);
  void pop();

  int input_side_;
  std::vector<std::unique_ptr<Network>> networks_;
  std::vector<VectorFrame> frames_;
  struct Open {
    uint32_t caller;
    STATE *return_to;
  };
  std::vector<Open> inserts_;
  std::vector<Open> closed_;  // the inserted networks that the RETURN frames of the path left
  IndexArc silent_;           // what a return writes: nothing
  const SearchInput *input_ = nullptr;
  bool running_ = false;
  bool depth_reported_ = false;
  int max_depth_ = 0;
};

// The bimachine search of one record: the left half `left` over the input, the right half
// `right` over what it wrote. Both must be sequentialized on the input side; a left half that
// does not fit the direction gives no result, with the warning "This is an upwards bimachine.
// It cannot be applied downwards." (applied down) or "This is a downwards bimachine. It cannot
// be applied upwards." (applied up) when it is marked left_bimachine. On a result, `output`
// receives the right half's output symbols in input order and 1 is returned; else 0.
int bimachine_search(NET *left, NET *right, int input_side, const SearchInput &input,
                     std::vector<uint32_t> *output);

}  // namespace kora
