// Runs of one associative operator in a regular expression, combined in one step.
//
// The grammar reads A | B | C as [A | B] | C and A .o. B .o. C as A .o. [B .o. C]. Combining such
// a run one operator at a time pays, at every step, for everything combined so far (a union is
// minimized after each step), so a union of n words written as an expression took time
// quadratic in n. The grammar instead collects the operands of a run of |, &, concatenation or
// .o. in a RegexChain and combines them when the run ends, through the n-ary forms of the
// calculus: union_many (single strings go to the word-list construction, one minimization at
// the end), concat_fsm, intersect_fsm (smallest operands first) and compose_fsm. The result has
// the language, sigma and minimization of the binary chain. A run holding an operand that the
// calculus refuses (NULL, or a network in a special representation) is combined pair by pair
// as before, so that its messages are those of the binary operations.
// Tested in tests/regex/chain_test.cpp.
#pragma once

#include <memory>
#include <vector>

#include "kora.h"
#include "regex-in.h"

namespace kora {

class RegexChain;

// The chains made while one expression is parsed, freed when the parse ends however it ends
// (bison's destructors free the networks of an abandoned parse, not the chains that held
// them). A settled chain is reused: every factor starts a chain, so a word list written as an
// expression would otherwise allocate one per word. Parses nest: a new arena stands in for the
// current one until it is destroyed.
class RegexChainArena {
 public:
  RegexChainArena();
  ~RegexChainArena();
  RegexChainArena(const RegexChainArena &) = delete;
  RegexChainArena &operator=(const RegexChainArena &) = delete;

  RegexChain *make();
  void recycle(RegexChain *chain) { settled_.push_back(chain); }

 private:
  std::vector<std::unique_ptr<RegexChain>> chains_;
  std::vector<RegexChain *> settled_;
  RegexChainArena *outer_;
};

// A run of one operand: `net` (consumed).
RegexChain *regex_chain(NET *net);

// A braced string, and a symbol, kept as a string of symbols until something needs its network
// (string_to_net of the text, regex_symbol_net of the symbol): the strings of a long union go
// into it as they are.
RegexChain *regex_braced_chain(const char *text);
RegexChain *regex_symbol_chain(uint32_t id);

// LEFT op RIGHT. For |, & and concatenation, RIGHT's network joins LEFT's run when LEFT is a
// run of `op` or a single operand; otherwise LEFT is combined first and a new run of `op`
// starts. Any other operator combines both at once (regex_binary) into a run of one.
RegexChain *regex_chain_join(RegexOp op, RegexChain *left, RegexChain *right);

// FIRST .o. REST, for the right-nested composition: FIRST goes in front of REST's run of
// compositions (or of its single operand).
RegexChain *regex_chain_compose(NET *first, RegexChain *rest);

// The network of the run (the caller's); the chain is empty afterwards.
NET *regex_settle(RegexChain *chain);

// Frees the networks of a chain that an abandoned parse leaves behind.
void regex_discard(RegexChain *chain);

}  // namespace kora
