#!/bin/sh
# The playground against the native tool: compiling the tutorial's analyser (the lexicon, the
# spelling rules and their composition) and analysing 1 000 words. In the page (headless
# Chromium, bench/web_timing.py) the time is measured around the calls of the page's own
# JavaScript module; natively it is the four processes of the tutorial's commands, `kora
# lexicon`, `kora regex -f`, `kora regex -D ... 'Lex .o. Spelling'` and `kora lookup`, files
# included. The words are the analyser's 40 surface forms and words of wamerican (most of them
# unknown to it), 1 000 in all, drawn with a fixed seed. Best and median of RUNS runs (5); the
# target is the page within 3x of the tool.
# Needs: apt-get install -y emscripten chromium chromium-driver python3-selenium wamerican
#
# Usage: bench/compare-web.sh [BUILD-DIRECTORY]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${RUNS:-5}
examples=$root/examples/tutorial

. "$root/bench/build-bench.sh"
bench_options=-DKORA_WEB=ON build_bench "$build" kora-tool kora-web-build
kora=$build/kora
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$kora" lexicon -o "$work/lex.fst" "$examples/english.vorn" >/dev/null
"$kora" regex -f "$examples/spelling.re" -o "$work/spelling.fst" >/dev/null
"$kora" regex -D Lex="$work/lex.fst" -D Spelling="$work/spelling.fst" -o "$work/analyser.fst" \
  'Lex .o. Spelling' >/dev/null
"$kora" text "$work/analyser.fst" | awk 'NR % 3 == 2 { gsub(/ /, ""); gsub(/0/, ""); print }' \
  > "$work/surface.txt"
/usr/bin/python3 - "$work/surface.txt" /usr/share/dict/american-english "$work/words.txt" <<'PY'
import random, sys
surface = open(sys.argv[1]).read().split()
words = [w for w in open(sys.argv[2], encoding="utf-8").read().split() if w.isalpha() and w.islower()]
random.seed(33)
chosen = (surface * 13)[:520] + random.sample(words, 480)
random.shuffle(chosen)
open(sys.argv[3], "w").write("\n".join(chosen) + "\n")
PY

native() {
  "$kora" lexicon -o "$work/l.fst" "$examples/english.vorn" &&
  "$kora" regex -f "$examples/spelling.re" -o "$work/s.fst" &&
  "$kora" regex -D Lex="$work/l.fst" -D Spelling="$work/s.fst" -o "$work/a.fst" 'Lex .o. Spelling' &&
  "$kora" lookup "$work/a.fst" "$work/words.txt"
}
for r in $(seq "$runs"); do
  start=$(date +%s%N)
  native >/dev/null 2>&1
  end=$(date +%s%N)
  echo $((end - start))
done | sort -n | awk '{ t[NR] = $1 / 1e6 }
  END { printf "kora-tool words=1000 best_ms=%.1f median_ms=%.1f\n", t[1], t[int((NR + 1) / 2)] }'
/usr/bin/python3 "$root/bench/web_timing.py" "$build/web-build/web" "$work/words.txt" "$runs"
