/* Runs one call that needs far more memory than the address space the process is given, and
 * lets the library end the process: the test expects "Out of memory: " on standard error and
 * exit status 1, never an abort (134) or a crash (139). Usage: out_of_memory CASE SCRATCH-DIR,
 * CASE one of regex, compose, load, apply. Returns 0 only if the call came back, which fails
 * the test. */
#include <kora.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

/* The address space the process has now, from /proc/self/statm. */
static size_t address_space(void) {
  unsigned long pages = 0;
  FILE *statm = fopen("/proc/self/statm", "r");
  if (statm == NULL || fscanf(statm, "%lu", &pages) != 1) exit(3);
  fclose(statm);
  return (size_t)pages * (size_t)sysconf(_SC_PAGESIZE);
}

/* From now on the process may map only `more` bytes beyond what it has. */
static void limit_address_space(size_t more) {
  struct rlimit limit;
  limit.rlim_cur = limit.rlim_max = address_space() + more;
  if (setrlimit(RLIMIT_AS, &limit) != 0) exit(3);
}

/* [[a|b]^n]*: n states counting modulo n. */
static NET *counter(int n) {
  char regex[64];
  snprintf(regex, sizeof regex, "[[a|b]^%d]*", n);
  return read_regex(regex);
}

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  FST_CONTEXT *context = initialize_kora();
  const size_t allowed = 64u << 20;
  if (strcmp(argv[1], "regex") == 0) {
    limit_address_space(allowed);
    read_regex("[a|b]* a [a|b]^24");
  } else if (strcmp(argv[1], "compose") == 0) {
    NET *a = counter(9973), *b = counter(9967);
    limit_address_space(allowed);
    compose_net(a, b, 1, 1);
  } else if (strcmp(argv[1], "load") == 0) {
    /* A million states and two million arcs: more than 64 MiB once loaded. */
    char file[4096];
    snprintf(file, sizeof file, "%s/large.fst", argv[2]);
    NET *large = read_regex("[a|b]* a [a|b]^19");
    if (save_net(large, file, context) != 0) return 3;
    free_network(large);
    limit_address_space(allowed);
    load_net(file, context);
  } else if (strcmp(argv[1], "apply") == 0) {
    /* Every way of inserting ^ among 30 a's: gigabytes of results. */
    NET *deletion = read_regex("%^ -> 0");
    APPLY_CONTEXT *generator = init_apply(deletion, 1, context);
    limit_address_space(allowed);
    apply_to_string("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", generator);
  } else {
    return 2;
  }
  printf("the call came back\n");
  return 0;
}
