#!/bin/sh
# Builds the minimal acceptor of two Debian word lists with kora (bench/minimize_words.cpp) and
# with OpenFst (bench/peers/openfst_minimize_words.cpp), and prints their times, peak memory
# and sizes side by side, with the ratios OpenFst / kora (above 1: kora is faster or smaller).
# Needs: apt-get install -y libfst-dev wamerican wbritish-huge
#
# Usage: bench/compare-minimize.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}

. "$root/bench/build-bench.sh"
build_bench "$build" minimize_words
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_minimize_words.cpp" \
  -o "$build/openfst_minimize_words" -lfst

# Times in seconds: wall-clock build, minimize and total (build + minimize), then processor time
# of minimize and total, steadier on a busy machine.
printf '%-14s %-8s %7s %7s %7s %7s %7s %7s %9s %8s\n' list program states arcs build min \
  total cpu_min cpu_total peak_MiB
for entry in wamerican:/usr/share/dict/american-english \
             wbritish-huge:/usr/share/dict/british-english-huge; do
  name=${entry%%:*}
  list=${entry#*:}
  {
    "$build/bench/minimize_words" "$list" "$name"
    "$build/openfst_minimize_words" "$list" "$name"
  } | awk -v name="$name" '
    { for (i = 3; i <= NF; i++) { split($i, kv, "="); v[NR, kv[1]] = kv[2] }
      printf "%-14s %-8s %7s %7s %7s %7s %7s %7s %9s %8.1f\n", name, $1, v[NR, "states"],
             v[NR, "arcs"], v[NR, "build"], v[NR, "minimize"], v[NR, "total"],
             v[NR, "cpu_minimize"], v[NR, "cpu_total"], v[NR, "peak_kib"] / 1024 }
    END { printf "%-14s OpenFst/kora: total %.2fx (cpu %.2fx), minimize %.2fx (cpu %.2fx), " \
                 "peak memory %.2fx\n", name, v[2, "total"] / v[1, "total"],
                 v[2, "cpu_total"] / v[1, "cpu_total"], v[2, "minimize"] / v[1, "minimize"],
                 v[2, "cpu_minimize"] / v[1, "cpu_minimize"], v[2, "peak_kib"] / v[1, "peak_kib"] }'
done
