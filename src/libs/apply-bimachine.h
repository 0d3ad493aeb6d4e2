// The applyer's search of a bimachine: a left and a right sequential transducer applied one
// after the other, without backtracking.
//
// The left half runs over the input, one arc per symbol (or the state's leading _DET_EPSILON_
// arc, which reads nothing, when no arc reads the symbol), collecting the symbols it writes;
// the right half then runs over them from the last to the first. A result needs both halves
// to end in final states. Cost O(n A) for n input symbols and states of A arcs. The search only
// reads the networks; what it changes belongs to the applyer. Tested in
// tests/representations/vectorize_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

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

// The bimachine search of one record: the left half `left` over the input, the right half
// `right` over what it wrote. Both must be sequentialized on the input side; a left half that
// does not fit the direction gives no result, with the warning "This is an upwards bimachine.
// It cannot be applied downwards." (applied down) or "This is a downwards bimachine. It cannot
// be applied upwards." (applied up) when it is marked left_bimachine. On a result, `output`
// receives the right half's output symbols in input order and 1 is returned; else 0.
int bimachine_search(NET *left, NET *right, int input_side, const SearchInput &input,
                     std::vector<uint32_t> *output);

}  // namespace kora
