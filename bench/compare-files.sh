#!/bin/sh
# Saves and loads two large networks with kora (bench/file_io.cpp, through save_net and load_net)
# and with OpenFst (bench/peers/openfst_file_io.cpp, Write and Read of StdVectorFst and
# ConstFst): the minimal acceptor of wbritish-huge and the tagger transducer of wamerican. Prints
# file sizes, save times (best and median of 5 in one process) and load times and peak memory
# (best and median of RUNS fresh processes, run by turns), with the ratios to kora.
# Needs: apt-get install -y libfst-dev wamerican wbritish-huge
#
# Usage: bench/compare-files.sh [BUILD-DIRECTORY] [RUNS]   (defaults: build-bench, 7)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/bench/build-bench.sh"
build_bench "$build" file_io
g++ -O2 -DNDEBUG -std=c++17 "$root/bench/peers/openfst_file_io.cpp" -o "$build/openfst_file_io" -lfst

kora="$build/bench/file_io"
peer="$build/openfst_file_io"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for entry in wbritish-huge:acceptor:/usr/share/dict/british-english-huge \
             wamerican:tagger:/usr/share/dict/american-english; do
  name=${entry%%:*}
  rest=${entry#*:}
  kind=${rest%%:*}
  list=${rest#*:}
  "$kora" save "$list" "$kind" "$work/$name.kora" "$name-$kind" > "$work/save"
  "$peer" save "$list" "$kind" "$work/$name" "$name-$kind" >> "$work/save"
  : > "$work/load"
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$kora" load "$work/$name.kora" kora >> "$work/load"
    "$peer" load vector "$work/$name.vector" vector >> "$work/load"
    "$peer" load const "$work/$name.const" const >> "$work/load"
    i=$((i + 1))
  done
  echo "== $name $kind: $(sed -n 's/.* states=\([0-9]*\) arcs=\([0-9]*\).*/\1 states, \2 arcs/p' "$work/save" | head -1)"
  printf '%-15s %10s %9s %9s %9s %9s %9s %9s\n' program bytes save_best save_med load_best load_med \
    peak_MiB size/kora
  awk -v runs="$runs" '
    function field(line, key,   i, kv) {
      for (i = 3; i <= NF; i++) { split($i, kv, "="); if (kv[1] == key) return kv[2] }
      return ""
    }
    FILENAME ~ /save$/ { p = $1; bytes[p] = field($0, "bytes"); sb[p] = field($0, "save_best");
                         sm[p] = field($0, "save_median"); order[++n] = p; next }
    { p = $1; k[p]++; load[p, k[p]] = field($0, "load"); peak[p, k[p]] = field($0, "peak_kib") }
    function sorted_at(arr, p, count, at,   i, j, t, v) {
      for (i = 1; i <= count; i++) v[i] = arr[p, i] + 0
      for (i = 1; i <= count; i++) for (j = i + 1; j <= count; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      return v[at]
    }
    END {
      mid = int((runs + 1) / 2)
      for (i = 1; i <= n; i++) {
        p = order[i]
        lb[p] = sorted_at(load, p, k[p], 1); lm[p] = sorted_at(load, p, k[p], mid)
        pk[p] = sorted_at(peak, p, k[p], mid) / 1024
        printf "%-15s %10d %9.4f %9.4f %9.4f %9.4f %9.1f %9.2f\n", p, bytes[p], sb[p], sm[p], lb[p], lm[p],
               pk[p], bytes[p] / bytes["kora"]
      }
      printf "load time / kora (best, median): vector %.2fx %.2fx, const %.2fx %.2fx\n",
             lb["openfst-vector"] / lb["kora"], lm["openfst-vector"] / lm["kora"],
             lb["openfst-const"] / lb["kora"], lm["openfst-const"] / lm["kora"]
    }' "$work/save" "$work/load"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
