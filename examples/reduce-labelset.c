/* Labelset reduction: a network whose labels fall into classes that every state treats alike
 * keeps one arc per class, looks up as before, and gets its arcs back when restored. Built and
 * run by the tests (example_reduce_labelset); docs/representations.md shows it. */
#include <kora.h>
#include <stdio.h>

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  NET *net = read_regex("[a|b|c] [d|e]");
  printf("plain: %lu arcs\n", (unsigned long)net->num_arcs);

  reduce_labelset(net);
  printf("reduced: %lu arcs\n", (unsigned long)net->num_arcs);

  APPLY_CONTEXT *applyer = init_apply(net, 0, NULL);
  printf("lookup ce: %s", apply_to_string("ce", applyer));
  free_applyer(applyer);

  unreduce_labelset(net);
  printf("restored: %lu arcs\n", (unsigned long)net->num_arcs);

  free_network(net);
  reclaim_kora(context);
  return 0;
}
