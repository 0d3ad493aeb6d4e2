// Approximate lookup: the strings of a network's input side that lie within a number of edits
// of a word, with what the network writes for them, best first. The search, its order and its
// cost are described atop apply-approx.cpp; kora.h documents the exported functions
// (init_apply_approx, apply_approx, approx_result, free_approx_applyer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "apply-index.h"
#include "apply.h"
#include "kora.h"

namespace kora {

struct ApproxResult {
  uint32_t distance;
  std::string match;   // the input-side string of the matched path
  std::string output;  // what the path writes on its output side
};

// A node of the current path of the search: where the path has got to, and what the step that
// led there took and changed.
struct ApproxNode {
  uint32_t state;        // the network's state (an entry of the applyer's index)
  uint32_t model_state;  // the error model's state (an entry of the model's index)
  uint32_t arc;          // the network's arc of the step, or ApplyIndex::kNoArc
  uint32_t symbol;       // the input symbol that arc read, or ID_NO_SYMBOL for an epsilon move
  uint32_t depth;        // input symbols of the network read so far: its row is number `depth`
  uint32_t least;        // the smallest cell of that row
  uint32_t last_symbol;  // the last of them (for transpositions), or ID_NO_SYMBOL
  uint32_t position;     // symbols of the word read so far (with an error model)
  uint32_t cost;         // the errors of the model's arcs so far (with an error model)
  bool last_wild;        // the last symbol was read by an OTHER arc
  bool progress;         // the step read a symbol or cost an error: loop scans stop there
  bool flag_saved;       // the step changed flag_attribute's word, which was flag_previous
  uint32_t flag_attribute;
  uint32_t flag_previous;
};

// A step not yet taken: from node `parent` by the network's arc `arc` and the model's arc
// `model_arc` (either may be ApplyIndex::kNoArc), the network's arc reading `symbol`
// (ID_NO_SYMBOL for an epsilon move).
struct ApproxMove {
  uint32_t parent;
  uint32_t arc;
  uint32_t model_arc;
  uint32_t symbol;
};

}  // namespace kora

struct APPROX_APPLYER {
  APPLY_CONTEXT *applyer;  // owned: the network's index, parse table, flags and spellings
  NET *model;              // the error model, or null (not owned)
  std::unique_ptr<kora::ApplyIndex> model_index;
  kora::PARSE_TABLE *model_table;
  std::vector<bool> net_sigma, model_sigma;
  // The settings of the running search.
  uint32_t bound;
  bool transpositions;
  // The word cut into symbols, and those of its symbols that only OTHER arcs can read.
  std::vector<uint32_t> word;
  std::vector<uint32_t> unknowns;
  // The symbols that can be read next without passing the bound, at a node whose row's least
  // cell is the bound itself (where only symbols that match at once can follow).
  std::vector<uint32_t> frontier;
  // Scratch of the search, kept between words.
  std::vector<uint8_t> rows;  // row d, of word.size() + 1 cells, at d * (word.size() + 1)
  std::vector<kora::ApproxNode> path;
  std::vector<kora::ApproxMove> moves;
  std::unordered_map<std::string, size_t> seen;  // results by match and output
  std::vector<kora::ApproxResult> results;
};
