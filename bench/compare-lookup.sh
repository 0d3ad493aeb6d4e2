#!/bin/sh
# Looks up every word of the Debian word list wamerican, in the same run, with kora
# (bench/lookup_words.cpp: apply_to_string and a stream, in process; `kora apply down` as a
# whole process, with -j 1 and -j 2), OpenFst (bench/peers/openfst_lookup_words.cpp: SortedMatcher
# over a StdVectorFst and a StdConstFst, in process) and SFST (`fst-infl2` as a whole process).
# Machines: the minimal acceptor of the words, and a tagger mapping each ASCII word (its upper
# side, so it is applied down) to itself followed by a tag (+Poss, +Prop, +Pl or +Sg). Inputs: the list, the list shuffled, the list
# with every second word made unknown ("#" appended), and for the processes also the list
# repeated ten times. Building the machines is not timed; the processes include loading them.
# Each measurement is repeated; the best and the median words per second are printed.
# Needs: apt-get install -y libfst-dev sfst wamerican
#
# Usage: bench/compare-lookup.sh [BUILD-DIRECTORY [REPEATS]]   (default: build-bench 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeats=${2:-5}
list=/usr/share/dict/american-english

. "$root/bench/build-bench.sh"
. "$root/bench/lookup-data.sh"
lookup_comparison "$build" "$list" kora-tool
work="$build/lookup-data"

echo "# in process: program machine input api words answered best_wps median_wps"
"$build/bench/lookup_words" "$list" "$repeats"
"$build/openfst_lookup_words" "$list" "$repeats"

. "$root/bench/time-process.sh"

echo "# processes (loading included): program machine input words best_wps median_wps"
for machine in acceptor tagger; do
  for input in words shuffled half-unknown words-x10; do
    words=$(wc -l < "$work/$input")
    time_process "kora-lookup-j1 $machine $input" "$words" \
      "$build/kora" apply down -j 1 "$work/$machine.fst" "$work/$input"
    time_process "kora-lookup-j2 $machine $input" "$words" \
      "$build/kora" apply down -j 2 "$work/$machine.fst" "$work/$input"
    time_process "sfst-fst-infl2 $machine $input" "$words" \
      fst-infl2 -q "$work/$machine.ca" "$work/$input"
  done
done
