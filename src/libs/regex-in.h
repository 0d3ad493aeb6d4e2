// The regular-expression compiler: the grammar (regex-grammar.y, an LALR(1) parser made by bison
// at build time) fed by the scanner (regex-scanner.h), and the constructions its rules call.
//
// Every construction consumes its operand networks (the calculus in its reclaiming form) and
// returns a network the parser owns; a failing operation gives the null network, which the rest
// of the expression carries along. One parse compiles one expression, up to ";", or sees the end
// of input. Tested in tests/regex/.
#pragma once

#include <cstdint>

#include "kora.h"
#include "regex-scanner.h"
#include "replace.h"

// The parser (regex-grammar.y): reads one input from the scanner. 0 when it accepted, 2 when its
// stack was exhausted.
int regex_parse(void);

namespace kora {

// The parser's result slot: the network of the expression just parsed, taken by the caller, and
// whether the parse saw the end of input instead.
NET *&regex_result_slot();
bool &regex_saw_end();

// regex_parse with the operator runs of the parse (regex-chain.h) freed when it ends.
int parse_regex_input();

// --- Reading ----------------------------------------------------------------------------------

// Compiles the NUL-terminated regex `text` (";" appended when its last non-blank character is not
// one), with verbose output off and the scanner's warnings quiet. The network is the caller's;
// null on any error.
NET *compile_regex(const char *text);

// Compiles the next expression of the current source. Returns its network (the caller's) or null;
// *at_end becomes true when the source has no further expression (end of input, "END;" or too
// many errors). After an expression of a named file, when parameter word 15 is set, the network
// gets the property SOURCE "file:line".
NET *compile_next_regex(bool *at_end);

// Compiles every expression of the file `file_name` into a net vector (the caller's, with its
// networks), one network per expression; an expression that failed leaves a null entry. Reading
// stops after `count` expressions when `count` is not negative. Null when the file cannot be read
// or when any expression failed (the networks compiled are then freed).
NV *read_regexes(const char *file_name, int count);

// --- Errors -----------------------------------------------------------------------------------

// The parser's error report: records the place of the current token in the source that the
// compilation began with (regex_error_position of kora.h), names it (file and line, or the
// message and token text), with a hint when a replace rule stands before ".o." or ".O.", moves
// the scanner to ERROR_SYNC, and counts the error in parameter word 0; past the limit of word
// 1, "too many errors (%d): trying to terminate processing" and the scanner finishes.
void report_regex_error(const char *message);

// Follows every token the parser reads, for the hint of report_regex_error: whether a replace
// arrow stands at the current bracket depth of the expression.
void follow_regex_token(RegexToken token);

// --- Constructions called by the grammar -------------------------------------------------------

// The id of a symbol written as `text` (escapes removed) or as decoded codes; ID_NO_SYMBOL
// (with regex_error) when it cannot be interned.
uint32_t regex_symbol(const char *text);
uint32_t regex_quoted_symbol(uint32_t *codes);

// The network a symbol stands for: a copy of its definition, the strings of its list, or the
// symbol itself. Lit(s): always the symbol itself.
NET *regex_symbol_net(uint32_t id);
NET *regex_literal_net(uint32_t id);
// The one-symbol strings of the character ranges x-y... of `codes`.
NET *regex_range_net(const uint32_t *codes);
// Sigma(A), Labels(A).
NET *regex_sigma_net(NET *net);
NET *regex_labels_net(NET *net);

// The count of "^": the decimal value of the symbol's text ("0" for EPSILON).
int regex_count(uint32_t id);
// `count`; a value below 1 is reported ("regex_parse: Positive integer expeted, got %d.") and
// given back all the same. Called for "^n" and "^<n".
int regex_positive(int count);

// Binary operations, by the token that names them.
enum class RegexOp {
  UNION, INTERSECT, MINUS, UPPER_MINUS, LOWER_MINUS, UPPER_PRIORITY, LOWER_PRIORITY, LEFT_MERGE,
  RIGHT_MERGE, SHUFFLE, BEFORE, AFTER, CROSS, COMPOSE, LENIENT_COMPOSE, CONCAT, IGNORE,
  IGNORE_INSIDE
};
NET *regex_binary(RegexOp op, NET *a, NET *b);

// Unary operations.
enum class RegexUnary {
  OPTIONAL, STAR, PLUS, COMPLEMENT, TERM_COMPLEMENT, CONTAINS, CONTAINS_ONE, CONTAINS_AT_MOST_ONE,
  UPPER, LOWER, INVERT, REVERSE, MINIMIZE
};
NET *regex_unary(RegexUnary op, NET *a);

// A^{min,max}, max -1 for no bound; the network is minimized first.
NET *regex_repeat(NET *net, int min, int max);

// `[A, s, L]: the substitution of the symbols of `list` (consumed) for s in A.
NET *regex_substitute(NET *net, uint32_t symbol, ALPH *list);

// The statement's result: minimized when parameter word 16 is set; its flag marks recomputed.
NET *regex_result(NET *net);

// --- Function forms: the arguments are consumed -------------------------------------------------

// F(args): the user function whose name (with its "(") is `name` (freed here).
NET *regex_function_call(char *name, NV *args);
// UpCase(A) ... AnyCase(A, side): the case function `name` on `net`, on the side named by the
// symbol `side` (its text, not what it may be defined as), both sides without one. Frees the texts.
NET *regex_case_function(char *name, NET *net, char *side);
// LC(A) ... OR(X, Y): the context function of `specifier` (a built-in context symbol).
NET *regex_context_function(int specifier, NV *args);
NET *regex_explode(NV *args);
// The imploded symbol, or ID_NO_SYMBOL after the functions module's report.
uint32_t regex_implode(NV *args);
NET *regex_end_tag(uint32_t symbol);

// @re NAME and the other file operators: the network of the file (regex-include.h).
NET *regex_include_file(int file_operator, uint32_t file_name);

// .RE2N_VAR. NAME: a network of the variable stack of a lexicon's compiler, which regular
// expressions never have: reported as an error, the null network.
NET *regex_variable_reference(uint32_t name);

// --- Replace rules: the records and compilers of replace.h -------------------------------------

// UPPER arrow F(...): a rule whose LOWER is the image of UPPER under the insertion function
// named `function` (freed here).
REPL_RULES *regex_function_rule(NET *upper, int arrow, char *function);

}  // namespace kora
