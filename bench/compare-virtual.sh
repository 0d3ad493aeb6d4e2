#!/bin/sh
# Generates every ASCII word of the Debian word list wamerican, twice, through the cascade of
# bench/virtual_words.cpp (a tagger of the list above five one-state rewrites): with kora's
# virtual composition (lazy_compose_net, states made as the lookups reach them), with kora's
# composition built first (compose_net), and with OpenFst's delayed ComposeFst
# (bench/peers/openfst_virtual_words.cpp). Prints the time to the first answer (composing
# included), the words per second of the first pass (which makes the delayed states) and of the
# second (steady), best and median of RUNS, and checks that the three give the same answers.
# Needs: apt-get install -y libfst-dev wamerican
#
# Usage: bench/compare-virtual.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
list=/usr/share/dict/american-english

. "$root/bench/build-bench.sh"
build_bench "$build" virtual_words
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_virtual_words.cpp" \
  -o "$build/openfst_virtual_words" -lfst

# Each program runs RUNS times (default 5), in turns, so that all meet the same load.
runs=${RUNS:-5}
i=0
while [ "$i" -lt "$runs" ]; do
  "$build/bench/virtual_words" "$list" lazy wamerican
  "$build/bench/virtual_words" "$list" eager wamerican
  "$build/openfst_virtual_words" "$list" delayed wamerican
  i=$((i + 1))
done | awk '
  function median(list, n,   sorted, k, j, t) {
    for (k = 1; k <= n; k++) sorted[k] = list[k]
    for (k = 2; k <= n; k++)
      for (j = k; j > 1 && sorted[j - 1] > sorted[j]; j--) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
  }
  { p = $1; n[p]++; if (!(p in order)) { order[p] = ++programs; name[programs] = p }
    for (i = 3; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    first[p, n[p]] = v["first_ms"]; rate[p, n[p]] = v["words_per_s"]; cold[p, n[p]] = v["first_pass_words_per_s"]
    sums[v["checksum"]] = 1; peak[p] = v["peak_kib"] }
  END {
    printf "%-16s %10s %10s %14s %14s %14s %9s\n", "program", "first_ms", "first_med", \
           "pass1_words/s", "words/s_best", "words/s_med", "peak_MiB"
    for (k = 1; k <= programs; k++) {
      p = name[k]; bf = 0; br = 0
      for (r = 1; r <= n[p]; r++) {
        f[r] = first[p, r]; w[r] = rate[p, r]; cl[r] = cold[p, r]
        if (r == 1 || f[r] < bf) bf = f[r]
        if (w[r] > br) br = w[r]
      }
      mf[p] = median(f, n[p]); mw[p] = median(w, n[p]); mc = median(cl, n[p])
      printf "%-16s %10.3f %10.3f %14.0f %14.0f %14.0f %9.1f\n", p, bf, mf[p], mc, br, mw[p], peak[p] / 1024
    }
    answers = 0; for (c in sums) answers++
    printf "answers agree: %s\n", answers == 1 ? "yes" : "NO"
    printf "median words/s: lazy / OpenFst delayed %.2fx, eager / lazy %.2fx\n",
           mw["kora-lazy"] / mw["openfst-delayed"], mw["kora-eager"] / mw["kora-lazy"]
  }'
