#!/bin/sh
# Times kora's in-process lookup and SFST's fst-infl2 by turns, so that both see the machine at
# the same moments (its speed drifts between minutes). Each turn runs, one after the other,
# `lookup_words --network` (three passes over a list, each making an applyer and calling
# apply_to_string on every word, the results written as kora lookup writes them; loading the
# saved network is not timed; the median pass counts) and `fst-infl2` as a whole process over
# the same list. Machines and inputs as in compare-lookup.sh. Prints, per machine and input,
# the median words per second of each over the turns and how many times faster kora is.
# Needs: apt-get install -y sfst wamerican
#
# Usage: bench/compare-lookup-turns.sh [BUILD-DIRECTORY [TURNS]]   (default: build-bench 7)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
turns=${2:-7}
list=/usr/share/dict/american-english

. "$root/bench/build-bench.sh"
build_bench "$build" lookup_words
. "$root/bench/lookup-data.sh"
lookup_data "$build" "$list"
work="$build/lookup-data"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "# machine input kora_wps sfst_wps kora/sfst (medians of $turns turns)"
for machine in acceptor tagger; do
  for input in words shuffled half-unknown; do
    words=$(wc -l < "$work/$input")
    : > "$work/kora.times"
    : > "$work/sfst.times"
    for turn in $(seq "$turns"); do
      "$build/bench/lookup_words" --network "$work/$machine.fst" "$work/$input" 3 |
        sed -n 's/.*median_wps=\([0-9]*\).*/\1/p' >> "$work/kora.times"
      start=$(date +%s%N)
      fst-infl2 -q "$work/$machine.ca" "$work/$input" > /dev/null 2>&1
      end=$(date +%s%N)
      echo "$words $start $end" | awk '{ printf "%.0f\n", $1 / (($3 - $2) / 1e9) }' \
        >> "$work/sfst.times"
    done
    kora=$(median < "$work/kora.times")
    sfst=$(median < "$work/sfst.times")
    echo "$machine $input $kora $sfst" | awk '{ printf "%s %s %s %s %.2f\n", $1, $2, $3, $4, $3 / $4 }'
  done
done
