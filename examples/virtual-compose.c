/* A lexicon composed with spelling rules as a virtual network: lookups make only the states
 * they reach, the answers are those of the composition, and the file saved holds the operands.
 * Built and run by the tests (example_virtual_compose); docs/representations.md shows it. */
#include <kora.h>
#include <stdio.h>

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  NET *nets[] = {
      read_regex("{city} %+N:0 %+Pl:s | {fox} %+N:0 %+Pl:s | {try} %+V:0 %+Past:{ed}"),
      read_regex("y -> i e || _ s"),
      read_regex("y -> i || _ e d"),
      read_regex("[..] -> e || x _ s"),
  };
  NV cascade = {4, nets};
  NET *lazy = lazy_compose_net(&cascade, 1);

  APPLY_CONTEXT *applyer = init_apply(lazy, 1, NULL);
  const char *words[] = {"cities", "foxes", "tried"};
  for (int i = 0; i < 3; i++) printf("%s: %s", words[i], apply_to_string(words[i], applyer));
  free_applyer(applyer);

  save_net(lazy, "lazy.fst", NULL);
  NET *loaded = load_net("lazy.fst", NULL);
  applyer = init_apply(loaded, 1, NULL);
  printf("loaded, cities: %s", apply_to_string("cities", applyer));
  free_applyer(applyer);

  for (int i = 0; i < 4; i++) free_network(nets[i]);
  free_network(lazy);
  free_network(loaded);
  reclaim_kora(context);
  return 0;
}
