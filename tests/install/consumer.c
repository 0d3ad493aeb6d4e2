/* A C99 program of kora's users, built against an installed kora by check-install.sh. */
#include <kora.h>
#include <stdio.h>

static int failures = 0;

static void expect(int condition, const char *what) {
  if (!condition) {
    fprintf(stderr, "consumer: %s\n", what);
    failures++;
  }
}

int main(void) {
  FST_CONTEXT *context = initialize_kora();
  NET *empty = make_empty_net();
  NET *ab = concat_net(symbol_net("a"), symbol_net("b"), 0, 0);
  NET *expected = string_to_net("ab", 0);

  expect(empty != NULL && empty->start == NULL && NET_num_states(empty) == 0,
         "make_empty_net() has states");
  expect(ab != NULL && NET_num_states(ab) == 3 && NET_num_arcs(ab) == 2,
         "a followed by b is not a path of two arcs");
  expect(test_equivalent(ab, expected), "a followed by b differs from the string ab");

  free_network(expected);
  free_network(ab);
  free_network(empty);
  reclaim_kora(context);
  if (failures == 0) printf("consumer: ok\n");
  return failures == 0 ? 0 : 1;
}
