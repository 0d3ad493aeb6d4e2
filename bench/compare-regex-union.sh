#!/bin/sh
# Long regular expressions against the word-list reader, in one run:
#   read_regex    the list as one expression of braced strings ({A} | {A's} | ...), read from
#                 its file and compiled with read_regex (bench/regex_union.cpp);
#   read_text     read_text of the same list;
#   kora-regex    `kora regex -f FILE.re` as a whole process (/usr/bin/time);
#   kora-words    `kora words FILE` as a whole process.
# On Debian's wamerican (104 334 words) and wbritish-huge (347 734 words), then a union of
# 10 000 multi-character symbols (Sym0 | Sym1 | ...), and a grammar of 200 definitions made with
# define_regex_net (character classes, 300 tags, stem lists, nested closures, complements,
# intersections, replace rules and their compositions; see bench/regex_union.cpp). Every
# configuration runs RUNS times; the table gives the median wall-clock and processor seconds
# and the median peak resident memory.
# Needs: apt-get install -y wamerican wbritish-huge
#
# Usage: bench/compare-regex-union.sh [BUILD-DIRECTORY] [RUNS]   (defaults: build-bench, 3)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-3}

. "$root/bench/build-bench.sh"
build_bench "$build" regex_union kora-tool

data=$build/regex-union
mkdir -p "$data"
# One braced string per word, "%" escaping the characters that braces give a meaning.
braced() { sed -e 's/[%{}]/%&/g' -e 's/.*/{&}/' "$1" | paste -sd'|' | sed 's/$/;/'; }
for entry in wamerican:/usr/share/dict/american-english \
             wbritish-huge:/usr/share/dict/british-english-huge; do
  name=${entry%%:*}
  cp "${entry#*:}" "$data/$name.txt"
  braced "$data/$name.txt" > "$data/$name.re"
done
seq 0 9999 | sed 's/^/Sym/' | paste -sd'|' | sed 's/$/;/' > "$data/symbols.re"

results=$data/results
: > "$results"
field() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
# Appends "case program wall cpu peak_kib states arcs" for one library run.
library() {
  line=$("$build/bench/regex_union" "$@")
  echo "$case $program $(field "$line" total) $(field "$line" cpu_total)" \
       "$(field "$line" peak_kib) $(field "$line" states) $(field "$line" arcs)" >> "$results"
}
# The same for one run of the tool.
tool() {
  summary=$(/usr/bin/time -f '%e %U %S %M' -o "$data/time" "$build/kora" "$@")
  echo "$case $program $(awk '{print $1, $2 + $3, $4}' "$data/time")" \
       "$(echo "$summary" | awk '{print $1, $3}')" >> "$results"
}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for run in $(seq "$runs"); do
  for name in wamerican wbritish-huge symbols; do
    case=$name
    program=read_regex; library regex "$data/$name.re"
    program=kora-regex; tool regex -f "$data/$name.re"
    [ "$name" = symbols ] && continue  # as a word list its lines would be letters, not symbols
    program=read_text; library text "$data/$name.txt"
    program=kora-words; tool words "$data/$name.txt"
  done
  case=grammar-200; program=define_regex_net; library grammar
done

echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores);" \
  "$runs runs each"
printf '%-14s %-17s %8s %8s %9s %8s %8s\n' case program wall_med cpu_med peak_MiB states arcs
sort -k1,1 -k2,2 "$results" | awk '
  function median(v, n,   i, j, x) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { x = v[j]; v[j] = v[j - 1]; v[j - 1] = x }
    return v[int((n + 1) / 2)]
  }
  function flush() {
    if (n == 0) return
    printf "%-14s %-17s %8.3f %8.3f %9.1f %8s %8s\n", k1, k2, median(w, n), median(c, n),
           median(m, n) / 1024, s, a
  }
  { key = $1 " " $2
    if (key != last) { flush(); n = 0; last = key; k1 = $1; k2 = $2 }
    n++; w[n] = $3; c[n] = $4; m[n] = $5; s = $6; a = $7 }
  END { flush() }'
