// Regex functions: user-defined functions (a named regex body with parameters), the system
// functions Implode( and Explode( that join and split symbol names, the seven case functions,
// the context functions of replace rules and EndTag(.
//
// The regex compiler sits above this module: it installs its compiler of one regex text with
// set_regex_compiler at start-up, and the grammar calls the functions below for the function
// forms it parses. Defining a function validates the body through that compiler; calling one
// binds each parameter as a definition (saving what the name meant before) and compiles the
// body. Tested in tests/regex/functions_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "kora.h"

namespace kora {

// The compiler of one regex text: a network belonging to the caller, or null on failure.
using RegexCompiler = NET *(*)(const char *text);

// Installs the compiler used to validate and to call functions (null uninstalls it).
void set_regex_compiler(RegexCompiler compile);

// What the regex functions keep between calls. Defined in globals.cpp with the rest of the
// library's state.
struct RegexFunctions {
  RegexCompiler compiler = nullptr;    // installed by set_regex_compiler
  std::vector<uint32_t> active_calls;  // the user functions being called, innermost last
};
extern RegexFunctions regex_functions;

// Whether `id` names a system function: the built-in function symbols ("Explode(" to
// "EndTag(") and "Lit(", "Sigma(", "Labels(".
bool is_system_function(uint32_t id);

// A call of the user function `name` (the label id of "F(") with `arguments` (consumed: the
// vector and its networks). Each parameter is defined as its argument for the time of the call
// (the definitions the names had are restored afterwards, also when the call fails), verbose is
// off and the character encoding is the one the function was defined in. Returns the network
// of the body (the caller's), or a new null network after reporting an undefined function, a
// wrong argument count, a function that calls itself, or a body that does not compile.
NET *call_user_function(uint32_t name, NV *arguments);

// Implode: the id of the one symbol whose name joins the names of the symbols on the single
// paths of the arguments (EPSILON left out), in order; ID_NO_SYMBOL after reporting a missing,
// empty, transducer, OTHER-holding, many-path or cyclic argument. Consumes `arguments`.
uint32_t implode_symbols(NV *arguments);

// Explode: the single-path network spelling every character of the names of the arguments'
// symbols as one-character symbols (the caller's); the null network after the reports of
// implode_symbols. Consumes `arguments`.
NET *explode_symbols(NV *arguments);

// The case function `function` (the label id of "UpCase(", "DownCase(", "OptUpCase(",
// "OptDownCase(", "Cap(", "OptCap(" or "AnyCase(") on `net` (consumed), on the side named by
// the symbol `side` (its name begins with u, l or b; ID_NO_SYMBOL means both). Returns the
// network (the record of `net` when it was usable), or a new null network after reporting an
// unknown function or side. Implemented in case-functions.cpp.
NET *case_function(uint32_t function, NET *net, uint32_t side);

// Whether `id` names one of the seven case functions.
bool is_case_function(uint32_t id);

// The context function of `specifier` (LEFT_CONTEXT, RIGHT_CONTEXT, NON_LEFT_CONTEXT,
// NON_RIGHT_CONTEXT with `first` only; AND_CHECK, OR_CHECK with both): the specifier followed
// by `first` (reversed for the left contexts) or by the union of `first` and `second`. Consumes
// the networks; a bad specifier ("Bad context specifier: %d") or a specifier defined as a
// relation gives a new null network.
NET *context_function(uint32_t specifier, NET *first, NET *second);

// EndTag(s): the one-arc network "</s>":EPSILON (the caller's).
NET *end_tag_net(uint32_t symbol);

}  // namespace kora
