#!/bin/sh
# The network representations measured, with OpenFst and SFST in the same run.
#
# Sizes: bench/representations makes each form (plain, optimized, shared, reduced, vectorized)
# of the minimal acceptor of Debian's wbritish-huge and of the acceptor and the tagger of
# wamerican that bench/lookup_words saves (see compare-lookup.sh), and prints its states, arcs,
# bytes in memory and bytes of its saved file.
# Lookup: the same program looks every word of the wamerican inputs (the list, shuffled, every
# second word unknown) up in each form through apply_to_string, in process; OpenFst's
# StdVectorFst and StdConstFst with a SortedMatcher (bench/peers/openfst_lookup_words.cpp) in
# process on the same machines and inputs; and as whole processes, loading included, `kora
# apply down -j 1` on the plain and on the `kora optimize` files beside SFST's `fst-infl2`.
# Words per second, best and median of the repeats. In process, what makes a machine ready for
# lookups is timed apart on both sides (ready_ms): kora's applyer with its index, OpenFst's arc
# sorting and ConstFst conversion.
# Needs: apt-get install -y libfst-dev sfst wamerican wbritish-huge
#
# Usage: bench/compare-representations.sh [BUILD-DIRECTORY [REPEATS]]   (default: build-bench 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeats=${2:-5}
list=/usr/share/dict/american-english
huge=/usr/share/dict/british-english-huge

. "$root/bench/build-bench.sh"
. "$root/bench/lookup-data.sh"
lookup_comparison "$build" "$list" representations kora-tool
work="$build/lookup-data"

echo "# sizes and in-process lookup: program machine form make_s states arcs bytes file_bytes ..."
"$build/bench/representations" --words "$huge" "$huge" 1
for machine in acceptor tagger; do
  for input in words shuffled half-unknown; do
    echo "# $machine $input"
    "$build/bench/representations" "$work/$machine.fst" "$work/$input" "$repeats"
  done
done
echo "# OpenFst in process: program machine input api words answered best_wps median_wps"
"$build/openfst_lookup_words" "$list" "$repeats"

. "$root/bench/time-process.sh"

echo "# processes (loading included): program machine input words best_wps median_wps"
for machine in acceptor tagger; do
  "$build/kora" optimize -o "$work/$machine-optimized.fst" "$work/$machine.fst" > /dev/null
  for input in words shuffled half-unknown; do
    words=$(wc -l < "$work/$input")
    time_process "kora-lookup-plain $machine $input" "$words" \
      "$build/kora" apply down -j 1 "$work/$machine.fst" "$work/$input"
    time_process "kora-lookup-optimized $machine $input" "$words" \
      "$build/kora" apply down -j 1 "$work/$machine-optimized.fst" "$work/$input"
    time_process "sfst-fst-infl2 $machine $input" "$words" \
      fst-infl2 -q "$work/$machine.ca" "$work/$input"
  done
done
