#!/bin/sh
# Composes a tagger of the Debian word list wamerican (each word mapped to itself followed by a
# tag symbol) with one-state rewrite transducers, with kora (bench/compose_words.cpp) and with
# OpenFst (bench/peers/openfst_compose_words.cpp): the tagger as a trie, minimized, and the
# minimized tagger through a cascade of five rewrites. Prints times and peak memory side by side
# with the ratios OpenFst / kora (above 1: kora is faster or smaller).
# Needs: apt-get install -y libfst-dev wamerican
#
# Usage: bench/compare-compose.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
list=/usr/share/dict/american-english

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKORA_SANITIZE=OFF -DKORA_BENCH=ON -DKORA_TESTS=OFF \
  >/dev/null
cmake --build "$build" -j2 --target compose_words >/dev/null
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_compose_words.cpp" \
  -o "$build/openfst_compose_words" -lfst

# Seconds: wall-clock and processor time of the compositions alone; peak memory of the process.
printf '%-8s %-8s %8s %8s %8s %8s %9s\n' mode program states arcs compose cpu peak_MiB
for mode in trie minimal cascade; do
  {
    "$build/bench/compose_words" "$list" "$mode" wamerican
    "$build/openfst_compose_words" "$list" "$mode" wamerican
  } | awk -v mode="$mode" '
    { for (i = 4; i <= NF; i++) { split($i, kv, "="); v[NR, kv[1]] = kv[2] }
      printf "%-8s %-8s %8s %8s %8s %8s %9.1f\n", mode, $1, v[NR, "states"], v[NR, "arcs"],
             v[NR, "compose"], v[NR, "cpu_compose"], v[NR, "peak_kib"] / 1024 }
    END { printf "%-8s OpenFst/kora: compose %.2fx (cpu %.2fx), peak memory %.2fx\n", mode,
                 v[2, "compose"] / v[1, "compose"], v[2, "cpu_compose"] / v[1, "cpu_compose"],
                 v[2, "peak_kib"] / v[1, "peak_kib"] }'
done
