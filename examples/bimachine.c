/* A bimachine: two sequential transducers applied one after the other without backtracking.
 * The left half writes V for every vowel and copies other letters; the right half, reading
 * what the left half wrote from the last symbol to the first, writes A for the last V and e
 * for the ones before it. Built and run by the tests (example_bimachine);
 * docs/representations.md shows it. */
#include <kora.h>
#include <stdio.h>

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  context->eol_string = "\n";
  NET *left = read_regex("[a:V | e:V | ? - [a|e]]*");
  NET *right = read_regex("[[? - V]* V:A [V:e | ? - V]*] | [? - V]*");
  left->flags2.left_bimachine = 1;
  left->flags2.upper_sequentialized = 1;
  right->flags2.right_bimachine = 1;
  right->flags2.upper_sequentialized = 1;

  APPLY_CONTEXT *applyer = init_apply_bimachine(left, right, 0, NULL);
  printf("banana: %s", apply_to_string("banana", applyer));
  printf("tree: %s", apply_to_string("tree", applyer));
  free_applyer(applyer);

  free_network(left);
  free_network(right);
  reclaim_kora(context);
  return 0;
}
