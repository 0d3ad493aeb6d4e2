/* Vectorizing a network for lookup: the states with at least two arcs get arc vectors, the
 * lookups give what they gave before, and unvectorizing restores the arc lists. Built and run by
 * the tests (example_vectorize); docs/representations.md shows it. */
#include <kora.h>
#include <stdio.h>

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  NET *net = read_regex("[c a t | c o w | d o g | d u c k] [%+Sg:0 | %+Pl:s]");
  printf("vectorized: %d states\n", vectorize_states(net, 2));

  APPLY_CONTEXT *generate = init_apply(net, 0, NULL); /* down: upper side in */
  printf("%s", apply_to_string("duck+Pl", generate));
  free_applyer(generate);

  printf("restored: %d states\n", unvectorize_net(net));
  free_network(net);
  reclaim_kora(context);
  return 0;
}
