/* The tutorial's English analyser in C: a lexicon compiled from its source file, composed with
 * the spelling rules of a file of regular expressions, applied up to analyse surface words and
 * down to generate them, saved and loaded back. Errors arrive through a callback of our own.
 * Built and run by the tests (example_analyser):
 *   analyser examples/tutorial/english.vorn examples/tutorial/spelling.re */
#include <kora.h>
#include <stdio.h>

static int errors = 0;

static void on_error(const char *message, const char *unused, int zero) {
  (void)unused;
  (void)zero;
  errors++;
  fprintf(stderr, "error: %s\n", message);
}

/* Prints every result of one input, each ended by "\n" as the context's line end says. */
static void show(APPLY_CONTEXT *applyer, const char *input) {
  const char *results = apply_to_string(input, applyer);
  printf("%s -> %s", input, results != NULL && *results != '\0' ? results : "(none)\n");
}

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  FST_CONTEXT *context = initialize_kora();
  set_error_function(on_error);
  context->eol_string = "\n";

  NET *lexicon = read_vorn(argv[1]); /* fox+N+Pl : fox^s */
  NV *rules = read_regex_file(argv[2]);  /* one network per expression: here one */
  if (lexicon == NULL || rules == NULL || NV_len(rules) != 1) return 1;
  NET *spelling = NV_net(rules, 0);      /* fox^s : foxes */
  free_nv(rules);                        /* the vector only: the network is ours now */
  /* Both operands are handed over (keep flags 0): the result replaces them. */
  NET *analyser = compose_net(lexicon, spelling, 0, 0);

  APPLY_CONTEXT *up = init_apply(analyser, 1, context); /* lower side in: analysis */
  show(up, "foxes");
  show(up, "tried");
  show(up, "foxs");
  free_applyer(up);
  APPLY_CONTEXT *down = init_apply(analyser, 0, context); /* upper side in: generation */
  show(down, "fox+N+Pl");
  free_applyer(down);

  if (save_net(analyser, "analyser.fst", context) != 0) return 1;
  free_network(analyser);
  NET *loaded = load_net("analyser.fst", context);
  printf("loaded: %s\n", loaded != NULL ? "yes" : "no");
  free_network(loaded);

  NET *broken = read_regex("[a | b"); /* reported through on_error, null */
  printf("broken: %s, errors: %d\n", broken == NULL ? "null" : "compiled", errors);
  reclaim_kora(context);
  return 0;
}
