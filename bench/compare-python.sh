#!/bin/sh
# Lookup through the Python module against `kora lookup -j 1` as a whole process, and the Dask
# path on two local worker processes against one, on Debian's wamerican list. The network is
# the list's minimal acceptor, made by `kora words -o` (not timed); every timed run loads it.
#   kora-lookup-j1: `kora lookup -j 1 NET LIST > /dev/null`, loading and output included;
#   python-lookup_many / python-lookup_loop: bench/python_lookup.py module (load the network,
#     read the list, net.lookup_many of all lines or net.lookup of each);
#   dask-workers-1 / dask-workers-2: bench/python_lookup.py dask on the list repeated ten
#     times (read_text on the workers, kora.dask.lookup, results counted on the workers).
# Each is repeated; best and median seconds and words per second are printed, then the ratios.
# Needs: apt-get install -y wamerican python3-pybind11 python3-dev python3-dask python3-distributed
#
# Usage: bench/compare-python.sh [BUILD-DIRECTORY [REPEATS]]   (default: build-bench 5)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
repeats=${2:-5}
list=/usr/share/dict/american-english
python=/usr/bin/python3

. "$root/bench/build-bench.sh"
bench_options="-DKORA_PYTHON=ON -DPython_EXECUTABLE=$python"
build_bench "$build" kora-tool _kora
work="$build/python-lookup-data"
rm -rf "$work"
mkdir -p "$work"
"$build/kora" words -o "$work/acceptor.fst" "$list" >/dev/null
for i in 1 2 3 4 5 6 7 8 9 10; do cat "$list"; done > "$work/words-x10"
words=$(wc -l < "$list")

# Runs a command $repeats times and prints the best and the median seconds and words per second.
time_process() {
  name=$1
  shift
  for r in $(seq "$repeats"); do
    start=$(date +%s%N)
    "$@" > /dev/null
    end=$(date +%s%N)
    echo $((end - start))
  done | sort -n | awk -v name="$name" -v words="$words" '
    { t[NR] = $1 / 1e9 }
    END { m = t[int((NR + 1) / 2)]
          printf "%s words=%d best_s=%.3f median_s=%.3f best_wps=%.0f median_wps=%.0f\n",
                 name, words, t[1], m, words / t[1], words / m }'
}

export PYTHONPATH="$build/python"
{
  time_process kora-lookup-j1 "$build/kora" lookup -j 1 "$work/acceptor.fst" "$list"
  $python "$root/bench/python_lookup.py" module "$work/acceptor.fst" "$list" "$repeats"
  $python "$root/bench/python_lookup.py" dask "$work/acceptor.fst" "$work/words-x10" "$repeats" 1
  $python "$root/bench/python_lookup.py" dask "$work/acceptor.fst" "$work/words-x10" "$repeats" 2
} 2>/dev/null | tee "$work/results.txt"
awk '
  { for (i = 2; i <= NF; i++) { split($i, kv, "="); v[$1, kv[1]] = kv[2] } }
  END {
    printf "python lookup_many / kora lookup -j 1 (median seconds): %.2f\n",
           v["python-lookup_many", "median_s"] / v["kora-lookup-j1", "median_s"]
    printf "python lookup loop / kora lookup -j 1 (median seconds): %.2f\n",
           v["python-lookup_loop", "median_s"] / v["kora-lookup-j1", "median_s"]
    printf "dask speed-up, 2 workers over 1 (median seconds): %.2f\n",
           v["dask-workers-1", "median_s"] / v["dask-workers-2", "median_s"]
  }' "$work/results.txt"
