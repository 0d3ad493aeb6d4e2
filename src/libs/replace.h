// Replace rules and restriction: the rule records the regex grammar builds and their
// compilation into transducers (replace rules) and automata (restriction).
//
// A rule maps UPPER to LOWER under an arrow (obligatory or optional; unconstrained, two-way or
// directed with longest or shortest match from the left or the right; downward or upward),
// optionally only in contexts LEFT _ RIGHT checked on the upper or the lower side. Several
// rules (a group, ",") and several groups with their contexts (",,") apply in parallel.
// A restriction A => L _ R (<=, <=>) constrains where strings of A may (must) occur.
//
// Records own their networks: every compile function consumes the record it is given, and the
// builders consume their arguments. Unconstrained downward replacement without contexts is
// [N U]* N (N the strings without a match); every other rule goes through the bracketing
// construction of replace-cond.h. Tested in tests/regex/replace_test.cpp.
#pragma once

#include <cstdint>

#include "kora.h"

namespace kora {

// Arrow codes; an optional arrow adds 10 to a positive code, subtracts 10 from -1.
enum ReplaceArrow {
  ARROW_REPLACE = 0,         // ->
  ARROW_REPLACE_UP = 1,      // <-
  ARROW_TWO_WAY = 2,         // <->
  ARROW_LEFT_LONGEST = 3,    // @->
  ARROW_RIGHT_LONGEST = 4,   // ->@
  ARROW_LEFT_SHORTEST = 5,   // @>
  ARROW_RIGHT_SHORTEST = 6,  // >@
  ARROW_UP_LEFT_LONGEST = 7,    // @<-
  ARROW_UP_RIGHT_LONGEST = 8,   // <-@
  ARROW_UP_LEFT_SHORTEST = 9,   // @<
  ARROW_UP_RIGHT_SHORTEST = -1, // <@
  ARROW_OPTIONAL = 10,
};

// Context codes: which side each context is checked on.
enum ReplaceContext {
  CONTEXT_NONE = -1,
  CONTEXT_BOTH_UPPER = 0,   // ||
  CONTEXT_LEFT_LOWER = 1,   // //  left on the lower side, right on the upper side
  CONTEXT_RIGHT_LOWER = 2,  // \\  left on the upper side, right on the lower side
  CONTEXT_BOTH_LOWER = 3,   // \/
};

// Restriction codes.
enum RestrictionCode { RESTRICT_ONLY_IN = 0, RESTRICT_ALWAYS_IN = 1, RESTRICT_BOTH = 2 };

// A group of rules with its arrow, its context code and its insertion function; groups of a
// parallel list are chained through `next`. Without contexts `nets` holds (UPPER, LOWER) pairs;
// with contexts (UPPER, LOWER, LEFT, RIGHT) quadruples, one per rule and context, a missing
// context being a null entry. The record owns its networks and the rest of its chain.
struct REPL_RULES {
  NV *nets;
  int arrow;
  int context;
  uint32_t function;  // the insertion function's label id, or 0xFFFFFF for none
  REPL_RULES *next;
};

// A one-rule record (UPPER, LOWER) with `arrow` and context code -1; takes both networks.
REPL_RULES *make_replace_rule(NET *upper, int arrow, NET *lower);

// [left "..." right], a null side meaning the empty string; takes both. A side that contains
// "..." already is reported ("Only one '...' allowed in an insert clause!") and used with
// its "..." read as the empty string.
NET *make_insertion(NET *left, NET *right);

// The context pair (left, right) in a new two-entry net vector; a null side means "any".
NV *make_context(NET *left, NET *right);

// Appends the pairs of `context` to `contexts` (null starts a list) and returns the list.
NV *append_context(NV *contexts, NV *context);

// Appends the rules of `rule` to `group` (null starts a group); consumes `rule`.
REPL_RULES *append_rule(REPL_RULES *group, REPL_RULES *rule);

// Turns the pairs of `group` into quadruples, one per rule and context of `contexts`, with
// `context_code`; consumes the context list (and its networks) and returns the group.
REPL_RULES *attach_contexts(REPL_RULES *group, int context_code, NV *contexts);

// Chains `group` after the last group of `list` (null starts a list) and returns the list.
REPL_RULES *append_group(REPL_RULES *list, REPL_RULES *group);

// Records the insertion function (a label id: a case function such as "UpCase(", or a user
// function "G(") in every group of the chain. Each rule's LOWER is then computed from a copy of
// its UPPER: the case function applied to the lower side, or the user function called on it.
void set_insertion_function(REPL_RULES *rules, uint32_t function);

// Compiles a group without contexts; consumes it. Failures give [?*] or the null network with
// the messages of the rule compiler.
NET *compile_replace_group(REPL_RULES *group);

// Compiles a chain of groups with contexts as one parallel replacement; consumes it.
NET *compile_parallel_replace(REPL_RULES *list);

// The restriction `center` (code) contexts; consumes both. [?*] for refused operands.
NET *compile_restriction(NET *center, int code, NV *contexts);

// Marks `net` so that its empty string is matched at most once per position ("[. A .]");
// returns it. Null gives null.
NET *mark_epsilon_brackets(NET *net);

// Frees the chain with its networks; null is ignored.
void free_replace_rules(REPL_RULES *rules);

// The id of the insertion symbol "..." in the current label map.
uint32_t insertion_symbol();

}  // namespace kora
