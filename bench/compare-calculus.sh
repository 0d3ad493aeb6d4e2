#!/bin/sh
# Times eight operations of the calculus, two of them also with their operands kept, with kora (bench/calculus_ops.cpp, through kora.h) and
# with OpenFst (bench/peers/openfst_calculus_ops.cpp) on the minimal acceptors of wamerican (A)
# and wbritish-huge (B). Each operation runs in a process of its own, kora and OpenFst
# alternating, RUNS times (5); the table gives the medians of the processor time and of the
# peak resident memory while the operation ran, the ratios OpenFst / kora (time: above 4 is
# the target; memory: at least 1), and whether both results are the same minimal automaton.
# Needs: apt-get install -y libfst-dev wamerican wbritish-huge
#
# Usage: bench/compare-calculus.sh [BUILD-DIRECTORY] [OPERATION...]   (default: build-bench,
# all ten); RUNS=3 bench/compare-calculus.sh for fewer runs.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
[ $# -gt 0 ] && shift
operations=${*:-intersect minus intersect_kept minus_kept union determinize negate reverse concat zero_plus}
runs=${RUNS:-5}
list_a=/usr/share/dict/american-english
list_b=/usr/share/dict/british-english-huge

. "$root/bench/build-bench.sh"
build_bench "$build" calculus_ops
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_calculus_ops.cpp" \
  -o "$build/openfst_calculus_ops" -lfst

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for operation in $operations; do
  run=0
  while [ "$run" -lt "$runs" ]; do
    "$build/bench/calculus_ops" "$operation" "$list_a" "$list_b" >>"$results"
    "$build/openfst_calculus_ops" "$operation" "$list_a" "$list_b" >>"$results"
    run=$((run + 1))
  done
done

# Lines: PROGRAM OPERATION seconds= cpu= peak_kib= states= arcs= finals= hash=
awk -v operations="$operations" '
  function median(list,    n, values, i, j, t) {
    n = split(list, values, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; j--) {
        t = values[j]; values[j] = values[j - 1]; values[j - 1] = t
      }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
  }
  { key = $1 SUBSEP $2
    for (i = 3; i <= NF; i++) { split($i, kv, "="); field[kv[1]] = kv[2] }
    cpu[key] = cpu[key] " " field["cpu"]
    peak[key] = peak[key] " " field["peak_kib"]
    form = field["states"] "/" field["arcs"] "/" field["finals"] "/" field["hash"]
    if (!(key in result)) result[key] = form
    else if (result[key] != form) result[key] = "differs between runs" }
  END {
    printf "%-12s %9s %9s %7s %9s %9s %6s %-20s %s\n", "operation", "kora_s", "openfst_s",
           "ratio", "kora_MiB", "ofst_MiB", "mem", "result", "same"
    n = split(operations, names, " ")
    for (o = 1; o <= n; o++) {
      k = "kora" SUBSEP names[o]; f = "openfst" SUBSEP names[o]
      kc = median(cpu[k]); fc = median(cpu[f]); kp = median(peak[k]); fp = median(peak[f])
      split(result[k], size, "/")
      printf "%-12s %9.3f %9.3f %6.1fx %9.1f %9.1f %5.2fx %-20s %s\n", names[o], kc, fc,
             (kc > 0 ? fc / kc : 0), kp / 1024, fp / 1024, (kp > 0 ? fp / kp : 0),
             size[1] " st " size[2] " arcs", result[k] == result[f] ? "yes" : "NO"
    } }' "$results"
