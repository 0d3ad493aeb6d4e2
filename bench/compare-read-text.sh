#!/bin/sh
# The minimal acceptor of a word list the way a user gets it, against the peers, in one run:
#   read_text   read_text from the file to the minimal network (bench/read_text_words.cpp),
#               the file read included;
#   kora-words  the `kora words FILE` command as a whole process (/usr/bin/time);
#   openfst     OpenFst: trie of a StdVectorFst + fst::Minimize (bench/peers/
#               openfst_minimize_words.cpp; its file is read before its clock starts);
#   internal    kora's trie built with internal builders + min_fsm (bench/minimize_words.cpp;
#               the file read before the clock), the reference of the minimization benchmark.
# Each on Debian's wamerican and wbritish-huge in three orders: as shipped (dictionary order,
# which is not byte order), byte-sorted (LC_ALL=C sort) and shuffled (shuf with a fixed random
# source, so the order is the same every run). Every configuration runs RUNS times; the table
# gives the best and the median wall-clock seconds, the best and the median processor seconds
# (user + system; steadier than the clock on a shared machine) and the median peak resident
# memory.
# Needs: apt-get install -y libfst-dev wamerican wbritish-huge
#
# Usage: bench/compare-read-text.sh [BUILD-DIRECTORY] [RUNS]   (defaults: build-bench, 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-5}

. "$root/bench/build-bench.sh"
build_bench "$build" read_text_words minimize_words kora-tool
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_minimize_words.cpp" \
  -o "$build/openfst_minimize_words" -lfst

lists=$build/read-text-lists
mkdir -p "$lists"
# A fixed stream of pseudo-random bytes for shuf.
python3 -c 'import random, sys; random.seed(20261206); sys.stdout.buffer.write(random.randbytes(1 << 24))' \
  > "$lists/random-source"
for entry in wamerican:/usr/share/dict/american-english \
             wbritish-huge:/usr/share/dict/british-english-huge; do
  name=${entry%%:*}
  cp "${entry#*:}" "$lists/$name.shipped"
  LC_ALL=C sort "${entry#*:}" > "$lists/$name.sorted"
  shuf --random-source="$lists/random-source" "${entry#*:}" > "$lists/$name.shuffled"
done

results=$lists/results
: > "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# One line per run: list order program wall_seconds cpu_seconds peak_kib states arcs.
field() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
for run in $(seq "$runs"); do
  for name in wamerican wbritish-huge; do
    for order in shipped sorted shuffled; do
      file=$lists/$name.$order
      line=$("$build/bench/read_text_words" "$file")
      echo "$name $order read_text $(field "$line" total) $(field "$line" cpu_total)" \
           "$(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
      summary=$(/usr/bin/time -f '%e %U %S %M' -o "$lists/time" "$build/kora" words "$file")
      echo "$name $order kora-words $(awk '{print $1, $2 + $3, $4}' "$lists/time")" \
           "$(echo "$summary" | awk '{print $1, $3}')" >> "$results"
      line=$("$build/openfst_minimize_words" "$file")
      echo "$name $order openfst $(field "$line" total) $(field "$line" cpu_total)" \
           "$(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
      line=$("$build/bench/minimize_words" "$file")
      echo "$name $order internal $(field "$line" total) $(field "$line" cpu_total)" \
           "$(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
    done
  done
done

echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores);" \
  "$runs runs each"
printf '%-14s %-9s %-11s %7s %7s %7s %7s %9s %7s %7s\n' list order program wall_best wall_med \
  cpu_best cpu_med peak_MiB states arcs
# Sorted by configuration; within it each column's values are sorted apart for best and median.
sort -k1,1 -k2,2 -k3,3 "$results" | awk '
  function sorted_median(v, n,   i, j, x) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { x = v[j]; v[j] = v[j - 1]; v[j - 1] = x }
    return v[int((n + 1) / 2)]
  }
  function flush(   wm, cm, mm) {
    if (n == 0) return
    wm = sorted_median(w, n); cm = sorted_median(c, n); mm = sorted_median(m, n)
    printf "%-14s %-9s %-11s %7.3f %7.3f %7.3f %7.3f %9.1f %7s %7s\n", k1, k2, k3, w[1], wm, c[1], cm,
           mm / 1024, s, a
  }
  { key = $1 " " $2 " " $3
    if (key != last) { flush(); n = 0; last = key; k1 = $1; k2 = $2; k3 = $3 }
    n++; w[n] = $4; c[n] = $5; m[n] = $6; s = $7; a = $8 }
  END { flush() }'
