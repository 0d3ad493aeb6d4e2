/* Spelling correction through kora.h: the words of a small list within two edits of a
 * misspelling, best first, and the same with an error model that makes typing a for e (and e for
 * a) one error and everything else typed right. Built and run by the tests (example_suggest);
 * docs/spelling.md shows it. */
#include <kora.h>
#include <stdio.h>

static void show(APPROX_APPLYER *suggester, const char *word, int max_edits, int limit) {
  int count = apply_approx(word, max_edits, limit, KORA_APPROX_TRANSPOSITIONS, suggester);
  printf("%s:", word);
  for (int k = 0; k < count; k++) {
    int distance;
    const char *suggestion = approx_result(suggester, k, &distance, NULL);
    printf(" %s (%d)", suggestion, distance);
  }
  printf("\n");
}

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  NET *words = read_regex("{lemon} | {melon} | {lime} | {mango} | {lemons}");
  NET *typos = read_regex("[? | a:e | e:a]*");

  APPROX_APPLYER *plain = init_apply_approx(words, 1, NULL, NULL);
  show(plain, "lemno", 2, 0);  /* every word within two edits */
  show(plain, "lemno", 2, 1);  /* the best one */
  free_approx_applyer(plain);

  APPROX_APPLYER *modelled = init_apply_approx(words, 1, typos, NULL);
  show(modelled, "malon", 2, 0);
  free_approx_applyer(modelled);

  free_network(typos);
  free_network(words);
  reclaim_kora(context);
  return 0;
}
