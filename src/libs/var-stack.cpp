// Variable stacks of rule constructions; see var-stack.h.
#include "var-stack.h"

#include <cstring>

#include "error.h"

namespace kora {

VAR_STACK *RE2N_create_var_stack() { return new VAR_STACK; }

void RE2N_free_var_stack(VAR_STACK *stack) {
  if (stack == nullptr) return;
  for (auto &variable : stack->variables) free_network(variable.second);
  delete stack;
}

int RE2N_save_var(VAR_STACK *stack, const char *name, NET *net) {
  if (RE2N_peek_var(stack, name) != nullptr) {
    error_printf("Attempt to save variable '%s' twice to the stack", name);
    free_network(net);
    return 1;
  }
  stack->variables.emplace_back(name, net);
  return 0;
}

NET *RE2N_peek_var(VAR_STACK *stack, const char *name) {
  if (stack == nullptr || name == nullptr) return nullptr;
  for (auto &variable : stack->variables)
    if (variable.first == name) return variable.second;
  return nullptr;
}

NET *RE2N_get_var(VAR_STACK *stack, const char *name) {
  NET *net = RE2N_peek_var(stack, name);
  return net == nullptr ? nullptr : copy_net(net);
}

}  // namespace kora
