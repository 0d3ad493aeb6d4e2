// The bracketing construction of replace rules: conditional, directed, optional and
// empty-match replacement through marker symbols.
//
// A replacement is read as a string W over the symbols of the input with markers: every
// replaced stretch is a segment <i p >i where p is a path of the rule's relation, and every
// position between symbols (a gap) carries, for each rule i, a marker saying whether LEFT_i
// ends there and one saying whether RIGHT_i starts there. The transducer T0 of all such
// strings is cut down by constraints, each a regular language over the upper or the lower
// view of W (the view with markers kept and brackets around the upper or the lower side of the
// segments):
//   - the context markers are true exactly where the context holds, on the side the context
//     code names (markers and brackets ignored inside the context);
//   - every segment <i .. >i stands between true markers of rule i;
//   - obligatory rules: no UPPER_i between true markers of rule i outside the segments;
//   - directed rules: no match of a rule starts outside the segments (leftmost), and no match
//     starting where a segment starts is longer (longest) or shorter (shortest) than it;
//   - an empty segment never touches another segment.
// The result is [markers inserted] .o. T0 restricted .o. [markers removed]. Right-to-left rules
// are built on the reversed rules and reversed; upward rules on the inverted ones and inverted.
// Cost: a constant number of compositions and complements per rule over networks whose size
// grows with the rules' operands and the number of rules (2 markers per rule in every gap).
// Tested in tests/regex/replace_test.cpp.
#pragma once

#include <vector>

#include "kora.h"

namespace kora {

// One rule of the construction: its UPPER language, its relation (UPPER to LOWER), its
// contexts (null: any), the sides they are checked on (true: lower) and its optionality.
struct CondRule {
  NET *upper = nullptr;
  NET *relation = nullptr;
  NET *left = nullptr;
  NET *right = nullptr;
  bool left_lower = false;
  bool right_lower = false;
  bool optional = false;
};

// How matches are chosen.
struct CondMode {
  bool directed = false;
  bool longest = true;
  bool left_to_right = true;
  bool upward = false;
  int depth = 0;
};

// The transducer of the rules applied in parallel; consumes every network of `rules`. Null
// network when the depth exceeds 20.
NET *cond_replace(std::vector<CondRule> &rules, const CondMode &mode);

// --- Helpers shared with the rule compiler -----------------------------------------------------

// A network of one OTHER arc whose sigma holds `markers` (and the boundary symbol), so that
// OTHER means any real symbol however the sigma is harmonized later.
NET *real_symbol_net(const std::vector<uint32_t> &markers);

// Adds `markers` to the sigma of `net` when it holds OTHER, so that OTHER does not stand for
// them. Null is ignored.
void keep_markers_out(NET *net, const std::vector<uint32_t> &markers);

// The union of the one-symbol networks of `ids` (the null network for none).
NET *symbols_net(const std::vector<uint32_t> &ids);

// Removes `ids` from the sigma of `net` (and from its labels) and returns it.
NET *drop_symbols(NET *net, const std::vector<uint32_t> &ids);

// A new marker symbol named `name`.
uint32_t marker_symbol(const char *name);

}  // namespace kora
