#!/bin/sh
# Marks up names in running text: `kora patterns` (one thread, and -j 2) beside `grep -F -o -f
# NAMES` and a Python `re` alternation of the same names, each as a whole process reading the
# text file. The text (10 MB by default) is words of the Debian word list wamerican drawn at
# random with a fixed seed, twelve to a line; the names are 10 000 of its capitalized entries,
# also drawn with a fixed seed; the pattern network is the names, each followed by the closing
# tag </name>. Prints MB of text per second, by wall clock and by processor time (best of RUNS
# runs, default 5), and, for kora with one thread, the peak memory over the text and over a text
# four times its size, to show that it does not grow with the text.
# Needs: apt-get install -y wamerican
#
# Usage: bench/compare-patterns.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
list=/usr/share/dict/american-english
megabytes=${MEGABYTES:-10}
runs=${RUNS:-5}

. "$root/bench/build-bench.sh"
build_bench "$build" kora-tool
kora=$build/kora
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$list" "$work" "$megabytes" <<'EOF'
import random, sys
words = [w for w in open(sys.argv[1], encoding="utf-8").read().split("\n") if w and "'" not in w]
names = sorted(w for w in words if w[0].isupper() and len(w) > 2)
random.seed(29)
names = sorted(random.sample(names, 10000))
open(sys.argv[2] + "/names.txt", "w", encoding="utf-8").write("\n".join(names) + "\n")
def text(size, path):
    out, written = [], 0
    with open(path, "w", encoding="utf-8") as f:
        while written < size:
            line = " ".join(random.choice(words) for _ in range(12)) + "\n"
            f.write(line)
            written += len(line.encode("utf-8"))
random.seed(2029)
text(int(sys.argv[3]) * 1000000, sys.argv[2] + "/text.txt")
text(4 * int(sys.argv[3]) * 1000000, sys.argv[2] + "/text4.txt")
EOF
"$kora" words -o "$work/names.fst" "$work/names.txt" > /dev/null
"$kora" regex -D Names="$work/names.fst" -o "$work/patterns.fst" '[Names EndTag(name)]' > /dev/null

cat > "$work/re_markup.py" <<'EOF'
import re, sys
names = [n for n in open(sys.argv[1], encoding="utf-8").read().split("\n") if n]
# Longest names first: the alternation then takes the longest match at each position.
pattern = re.compile("|".join(re.escape(n) for n in sorted(names, key=len, reverse=True)))
with open(sys.argv[2], encoding="utf-8") as text:
    for line in text:
        sys.stdout.write(pattern.sub(lambda m: "<name>" + m.group(0) + "</name>", line))
EOF

bytes=$(wc -c < "$work/text.txt")
# Every program writes its output to a file: GNU grep stops at the first match when its output
# is /dev/null. The machine may be shared: wall-clock and processor (user + system) seconds are
# both given, each the best of the runs.
measure() {
  name=$1
  shift
  for r in $(seq "$runs"); do
    bash -c 'TIMEFORMAT="%3R %3U %3S"; { time "$@" > "$0/out"; } 2>&1' "$work" "$@"
  done | awk -v name="$name" -v bytes="$bytes" '
    { wall = $1; cpu = $2 + $3
      if (NR == 1 || wall < best_wall) best_wall = wall
      if (NR == 1 || cpu < best_cpu) best_cpu = cpu }
    END { printf "%-28s %7.2f s %8.1f MB/s wall %7.2f s %8.1f MB/s cpu\n", name, best_wall,
                 bytes / 1e6 / best_wall, best_cpu, bytes / 1e6 / best_cpu }'
}
matches=$("$kora" patterns --count "$work/patterns.fst" "$work/text.txt" | awk '/Total/ { print $2 }')
grep_matches=$(grep -F -o -f "$work/names.txt" "$work/text.txt" | wc -l)
echo "text: $bytes bytes, $(wc -l < "$work/text.txt") lines; names: 10000; matches: kora $matches, grep -F -o $grep_matches"
measure "kora patterns" "$kora" patterns "$work/patterns.fst" "$work/text.txt"
measure "kora patterns -j 2" "$kora" patterns -j 2 "$work/patterns.fst" "$work/text.txt"
measure "kora patterns --extract" "$kora" patterns --extract "$work/patterns.fst" "$work/text.txt"
measure "grep -F -o -f NAMES" grep -F -o -f "$work/names.txt" "$work/text.txt"
measure "python re alternation" python3 "$work/re_markup.py" "$work/names.txt" "$work/text.txt"
"$kora" patterns -j 2 "$work/patterns.fst" "$work/text.txt" > "$work/two.out"
"$kora" patterns "$work/patterns.fst" "$work/text.txt" | cmp - "$work/two.out" && echo "-j 2 output identical to one thread"
for f in text.txt text4.txt; do
  /usr/bin/time -f '%M' -o "$work/peak" "$kora" patterns "$work/patterns.fst" "$work/$f" > "$work/out"
  printf 'peak memory, one thread, %s (%d bytes): %d KiB\n' "$f" "$(wc -c < "$work/$f")" "$(cat "$work/peak")"
done
