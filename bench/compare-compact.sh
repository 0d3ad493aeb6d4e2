#!/bin/sh
# Compaction measured, with OpenFst in the same run.
#
# Sizes: bench/compact_sizes saves the minimal acceptor of Debian's wbritish-huge and the tagger
# of wamerican (the one bench/lookup_words saves, see compare-lookup.sh) plain and compacted and
# prints the bytes per arc of each file; then, each in a fresh process, it loads each file (the
# compacted one read into memory and mapped) and prints the resident memory the load added, and
# after 100 lookups. OpenFst's peers are the same machines written as ConstFst by
# bench/peers/openfst_file_io.cpp (bytes per arc of the file).
# The tool: the milliseconds from starting `kora lookup` on the mapped compacted acceptor (and
# on the plain file) to its first answer, one word on standard input, and the peak resident
# memory of the process for 100 lookups, beside OpenFst reading the ConstFst with mapping
# (bench/peers/openfst_mapped_lookup.cpp), best and median of the repeats.
# Lookup speed: bench/representations on both machines (its compacted form against the plain).
# Needs: apt-get install -y libfst-dev sfst wamerican wbritish-huge
#
# Usage: bench/compare-compact.sh [BUILD-DIRECTORY [REPEATS]]   (default: build-bench 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeats=${2:-5}
list=/usr/share/dict/american-english
huge=/usr/share/dict/british-english-huge

. "$root/bench/build-bench.sh"
. "$root/bench/lookup-data.sh"
lookup_comparison "$build" "$list" compact_sizes representations kora-tool
work="$build/lookup-data"
data="$build/compact-data"
mkdir -p "$data"
for peer in openfst_file_io openfst_mapped_lookup; do
  g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/$peer.cpp" -o "$build/$peer" -lfst
done
head -100 "$work/shuffled" > "$data/words-100"
head -1 "$work/shuffled" > "$data/word-1"

echo "# sizes: program save source states arcs ... bytes per arc of the files and the block"
"$build/bench/compact_sizes" save --words "$huge" "$data/huge"
"$build/bench/compact_sizes" save "$work/tagger.fst" "$data/tagger"
"$build/openfst_file_io" save "$huge" acceptor "$data/huge-openfst" huge
"$build/openfst_file_io" save "$list" tagger "$data/tagger-openfst" tagger

for machine in huge tagger; do
  "$build/openfst_mapped_lookup" --align "$data/$machine-openfst.const" "$data/$machine-openfst-aligned.const"
done

echo "# resident after loading (fresh process each): program file ... loaded_per_arc ..."
for machine in huge tagger; do
  "$build/bench/compact_sizes" resident "$data/$machine.fst" read "$data/words-100" 100
  "$build/bench/compact_sizes" resident "$data/$machine-compact.fst" read "$data/words-100" 100
  "$build/bench/compact_sizes" resident "$data/$machine-compact.fst" map "$data/words-100" 100
done

# first_answer NAME COMMAND...: the milliseconds from starting COMMAND with one word on its
# standard input to its end (its first and only answer), best and median of the repeats.
first_answer() {
  name=$1
  shift
  for r in $(seq "$repeats"); do
    start=$(date +%s%N)
    "$@" < "$data/word-1" > /dev/null
    end=$(date +%s%N)
    echo $((end - start))
  done | sort -n | awk -v name="$name" '
    { t[NR] = $1 / 1e6 }
    END { printf "%s first_answer_best_ms=%.2f median_ms=%.2f\n", name, t[1], t[int((NR + 1) / 2)] }'
}
# peak NAME COMMAND...: the peak resident memory of COMMAND looking up 100 words.
peak() {
  name=$1
  shift
  /usr/bin/time -f "$name peak_kib=%M" "$@" < "$data/words-100" 2>&1 > /dev/null | tail -1
}

echo "# the tool on the huge acceptor: time to the first answer, and peak memory for 100 lookups"
first_answer "kora-lookup-compact-mapped huge" "$build/kora" lookup -j 1 "$data/huge-compact.fst"
first_answer "kora-lookup-plain huge" "$build/kora" lookup -j 1 "$data/huge.fst"
first_answer "openfst-const-mapped huge" "$build/openfst_mapped_lookup" "$data/huge-openfst-aligned.const"
peak "kora-lookup-compact-mapped huge" "$build/kora" lookup -j 1 "$data/huge-compact.fst"
peak "kora-lookup-plain huge" "$build/kora" lookup -j 1 "$data/huge.fst"
peak "openfst-const-mapped huge" "$build/openfst_mapped_lookup" "$data/huge-openfst-aligned.const"

echo "# lookup speed in process, compacted against plain: program machine form ... best_wps median_wps"
for machine in acceptor tagger; do
  "$build/bench/representations" "$work/$machine.fst" "$work/shuffled" "$repeats"
done
