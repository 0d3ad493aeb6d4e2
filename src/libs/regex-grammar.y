/* The grammar of the regular-expression language, an LALR(1) parser made by bison.
 *
 * One call of regex_parse reads one `input`: an expression up to ";", or the end of input; it
 * stores the network in the result slot of regex-in.cpp and accepts at once, without waiting for
 * the end of the source. Operators group as the precedence declarations below say, from the
 * loosest to the tightest; a non-chainable operator written twice is a syntax error. The parse
 * stack starts at 200 entries and grows to 10000; beyond that the parse fails with "memory
 * exhausted", so nesting depth never reaches the C stack. Networks and texts left on the stack
 * by an error are freed by the destructors. Tested in tests/regex/grammar_test.cpp. */

%code requires {
#include <cstdint>
#include "kora.h"
#include "regex-chain.h"
#include "regex-in.h"
}


%code {
#include <cstdlib>
#include "alph.h"
#include "label.h"
#include "net-vector.h"
#include "regex-scanner.h"

static int regex_lex(REGEX_STYPE *value);
static void regex_error(const char *message) { kora::report_regex_error(message); }

using namespace kora;

static NV *push_net(NV *nv, NET *net) { return nv_push_back(net, nv); }
static REPL_RULES *anywhere(REPL_RULES *rules) {
  return attach_contexts(rules, CONTEXT_BOTH_UPPER, make_context(nullptr, nullptr));
}
}

%define api.prefix {regex_}
%define api.pure full
%define api.token.prefix {T_}
%define parse.error simple

/* A "," after a rule list (also one after ",,") or a context list inside brackets that take
   several arguments (substitution, function arguments) continues the rules or contexts: the
   three conflicts are resolved by shifting. */
%expect 3

%union {
  NET *net;
  uint32_t symbol;
  ALPH *alph;
  NV *nv;
  int code;
  char *text;
  uint32_t *fat;
  kora::REPL_RULES *rules;
  kora::RegexChain *chain;
}

%token END_OF_EXPRESSION LPAREN RPAREN LBRACKET RBRACKET COMMA PARALLEL
%token UNION INTERSECT MINUS UPPER_MINUS LOWER_MINUS UPPER_PRIORITY LOWER_PRIORITY
%token LEFT_MERGE RIGHT_MERGE SHUFFLE BEFORE AFTER CROSS PAIR COMPOSE LENIENT_COMPOSE
%token IGNORE IGNORE_INSIDE STAR PLUS POWER POWER_LESS POWER_MORE POWER_RANGE RBRACE
%token COMPLEMENT TERM_COMPLEMENT CONTAINS CONTAINS_AT_MOST_ONE CONTAINS_ONE
%token UPPER LOWER INVERT REVERSE SUBSTITUTE EPSILON_SYMBOL ANY_SYMBOL BOUNDARY_SYMBOL
%token <code> REPLACE_ARROW LEFTWARD_ARROW CONTEXT_SEPARATOR RESTRICT_ARROW FILE_OPERATOR
%token <code> CONTEXT_FUNCTION
%token INSERT EPS_BRACKET_OPEN EPS_BRACKET_CLOSE CONTEXT_MARK VARIABLE_REFERENCE
%token SIGMA_OPEN LABELS_OPEN LIT_OPEN IMPLODE_OPEN EXPLODE_OPEN ENDTAG_OPEN
%token <text> CASE_FUNCTION_NAME FUNCTION_NAME SYMBOL BRACED_STRING
%token <fat> QUOTED_SYMBOL RANGE_STRING
%token ERROR_SYNC

%type <net> statement regex rule_level side insertion
%type <chain> term_level concatenation factor compose_chain compose_tail
%type <symbol> symbol
%type <alph> symbol_list
%type <nv> arguments contexts context
%type <code> count arrow
%type <rules> rule rule_list group group_list

%destructor { free_network($$); } <net>
%destructor { free_nv_and_nets($$); } <nv>
%destructor { free_alph($$); } <alph>
%destructor { std::free($$); } <text> <fat>
%destructor { free_replace_rules($$); } <rules>
%destructor { regex_discard($$); } <chain>

/* Loosest first. The context rules take CONTEXT_END so that the last context of a restriction
   absorbs every operator to its right; COMMA binds tighter, so a "," after a context starts the
   next context. */
%precedence CONTEXT_END
%precedence RESTRICTION_END
%precedence COMMA
%left SHUFFLE
%left UNION INTERSECT MINUS UPPER_MINUS LOWER_MINUS UPPER_PRIORITY LOWER_PRIORITY RESTRICT_ARROW
%left LEFT_MERGE RIGHT_MERGE
%precedence POWER_RANGE
%left IGNORE
%nonassoc IGNORE_INSIDE
%precedence COMPLEMENT CONTAINS CONTAINS_AT_MOST_ONE CONTAINS_ONE
%precedence STAR PLUS POWER POWER_LESS POWER_MORE UPPER LOWER INVERT REVERSE
%precedence TERM_COMPLEMENT
%nonassoc PAIR

%%

input
  : statement { regex_result_slot() = $1; YYACCEPT; }
  | error ERROR_SYNC { recover_from_error(); YYACCEPT; }
  | error YYEOF { recover_from_error(); YYACCEPT; }
  | YYEOF { regex_saw_end() = true; YYACCEPT; }
  ;

statement
  : regex END_OF_EXPRESSION { $$ = regex_result($1); }
  | END_OF_EXPRESSION { $$ = regex_result(epsilon_net()); }
  ;

regex
  : rule_level
  | term_level { $$ = regex_settle($1); }
  | compose_chain { $$ = regex_settle($1); }
  ;

/* A .o. B .o. C groups to the right; the whole run is composed at once. */
compose_chain
  : term_level COMPOSE compose_tail { $$ = regex_chain_compose(regex_settle($1), $3); }
  ;

compose_tail
  : compose_chain
  | rule_level { $$ = regex_chain($1); }
  | term_level
  ;

rule_level
  : term_level LENIENT_COMPOSE regex
      { $$ = regex_binary(RegexOp::LENIENT_COMPOSE, regex_settle($1), $3); }
  | term_level BEFORE term_level
      { $$ = regex_binary(RegexOp::BEFORE, regex_settle($1), regex_settle($3)); }
  | term_level AFTER term_level
      { $$ = regex_binary(RegexOp::AFTER, regex_settle($1), regex_settle($3)); }
  | term_level CROSS term_level
      { $$ = regex_binary(RegexOp::CROSS, regex_settle($1), regex_settle($3)); }
  | rule_list { $$ = compile_replace_group($1); }
  | group_list { $$ = compile_parallel_replace($1); }
  ;

/* Runs of |, & and concatenation are collected and combined when they end (regex-chain.h); a
   braced string or a symbol stays a string until something needs its network. */
term_level
  : term_level SHUFFLE term_level { $$ = regex_chain_join(RegexOp::SHUFFLE, $1, $3); }
  | term_level UNION term_level { $$ = regex_chain_join(RegexOp::UNION, $1, $3); }
  | term_level INTERSECT term_level { $$ = regex_chain_join(RegexOp::INTERSECT, $1, $3); }
  | term_level MINUS term_level { $$ = regex_chain_join(RegexOp::MINUS, $1, $3); }
  | term_level UPPER_MINUS term_level { $$ = regex_chain_join(RegexOp::UPPER_MINUS, $1, $3); }
  | term_level LOWER_MINUS term_level { $$ = regex_chain_join(RegexOp::LOWER_MINUS, $1, $3); }
  | term_level UPPER_PRIORITY term_level { $$ = regex_chain_join(RegexOp::UPPER_PRIORITY, $1, $3); }
  | term_level LOWER_PRIORITY term_level { $$ = regex_chain_join(RegexOp::LOWER_PRIORITY, $1, $3); }
  | term_level LEFT_MERGE term_level { $$ = regex_chain_join(RegexOp::LEFT_MERGE, $1, $3); }
  | term_level RIGHT_MERGE term_level { $$ = regex_chain_join(RegexOp::RIGHT_MERGE, $1, $3); }
  | term_level RESTRICT_ARROW contexts %prec RESTRICTION_END
      { $$ = regex_chain(compile_restriction(regex_settle($1), $2, $3)); }
  | concatenation
  ;

concatenation
  : factor
  | concatenation factor { $$ = regex_chain_join(RegexOp::CONCAT, $1, $2); }
  ;

factor
  : LBRACKET regex RBRACKET { $$ = regex_chain(regex_unary(RegexUnary::MINIMIZE, $2)); }
  | LBRACKET RBRACKET { $$ = regex_chain(epsilon_net()); }
  | LPAREN regex RPAREN { $$ = regex_chain(regex_unary(RegexUnary::OPTIONAL, $2)); }
  | SUBSTITUTE LBRACKET regex COMMA symbol COMMA symbol_list RBRACKET
      { $$ = regex_chain(regex_substitute($3, $5, $7)); }
  | factor IGNORE factor
      { $$ = regex_chain(regex_binary(RegexOp::IGNORE, regex_settle($1), regex_settle($3))); }
  | factor IGNORE_INSIDE factor
      {
        $$ = regex_chain(regex_binary(RegexOp::IGNORE_INSIDE, regex_settle($1), regex_settle($3)));
      }
  | TERM_COMPLEMENT factor
      { $$ = regex_chain(regex_unary(RegexUnary::TERM_COMPLEMENT, regex_settle($2))); }
  | factor STAR { $$ = regex_chain(regex_unary(RegexUnary::STAR, regex_settle($1))); }
  | factor PLUS { $$ = regex_chain(regex_unary(RegexUnary::PLUS, regex_settle($1))); }
  | factor POWER count { $$ = regex_chain(regex_repeat(regex_settle($1), regex_positive($3), $3)); }
  | factor POWER_LESS count
      { $$ = regex_chain(regex_repeat(regex_settle($1), 0, regex_positive($3) - 1)); }
  | factor POWER_MORE count { $$ = regex_chain(regex_repeat(regex_settle($1), $3 + 1, -1)); }
  | factor POWER_RANGE count COMMA count RBRACE %prec POWER_RANGE
      { $$ = regex_chain(regex_repeat(regex_settle($1), $3, $5)); }
  | COMPLEMENT factor { $$ = regex_chain(regex_unary(RegexUnary::COMPLEMENT, regex_settle($2))); }
  | CONTAINS factor { $$ = regex_chain(regex_unary(RegexUnary::CONTAINS, regex_settle($2))); }
  | CONTAINS_AT_MOST_ONE factor
      { $$ = regex_chain(regex_unary(RegexUnary::CONTAINS_AT_MOST_ONE, regex_settle($2))); }
  | CONTAINS_ONE factor
      { $$ = regex_chain(regex_unary(RegexUnary::CONTAINS_ONE, regex_settle($2))); }
  | factor UPPER { $$ = regex_chain(regex_unary(RegexUnary::UPPER, regex_settle($1))); }
  | factor LOWER { $$ = regex_chain(regex_unary(RegexUnary::LOWER, regex_settle($1))); }
  | factor INVERT { $$ = regex_chain(regex_unary(RegexUnary::INVERT, regex_settle($1))); }
  | factor REVERSE { $$ = regex_chain(regex_unary(RegexUnary::REVERSE, regex_settle($1))); }
  | factor PAIR factor
      { $$ = regex_chain(regex_binary(RegexOp::CROSS, regex_settle($1), regex_settle($3))); }
  | FILE_OPERATOR symbol { $$ = regex_chain(regex_include_file($1, $2)); }
  | VARIABLE_REFERENCE symbol { $$ = regex_chain(regex_variable_reference($2)); }
  | symbol { $$ = regex_symbol_chain($1); }
  | BRACED_STRING { $$ = regex_braced_chain($1); std::free($1); }
  | LIT_OPEN symbol RPAREN { $$ = regex_chain(regex_literal_net($2)); }
  | ENDTAG_OPEN symbol RPAREN { $$ = regex_chain(regex_end_tag($2)); }
  | RANGE_STRING { $$ = regex_chain(regex_range_net($1)); std::free($1); }
  | FUNCTION_NAME arguments RPAREN { $$ = regex_chain(regex_function_call($1, $2)); }
  | EXPLODE_OPEN arguments RPAREN { $$ = regex_chain(regex_explode($2)); }
  | SIGMA_OPEN regex RPAREN { $$ = regex_chain(regex_sigma_net($2)); }
  | LABELS_OPEN regex RPAREN { $$ = regex_chain(regex_labels_net($2)); }
  | CONTEXT_FUNCTION arguments RPAREN { $$ = regex_chain(regex_context_function($1, $2)); }
  | CASE_FUNCTION_NAME regex RPAREN { $$ = regex_chain(regex_case_function($1, $2, nullptr)); }
  | CASE_FUNCTION_NAME regex COMMA SYMBOL RPAREN
      { $$ = regex_chain(regex_case_function($1, $2, $4)); }
  ;

arguments
  : regex { $$ = nv_push_back($1, nullptr); }
  | arguments COMMA regex { $$ = push_net($1, $3); }
  ;

count
  : symbol { $$ = regex_count($1); }
  ;

symbol
  : SYMBOL { $$ = regex_symbol($1); std::free($1); if ($$ == ID_NO_SYMBOL) YYERROR; }
  | QUOTED_SYMBOL { $$ = regex_quoted_symbol($1); std::free($1); if ($$ == ID_NO_SYMBOL) YYERROR; }
  | EPSILON_SYMBOL { $$ = EPSILON; }
  | ANY_SYMBOL { $$ = OTHER; }
  | BOUNDARY_SYMBOL { $$ = BOUNDARY_SYMBOL; }
  | IMPLODE_OPEN arguments RPAREN
      {
        $$ = regex_implode($2);
        if ($$ == ID_NO_SYMBOL) { report_regex_error("Invalid symbol ID"); YYERROR; }
      }
  ;

symbol_list
  : %empty { $$ = make_alph(0, KORA_LABEL_ALPH); }
  | symbol_list symbol { $$ = alph_add_to($1, $2, 0); }
  ;

/* Replace rules and restriction. */

rule_list
  : rule
  | rule_list COMMA rule { $$ = append_rule($1, $3); }
  ;

group
  : rule_list CONTEXT_SEPARATOR contexts { $$ = attach_contexts($1, $2, $3); }
  ;

/* A rule list without contexts joined to groups that have them applies in every context. */
group_list
  : group
  | rule_list PARALLEL group { $$ = append_group(anywhere($1), $3); }
  | group_list PARALLEL group { $$ = append_group($1, $3); }
  | group_list PARALLEL rule_list { $$ = append_group($1, anywhere($3)); }
  ;

arrow
  : REPLACE_ARROW
  | LEFTWARD_ARROW
  ;

side
  : term_level { $$ = regex_settle($1); }
  | EPS_BRACKET_OPEN term_level EPS_BRACKET_CLOSE { $$ = mark_epsilon_brackets(regex_settle($2)); }
  | EPS_BRACKET_OPEN EPS_BRACKET_CLOSE { $$ = mark_epsilon_brackets(epsilon_net()); }
  ;

rule
  : side arrow side { $$ = make_replace_rule($1, $2, $3); }
  | side arrow insertion { $$ = make_replace_rule($1, $2, $3); }
  | side arrow FUNCTION_NAME INSERT RPAREN { $$ = regex_function_rule($1, $2, $3); }
  | side arrow CASE_FUNCTION_NAME INSERT RPAREN { $$ = regex_function_rule($1, $2, $3); }
  | insertion LEFTWARD_ARROW side { $$ = make_replace_rule($1, $2, $3); }
  ;

insertion
  : term_level INSERT term_level { $$ = make_insertion(regex_settle($1), regex_settle($3)); }
  | term_level INSERT { $$ = make_insertion(regex_settle($1), nullptr); }
  | INSERT term_level { $$ = make_insertion(nullptr, regex_settle($2)); }
  | INSERT { $$ = make_insertion(nullptr, nullptr); }
  ;

contexts
  : context
  | contexts COMMA context { $$ = append_context($1, $3); }
  ;

context
  : term_level CONTEXT_MARK term_level %prec CONTEXT_END
      { $$ = make_context(regex_settle($1), regex_settle($3)); }
  | term_level CONTEXT_MARK %prec CONTEXT_END { $$ = make_context(regex_settle($1), nullptr); }
  | CONTEXT_MARK term_level %prec CONTEXT_END { $$ = make_context(nullptr, regex_settle($2)); }
  | CONTEXT_MARK %prec CONTEXT_END { $$ = make_context(nullptr, nullptr); }
  ;

%%

namespace kora {

NET *&regex_result_slot() {
  static NET *slot = nullptr;
  return slot;
}

bool &regex_saw_end() {
  static bool end = false;
  return end;
}

int parse_regex_input() {
  RegexChainArena chains;
  return regex_parse();
}

}  // namespace kora

// Hands the scanner's tokens to the parser, translating their kinds and values.
static int regex_lex(REGEX_STYPE *value) {
  RegexTokenValue token_value;
  RegexToken token = next_regex_token(&token_value);
  follow_regex_token(token);
  switch (token) {
    case RegexToken::SYMBOL:
    case RegexToken::BRACED_STRING:
    case RegexToken::FUNCTION_NAME:
    case RegexToken::CASE_FUNCTION_NAME:
      value->text = token_value.text;
      break;
    case RegexToken::QUOTED_SYMBOL:
    case RegexToken::RANGE_STRING:
      value->fat = token_value.fat;
      break;
    default:
      value->code = token_value.code;
      free_token_value(&token_value);
      break;
  }
  switch (token) {
#define KORA_REGEX_TOKEN_KIND(name) \
  case RegexToken::name:            \
    return T_##name;
    KORA_REGEX_TOKENS(KORA_REGEX_TOKEN_KIND)
#undef KORA_REGEX_TOKEN_KIND
    case RegexToken::END_OF_INPUT:
      break;
  }
  return T_YYEOF;
}
