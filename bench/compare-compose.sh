#!/bin/sh
# Composes a tagger of the Debian word list wamerican (each word mapped to itself followed by a
# tag symbol) with one-state rewrite transducers, with kora (bench/compose_words.cpp) and with
# OpenFst (bench/peers/openfst_compose_words.cpp): the tagger as a trie, minimized, and the
# minimized tagger through a cascade of five rewrites. Prints times and peak memory side by side
# with the ratios OpenFst / kora (above 1: kora is faster or smaller), best and median of RUNS.
# Needs: apt-get install -y libfst-dev wamerican
#
# Usage: bench/compare-compose.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
list=/usr/share/dict/american-english

. "$root/bench/build-bench.sh"
build_bench "$build" compose_words
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_compose_words.cpp" \
  -o "$build/openfst_compose_words" -lfst

# Each program runs RUNS times (default 7), alternating with its peer so that both meet the same
# load. Seconds are those of the compositions alone: the best and the median run, wall clock and
# processor time; peak memory is that of the best run.
runs=${RUNS:-7}
printf '%-8s %-8s %8s %8s %8s %8s %8s %9s\n' mode program states arcs best median cpu_best peak_MiB
for mode in trie minimal cascade; do
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$build/bench/compose_words" "$list" "$mode" wamerican
    "$build/openfst_compose_words" "$list" "$mode" wamerican
    i=$((i + 1))
  done | awk -v mode="$mode" '
    function median(list, n,   sorted, k, j, t) {
      for (k = 1; k <= n; k++) sorted[k] = list[k]
      for (k = 2; k <= n; k++)
        for (j = k; j > 1 && sorted[j - 1] > sorted[j]; j--) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
      return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
    }
    { p = $1; n[p]++; order[p] = order[p] ? order[p] : ++programs; name[order[p]] = p
      for (i = 4; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      times[p, n[p]] = v["compose"]
      if (n[p] == 1 || v["compose"] < best[p]) {
        best[p] = v["compose"]; cpu[p] = v["cpu_compose"]; peak[p] = v["peak_kib"]
        states[p] = v["states"]; arcs[p] = v["arcs"]
      } }
    END {
      for (k = 1; k <= programs; k++) {
        p = name[k]
        for (r = 1; r <= n[p]; r++) list[r] = times[p, r]
        med[p] = median(list, n[p])
        printf "%-8s %-8s %8s %8s %8.3f %8.3f %8.3f %9.1f\n", mode, p, states[p], arcs[p],
               best[p], med[p], cpu[p], peak[p] / 1024
      }
      printf "%-8s OpenFst/kora: best %.2fx, median %.2fx, peak memory %.2fx\n", mode,
             best["openfst"] / best["kora"], med["openfst"] / med["kora"], peak["openfst"] / peak["kora"]
    }'
done
