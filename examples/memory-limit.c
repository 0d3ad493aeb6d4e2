/* A program that keeps going when one request would take too much memory: under a limit, an
 * expression whose determinized network has millions of states fails with a message, and the
 * next one compiles as usual. Built and run by the tests (example_memory_limit). */
#include <kora.h>
#include <stdio.h>

static void report(const char *message, const char *unused, int zero) {
  (void)unused;
  (void)zero;
  fprintf(stderr, "kora: %s\n", message);
}

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  set_error_function(report);
  set_memory_limit(context, 64u << 20); /* 64 MiB */

  /* The fourth symbol from the end is "a": 2^22 states once determinized. */
  NET *huge = read_regex("[a|b]* a [a|b]^21");
  printf("huge: %s\n", huge == NULL ? "refused" : "compiled");

  NET *small = read_regex("[a|b]* a [a|b]^3");
  if (small != NULL) printf("small: %lu states\n", (unsigned long)small->num_states);

  free_network(huge);
  free_network(small);
  reclaim_kora(context);
  return 0;
}
