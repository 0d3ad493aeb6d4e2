/* Arc optimization of a small word list: the minimal network, its optimized form (smaller),
 * the shared form (smaller still), and a lookup that gives the same answer on each. Built and
 * run by the tests (example_optimize_arcs). */
#include <kora.h>
#include <stdio.h>

static void show(const char *form, NET *net) {
  APPLY_CONTEXT *applyer = init_apply(net, 0, NULL);
  const char *found = apply_to_string("cut", applyer);
  printf("%s: %lu states, %lu arcs, cut: %s\n", form, (unsigned long)net->num_states,
         (unsigned long)net->num_arcs, found != NULL && found[0] != '\0' ? "found" : "not found");
  free_applyer(applyer);
  fflush(stdout);
}

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  int_parameters()->word[KORA_VERBOSE] = 0;
  NET *net = read_regex(
      "{bat}|{bit}|{bot}|{but}|{cat}|{cot}|{cut}|{hit}|{hot}|{hut}|{jot}|{jut}|{nut}|{rat}|"
      "{rot}|{rut}");
  show("minimal", net);
  int_parameters()->word[KORA_VERBOSE] = 1; /* the statistics, on stderr */
  fflush(stdout);
  optimize_arcs(net);
  fflush(stderr);
  int_parameters()->word[KORA_VERBOSE] = 0;
  show("optimized", net);
  share_arcs(net);
  show("shared", net);
  net = unshare_arcs(net);
  show("plain again", net);
  free_network(net);
  reclaim_kora(context);
  return 0;
}
