#!/bin/sh
# Spelling correction: 10 000 misspellings, each made by 1 or 2 seeded random insertions,
# deletions or substitutions of a letter in a random word of the Debian word list wamerican, are
# corrected against the word list wbritish-huge, in the same run by `kora suggest` (the minimal
# acceptor of the list, made by `kora words`, not timed; at most 2 edits, with the default limit
# of 10 suggestions and with all of them, on one thread and on two) and by `hunspell -a` with
# the Debian dictionary hunspell-en-us (which suggests from its own dictionary). Both run as
# whole processes, loading included. Printed: words per second (best and median of the
# repeats; hunspell runs once) and recall, the share of misspellings whose intended word is the first suggestion,
# among the first five, and among all, over the misspellings whose intended word is in
# wbritish-huge and within 2 edits of them.
# Needs: apt-get install -y wamerican wbritish-huge hunspell hunspell-en-us python3
#
# Usage: bench/compare-suggest.sh [BUILD-DIRECTORY [REPEATS]]   (default: build-bench 3)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeats=${2:-3}
american=/usr/share/dict/american-english
british=/usr/share/dict/british-english-huge

. "$root/bench/build-bench.sh"
. "$root/bench/time-process.sh"
build_bench "$build" kora-tool
work="$build/suggest-data"
mkdir -p "$work"
data="python3 $root/bench/suggest_data.py"

$data make "$american" 10000 32 "$work/cases"
"$build/kora" words -o "$work/british.fst" "$british"
words=$(wc -l < "$work/cases.words")

echo "# processes (loading included): program words best_wps median_wps"
time_process "kora-suggest-k2-limit10-j1" "$words" \
  "$build/kora" suggest -j 1 "$work/british.fst" "$work/cases.words"
time_process "kora-suggest-k2-all-j1" "$words" \
  "$build/kora" suggest -j 1 --limit 0 "$work/british.fst" "$work/cases.words"
time_process "kora-suggest-k2-all-j2" "$words" \
  "$build/kora" suggest -j 2 --limit 0 "$work/british.fst" "$work/cases.words"
# hunspell takes minutes for the list: it runs once, and its answers are scored below.
start=$(date +%s%N)
hunspell -a -d en_US < "$work/cases.words" > "$work/hunspell.out"
end=$(date +%s%N)
awk -v words="$words" -v ns=$((end - start)) \
  'BEGIN { printf "hunspell-a-en_US words=%d one_run_wps=%.0f\n", words, words / (ns / 1e9) }'

echo "# recall"
"$build/kora" suggest -j 2 --limit 0 "$work/british.fst" "$work/cases.words" > "$work/kora.out"
$data kora "$work/cases" "$british" "$work/kora.out" 2 kora-suggest-k2
$data hunspell "$work/cases" "$british" "$work/hunspell.out" 2 hunspell-a-en_US
