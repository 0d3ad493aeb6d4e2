/* Definitions and user functions of the regular-expression language: a defined name stands for
 * its network, a function's parameters for the networks of its arguments, and merge fills the
 * slots of a template from a filler. Built and run by the tests (example_regex_functions);
 * docs/regex.md shows it. */
#include <kora.h>
#include <stdio.h>

/* Compiles `regex` and prints what it gives for `input` applied down (nothing when none). */
static void show(const char *regex, const char *input) {
  NET *net = read_regex(regex);
  APPLY_CONTEXT *applyer = init_apply(net, 0, NULL);
  printf("%s: %s", regex, apply_to_string(input, applyer));
  free_applyer(applyer);
  free_network(net);
}

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0;

  define_regex_net("V", "a | e | i | o | u");
  define_function("Double(x)", "x x");
  show("Double(V)", "ia");
  show("{cat} -> Double(...)", "cat");
  show("[c Lit(V) t] .<m. [a]", "cat");

  reclaim_kora(context);
  return 0;
}
