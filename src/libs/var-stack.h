// Variable stacks: the named auxiliary networks of one rule construction.
//
// A construction of a replace rule or a restriction builds a handful of helper networks (the
// marker sets, the bracketed versions of its operands) and refers to them by fixed names while
// it assembles the stages. A variable stack keeps them: each name is saved once, lookups hand
// out copies, and freeing the stack frees every network it holds. Nothing survives one
// construction. Lookups are linear in the number of variables, which stays below thirty.
// Tested in tests/regex/replace_test.cpp.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kora.h"

namespace kora {

struct VAR_STACK {
  std::vector<std::pair<std::string, NET *>> variables;  // name, network owned by the stack
};

// A new empty stack, owned by the caller (RE2N_free_var_stack).
VAR_STACK *RE2N_create_var_stack();

// Frees every network of the stack and the stack; null is ignored.
void RE2N_free_var_stack(VAR_STACK *stack);

// Saves `net` under `name`; the stack owns it from now on. A name already saved reports
// "Attempt to save variable '%s' twice to the stack", frees `net` and returns 1; else 0.
int RE2N_save_var(VAR_STACK *stack, const char *name, NET *net);

// A copy (the caller's) of the network saved under `name`, or null when there is none.
NET *RE2N_get_var(VAR_STACK *stack, const char *name);

// The network saved under `name`, still the stack's; null when there is none.
NET *RE2N_peek_var(VAR_STACK *stack, const char *name);

}  // namespace kora
