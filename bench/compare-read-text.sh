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
# gives the best and the median wall-clock seconds and the median peak resident memory.
# Needs: apt-get install -y libfst-dev wamerican wbritish-huge
#
# Usage: bench/compare-read-text.sh [BUILD-DIRECTORY] [RUNS]   (defaults: build-bench, 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-5}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKORA_SANITIZE=OFF -DKORA_BENCH=ON -DKORA_TESTS=OFF \
  >/dev/null
cmake --build "$build" -j2 --target read_text_words minimize_words kora-tool >/dev/null
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
# One line per run: list order program seconds peak_kib states arcs.
field() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
for run in $(seq "$runs"); do
  for name in wamerican wbritish-huge; do
    for order in shipped sorted shuffled; do
      file=$lists/$name.$order
      line=$("$build/bench/read_text_words" "$file")
      echo "$name $order read_text $(field "$line" total) $(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
      summary=$(/usr/bin/time -f '%e %M' -o "$lists/time" "$build/kora" words "$file")
      echo "$name $order kora-words $(cat "$lists/time") $(echo "$summary" | awk '{print $1, $3}')" \
        >> "$results"
      line=$("$build/openfst_minimize_words" "$file")
      echo "$name $order openfst $(field "$line" total) $(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
      line=$("$build/bench/minimize_words" "$file")
      echo "$name $order internal $(field "$line" total) $(field "$line" peak_kib)" \
           "$(field "$line" states) $(field "$line" arcs)" >> "$results"
    done
  done
done

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores), $runs runs each"
printf '%-14s %-9s %-11s %8s %8s %9s %8s %8s\n' list order program best_s median_s peak_MiB \
  states arcs
sort -k1,1 -k2,2 -k3,3 -k4,4g "$results" | awk '
  function flush() {
    if (n == 0) return
    printf "%-14s %-9s %-11s %8.3f %8.3f %9.1f %8s %8s\n", key1, key2, key3, t[1],
           t[int((n + 1) / 2)], m[int((n + 1) / 2)] / 1024, s, a
  }
  { key = $1 " " $2 " " $3
    if (key != last) { flush(); n = 0; last = key; key1 = $1; key2 = $2; key3 = $3 }
    n++; t[n] = $4; mem[n] = $5; s = $6; a = $7
    # medians of memory: keep them sorted too (insertion)
    m[n] = $5; for (i = n; i > 1 && m[i - 1] > m[i]; i--) { x = m[i]; m[i] = m[i - 1]; m[i - 1] = x } }
  END { flush() }'
