/* Compacting a network: the whole network becomes one byte block, lookups give what they gave
 * before, and a saved compacted network is mapped from its file when loaded. Built and run by
 * the tests (example_compact); docs/representations.md shows it. */
#include <kora.h>
#include <stdio.h>

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  int_parameters()->word[KORA_VERBOSE] = 0; /* no statistics on standard error */
  NET *net = read_regex("[c a t | c o w | d o g | d u c k] [%+Sg:0 | %+Pl:s]");
  compact_net(net, NULL);
  printf("compacted: %u arcs in %u bytes\n", net->num_arcs, net->block_size);

  APPLY_CONTEXT *generate = init_apply(net, 0, NULL); /* down: upper side in */
  printf("%s", apply_to_string("duck+Pl", generate));
  free_applyer(generate);

  save_net(net, "animals.fst", context);
  free_network(net);
  context->map_arc_blocks = 1; /* map the block from the file instead of reading it */
  net = load_net("animals.fst", context);
  APPLY_CONTEXT *analyse = init_apply(net, 1, NULL); /* up: lower side in */
  printf("%s", apply_to_string("cows", analyse));
  free_applyer(analyse);

  uncompact_net(net);
  printf("uncompacted: %u states, %u arcs\n", net->num_states, net->num_arcs);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
